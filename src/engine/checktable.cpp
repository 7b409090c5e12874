#include "engine/checktable.h"

#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/gridrules.h"
#include "engine/gridview.h"
#include "engine/valueformat.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "session/twips.h"

#include <QBrush>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>

#include <algorithm>

namespace quelmar::engine {

namespace {

constexpr int MaxTranscribedRows = 50;
constexpr int ButtonWidth = 1200;
constexpr int ButtonHeight = 400;

QString markText()
{
    return QStringLiteral("Si");
}

QString markCaption()
{
    return QStringLiteral("Elegido");
}

// What the user does on the flexible grid `Tabla`, written down for the marking loop and nothing more: the
// rows clicked or marked with the Space key, and the last key in GridKey (1 Enter, 2 Esc, else its code).
// A double click arrives as a press and a double-click event: its press asks for the one change of mark.
class TablaWatcher final : public QObject
{
public:
    TablaWatcher(Session& session, QTableWidget* table) : m_session(session), m_table(table)
    {
        table->installEventFilter(this);
        table->viewport()->installEventFilter(this);
    }

    ~TablaWatcher() override
    {
        if (m_table) {
            m_table->removeEventFilter(this);
            m_table->viewport()->removeEventFilter(this);
        }
    }

    TablaWatcher(const TablaWatcher&) = delete;
    TablaWatcher& operator=(const TablaWatcher&) = delete;

    QList<int> toggles; // rows (0-based) whose mark the user changed, in order

private:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (!m_table)
            return false;
        if (watched == m_table->viewport() && event->type() == QEvent::MouseButtonPress) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const int row = m_table->rowAt(mouse->position().toPoint().y());
            if (mouse->button() == Qt::LeftButton && row >= 0)
                toggles.append(row);
            return false;
        }
        if (watched != m_table || event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            m_session.engine.GridKey = 1;
            return true;
        case Qt::Key_Escape:
            m_session.engine.GridKey = 2;
            return true;
        case Qt::Key_Space:
            m_session.engine.GridKey = key->key();
            if (m_table->currentRow() >= 0)
                toggles.append(m_table->currentRow());
            return true;
        default:
            m_session.engine.GridKey = key->key();
            return false;
        }
    }

    Session& m_session;
    QPointer<QTableWidget> m_table;
};

// The flexible grid `Tabla` of the main form, made on first use.
QTableWidget* flexGrid(MainForm& form, const Session& session)
{
    if (auto* existing = form.findChild<QTableWidget*>(QStringLiteral("Tabla"), Qt::FindDirectChildrenOnly))
        return existing;
    auto* table = new QTableWidget(&form);
    table->setObjectName(QStringLiteral("Tabla"));
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setWordWrap(false);
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(std::max(18, table->fontMetrics().height() + 6));
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);
    QPalette palette = table->palette();
    palette.setColor(QPalette::Base, QColor(session.shell.ItemColour));
    table->setPalette(palette);
    table->hide();
    return table;
}

Qt::Alignment alignmentOf(QChar marker)
{
    if (marker == u'>' || marker == u'$')
        return Qt::AlignRight | Qt::AlignVCenter;
    if (marker == u'^')
        return Qt::AlignCenter;
    return Qt::AlignLeft | Qt::AlignVCenter;
}

QString unbracketed(QString name)
{
    name = name.trimmed();
    if (name.startsWith(u'[') && name.endsWith(u']'))
        name = name.mid(1, name.size() - 2);
    return name;
}

// One column of Tabla as the heading format line describes it.
struct TablaColumn
{
    QString caption;
    Qt::Alignment alignment;
    int width = 0; // twips asked for by the type; the caption may need more
};

QList<TablaColumn> tablaColumns(const QList<FieldRow>& fields, int fieldCount)
{
    QList<TablaColumn> columns;
    for (int column = 0; column < fieldCount; ++column) {
        const FieldRow field = fields.value(column);
        const CheckTableColumn heading = checkTableColumn(unbracketed(field.name), field.type, field.size);
        const QString piece = heading.format.chopped(1); // the marker, the name; "|" ends it
        columns.append({piece.mid(1), alignmentOf(piece.at(0)), heading.width});
    }
    columns.append({markCaption(), Qt::AlignCenter, checkTableColumn(markCaption(), 1, 0).width});
    return columns;
}

int markColumn(const QTableWidget* table)
{
    return table->columnCount() - 1;
}

bool isMarked(const QTableWidget* table, int row)
{
    const QTableWidgetItem* item = table->item(row, markColumn(table));
    return item && item->text() == markText();
}

// The mark of a row: "Si" in the mark column, the whole row painted white; an unmarked row keeps the grid's
// own colour.
void setMark(QTableWidget* table, int row, bool marked)
{
    for (int column = 0; column < table->columnCount(); ++column) {
        QTableWidgetItem* item = table->item(row, column);
        if (!item)
            continue;
        if (column == markColumn(table))
            item->setText(marked ? markText() : QString());
        item->setBackground(marked ? QBrush(Qt::white) : QBrush());
    }
}

