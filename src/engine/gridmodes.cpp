#include "engine/gridmodes.h"

#include "db/database.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/checktable.h"
#include "engine/engineservices.h"
#include "engine/gridmodel.h"
#include "engine/gridrules.h"
#include "engine/gridview.h"
#include "engine/loading.h"
#include "engine/valueformat.h"
#include "panels/choosefromlist.h"
#include "panels/standardbox.h"
#include "session/fieldtable.h"
#include "session/session.h"

#include <QTableView>

namespace quelmar::engine {

namespace {

constexpr int ReturnAtOnce = 1010;

// The arguments of one grid call.
struct GridCall
{
    Session& session;
    QString mode; // as written
    QString lower;
    int& sourceKind;
    QString& title;
    QString& statement;
    QString& options;
};

bool is(const GridCall& call, QLatin1String word)
{
    return call.lower == word;
}

// Opens the statement for the grid data control and binds the grid to it; FieldTable and RecordCount follow
// the result. False (EngineStatus set) when it could not be opened.
bool loadGrid(GridCall& call, db::RecordsetType type)
{
    Session& session = call.session;
    auto& engine = session.engine;
    session.codes.EngineStatus = -1;
    if (!session.database.CurrentDatabase) {
        loading::failLoad(session, db::DbError::make(db::jeterror::FileNotFound));
        return false;
    }
    if (call.statement.startsWith(u'&')) {
        const QString stored = session.database.CurrentDatabase->storedQuerySql(call.statement.mid(1));
        if (!stored.isEmpty())
            call.statement = stored;
    }
    GridView& view = grid(session);
    if (!view.finishEditing())
        view.model()->undoPendingRow();
    loading::hourglass();
    std::unique_ptr<db::Recordset> rows = loading::openSilently(session, call.statement, type);
    if (!rows) {
        loading::restorePointer();
        return false;
    }
    engine.FieldCount = rows->fieldCount();
    engine.FieldTable = buildFieldTable(*rows, engine.FieldTitles);
    engine.RecordCount = rows->recordCount();
    view.bind(std::move(rows));
    session.codes.EngineStatus = 0;
    loading::restorePointer();
    return true;
}

void noRecords(GridCall& call, const QString& message)
{
    grid(call.session).hide();
    if (call.session.codes.CommandCode != ReturnAtOnce)
        panels::MessageBox(call.session, message);
    call.session.codes.EngineStatus = 1;
}

// Lays the loaded grid out under the caption and shows it.
void present(GridCall& call, const QString& caption)
{
    Session& session = call.session;
    session.engine.CurrentSQL = call.statement;
    GridView& view = grid(session);
    view.layout(caption, call.title);
    view.show();
    view.setCurrent(0, 0);
}

void waitForGrid(Session& session)
{
    GridView& view = grid(session);
    view.transcribe();
    WaitContext context;
    context.kind = WaitKind::Screen;
    context.description = QStringLiteral("tabla ") + view.caption();
    context.widget = view.table();
    auto& codes = session.codes;
    session.wait.forUser([&codes] { return codes.CommandCode != 0 || codes.TableCommand != 0; }, context);
}

// The commands of a presentation grid until "&Termina" (an editing grid writes its last row first).
void commandLoop(GridCall& call, GridVariant variant)
{
    Session& session = call.session;
    auto& codes = session.codes;
    GridView& view = grid(session);
    for (;;) {
        codes.CommandCode = 0;
        codes.TableCommand = 0;
        waitForGrid(session);
        if (codes.CommandCode == -1) {
            if (!view.finishEditing())
                continue;
            FinishPrint(session);
            break;
        }
        switch (gridAction(variant, call.options, codes.TableCommand)) {
        case GridAction::Print:
            PrintScreen(session, {QStringLiteral("Tab")});
            break;
        case GridAction::Select:
            services(session).PresAut(session, QStringLiteral("Seleccion"), QStringLiteral("Tab"), call.title,
                                      call.statement);
            break;
        case GridAction::Order:
            services(session).PresAut(session, QStringLiteral("Orden"), QStringLiteral("Tab"), call.title,
                                      call.statement);
            break;
        case GridAction::Original: {
            QString noTitle;
            services(session).PresAut(session, QStringLiteral("Todos"), QStringLiteral("Tab"), noTitle,
                                      call.statement);
            break;
        }
        case GridAction::Graph: {
            const QString caption = view.caption();
            view.hide();
            services(session).GrafEst(session, QStringLiteral("Graf"), caption, call.options);
            view.show();
            view.showButtons(gridButtons(variant, call.options));
            break;
        }
        default:
            break;
        }
    }
    // The grid stays to be seen beside what comes next; its buttons are done.
    view.hideButtons();
    call.sourceKind = 2;
    codes.EngineStatus = 0;
}

// The key column of a selection: the number the options begin with (zero-based), else the first column.
int keyColumn(const QString& options)
{
    bool ok = false;
    const int column = options.trimmed().section(u' ', 0, 0).toInt(&ok);
    return ok && column >= 0 ? column : 0;
}

void selectionWait(GridCall& call)
{
    Session& session = call.session;
    auto& engine = session.engine;
    auto& codes = session.codes;
    GridView& view = grid(session);
    view.focus();
    for (;;) {
        codes.CommandCode = 0;
        codes.TableCommand = 0;
        waitForGrid(session);
        if (codes.CommandCode == -2) {
            const int row = std::max(0, view.currentRow());
            const int column = std::min(keyColumn(call.options), view.model()->columnCount() - 1);
            view.setCurrent(row, column);
            engine.SelectedValue = view.cellText(row, column);
            engine.SelectedRow = row + 1;
            break;
        }
        if (codes.CommandCode == -3 || codes.CommandCode == -1) {
            engine.SelectedValue.clear();
            engine.SelectedRow = 0;
            break;
        }
        const GridAction action = gridAction(GridVariant::Selection, call.options, codes.TableCommand);
        if (action == GridAction::All) {
            engine.SelectedRow = -1;
            engine.SelectedValue = QStringLiteral("Todos");
            break;
        }
        if (action == GridAction::Cancel) {
            engine.SelectedValue.clear();
            engine.SelectedRow = 0;
            break;
        }
        if (action == GridAction::Search)
            services(session).PresAut(session, QStringLiteral("Seleccion"), QStringLiteral("Tab"), call.title,
                                      call.statement);
    }
    codes.CommandCode = 0;
    codes.TableCommand = 0;
    view.hide();
    codes.EngineStatus = 0;
}

// The rest of a presentation from the buttons on: buttons, totals or subtotals (on a grid just loaded; a grid
// continued with already shows them), tips and the command loop.
void fromButtons(GridCall& call, bool justLoaded)
{
    Session& session = call.session;
    const GridVariant variant = gridVariant(call.mode, call.options);
    const GridOptions options = parseGridOptions(call.options);
    GridView& view = grid(session);
    view.showButtons(gridButtons(variant, call.options));
    if (justLoaded && options.subtotals)
        services(session).TabSTot(session, call.options);
    else if (justLoaded && options.totals)
        services(session).TabTotal(session, options.totalsRequest);
    services(session).Tips(session, QStringLiteral("Tip"), QStringLiteral("Tab"));
    commandLoop(call, variant);
}

void fromPlacement(GridCall& call, bool justLoaded)
{
    grid(call.session).placeVertically();
    fromButtons(call, justLoaded);
}

// The key value as the statement of the row's panel writes it: text quoted, numbers and others as shown.
QString keyLiteral(const FieldRow& field, const QString& value)
{
    if (field.type == db::jettype::Text || field.type == db::jettype::Memo ||
        field.type == db::jettype::Classifier) {
        QString quoted = value;
        return u'\'' + quoted.replace(u'\'', QStringLiteral("''")) + u'\'';
    }
    if (field.type == db::jettype::Date)
        return value.isEmpty() ? QStringLiteral("Null") : u'#' + value + u'#';
    return value.isEmpty() ? QStringLiteral("Null") : QString(value).remove(u',').remove(u'$');
}

int columnOfField(const QList<FieldRow>& fields, const QString& name)
{
    const auto bare = [](QString text) {
        text = text.trimmed();
        if (text.startsWith(u'[') && text.endsWith(u']'))
            text = text.mid(1, text.size() - 2);
        return text.section(u'.', -1);
    };
    for (qsizetype column = 0; column < fields.size(); ++column) {
        if (bare(fields.at(column).name).compare(bare(name), Qt::CaseInsensitive) == 0)
            return static_cast<int>(column);
    }
    return -1;
}

// Edit-by-row: Enter or a double click opens the row in a panel for editing; Esc ends.
void editByRowLoop(GridCall& call, const QString& keyField)
{
    Session& session = call.session;
    auto& codes = session.codes;
    GridView& view = grid(session);
    view.setCaption(editByRowCaption(view.caption()));
    view.showButtons(gridButtons(GridVariant::Presentation, call.options));
    for (;;) {
        codes.CommandCode = 0;
        codes.TableCommand = 0;
        view.focus();
        waitForGrid(session);
        if (codes.CommandCode == -3 || codes.CommandCode == -1)
            break;
        if (codes.CommandCode != -2)
            continue;
        const int row = std::max(0, view.currentRow());
        const QList<FieldRow> fields = session.engine.FieldTable;
        const int column = columnOfField(fields, keyField);
        if (column < 0)
            continue;
        // The panel takes the row; the grid's own buttons wait until it is done.
        view.setEnabled(false);
        view.hideButtons();
        view.setCurrent(row, column);
        const QString key = view.cellText(row, column);
        const QString statement = rowStatement(call.statement, keyField, keyLiteral(fields.at(column), key));
        BDats(session, QStringLiteral("Edita"), 1,
              QStringLiteral("Modifica ") + call.title + QStringLiteral(" para ") + key, statement);
        BDats(session, QStringLiteral("Quita"), 0, QString(), QString());
        session.engine.FieldTable = fields;
        view.setEnabled(true);
        view.refresh();
        view.show();
        view.showButtons(gridButtons(GridVariant::Presentation, call.options));
    }
    view.hideButtons();
    call.sourceKind = 2;
    codes.EngineStatus = 0;
}

void tabPre(GridCall& call)
{
    Session& session = call.session;
    const GridOptions options = parseGridOptions(call.options);
    session.engine.HelpTopic = gridHelpTopic(call.mode, call.options);
    if (!loadGrid(call, options.updatable ? db::RecordsetType::Dynaset : db::RecordsetType::Snapshot))
        return;
    grid(session).setEditing(false, false, false);
    if (session.engine.RecordCount == 0) {
        session.engine.RecordCount = 0;
        noRecords(call, QStringLiteral("No hay Registros de ") + call.title);
        return;
    }
    if (call.statement.contains(QLatin1String("Order By"), Qt::CaseInsensitive) &&
        session.codes.PresentationVariant == 0)
        session.codes.PresentationVariant = 304;
    present(call, gridCaption(call.title, static_cast<int>(session.engine.RecordCount)));
    if (!options.editKeyField.isEmpty()) {
        grid(session).placeVertically();
        editByRowLoop(call, options.editKeyField);
        return;
    }
    fromPlacement(call, true);
}

void tabSel(GridCall& call)
{
    Session& session = call.session;
    auto& engine = session.engine;
    session.codes.EngineStatus = -1;
    engine.SelectedValue.clear();
    engine.SelectedRow = 0;
    engine.HelpTopic = QStringLiteral("16");
    if (!loadGrid(call, db::RecordsetType::Snapshot))
        return;
    grid(session).setEditing(false, false, false);
    if (engine.RecordCount == 0) {
        noRecords(call, QStringLiteral("No existen Registros") + session.shell.NewLine + call.title);
        return;
    }
    present(call, selectionCaption(call.title));
    GridView& view = grid(session);
    view.placeVertically();
    // Preset to return at once, the rows stay shown for the caller to work on.
    if (session.codes.CommandCode == ReturnAtOnce) {
        session.codes.EngineStatus = 0;
        return;
    }
    view.showButtons(gridButtons(GridVariant::Selection, call.options));
    services(session).Tips(session, QStringLiteral("Tip"), QStringLiteral("Tab"));
    selectionWait(call);
}

// "TabEdi", "TabNue", "TabCap": rows edited (and added) in place.
void tabEdit(GridCall& call)
{
    Session& session = call.session;
    auto& engine = session.engine;
    const bool adding = !is(call, QLatin1String("tabedi"));
    engine.HelpTopic = QStringLiteral("14");
    if (adding)
        ShowBusy(session, -1);
    const bool loaded = loadGrid(call, db::RecordsetType::Dynaset);
    if (adding)
        ShowBusy(session, 0);
    if (!loaded)
        return;
    session.codes.PresentationVariant = 0;
    GridView& view = grid(session);
    if (!view.recordset()->isUpdatable()) {
        view.hide();
        panels::MessageBox(session,
                           QStringLiteral("No pueden modificarse estos Datos.  Revise si alguien en la Red "
                                          "los tiene bloqueados o la Base de Datos contiene errores."));
        session.codes.EngineStatus = db::jeterror::ReadOnly;
        return;
    }
    if (!adding && engine.RecordCount == 0) {
        noRecords(call, call.title + session.shell.NewLine + QStringLiteral("  No existen"));
        return;
    }
    view.setEditing(true, adding, true);
    // "TabNue" opens the data append-only: only the rows added now are shown.
    view.model()->setAppendOnly(is(call, QLatin1String("tabnue")));
    if (is(call, QLatin1String("tabnue")))
        engine.RecordCount = 0;
    view.classifierRequested = [&session](int column) { services(session).TabClasi(session, column); };
    present(call, gridCaption(call.title, static_cast<int>(engine.RecordCount)));
    view.focus();
    if (session.codes.CommandCode == ReturnAtOnce)
        return;
    fromPlacement(call, true);
}

// "ListaU", "ListaM": the records as lines of a list; the chosen one becomes CurrentRecordset's current
// record.
void lista(GridCall& call)
{
    Session& session = call.session;
    auto& engine = session.engine;
    session.codes.EngineStatus = -1;
    engine.SelectedRow = 0;
    engine.SelectedValue.clear();
    if (!session.database.CurrentDatabase) {
        loading::failLoad(session, db::DbError::make(db::jeterror::FileNotFound));
        return;
    }
    session.database.CurrentRecordset =
        loading::openSilently(session, call.statement, db::RecordsetType::Dynaset);
    db::Recordset* rows = session.database.CurrentRecordset.get();
    if (!rows)
        return;
    engine.FieldCount = rows->fieldCount();
    engine.FieldTable = buildFieldTable(*rows, engine.FieldTitles);
    engine.RecordCount = rows->recordCount();
    if (engine.RecordCount == 0) {
        session.codes.EngineStatus = 1;
        return;
    }
    QStringList lines;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        QStringList values;
        for (int field = 0; field < rows->fieldCount(); ++field)
            values.append(formatValue(rows->value(field), engine.FieldTable.value(field).format));
        lines.append(values.join(QStringLiteral(" - ")));
    }
    int chosen = 0;
    QString answer;
    const QString kind = is(call, QLatin1String("listam")) ? QStringLiteral("M") : QStringLiteral("U");
    panels::ChooseFromList(session, kind, call.title, lines, chosen, answer);
    if (kind == QLatin1String("M")) {
        // The first line marked is the record positioned; the answer lists every mark (" 1/ 3/").
        engine.SelectedValue = answer;
        engine.SelectedRow = chosen > 0 ? answer.section(u'/', 0, 0).trimmed().toInt() : 0;
    } else {
        engine.SelectedValue = answer;
        engine.SelectedRow = chosen;
    }
    if (engine.SelectedRow > 0) {
        rows->moveFirst();
        rows->move(engine.SelectedRow - 1);
    }
    session.codes.EngineStatus = 0;
}

} // namespace

