#include "maintenance/bdparam.h"

#include "db/database.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "session/twips.h"

#include <QPushButton>
#include <QRect>
#include <QTableView>

#include <optional>

namespace quelmar::maintenance {

namespace {

constexpr int ReturnAtOnce = 1010;

std::optional<ClassGrid> administrationGrid(const QString& mode)
{
    if (mode.compare(QLatin1String("Acceso"), Qt::CaseInsensitive) == 0)
        return ClassGrid{
            QStringLiteral("Select Nombre,Clave as Nivel, Contenido as [Clave Acceso], Clase From "
                           "Parametros WHERE Clase = 'LA' "),
            QStringLiteral("TabCap"), QStringLiteral("LA"), QStringLiteral("Claves de Acceso"),
            QRect(1000, 1000, 8000, 3000)};
    if (mode.compare(QLatin1String("Doc"), Qt::CaseInsensitive) == 0)
        return ClassGrid{
            QStringLiteral(
                "Select Nombre, Contenido as Contador, Clase From Parametros WHERE Clase = 'DOC' "),
            QStringLiteral("TabEdi"), QStringLiteral("DOC"), QStringLiteral("Contador Documentos"),
            QRect(2000, 1000, 5000, 3000)};
    if (mode.compare(QLatin1String("Cons"), Qt::CaseInsensitive) == 0)
        return ClassGrid{
            QStringLiteral("Select Nombre, Contenido, Clase From Parametros WHERE Clase = 'CONS' "),
            QStringLiteral("TabEdi"), QStringLiteral("CONS"), QStringLiteral("Constantes"),
            QRect(2000, 1000, 5000, 3000)};
    return std::nullopt;
}

// The class code of a classifier list entry ("Situación - !CSit"): from its "!" up to the next "-", trimmed.
QString classOfEntry(const QString& entry)
{
    const qsizetype mark = entry.indexOf(u'!');
    if (mark < 0)
        return {};
    const qsizetype dash = entry.indexOf(u'-', mark);
    return entry.mid(mark, dash < 0 ? -1 : dash - mark).trimmed();
}

void finishingStep(Session& session)
{
    engine::GridView& view = engine::grid(session);
    if (!view.recordset() || !session.k)
        return;
    QPushButton* termina = session.k->termina();
    const QRect area = view.geometryTwips();
    termina->setText(QStringLiteral("&Termina"));
    termina->move(twips::toPixels(area.x()), twips::toPixels(area.y() + area.height()));
    session.codes.EngineStatus = 0;
    termina->show();
    termina->raise();
    view.focus();
    for (;;) {
        session.codes.CommandCode = 0;
        view.transcribe();
        WaitContext context;
        context.kind = WaitKind::Screen;
        context.description = QStringLiteral("tabla ") + view.caption();
        context.widget = view.table();
        session.wait.forUser([&session] { return session.codes.CommandCode == -1; }, context);
        // The row being typed is written before the grid goes; a row the user chose to correct keeps it.
        if (view.finishEditing())
            break;
    }
    view.hide();
    termina->hide();
    view.unbind();
}

void classifiers(Session& session)
{
    auto& engine = session.engine;
    engine.QuerySQL =
        QStringLiteral("Select Nombre as Clasificador,Clase From Parametros WHERE Clase like '!C*' AND "
                       "Clave like '*@*' AND (Contenido = null OR Contenido <>'x')");
    engine::BDats(session, QStringLiteral("ListaU"), 0, QStringLiteral("Elija Clasificador"),
                  engine.QuerySQL);
    if (session.codes.EngineStatus != 0 || engine.SelectedRow <= 0 || !session.database.CurrentRecordset)
        return;
    const QString name = session.database.CurrentRecordset->value(0).toString();
    const QString parameterClass = classOfEntry(engine.SelectedValue);
    if (parameterClass.isEmpty())
        return;
    QString quoted = parameterClass;
    quoted.replace(u'\'', QStringLiteral("''"));
    const ClassGrid grid{
        QStringLiteral("Select Nombre as Clasificador,Clase From Parametros WHERE Clase like '") + quoted +
            QStringLiteral("' and (Clave not like '*@*' or Clave is null)"),
        QStringLiteral("TabCap"), parameterClass, QStringLiteral("Clasificadores de ") + name,
        QRect(2000, 1000, 5000, 3000)};
    if (ShowClassGrid(session, grid))
        finishingStep(session);
}

// The named variables: rows of Parametros found by their name in Clase (the index "Clase"). Each write is one
// transaction that finds the row again, so that what it changes is what is there now.
constexpr int ObjectNotSet = 91;

db::Recordset& parameters(Session& session)
{
    if (!session.database.ParamTable || !session.database.CurrentDatabase)
        throw RuntimeError{ObjectNotSet, QStringLiteral("Object variable or With block variable not set"),
                           QStringLiteral("BDParam")};
    return *session.database.ParamTable;
}

void check(const db::DbError& error)
{
    if (error)
        throw RuntimeError{error.number, error.description, QStringLiteral("BDParam")};
}

bool seekVariable(Session& session, const QString& name)
{
    db::Recordset& table = parameters(session);
    check(table.requery());
    return table.seek(QStringLiteral("="), {name});
}

QString contents(Session& session)
{
    const QVariant value = parameters(session).value(QStringLiteral("Contenido"));
    return value.isNull() ? QString() : value.toString();
}

// Writes the value into the variable, creating it in the group when create is set and it is missing. False
// when it is missing and not created.
bool writeVariable(Session& session, const QString& name, const QString& value, bool create,
                   const QString& group)
{
    db::Transaction transaction(*session.database.CurrentDatabase);
    check(transaction.error());
    db::Recordset& table = parameters(session);
    if (seekVariable(session, name)) {
        check(table.edit());
    } else if (create) {
        check(table.addNew());
        check(table.setValue(QStringLiteral("Clase"), name));
        check(table.setValue(QStringLiteral("Nombre"), group));
    } else {
        return false;
    }
    check(table.setValue(QStringLiteral("Contenido"), value));
    check(table.update());
    check(transaction.commit());
    return true;
}

void getVariable(Session& session, int& flag)
{
    DialogState& dialog = session.dialog;
    if (seekVariable(session, dialog.ValidationMessage)) {
        dialog.AnswerText = contents(session);
        flag = -1;
    } else {
        dialog.AnswerText.clear();
    }
}

void modifyVariable(Session& session, int& flag)
{
    DialogState& dialog = session.dialog;
    if (seekVariable(session, dialog.ValidationMessage)) {
        dialog.AnswerText = contents(session);
        const QString name = parameters(session).value(QStringLiteral("Nombre")).toString();
        QString answer = dialog.AnswerText;
        panels::InputBox(session, QStringLiteral("Cambia variables"),
                         QStringLiteral("Modifica ") + name + QStringLiteral(" = ") + dialog.AnswerText,
                         answer, QPoint(100, 100));
        if (!answer.isEmpty() && writeVariable(session, dialog.ValidationMessage, answer, false, QString()))
            flag = -1;
        return;
    }
    const int answer = panels::MessageBox(session,
                                          QStringLiteral("No encuentro la variable de ") + dialog.VarGroup +
                                              QStringLiteral("  ¿Desea crearla?"),
                                          QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question,
                                          QStringLiteral("¿Crea nueva Variable?"));
    if (answer != QMessageBox::Ok || dialog.VarGroup.isEmpty())
        return;
    writeVariable(session, dialog.ValidationMessage, dialog.AnswerText, true, dialog.VarGroup);
    flag = -1;
    panels::MessageBox(session,
                       QStringLiteral("Vuelva a usar este menu para comprobar el contenido deseado"));
}

void deleteVariable(Session& session, int& flag)
{
    DialogState& dialog = session.dialog;
    db::Transaction transaction(*session.database.CurrentDatabase);
    check(transaction.error());
    if (!seekVariable(session, dialog.ValidationMessage)) {
        transaction.commit();
        panels::MessageBox(session, QStringLiteral("No encuentro la variable ") + dialog.ValidationMessage);
        return;
    }
    check(parameters(session).remove());
    check(transaction.commit());
    flag = -1;
}

// "Varios": the rows of the class named by CurrentFile, all five columns, updatable, for the caller.
void openClassRows(Session& session)
{
    QString quoted = session.shell.CurrentFile;
    quoted.replace(u'\'', QStringLiteral("''"));
    db::DbError error;
    parameters(session);
    session.database.WorkRecordset2 = session.database.CurrentDatabase->openRecordset(
        QStringLiteral("SELECT Clase, Secuen, Nombre, Clave, Contenido FROM Parametros WHERE Clase = '") +
            quoted + QLatin1Char('\''),
        db::RecordsetType::Dynaset, error);
    check(error);
}

bool isMode(const QString& mode, const char* name)
{
    return mode.compare(QLatin1String(name), Qt::CaseInsensitive) == 0;
}

bool variableOperation(Session& session, const QString& mode, int& flag, ErrorTrap& trap)
{
    DialogState& dialog = session.dialog;
    if (isMode(mode, "Varios")) {
        trap.step([&] { openClassRows(session); });
        return true;
    }
    const bool get = isMode(mode, "ObtVar");
    const bool put = isMode(mode, "PonVar");
    const bool modify = isMode(mode, "ModVar");
    const bool remove = isMode(mode, "EliVar");
    const bool force = isMode(mode, "ForVar");
    if (!(get || put || modify || remove || force))
        return false;
    flag = 0;
    trap.step([&] {
        if (get)
            getVariable(session, flag);
        else if (put)
            flag = writeVariable(session, dialog.ValidationMessage, dialog.AnswerText, false, QString()) ? -1
                                                                                                         : 0;
        else if (modify)
            modifyVariable(session, flag);
        else if (remove)
            deleteVariable(session, flag);
        else if (writeVariable(session, dialog.ValidationMessage, dialog.AnswerText, true, dialog.VarGroup))
            flag = -1;
    });
    if (modify || remove || force) {
        dialog.ValidationMessage.clear();
        dialog.AnswerText.clear();
    }
    return true;
}

} // namespace

bool ShowClassGrid(Session& session, const ClassGrid& grid)
{
    auto& engine = session.engine;
    engine.FixedValues = QStringLiteral("Clase = ") + grid.parameterClass;
    engine.ProtectedFields = QStringLiteral("Clase");
    engine.QuerySQL = grid.statement;
    session.codes.CommandCode = ReturnAtOnce;
    engine::BDats(session, grid.engineMode, 2, QString(), engine.QuerySQL, QString(), 60);
    session.codes.CommandCode = 0;
    if (session.codes.EngineStatus != 0)
        return false;
    engine::GridView& view = engine::grid(session);
    view.setEditing(true, true, true);
    view.setGeometryTwips(grid.place);
    view.setCaption(grid.title);
    view.show();
    return true;
}

void BDParam(Session& session, const QString& mode, int& flag)
{
    ErrorTrap trap(session, QStringLiteral("BDParam"));
    if (variableOperation(session, mode, flag, trap))
        return;
    if (mode.compare(QLatin1String("Clasifica"), Qt::CaseInsensitive) == 0) {
        trap.step([&] { classifiers(session); });
    } else if (const std::optional<ClassGrid> grid = administrationGrid(mode)) {
        bool shown = false;
        trap.step([&] { shown = ShowClassGrid(session, *grid); });
        if (shown)
            finishingStep(session);
    } else {
        finishingStep(session);
    }
    session.engine.FixedValues.clear();
    session.engine.ProtectedFields.clear();
}

} // namespace quelmar::maintenance