void setAllMarks(QTableWidget* table, bool marked)
{
    for (int row = 0; row < table->rowCount(); ++row)
        setMark(table, row, marked);
}

QList<int> markedRows(const QTableWidget* table)
{
    QList<int> marked;
    for (int row = 0; row < table->rowCount(); ++row) {
        if (isMarked(table, row))
            marked.append(row);
    }
    return marked;
}

QTableWidgetItem* cellItem(const QString& text, Qt::Alignment alignment)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(alignment);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

// Reads the rows of the recordset once into Tabla (the widget keeps them; nothing else does). A read error
// of the database is thrown for the routine's error trap.
void fillRows(QTableWidget* table, db::Recordset& rows, const QList<FieldRow>& fields,
              const QList<TablaColumn>& columns)
{
    const int fieldCount = rows.fieldCount();
    const auto total = static_cast<int>(std::max<qint64>(0, rows.recordCount()));
    table->setUpdatesEnabled(false);
    table->clearContents();
    table->setRowCount(total);
    int row = 0;
    for (rows.moveFirst(); row < total && !rows.eof(); rows.moveNext(), ++row) {
        for (int field = 0; field < fieldCount; ++field) {
            table->setItem(row, field,
                           cellItem(formatValue(rows.value(field), fields.value(field).format),
                                    columns.at(field).alignment));
        }
        table->setItem(row, fieldCount, cellItem(QString(), columns.constLast().alignment));
        if (const db::DbError& error = rows.lastError()) {
            table->setRowCount(row);
            table->setUpdatesEnabled(true);
            throw RuntimeError{error.number, error.description, QStringLiteral("FTab")};
        }
    }
    table->setRowCount(row);
    rows.moveFirst();
    table->setUpdatesEnabled(true);
}

// Headings, widths and place of Tabla, and "&Termina" under its right edge.
void layOut(MainForm& form, QTableWidget* table, const QList<TablaColumn>& columns, const QString& title)
{
    table->setColumnCount(static_cast<int>(columns.size()));
    QStringList captions;
    int right = 0;
    const QFontMetrics metrics = table->horizontalHeader()->fontMetrics();
    for (qsizetype column = 0; column < columns.size(); ++column) {
        const TablaColumn& c = columns.at(column);
        captions.append(c.caption);
        const int captionWidth = twips::fromPixels(metrics.horizontalAdvance(c.caption) + 12);
        const int width = std::max(captionWidth, c.width);
        table->setColumnWidth(static_cast<int>(column), twips::toPixels(width));
        right += width;
    }
    table->setHorizontalHeaderLabels(captions);

    QRect area = gridGeometry(form.widthTwips(), form.heightTwips(), right, title);
    const int rowsHeight =
        twips::fromPixels(table->horizontalHeader()->sizeHint().height() +
                          table->rowCount() * table->verticalHeader()->defaultSectionSize() +
                          2 * table->frameWidth()) +
        GridScrollRoom;
    area.setHeight(std::min(area.height(), rowsHeight));
    area.moveTop(gridTop(form.heightTwips(), area.height()));
    table->setGeometry(twips::toPixels(area.x()), twips::toPixels(area.y()), twips::toPixels(area.width()),
                       twips::toPixels(area.height()));

    QPushButton* termina = form.termina();
    const GridButton end = terminaButton();
    const QRect place = gridButtonGeometry(area, 0, ButtonWidth, ButtonHeight).value(0);
    termina->setText(end.caption);
    termina->setToolTip(end.tip);
    termina->setGeometry(twips::toPixels(place.x()), twips::toPixels(place.y()),
                         twips::toPixels(place.width()), twips::toPixels(place.height()));
    termina->setEnabled(true);
}

// The transcript lines of Tabla: its title, the column captions and the rows with their marks (at most 50,
// then their count).
void transcribe(Session& session, const QTableWidget* table, const QString& title)
{
    Transcript& transcript = session.transcript;
    if (!transcript.isOn())
        return;
    transcript.write(QStringLiteral("grid"), title);
    QString heading = QStringLiteral("columnas");
    for (int column = 0; column < table->columnCount(); ++column) {
        const QTableWidgetItem* header = table->horizontalHeaderItem(column);
        heading += QStringLiteral(" | ") + Transcript::oneLine(header ? header->text() : QString());
    }
    transcript.write(QStringLiteral("grid"), heading);
    const int rows = table->rowCount();
    for (int row = 0; row < std::min(rows, MaxTranscribedRows); ++row) {
        QString line = QString::number(row + 1);
        for (int column = 0; column < table->columnCount(); ++column) {
            const QTableWidgetItem* item = table->item(row, column);
            line += QStringLiteral(" | ") + Transcript::oneLine(item ? item->text() : QString());
        }
        transcript.write(QStringLiteral("grid"), line);
    }
    if (rows > MaxTranscribedRows)
        transcript.write(QStringLiteral("grid"), QStringLiteral("(%1 filas)").arg(rows));
}

