#include "query/tabclasi.h"

#include "db/recordset.h"
#include "engine/fieldrules.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "panels/controlpool.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "session/session.h"
#include "session/twips.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QRect>
#include <QScrollBar>
#include <QTableView>

#include <algorithm>

namespace quelmar::query {

namespace {

constexpr int TwipsPerNameChar = 100;
constexpr int ListWidthMargin = 250;
constexpr int TwipsPerEntry = 220;
// The list ends at least this far above the bottom of the form.
constexpr int FormBottomMargin = 400;

[[noreturn]] void fail(const db::DbError& error)
{
    throw RuntimeError{error.number, error.description, {}};
}

// The names a class offers, in the order of the parameters table's index: its rows whose Clave is Null or
// has no "@" (the class's heading row has one).
QStringList namesOfClass(db::Recordset& table, const QString& name)
{
    QStringList names;
    if (name.isEmpty())
        return names;
    table.moveFirst();
    if (table.lastError())
        fail(table.lastError());
    if (!table.seek(QStringLiteral("="), {name})) {
        if (table.lastError())
            fail(table.lastError());
        return names;
    }
    for (; !table.eof(); table.moveNext()) {
        if (table.value(QStringLiteral("Clase")).toString().compare(name, Qt::CaseInsensitive) != 0)
            break;
        const QVariant key = table.value(QStringLiteral("Clave"));
        if (!key.isNull() && key.toString().contains(u'@'))
            continue;
        names.append(table.value(QStringLiteral("Nombre")).toString());
    }
    if (table.lastError())
        fail(table.lastError());
    return names;
}

// Where the list goes, in twips: under the cell (cellLeft, cellBottom), as wide as its longest name asks,
// an entry's height for each entry, and ending no lower than FormBottomMargin above the bottom of the form.
// A cell too low for even one entry below it gets the list above that limit.
QRect listArea(int cellLeft, int cellBottom, int width, int entries, int entryHeight, int frame,
               int formHeight)
{
    const int lowest = formHeight - FormBottomMargin;
    const int wanted = entries * entryHeight + frame;
    const int height = std::min(wanted, std::max(entryHeight + frame, lowest - cellBottom));
    const int top = cellBottom + height > lowest ? std::max(0, lowest - height) : cellBottom;
    return {cellLeft, top, width, height};
}

void placeList(Session& session, engine::GridView& view, QListWidget* list, int row, int column)
{
    QTableView* table = view.table();
    const QModelIndex index = view.model()->index(row, column);
    table->scrollTo(index);
    const QRect cell = table->visualRect(index);
    const QPoint below = table->viewport()->mapTo(session.k, cell.bottomLeft() + QPoint(0, 1));
    int longest = 0;
    for (int entry = 0; entry < list->count(); ++entry)
        longest = std::max(longest, static_cast<int>(list->item(entry)->text().size()));
    const int frame = 2 * list->frameWidth();
    const int textWidth =
        twips::fromPixels(list->sizeHintForColumn(0) + frame + list->verticalScrollBar()->sizeHint().width());
    const int width = std::max(longest * TwipsPerNameChar + ListWidthMargin, textWidth);
    const int entryHeight = std::max(TwipsPerEntry, twips::fromPixels(list->sizeHintForRow(0)));
    const QRect area =
        listArea(twips::fromPixels(below.x()), twips::fromPixels(below.y()), width, list->count(),
                 entryHeight, twips::fromPixels(frame), session.k->heightTwips());
    list->setGeometry(twips::toPixels(area.x()), twips::toPixels(area.y()), twips::toPixels(area.width()),
                      twips::toPixels(area.height()));
}

// The entry a "choose" answer names: its number (1-based), or a quoted text that the first entry containing
// it answers (in any case); -1 when there is no such entry or more than one number is given.
int namedEntry(const QListWidget* list, const QString& argument)
{
    const QString text = argument.trimmed();
    if (text.startsWith(u'"')) {
        QString wanted = text.mid(1);
        if (wanted.endsWith(u'"'))
            wanted.chop(1);
        for (int entry = 0; entry < list->count(); ++entry) {
            if (list->item(entry)->text().contains(wanted, Qt::CaseInsensitive))
                return entry;
        }
        return -1;
    }
    bool ok = false;
    const int number = text.toInt(&ok);
    return ok && number >= 1 && number <= list->count() ? number - 1 : -1;
}

// A scripted "choose": the entry is made current and INTRO is pressed on the list, as a person would.
bool chooseEntry(QListWidget* list, const QString& verb, const QString& argument)
{
    if (verb != QLatin1String("choose"))
        return false;
    const int entry = namedEntry(list, argument);
    if (entry < 0)
        return false;
    list->setCurrentRow(entry);
    QKeyEvent intro(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QCoreApplication::sendEvent(list, &intro);
    return true;
}

// Shows the class's names under the cell, waits for the user and writes the chosen name into the cell.
void chooseIntoCell(Session& session, ErrorTrap& trap, engine::GridView& view, QListWidget* list, int row,
                    int column)
{
    engine::GridModel* model = view.model();
    view.setEnabled(false);
    list->clear();
    QStringList names;
    if (db::Recordset* table = session.database.ParamTable.get())
        trap.step([&] {
            names = namesOfClass(*table, engine::classifierClass(model->field(column).defaultValue));
        });
    if (names.isEmpty())
        return;
    list->addItems(names);
    trap.step([&] { placeList(session, view, list, row, column); });
    panels::showElement(list);
    list->setCurrentRow(0);
    list->setFocus(Qt::OtherFocusReason);

    const QString title = model->caption(column).section(u'\n', 0, 0);
    QString line = title;
    for (qsizetype entry = 0; entry < names.size(); ++entry)
        line += QStringLiteral(" | %1 %2").arg(entry + 1).arg(names.at(entry).trimmed());
    session.transcript.write(QStringLiteral("list"), line);

    WaitContext context;
    context.kind = WaitKind::List;
    context.description = QStringLiteral("lista de ") + title;
    context.widget = list;
    context.respond = [list](const QString& verb, const QString& argument) {
        return chooseEntry(list, verb, argument);
    };
    auto& codes = session.codes;
    codes.CommandCode = 0;
    session.wait.forUser([&codes] { return codes.CommandCode != 0; }, context);

    // A double click gives 1, INTRO 9; anything else leaves the cell as it was.
    const bool chosen = (codes.CommandCode == 1 || codes.CommandCode == 9) && list->currentItem();
    const QString name = chosen ? list->currentItem()->text() : QString();
    panels::hideElement(list);
    // "&Termina" pressed meanwhile still ends the grid.
    if (codes.CommandCode != -1)
        codes.CommandCode = 0;
    if (chosen)
        trap.step([&] { model->setData(model->index(row, column), name, Qt::EditRole); });
}

} // namespace

void TabClasi(Session& session, int column)
{
    ErrorTrap trap(session, QStringLiteral("TabClasi"));
    engine::GridView& view = engine::grid(session);
    QListWidget* list = session.k ? session.k->listauni() : nullptr;
    const int row = view.currentRow();
    if (column >= 0 && list && view.model() && view.table() && row >= 0 &&
        column < view.model()->columnCount())
        chooseIntoCell(session, trap, view, list, row, column);
    view.setEnabled(true);
    view.focus();
}

} // namespace quelmar::query
