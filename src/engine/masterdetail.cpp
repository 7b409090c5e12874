#include "engine/masterdetail.h"

#include "core/datetext.h"
#include "db/database.h"
#include "db/dberror.h"
#include "db/fielddef.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/engineservices.h"
#include "engine/gridmodel.h"
#include "engine/gridrules.h"
#include "engine/gridview.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/reporterror.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/fieldtable.h"
#include "session/lockretries.h"
#include "session/session.h"
#include "session/twips.h"

#include <QDateTime>
#include <QFrame>
#include <QRegularExpression>
#include <QTableView>

#include <algorithm>
#include <utility>

namespace quelmar::engine {

namespace masterdetail {

QString detailSql(const QString& table, const QString& fields, const QString& key)
{
    return QStringLiteral("SELECT ") + fields + QStringLiteral(" FROM ") + table + QStringLiteral(" WHERE ") +
           key + QStringLiteral(" = ");
}

QString masterKeyField(const QString& masterKey)
{
    const qsizetype dot = masterKey.indexOf(u'.');
    return masterKey.mid(dot + 1).trimmed();
}

QString keyLiteral(int jetType, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return {};
    const QString text = value.toString();
    if (text.isEmpty())
        return {};
    switch (jetType) {
    case db::jettype::Text:
    case db::jettype::Memo: {
        // A name such as O'Brien keeps the statement whole.
        QString quoted = text;
        return u'\'' + quoted.replace(u'\'', QStringLiteral("''")) + u'\'';
    }
    case db::jettype::Date: {
        QDate date;
        if (value.typeId() == QMetaType::QDate)
            date = value.toDate();
        else if (value.typeId() == QMetaType::QDateTime)
            date = value.toDateTime().date();
        else
            date = datetext::parse(text);
        return date.isValid() ? datetext::jetLiteral(date) : u'#' + text + u'#';
    }
    default:
        return text;
    }
}

QString detailStatement(const QString& detailSql, const QString& keyLiteral, const QString& detailOrder)
{
    return (detailSql + keyLiteral + u' ' + detailOrder).trimmed();
}

QString columnFormat(int type, const QString& fieldFormat, bool readOnly)
{
    switch (type) {
    case db::jettype::Byte:
    case db::jettype::Integer:
    case db::jettype::Long:
        return readOnly ? QStringLiteral("###,###,###,###") : QString();
    case db::jettype::Currency:
    case db::jettype::Single:
    case db::jettype::Double:
        return readOnly ? fieldFormat : QString();
    default:
        return gridColumnFormat(type, fieldFormat, readOnly);
    }
}

Placement placement(int formHeight, int panelTop, int panelHeight)
{
    const auto gridRoom = [&](int top) {
        return formHeight - RoomBelowGrid - (top + panelHeight + GapBelowPanel);
    };
    int top = panelTop;
    if (gridRoom(top) < MinimumGridHeight) {
        const int free = formHeight - RoomBelowGrid - MinimumGridHeight - GapBelowPanel - panelHeight;
        top = free > 1000 ? free / 2 : 100;
    }
    const int gridTop = top + panelHeight + GapBelowPanel;
    return {top, gridTop, std::max(MinimumGridHeight, gridRoom(top))};
}

} // namespace masterdetail

namespace {

// The panel's command buttons `dcom` sit in a row under the panel: 100 twips below it, 400 high.
constexpr int PanelButtonsRoom = 500;
constexpr int MaxLockRepetitions = 3;

QRect toTwips(const QRect& pixels)
{
    return {twips::fromPixels(pixels.x()), twips::fromPixels(pixels.y()), twips::fromPixels(pixels.width()),
            twips::fromPixels(pixels.height())};
}

// The caption of the detail grid: its table and its count of rows.
QString detailCaption(const GridView& view)
{
    const db::Recordset* rows = view.recordset();
    if (!rows)
        return {};
    QString table;
    for (int field = 0; field < rows->fieldCount() && table.isEmpty(); ++field)
        table = rows->field(field).sourceTable;
    return gridCaption(table, static_cast<int>(view.model()->recordCount()));
}

// Puts the grid below the panel, moving the panel up when both would not fit.
void place(Session& session)
{
    if (!session.k)
        return;
    const QWidget* frame = session.k->fixedPanel();
    const QRect panel = toTwips(frame->geometry());
    const masterdetail::Placement where =
        masterdetail::placement(session.k->heightTwips(), panel.top(), panel.height() + PanelButtonsRoom);
    MovePanel(session, where.panelTop);
    GridView& view = grid(session);
    QRect area = view.geometryTwips();
    area.moveTop(where.gridTop);
    area.setHeight(where.gridHeight);
    view.setGeometryTwips(area);
}

// Lays the grid's columns out with the detail's formats, and places it.
void arrange(Session& session)
{
    GridView& view = grid(session);
    view.layout(detailCaption(view), QString());
    GridModel* model = view.model();
    const bool readOnly = !view.allowsUpdates();
    QStringList formats;
    for (int column = 0; column < model->columnCount(); ++column)
        formats.append(
            masterdetail::columnFormat(model->field(column).type, model->field(column).format, readOnly));
    model->setFormats(formats);
    place(session);
}

// Any row being typed into the grid is written (or undone) before the grid changes.
void settleGrid(GridView& view)
{
    if (!view.finishEditing())
        view.model()->undoPendingRow();
}

// Opens the detail statement. A locked table is tried again after a pause, up to 3 times; a faulty statement
// is shown; other failures go to the error report, which may have it tried again. nullptr when nothing was
// opened.
std::unique_ptr<db::Recordset> openDetail(Session& session, const QString& statement, ErrorTrap& trap)
{
    const db::RecordsetType type =
        grid(session).allowsUpdates() ? db::RecordsetType::Dynaset : db::RecordsetType::Snapshot;
    std::unique_ptr<db::Recordset> rows;
    db::DbError shown; // a failure told to the user here rather than through the error report
    int repetitions = 0;
    trap.step([&] {
        for (;;) {
            db::DbError error;
            rows = session.database.CurrentDatabase->openRecordset(statement, type, error);
            if (!error && rows)
                return;
            rows.reset();
            if (!error)
                error = db::DbError::make(db::jeterror::TooFewParameters, QString(), statement);
            if (error.isLock() && repetitions < MaxLockRepetitions) {
                ++repetitions;
                panels::Pause(session, LockRetries::PauseMs);
                continue;
            }
            if (error.isLock() || error.number == db::jeterror::TooFewParameters ||
                error.number == db::jeterror::SyntaxErrorInExpression) {
                shown = error;
                return;
            }
            throw RuntimeError{error.number, error.description, session.errors.RoutineName};
        }
    });
    if (shown.isLock()) {
        panels::MessageBox(session, QStringLiteral("La Base de datos esta bloqueada por otro Usuario") +
                                        session.shell.NewLine + shown.description);
    } else if (shown) {
        panels::MessageBox(session, QStringLiteral("Error en SQL.") + session.shell.NewLine + statement);
        int state = trap.state();
        maintenance::ReportError(session, shown.number, state, shown.description, session.errors.RoutineName);
    }
    return rows;
}

// Binds the grid to the detail rows, lays it out and writes what it shows into the transcript.
void showDetail(Session& session, std::unique_ptr<db::Recordset> rows)
{
    auto& engine = session.engine;
    GridView& view = grid(session);
    settleGrid(view);
    // The grid takes its columns from FieldTable, which describes the panel: the detail's are lent to it.
    QList<FieldRow> master = std::exchange(engine.FieldTable, buildFieldTable(*rows, engine.FieldTitles));
    view.bind(std::move(rows));
    engine.FieldTable = std::move(master);
    arrange(session);
    view.transcribe();
}

// Clears the grid of anything an earlier screen left in it, and sets what the user may do with its rows.
void resetGrid(Session& session, bool editable)
{
    GridView& view = grid(session);
    settleGrid(view);
    view.hide();
    view.unbind();
    view.classifierRequested = nullptr;
    view.setEditing(editable, false, false);
}

void follow(Session& session, const QString& upper, const QString& detailTable, const QString& detailFields,
            const QString& detailKey, const QString& masterKey, const QString& order)
{
    auto& engine = session.engine;
    engine.MasterDetail = 1;
    engine.DetailSQL = masterdetail::detailSql(detailTable, detailFields, detailKey);
    engine.MasterKeyField = masterdetail::masterKeyField(masterKey);
    engine.DetailOrder = order + u' ';
    resetGrid(session, upper == QLatin1String("EDI"));
    MDSinc(session);
    session.errors.RoutineName = QStringLiteral("MtroDet");
    db::Recordset* master = engine.PanelRecordset.get();
    if (master && master->recordCount() > 0) {
        arrange(session);
        grid(session).show();
    }
}

void fixedKey(Session& session, ErrorTrap& trap, const QString& detailTable, const QString& detailFields,
              const QString& detailKey, const QString& keyValue)
{
    session.engine.MasterDetail = 2;
    resetGrid(session, false);
    const QString statement = QStringLiteral("select ") + detailFields + QStringLiteral(" from ") +
                              detailTable + QStringLiteral(" where ") + detailKey + QStringLiteral(" = ") +
                              keyValue;
    std::unique_ptr<db::Recordset> rows = openDetail(session, statement, trap);
    if (!rows)
        return;
    showDetail(session, std::move(rows));
    grid(session).show();
}

// "&Termina" and "&Imprime" below the grid until "&Termina".
void finish(Session& session)
{
    auto& codes = session.codes;
    GridView& view = grid(session);
    view.showButtons(gridButtons(GridVariant::Presentation, QString()).mid(0, 1));
    for (;;) {
        codes.CommandCode = 0;
        codes.TableCommand = 0;
        WaitContext context;
        context.kind = WaitKind::Screen;
        context.description = QStringLiteral("tabla ") + view.caption();
        context.widget = view.table();
        context.respond = [](const QString&, const QString&) { return false; };
        session.wait.forUser([&codes] { return codes.CommandCode == -1 || codes.TableCommand != 0; },
                             context);
        if (codes.CommandCode == -1) {
            if (!view.finishEditing())
                continue;
            break;
        }
        if (codes.TableCommand == FirstGridCommand) {
            PrintScreen(session, {QStringLiteral("Panel"), QStringLiteral("Top"), QStringLiteral("Tab")});
        }
    }
    // A sheet begun here is finished, so that it reaches the printer.
    FinishPrint(session);
    EndMasterDetail(session);
}

} // namespace

void MovePanel(Session& session, int topTwips)
{
    if (!session.k)
        return;
    QWidget* frame = session.k->fixedPanel();
    const int shift = twips::toPixels(topTwips) - frame->y();
    if (shift == 0)
        return;
    frame->move(frame->x(), frame->y() + shift);
    static const QRegularExpression commandButton(QStringLiteral("^dcom_\\d+$"));
    const QList<QWidget*> buttons =
        session.k->findChildren<QWidget*>(commandButton, Qt::FindDirectChildrenOnly);
    for (QWidget* button : buttons)
        button->move(button->x(), button->y() + shift);
}

void MtroDet(Session& session, QString& mode, QString& detailTable, QString& detailFields, QString& detailKey,
             QString& masterKey, QString& order)
{
    ErrorTrap trap(session, QStringLiteral("MtroDet"));
    // With no form or no database there is nothing to show the pair on.
    if (!session.k || !session.database.CurrentDatabase)
        return;
    const QString upper = mode.toUpper();
    if (upper == QLatin1String("PRES") || upper == QLatin1String("EDI"))
        follow(session, upper, detailTable, detailFields, detailKey, masterKey, order);
    else if (upper == QLatin1String("DCAP"))
        fixedKey(session, trap, detailTable, detailFields, detailKey, masterKey);
    else if (upper == QLatin1String("FIN"))
        finish(session);
}

void MtroDet(Session& session, const QString& mode, const QString& detailTable, const QString& detailFields,
             const QString& detailKey, const QString& masterKey, const QString& order)
{
    QString modeText = mode;
    QString table = detailTable;
    QString fields = detailFields;
    QString key = detailKey;
    QString master = masterKey;
    QString orderText = order;
    MtroDet(session, modeText, table, fields, key, master, orderText);
}

void MDSinc(Session& session)
{
    ErrorTrap trap(session, QStringLiteral("MDSinc"));
    auto& engine = session.engine;
    if (engine.MasterDetail != 1 || !session.database.CurrentDatabase)
        return;
    db::Recordset* master = engine.PanelRecordset.get();
    if (!master || master->bof() || master->eof() || master->editMode() == db::EditMode::AddNew)
        return;
    QString key;
    const bool read = trap.step([&] {
        const int index = master->fieldIndex(engine.MasterKeyField);
        if (index < 0)
            throw RuntimeError{db::jeterror::ItemNotFound,
                               db::jetDescription(db::jeterror::ItemNotFound, {engine.MasterKeyField}),
                               QStringLiteral("MDSinc")};
        key = masterdetail::keyLiteral(master->field(index).type(), master->value(index));
    });
    // A record without a key leaves the detail as it was.
    if (!read || key.isEmpty())
        return;
    const QString statement = masterdetail::detailStatement(engine.DetailSQL, key, engine.DetailOrder);
    std::unique_ptr<db::Recordset> rows = openDetail(session, statement, trap);
    if (rows)
        showDetail(session, std::move(rows));
}

void EndMasterDetail(Session& session)
{
    auto& engine = session.engine;
    engine.MasterDetail = 0;
    engine.DetailSQL.clear();
    engine.MasterKeyField.clear();
    engine.DetailOrder.clear();
    if (engine.grid) {
        settleGrid(*engine.grid);
        engine.grid->hide();
        engine.grid->unbind();
    }
    BDats(session, QStringLiteral("Quita"), 0, QString(), QString());
}

} // namespace quelmar::engine