// Lets the user mark rows until Enter, Esc or "&Termina".
void markRows(Session& session, QTableWidget* table, const QString& title)
{
    auto& codes = session.codes;
    auto& engine = session.engine;
    TablaWatcher watcher(session, table);
    WaitContext context;
    context.kind = WaitKind::Screen;
    context.description = QStringLiteral("tabla de marcas ") + title;
    context.widget = table;
    const auto ended = [&codes, &engine] {
        return engine.GridKey == 1 || engine.GridKey == 2 || codes.CommandCode == -1;
    };
    for (;;) {
        codes.CommandCode = 0;
        codes.TableCommand = 0;
        engine.GridKey = 0;
        watcher.toggles.clear();
        table->setEnabled(true);
        if (session.k)
            session.k->termina()->show();
        table->setFocus(Qt::OtherFocusReason);
        transcribe(session, table, title);
        session.wait.forUser([&] { return ended() || !watcher.toggles.isEmpty(); }, context);
        for (const int row : std::as_const(watcher.toggles)) {
            if (row < table->rowCount())
                setMark(table, row, !isMarked(table, row));
        }
        if (ended())
            return;
    }
}

// What the user decides about the marks. False when the answer sends the user back to marking.
bool decide(Session& session, QTableWidget* table, const QString& title)
{
    auto& dialog = session.dialog;
    table->setEnabled(false);
    if (session.k)
        session.k->termina()->hide();
    session.codes.CommandCode = 0;
    dialog.ValidationMessage = QStringLiteral("Marcados %1 de %2 registros de ")
                                   .arg(markedRows(table).size())
                                   .arg(table->rowCount()) +
                               title;
    dialog.AnswerText = checkTableChoices();
    panels::ShowMessage(session, QStringLiteral("RCa"));
    session.errors.RoutineName = QStringLiteral("FTab");
    const QString answer = dialog.AnswerText;
    // No button chosen carries nothing out.
    const CheckTableAnswer choice =
        answer.trimmed().isEmpty() ? CheckTableAnswer::Cancel : checkTableAnswer(answer);
    switch (choice) {
    case CheckTableAnswer::MarkNone:
        setAllMarks(table, false);
        return false;
    case CheckTableAnswer::MarkAll:
        setAllMarks(table, true);
        return false;
    case CheckTableAnswer::Cancel:
        session.codes.EngineStatus = 1;
        return true;
    case CheckTableAnswer::Carry:
        session.engine.CheckedRows = markedRows(table);
        session.codes.EngineStatus = 0;
        return true;
    }
    return true;
}

void takeAway(MainForm& form, QTableWidget* table)
{
    if (table) {
        table->hide();
        table->setEnabled(true);
    }
    form.termina()->hide();
}

} // namespace

void CheckTable(Session& session, const QString& title, const QString& statement, const QString& options)
{
    ErrorTrap trap(session, QStringLiteral("FTab"), 3);
    session.engine.CheckedRows.clear();
    MainForm* form = session.k;
    if (!form) {
        session.codes.EngineStatus = 1;
        return;
    }

    const QString savedCaption = form->windowTitle();
    form->setWindowTitle(checkTablePreselectCaption());
    BDats(session, QStringLiteral("TabPre"), 2, title, statement, options);
    form->setWindowTitle(savedCaption);
    session.errors.RoutineName = QStringLiteral("FTab");
    // Nothing to mark (TabPre has said so) or the statement could not be read (EngineStatus holds the error).
    if (session.codes.EngineStatus != 0)
        return;

    GridView& view = grid(session);
    db::Recordset* rows = view.recordset();
    const QList<FieldRow> fields = session.engine.FieldTable;
    BDats(session, QStringLiteral("TabFin"), 2, QString(), QString());
    session.errors.RoutineName = QStringLiteral("FTab");
    if (!rows || rows->recordCount() <= 0) {
        panels::MessageBox(session, QStringLiteral("No hay Registros de ") + title);
        session.codes.EngineStatus = 1;
        return;
    }

    QTableWidget* table = flexGrid(*form, session);
    const QList<TablaColumn> columns = tablaColumns(fields, rows->fieldCount());
    table->setColumnCount(static_cast<int>(columns.size()));
    if (!trap.step([&] { fillRows(table, *rows, fields, columns); })) {
        takeAway(*form, table);
        return;
    }
    layOut(*form, table, columns, title);
    table->show();
    table->raise();
    form->termina()->raise();
    table->setCurrentCell(0, 0);

    do {
        markRows(session, table, title);
    } while (!decide(session, table, title));

    session.codes.CommandCode = 0;
    session.codes.TableCommand = 0;
    takeAway(*form, table);
}

} // namespace quelmar::engine