bool isGridMode(const QString& lowerMode)
{
    static const QStringList modes{
        QStringLiteral("tabpre"),   QStringLiteral("tabsel"),    QStringLiteral("tabrel"),
        QStringLiteral("tabedi"),   QStringLiteral("tabnue"),    QStringLiteral("tabcap"),
        QStringLiteral("tabfin"),   QStringLiteral("tabcont"),   QStringLiteral("tabcont2"),
        QStringLiteral("tselcont"), QStringLiteral("tabpondef"), QStringLiteral("listau"),
        QStringLiteral("listam"),   QStringLiteral("ftab")};
    return modes.contains(lowerMode);
}

void GridMode(Session& session, const QString& mode, int& sourceKind, QString& title, QString& statement,
              QString& options)
{
    GridCall call{session, mode, mode.toLower(), sourceKind, title, statement, options};
    GridView& view = grid(session);
    if (is(call, QLatin1String("tabpre"))) {
        tabPre(call);
    } else if (is(call, QLatin1String("tabsel")) || is(call, QLatin1String("tabrel"))) {
        tabSel(call);
    } else if (is(call, QLatin1String("tabedi")) || is(call, QLatin1String("tabnue")) ||
               is(call, QLatin1String("tabcap"))) {
        tabEdit(call);
    } else if (is(call, QLatin1String("tabfin"))) {
        if (!view.finishEditing())
            view.model()->undoPendingRow();
        view.hide();
    } else if (is(call, QLatin1String("tabcont")) || is(call, QLatin1String("tabcont2")) ||
               is(call, QLatin1String("tselcont"))) {
        if (session.codes.CommandCode == ReturnAtOnce || !view.recordset())
            return;
        view.show();
        if (is(call, QLatin1String("tselcont")))
            selectionWait(call);
        else if (is(call, QLatin1String("tabcont")))
            fromPlacement(call, false);
        else
            fromButtons(call, false);
    } else if (is(call, QLatin1String("tabpondef"))) {
        if (view.recordset())
            view.layout(view.caption(), title);
    } else if (is(call, QLatin1String("listau")) || is(call, QLatin1String("listam"))) {
        lista(call);
    } else if (is(call, QLatin1String("ftab"))) {
        CheckTable(session, title, statement, options);
    }
}

QString GridCell(Session& session, int row, int column)
{
    session.errors.RoutineName = QStringLiteral("GridCell");
    const GridView* view = session.engine.grid.get();
    if (!view || !view->model())
        return QStringLiteral("0");
    const int r = std::max(row, 1) - 1;
    const int c = column - 1;
    if (r >= view->model()->rowCount() || c < 0 || c >= view->model()->columnCount())
        return QStringLiteral("0");
    return view->cellText(r, c);
}

} // namespace quelmar::engine
