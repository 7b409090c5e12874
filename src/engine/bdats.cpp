#include "engine/bdats.h"

#include "db/database.h"
#include "db/recordset.h"
#include "engine/engineservices.h"
#include "engine/errorpolicy.h"
#include "engine/fieldrules.h"
#include "engine/gridmodes.h"
#include "engine/loading.h"
#include "engine/masterdetail.h"
#include "engine/panelview.h"
#include "engine/validatefields.h"
#include "panels/controlpool.h"
#include "panels/mainform.h"
#include "panels/reporterror.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/fieldtable.h"
#include "session/session.h"
#include "session/sessiondatabase.h"
#include "session/twips.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QLabel>

#include <algorithm>
#include <initializer_list>

namespace quelmar::engine {

namespace {

using loading::hourglass;
using loading::openSilently;
using loading::restorePointer;

constexpr int CommandWait = 1000;
constexpr int ReturnAtOnce = 1010;
constexpr int CancelledStatus = -10;

// The arguments of one call, as the routines of the call share them.
struct Call
{
    Session& session;
    QString& mode;
    int& sourceKind;
    QString& title;
    QString& statement;
    QString& options;
    bool hidden = false;
    int width = 0;
};

enum class WriteOutcome
{
    Written,    // the record is written
    Correcting, // not written; the panel stays for the user to correct
    Ended,      // not written; the call ends with EngineStatus = the error number
};

QString applicationDirectory(const Session& session)
{
    return session.shell.WorkingFolder.absolutePath();
}

bool inApplicationDirectory(const Session& session)
{
    return QDir::current().absolutePath() == applicationDirectory(session);
}

void toApplicationDirectory(const Session& session)
{
    if (!inApplicationDirectory(session) && QDir(applicationDirectory(session)).exists())
        QDir::setCurrent(applicationDirectory(session));
}

// The grid's data control loads only the grid modes: a caller that asks it of any other mode is at fault,
// which is reported as an internal error.
void gridSourceOutsideGrid(Session& session, const QString& mode)
{
    maintenance::reportInternalError(session, QStringLiteral("Source kind 2 asked of mode ") + mode,
                                     QStringLiteral("BDats"));
    session.codes.EngineStatus = 1;
}

PanelView* panelOf(Session& session)
{
    return session.engine.panel.get();
}

void computeCaptureKinds(Session& session)
{
    auto& engine = session.engine;
    engine.CaptureKinds.clear();
    for (const FieldRow& row : std::as_const(engine.FieldTable)) {
        switch (row.type) {
        case db::jettype::Boolean:
            engine.CaptureKinds.append(capturekind::None);
            break;
        case db::jettype::Date:
            engine.CaptureKinds.append(capturekind::DateField);
            break;
        case db::jettype::Memo:
            engine.CaptureKinds.append(capturekind::Memo);
            break;
        case db::jettype::Classifier:
            engine.CaptureKinds.append(capturekind::ClassifierList);
            break;
        default:
            engine.CaptureKinds.append(capturekind::MaskedField);
            break;
        }
    }
}

// The editable flag of every field: editing work, a field the source can write, neither protected nor fixed.
void markEditable(Session& session, const db::Recordset& rows)
{
    auto& engine = session.engine;
    const QList<FixedValue> fixed = parseFixedValues(engine.FixedValues);
    for (int i = 0; i < engine.FieldTable.size(); ++i) {
        FieldRow& row = engine.FieldTable[i];
        const bool editable = engine.WorkState > 0 && i < rows.fieldCount() && rows.field(i).writable &&
                              !isProtected(engine.ProtectedFields, row.name) &&
                              !isFixedField(fixed, row.name);
        row.editable = editable ? -1 : 0;
    }
}

bool isPanelMode(const QString& lower)
{
    return lower == QLatin1String("presenta") || lower.contains(QLatin1String("cap")) ||
           lower == QLatin1String("edita");
}

// The loading phase shared by the modes: opens the data, learns its columns and, for panel work, lays the
// panel out. EngineStatus 0 when all went well.
void load(Call& call)
{
    Session& session = call.session;
    auto& engine = session.engine;
    auto& codes = session.codes;
    codes.EngineStatus = -1;
    if (!session.database.CurrentDatabase) {
        loading::failLoad(session, db::DbError::make(db::jeterror::FileNotFound));
        return;
    }
    if (call.statement.startsWith(QLatin1Char('&'))) {
        const QString stored = session.database.CurrentDatabase->storedQuerySql(call.statement.mid(1));
        if (!stored.isEmpty())
            call.statement = stored;
    }
    ShowBusy(session, 0);
    hourglass();
    const QString lower = call.mode.toLower();
    db::Recordset* rows = nullptr;
    if (call.sourceKind == 1) {
        engine.PanelRecordset.reset();
        engine.PanelRecordset = openSilently(session, call.statement, db::RecordsetType::Dynaset);
        if (codes.EngineStatus >= 1 || !engine.PanelRecordset) {
            restorePointer();
            return;
        }
        rows = engine.PanelRecordset.get();
        rows->cancelUpdate();
        if (!rows->isUpdatable() && engine.WorkState > 0) {
            restorePointer();
            panels::MessageBox(
                session, QStringLiteral("No pueden modificarse estos Datos.  Revise si alguien en la Red los "
                                        "tiene bloqueados o la Base de Datos contiene errores."));
            codes.EngineStatus = db::jeterror::ReadOnly;
            return;
        }
        engine.RecordCount = rows->recordCount();
        if (engine.RecordCount > 0)
            rows->moveFirst();
    } else if (call.sourceKind == 2) {
        restorePointer();
        gridSourceOutsideGrid(session, call.mode);
        return;
    } else {
        session.database.CurrentRecordset.reset();
        session.database.CurrentRecordset =
            openSilently(session, call.statement,
                         call.sourceKind < 0 ? db::RecordsetType::Snapshot : db::RecordsetType::Dynaset);
        if (codes.EngineStatus >= 1 || !session.database.CurrentRecordset) {
            restorePointer();
            return;
        }
        rows = session.database.CurrentRecordset.get();
        engine.RecordCount = rows->recordCount();
        if (engine.RecordCount > 0)
            rows->moveFirst();
        if (engine.RecordCount == 0 && codes.CommandCode != ReturnAtOnce) {
            restorePointer();
            panels::MessageBox(session, QStringLiteral("No existen registros en ") + call.title);
            codes.EngineStatus = 1;
            return;
        }
    }
    engine.FieldCount = rows->fieldCount();
    if (codes.PresentationVariant != 95 || engine.FieldTable.size() != engine.FieldCount)
        engine.FieldTable = buildFieldTable(*rows, engine.FieldTitles);
    computeCaptureKinds(session);
    markEditable(session, *rows);

    if (call.sourceKind == 1 && isPanelMode(lower)) {
        const bool capture = lower.contains(QLatin1String("cap"));
        if (!capture && engine.RecordCount == 0) {
            restorePointer();
            if (codes.CommandCode != ReturnAtOnce)
                panels::MessageBox(session, QStringLiteral("No hay Registros ") + call.title);
            codes.EngineStatus = 1;
            return;
        }
        if (!engine.panel)
            engine.panel = std::make_shared<PanelView>(session);
        engine.panel->build(call.title, call.width, call.options);
        if (call.options.contains(QLatin1String("Fmt="), Qt::CaseInsensitive)) {
            QString options = call.options;
            services(session).FormRTF(session, QStringLiteral("Eje"), static_cast<int>(engine.FieldCount),
                                      options);
        }
        engine.panel->showRecord();
        // The panel's data are refreshed: a detail grid below it follows its record.
        if (engine.MasterDetail > 0)
            MDSinc(session);
        if (!call.hidden)
            engine.panel->showPanel();
    }
    codes.EngineStatus = 0;
}

// Waits for a command button (CommandCode above 1000).
void waitForCommand(Session& session)
{
    PanelView* panel = panelOf(session);
    WaitContext context;
    context.kind = WaitKind::Screen;
    context.description = QStringLiteral("panel ") + (panel ? panel->caption() : QString());
    context.widget = session.k ? session.k->fixedPanel() : nullptr;
    context.respond = [](const QString&, const QString&) { return false; };
    session.wait.forUser([&session] { return session.codes.CommandCode > CommandWait; }, context);
}

// Shows the panel and writes its transcript line.
void presentPanel(Session& session)
{
    if (PanelView* panel = panelOf(session)) {
        panel->showPanel();
        panel->transcribe();
    }
}

// The interactive handler: what the user and the rules decide about a database error met while writing.
HandlerAction handleError(Session& session, const db::DbError& error)
{
    auto& engine = session.engine;
    restorePointer();
    panels::SetMainFormEnabled(session, true);
    session.codes.EngineStatus = error.number;
    if (error.number == db::jeterror::ValidationRuleViolated) {
        // A value the database's own rule refuses is corrected like the other refused values.
        const int answer = panels::MessageBox(session, translatedMessage(error.number, error.description),
                                              QMessageBox::Yes | QMessageBox::No, QMessageBox::Critical,
                                              QStringLiteral("Aviso de Error"));
        return answer == QMessageBox::Yes ? HandlerAction::Continue : HandlerAction::End;
    }
    HandlerContext context;
    context.description = error.description;
    context.statement = error.statement.isEmpty() ? engine.CurrentSQL : error.statement;
    context.inApplicationDirectory = inApplicationDirectory(session);
    const HandlerDecision decision = decideInteractive(error.number, context, engine.Retries);
    if (decision.pauseMs > 0)
        panels::Pause(session, decision.pauseMs);
    if (decision.moveToLastRecord && engine.PanelRecordset && engine.PanelRecordset->recordCount() > 0)
        engine.PanelRecordset->moveLast();
    if (decision.changeToApplicationDirectory)
        toApplicationDirectory(session);
    for (const QString& notice : decision.notices)
        panels::MessageBox(session, notice);
    if (decision.buttons != MessageButtons::None)
        return AskDecision(session, decision);
    if (decision.reportError) {
        int state = decision.reportState;
        maintenance::ReportError(session, error.number, state, error.description, QStringLiteral("BDats"));
        return actionAfterReport(state);
    }
    return decision.whenAccepted;
}

// Runs one write under the interactive handler until it goes through or the handler stops it.
WriteOutcome runWrite(Session& session, const std::function<db::DbError()>& write)
{
    for (;;) {
        const db::DbError error = write();
        if (!error) {
            session.engine.Retries.succeeded();
            return WriteOutcome::Written;
        }
        switch (handleError(session, error)) {
        case HandlerAction::Repeat:
            continue;
        case HandlerAction::Continue:
            return WriteOutcome::Correcting;
        case HandlerAction::ContinueCorrecting:
            session.codes.EngineStatus = 2;
            return WriteOutcome::Correcting;
        case HandlerAction::End:
            return WriteOutcome::Ended;
        }
    }
}

// Writes the panel's record: the fields' values, then the update, the main form disabled meanwhile.
WriteOutcome save(Session& session)
{
    auto& engine = session.engine;
    PanelView* panel = panelOf(session);
    db::Recordset* rows = engine.PanelRecordset.get();
    if (!panel || !rows)
        return WriteOutcome::Ended;
    panels::SetMainFormEnabled(session, false);
    const WriteOutcome outcome = runWrite(session, [&]() -> db::DbError {
        if (rows->editMode() == db::EditMode::None) {
            if (const db::DbError error = rows->edit())
                return error;
        }
        if (const db::DbError error = panel->writeFields())
            return error;
        return rows->update();
    });
    panels::SetMainFormEnabled(session, true);
    if (outcome == WriteOutcome::Written)
        session.codes.EngineStatus = 0;
    return outcome;
}

// Checks the whole record before a write; EngineStatus 0 when it passed, 1 to correct, -10 to cancel.
void validateBeforeWrite(Session& session)
{
    PanelView* panel = panelOf(session);
    if (panel)
        panel->setButtonsEnabled(false);
    int kind = 0;
    int failed = 0;
    ValidateFields(session, QStringLiteral("Dato"), kind, 0, failed);
    session.codes.EngineStatus = failed;
    if (failed > 0) {
        QApplication::beep();
        panels::Pause(session, 500);
        QApplication::beep();
        if (session.k)
            session.k->hideNotice();
        QApplication::beep();
        const int answer = panels::MessageBox(
            session, QStringLiteral("¿ Desea corregir los datos erróneos ó cancelar la operación ?"),
            QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Question);
        session.codes.EngineStatus = answer == QMessageBox::Cancel ? CancelledStatus : 1;
    }
    if (panel)
        panel->setButtonsEnabled(true);
}

void removePanel(Session& session)
{
    if (PanelView* panel = panelOf(session))
        panel->remove();
    if (session.k)
        session.k->hideNotice();
}

// A new record in the panel's recordset, with the fixed values of new records.
void startRecord(Session& session)
{
    auto& engine = session.engine;
    PanelView* panel = panelOf(session);
    db::Recordset* rows = engine.PanelRecordset.get();
    if (!panel || !rows)
        return;
    rows->cancelUpdate();
    runWrite(session, [rows] { return rows->addNew(); });
    panel->showRecord();
    const QList<FixedValue> fixed = parseFixedValues(engine.FixedValues);
    for (const FixedValue& item : fixed) {
        for (int i = 0; i < engine.FieldTable.size(); ++i) {
            QString name = engine.FieldTable.at(i).name;
            if (name.startsWith(QLatin1Char('[')) && name.endsWith(QLatin1Char(']')))
                name = name.mid(1, name.size() - 2);
            if (name.compare(item.field, Qt::CaseInsensitive) == 0)
                panel->fix(i + 1, item.value);
        }
    }
    // A fixed key of a relation field shows what it refers to.
    if (!fixed.isEmpty())
        services(session).Relation(session, QStringLiteral("Pon"), 0);
    panel->focusFirstField();
}

// The panel presentation's command loop.
void presentationLoop(Call& call)
{
    Session& session = call.session;
    auto& codes = session.codes;
    auto& engine = session.engine;
    for (;;) {
        waitForCommand(session);
        PanelView* panel = panelOf(session);
        if (panel)
            panel->setButtonsVisible(false);
        switch (codes.CommandCode) {
        case 1001:
            services(session).PresAut(session, QStringLiteral("Seleccion"), QStringLiteral("PFija"),
                                      call.title, engine.CurrentSQL);
            break;
        case 1002:
            services(session).PresAut(session, QStringLiteral("Orden"), QStringLiteral("PFija"), call.title,
                                      engine.CurrentSQL);
            break;
        case 1003:
            PrintScreen(session, {QStringLiteral("Panel"), QStringLiteral("Top"), QStringLiteral("Tab")});
            break;
        case 1004:
            FinishPrint(session);
            services(session).Relation(session, QStringLiteral("Quita"), 0);
            restorePointer();
            return;
        case ReturnAtOnce:
            restorePointer();
            return;
        default:
            break;
        }
        codes.CommandCode = 0;
        if (PanelView* shown = panelOf(session))
            shown->setButtonsVisible(true);
        restorePointer();
    }
}

void captureButtons(Session& session, bool single)
{
    if (PanelView* panel = panelOf(session)) {
        panel->setButtons({single ? QString() : QStringLiteral("&Otra"), QStringLiteral("&Cancela"),
                           QStringLiteral("&Termina"), QString()},
                          {QStringLiteral("Escribe los datos y continua capturando otro Registros "),
                           QStringLiteral("No escribe los Datos, que se desechan, y termina."),
                           QStringLiteral("Escribe los datos de éste Registro y termina"), QString()});
        panel->setButtonsVisible(true);
        panel->setNavigatorEnabled(false);
    }
}

void editButtons(Session& session)
{
    if (PanelView* panel = panelOf(session)) {
        panel->setButtons({QStringLiteral("&Elimina"), QStringLiteral("&Cancela"), QStringLiteral("&Termina"),
                           QStringLiteral("&Selecciona")},
                          {QStringLiteral("Borra éste Registro"),
                           QStringLiteral("No almacena los cambios de éste Registro y termina"),
                           QStringLiteral("Escribe los cambios de éste Registro y termina"),
                           QStringLiteral("Escoje algunos, según el contenido de sus Datos")});
        panel->setButtonsVisible(true);
    }
}

void cancelCapture(Session& session)
{
    if (session.engine.PanelRecordset)
        session.engine.PanelRecordset->cancelUpdate();
    removePanel(session);
    restorePointer();
}

// Waits for the next panel command. A command that writes is validated first; a validation the user
// cancels becomes "&Cancela" (1002).
int nextCommand(Session& session, std::initializer_list<int> writingCommands)
{
    auto& codes = session.codes;
    codes.EngineStatus = 0;
    if (codes.CommandCode <= CommandWait) {
        presentPanel(session);
        waitForCommand(session);
    }
    const int command = codes.CommandCode;
    if (std::find(writingCommands.begin(), writingCommands.end(), command) == writingCommands.end())
        return command;
    validateBeforeWrite(session);
    return codes.EngineStatus == CancelledStatus ? 1002 : command;
}

void captureLoop(Call& call)
{
    Session& session = call.session;
    auto& codes = session.codes;
    auto& engine = session.engine;
    for (;;) {
        const int command = nextCommand(session, {1001, 1003});
        if (command == 1001) {
            if (codes.EngineStatus < 1) {
                const WriteOutcome outcome = save(session);
                if (outcome == WriteOutcome::Ended) {
                    cancelCapture(session);
                    return;
                }
                if (outcome == WriteOutcome::Written) {
                    ++engine.SavedCount;
                    startRecord(session);
                }
            }
            codes.CommandCode = 0;
        } else if (command == 1002) {
            const int status = codes.EngineStatus;
            cancelCapture(session);
            codes.EngineStatus = status;
            return;
        } else if (command == 1003) {
            if (codes.EngineStatus > 0) {
                codes.CommandCode = 0;
                continue;
            }
            const WriteOutcome outcome = save(session);
            if (outcome == WriteOutcome::Ended) {
                cancelCapture(session);
                return;
            }
            if (outcome == WriteOutcome::Correcting) {
                codes.CommandCode = 0;
                continue;
            }
            removePanel(session);
            codes.PresentationVariant = 0;
            ++engine.SavedCount;
            restorePointer();
            return;
        } else if (command == ReturnAtOnce) {
            return;
        } else {
            codes.CommandCode = 0;
        }
    }
}

// Deletes the record shown, once confirmed. False when the call is to end (as after Cancela).
bool deleteRecord(Session& session)
{
    auto& engine = session.engine;
    auto& codes = session.codes;
    QString question = QStringLiteral("  ¿Esta seguro de borrar este Registro?");
    if (codes.PresentationVariant == 1012)
        question.prepend(QStringLiteral("Para eliminar el Registro se requiere clave de Acceso"));
    const int answer = panels::MessageBox(session, question, QMessageBox::Ok | QMessageBox::Cancel,
                                          QMessageBox::Question, QStringLiteral("BORRA REGISTRO"));
    if (answer != QMessageBox::Ok)
        return true;
    if (codes.PresentationVariant == 1012) {
        int granted = 0;
        QString name;
        const int command = codes.CommandCode;
        services(session).AskAccessKey(session, 3, granted, name);
        codes.CommandCode = command;
        if (granted == 0)
            return true;
    }
    services(session).Relation(session, QStringLiteral("Quita"), 0);
    db::Recordset* rows = engine.PanelRecordset.get();
    if (!rows)
        return false;
    rows->cancelUpdate();
    const WriteOutcome outcome = runWrite(session, [rows] { return rows->remove(); });
    if (outcome != WriteOutcome::Written || codes.EngineStatus > 0)
        return false;
    engine.SavedCount = -1;
    engine.RecordCount = rows->recordCount();
    if (engine.RecordCount == 0)
        return false;
    rows->moveNext();
    if (rows->eof())
        rows->moveLast();
    rows->edit();
    if (PanelView* panel = panelOf(session)) {
        panel->showRecord();
        panel->transcribe();
    }
    return true;
}

void editLoop(Call& call)
{
    Session& session = call.session;
    auto& codes = session.codes;
    auto& engine = session.engine;
    for (;;) {
        const int command = nextCommand(session, {1003});
        db::Recordset* rows = engine.PanelRecordset.get();
        if (command == 1001) {
            if (!deleteRecord(session)) {
                const int status = codes.EngineStatus;
                if (rows)
                    rows->cancelUpdate();
                restorePointer();
                codes.EngineStatus = status;
                return;
            }
            codes.CommandCode = 0;
        } else if (command == 1002) {
            const int status = codes.EngineStatus;
            if (rows)
                rows->cancelUpdate();
            if (PanelView* panel = panelOf(session))
                panel->showRecord();
            restorePointer();
            codes.EngineStatus = status;
            return;
        } else if (command == 1003) {
            if (codes.EngineStatus < 1) {
                services(session).Relation(session, QStringLiteral("Quita"), 0);
                const WriteOutcome outcome = save(session);
                if (outcome == WriteOutcome::Written) {
                    ++engine.SavedCount;
                    restorePointer();
                    return;
                }
                if (outcome == WriteOutcome::Ended) {
                    if (rows)
                        rows->cancelUpdate();
                    restorePointer();
                    return;
                }
            }
            codes.CommandCode = 0;
        } else if (command == 1004) {
            services(session).PresAut(session, QStringLiteral("Seleccion"), QStringLiteral("PFija"),
                                      call.title, engine.CurrentSQL);
            codes.CommandCode = 0;
        } else if (command == ReturnAtOnce) {
            return;
        } else {
            codes.CommandCode = 0;
        }
    }
}

// In edit work the navigator saves the record shown before it moves, and edits the one it arrives at.
void connectEditNavigator(Session& session)
{
    PanelView* panel = panelOf(session);
    if (!panel)
        return;
    panel->beforeMove = [&session] {
        validateBeforeWrite(session);
        if (session.codes.EngineStatus == CancelledStatus) {
            if (session.engine.PanelRecordset)
                session.engine.PanelRecordset->cancelUpdate();
            session.codes.EngineStatus = 0;
            return true;
        }
        if (session.codes.EngineStatus > 0)
            return false;
        services(session).Relation(session, QStringLiteral("Quita"), 0);
        const WriteOutcome outcome = save(session);
        if (outcome == WriteOutcome::Written)
            ++session.engine.SavedCount;
        else if (session.engine.PanelRecordset)
            session.engine.PanelRecordset->cancelUpdate();
        return outcome != WriteOutcome::Correcting;
    };
    panel->afterMove = [&session] {
        if (session.engine.PanelRecordset)
            session.engine.PanelRecordset->edit();
    };
}

void presenta(Call& call)
{
    Session& session = call.session;
    auto& engine = session.engine;
    engine.WorkState = 0;
    load(call);
    if (session.codes.EngineStatus != 0)
        return;
    if (PanelView* panel = panelOf(session)) {
        panel->beforeMove = nullptr;
        panel->afterMove = nullptr;
    }
    engine.CurrentSQL = call.statement;
    services(session).Tips(session, QStringLiteral("Tip"), QStringLiteral("PRev"));
    ShowBusy(session, 0);
    engine.HelpTopic = QStringLiteral("8");
    PanelView* panel = panelOf(session);
    if (!panel)
        return;
    panel->setButtons({QStringLiteral("&Selecciona"), QStringLiteral("&Ordena"), QStringLiteral("&Imprime"),
                       QStringLiteral("&Termina")},
                      {QStringLiteral("Escoje algunos, según el contenido de sus Datos"),
                       QStringLiteral("Ponerlos en la secuencia deseada"),
                       QStringLiteral("Imprime los datos presentados"),
                       QStringLiteral("Regresa al Menu inicial")});
    if (!call.hidden) {
        panel->setButtonsVisible(true);
        panel->transcribe();
    }
    presentationLoop(call);
}

void captura(Call& call, bool single)
{
    Session& session = call.session;
    auto& engine = session.engine;
    engine.WorkState = 2;
    engine.SavedCount = 0;
    load(call);
    if (session.codes.EngineStatus != 0)
        return;
    engine.CurrentSQL = call.statement;
    startRecord(session);
    engine.HelpTopic = engine.MasterDetail > 0 ? QStringLiteral("17") : QStringLiteral("2");
    services(session).Tips(session, QStringLiteral("Tip"), QStringLiteral("PCap"));
    captureButtons(session, single);
    captureLoop(call);
}

void edita(Call& call)
{
    Session& session = call.session;
    auto& engine = session.engine;
    engine.WorkState = 1;
    engine.SavedCount = 0;
    load(call);
    if (session.codes.EngineStatus != 0)
        return;
    engine.CurrentSQL = call.statement;
    if (engine.PanelRecordset) {
        runWrite(session, [&engine] { return engine.PanelRecordset->edit(); });
    }
    connectEditNavigator(session);
    engine.HelpTopic = QStringLiteral("7");
    services(session).Tips(session, QStringLiteral("Tip"), QStringLiteral("PEdi"));
    editButtons(session);
    editLoop(call);
}

void commonEnding(Call& call)
{
    call.options.clear();
    restorePointer();
    static const QStringList keep{QStringLiteral("TabRel"), QStringLiteral("Datos"), QStringLiteral("TabNue"),
                                  QStringLiteral("TabPonDef")};
    if (!keep.contains(call.mode)) {
        call.session.engine.ProtectedFields.clear();
        call.session.engine.FixedValues.clear();
    }
}

} // namespace

void ShowBusy(Session& session, int on)
{
    if (on == -1) {
        hourglass();
        if (session.k) {
            QLabel* notice = session.k->notice();
            notice->adjustSize();
            notice->move(twips::toPixels(100), twips::toPixels(100));
            notice->show();
            notice->raise();
        }
    } else if (on == 0) {
        restorePointer();
        if (session.k)
            session.k->hideNotice();
    }
}

HandlerAction AskDecision(Session& session, const HandlerDecision& decision)
{
    if (decision.buttons == MessageButtons::None)
        return decision.whenAccepted;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (decision.buttons == MessageButtons::OkCancel)
        buttons = QMessageBox::Ok | QMessageBox::Cancel;
    else if (decision.buttons == MessageButtons::YesNo)
        buttons = QMessageBox::Yes | QMessageBox::No;
    const QMessageBox::Icon icon = decision.icon == MessageIcon::Question   ? QMessageBox::Question
                                   : decision.icon == MessageIcon::Critical ? QMessageBox::Critical
                                                                            : QMessageBox::Information;
    const int answer = panels::MessageBox(session, decision.text, buttons, icon, decision.title);
    return decision.action(answer == QMessageBox::Ok || answer == QMessageBox::Yes);
}

void BDats(Session& session, QString& mode, int& sourceKind, QString& title, QString& statement,
           QString& options, int& width)
{
    session.errors.RoutineName = QStringLiteral("BDats ") + mode;
    // A command left by an earlier screen is not this one's; only "return at once" is handed in on purpose.
    if (session.codes.CommandCode != ReturnAtOnce)
        session.codes.CommandCode = 0;
    Call call{session, mode, sourceKind, title, statement, options};
    call.hidden = width < 0;
    if (width < 0)
        width = -width;
    call.width = width;
    auto& engine = session.engine;
    const QString lower = mode.toLower();
    const bool returning = lower == QLatin1String("irpres") || lower == QLatin1String("presfin") ||
                           lower == QLatin1String("ircap") || lower == QLatin1String("iredi");
    if (!returning && session.k)
        session.k->fixedPanel()->hide();
    toApplicationDirectory(session);
    engine.ProtectedFields = normaliseProtectedFields(engine.ProtectedFields);

    if (lower == QLatin1String("base")) {
        if (title.isEmpty()) {
            restorePointer();
            return;
        }
        removePanel(session);
        engine.PanelRecordset.reset(); // it belongs to the database about to be replaced
        const db::DbError error =
            startup::openSessionDatabase(session, title, statement == QLatin1String("-1"), sourceKind == -1);
        session.codes.EngineStatus = error.number;
    } else if (lower == QLatin1String("presenta")) {
        presenta(call);
    } else if (lower == QLatin1String("irpres") || lower == QLatin1String("presfin")) {
        session.codes.CommandCode = 0;
        if (PanelView* panel = panelOf(session)) {
            presentPanel(session);
            if (lower == QLatin1String("presfin"))
                panel->setButtonsVisible(true);
            presentationLoop(call);
        } else {
            session.codes.EngineStatus = 1;
        }
    } else if (lower == QLatin1String("datos") || lower == QLatin1String("datoslib")) {
        load(call);
    } else if (lower == QLatin1String("captura") || lower == QLatin1String("captuni")) {
        captura(call, lower == QLatin1String("captuni"));
    } else if (lower == QLatin1String("edita")) {
        edita(call);
    } else if (lower == QLatin1String("ircap") || lower == QLatin1String("iredi")) {
        session.codes.CommandCode = 0;
        if (panelOf(session) && engine.PanelRecordset) {
            if (lower == QLatin1String("ircap")) {
                captureButtons(session, false);
                captureLoop(call);
            } else {
                editButtons(session);
                editLoop(call);
            }
        } else {
            session.codes.EngineStatus = 1;
        }
    } else if (lower == QLatin1String("quita")) {
        ShowBusy(session, 0);
        session.codes.PresentationVariant = 0;
        removePanel(session);
        engine.PanelRecordset.reset();
        if (engine.grid)
            GridMode(session, QStringLiteral("TabFin"), sourceKind, title, statement, options);
        restorePointer();
    } else if (isGridMode(lower)) {
        GridMode(session, mode, sourceKind, title, statement, options);
    }
    commonEnding(call);
}

void BDats(Session& session, const QString& mode, int sourceKind, const QString& title,
           const QString& statement, const QString& options, int width)
{
    QString modeText = mode;
    QString titleText = title;
    QString statementText = statement;
    QString optionsText = options;
    BDats(session, modeText, sourceKind, titleText, statementText, optionsText, width);
}

} // namespace quelmar::engine
