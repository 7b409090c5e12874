#include "maintenance/bdresp.h"

#include "core/errormessages.h"
#include "db/database.h"
#include "db/filemaintenance.h"
#include "db/recordset.h"
#include "engine/gridview.h"
#include "maintenance/databasefiles.h"
#include "panels/mainform.h"
#include "panels/reporterror.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/session.h"

#include <QDateTime>
#include <QDir>
#include <QGuiApplication>

namespace quelmar::maintenance {

namespace {

constexpr int NoticeTop = 4000;
constexpr int NoticeLeft = 1000;

const QString EndMessage = QStringLiteral("El programa se termina.  Vuelva a ejecutarlo");

class Hourglass
{
public:
    Hourglass() { QGuiApplication::setOverrideCursor(Qt::WaitCursor); }
    ~Hourglass() { restore(); }
    Hourglass(const Hourglass&) = delete;
    Hourglass& operator=(const Hourglass&) = delete;
    void restore()
    {
        if (m_on)
            QGuiApplication::restoreOverrideCursor();
        m_on = false;
    }

private:
    bool m_on = true;
};

void notice(Session& session, const QString& text)
{
    if (session.k)
        session.k->showNotice(text, NoticeTop, NoticeLeft);
}

void hideNotice(Session& session)
{
    if (session.k)
        session.k->hideNotice();
}

QString databaseBase(Session& session)
{
    const QString name = session.shell.company(4);
    return QDir::cleanPath(session.shell.WorkingFolder.absoluteFilePath(name));
}

// True when the office's database lives on a server: its files are the server's, and so are its backups.
bool onServer(Session& session)
{
    if (session.database.CurrentDatabase)
        return session.database.CurrentDatabase->isServer();
    return db::Database::isServerUri(session.shell.company(4));
}

// A backup, compaction or repair asked of a database on a server: told what to use instead, nothing done.
void refuseOnServer(Session& session, const QString& operation)
{
    panels::MessageBox(session,
                       QStringLiteral("La Base de Datos está en un servidor (PostgreSQL): ") + operation +
                           QStringLiteral(" se hace con las herramientas del propio servidor (por ejemplo "
                                          "pg_dump para respaldarla), sin cerrar el Programa.  Pida al "
                                          "encargado del servidor que lo haga."),
                       QMessageBox::Ok, QMessageBox::Information, QStringLiteral("AVISO"));
}

// Every path that neither returns at once nor ends the program: the next activation of the main form runs
// the start-up again, which opens the database.
void commonEnd(Session& session)
{
    hideNotice(session);
    session.shell.DebugSwitches.clear();
}

bool askYes(Session& session, const QString& text, const QString& title = QString())
{
    return panels::MessageBox(session, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                              title) == QMessageBox::Yes;
}

// A failure from the work on the files: told in Spanish, the engine's words to the error log.
void reportFailure(Session& session, const QString& operation, const db::DbError& error)
{
    const QString shown = errormessages::forNumber(error.number);
    panels::MessageBox(session,
                       QStringLiteral("Hubo Error en ") + operation +
                           QStringLiteral(" de la Base de Datos.") + QLatin1Char('\n') +
                           QString::number(error.number) + QStringLiteral(" - ") + shown,
                       QMessageBox::Ok, QMessageBox::Critical);
    panels::MessageBox(session, QStringLiteral("¡Falló ") + operation + QStringLiteral(" !\r") +
                                    QStringLiteral("Número de error: ") + QString::number(error.number) +
                                    QLatin1Char('\r') + shown);
    int state = 3;
    ReportError(session, error.number, state, error.description, QStringLiteral("BDResp"));
}

// A progress notice that is written again only when the percent changes.
db::files::Progress progressNotice(Session& session, const QString& heading)
{
    return [&session, heading](int percent) {
        notice(session, heading + QStringLiteral("  ") + QString::number(percent) + QStringLiteral(" %"));
        session.wait.letEventsRun();
    };
}

BDRespEnd backup(Session& session)
{
    if (onServer(session)) {
        refuseOnServer(session, QStringLiteral("su respaldo y compactación"));
        return BDRespEnd::Return;
    }
    if (!askYes(
            session,
            QStringLiteral("Este procedimiento copia la Base de Datos actual para Respaldo, y produce una "
                           "nueva versión compactada, con los mismos datos.\n\nEn un entorno multiusuario "
                           "los demás usuarios deben salir del programa, y no pueden usarla mientras se hace "
                           "el respaldo, que puede durar algunos minutos.\n\n¿Respalda la Base de Datos?")))
        return BDRespEnd::Return;
    const DatabaseFiles files = DatabaseFiles::of(databaseBase(session));
    CloseDatabase(session);
    if (!WaitForDatabaseClose(session, files.database).isEmpty()) {
        panels::MessageBox(session,
                           QStringLiteral("Están usando la Base de Datos en este momento.  Para esta "
                                          "operación se requiere que nadie la use. "));
        panels::MessageBox(session, EndMessage);
        return BDRespEnd::EndProgram;
    }
    Hourglass hourglass;
    const QString heading =
        QStringLiteral("Respaldo de la Base de Datos.  El proceso puede durar varios minutos");
    notice(session, heading);
    session.wait.letEventsRun();
    const db::DbError error = backUpDatabase(files, progressNotice(session, heading));
    hourglass.restore();
    if (error) {
        reportFailure(session, QStringLiteral("Respaldo"), error);
        commonEnd(session);
        return BDRespEnd::Return;
    }
    hideNotice(session);
    panels::MessageBox(session, QStringLiteral("Se realizó el respaldo correctamente."));
    panels::MessageBox(session, EndMessage);
    return BDRespEnd::EndProgram;
}

BDRespEnd repair(Session& session)
{
    if (onServer(session)) {
        refuseOnServer(session, QStringLiteral("su revisión y reparación"));
        return BDRespEnd::Return;
    }
    const QString question =
        QStringLiteral(
            "Se intenta reparar una Base de Datos, posiblemente dañada por una operación de escritura "
            "interrumpida.   Esto puede ocurrir si ") +
        session.shell.AppName.toUpper() +
        QStringLiteral(
            " hay un corte en el suministro eléctrico o un problema de hardware.   Se recomienda usar "
            "una Fuente ininterrumpible de energía: UPS\n¿Desea reparar la Base de Datos?");
    if (!askYes(session, question) ||
        !askYes(session,
                QStringLiteral("Se cierra la Base de Datos antes de repararla.   En un entorno "
                               "multiusuario  los demás usuarios deben salir del programa, y no podrán "
                               "usarla mientras se repara."))) {
        commonEnd(session);
        return BDRespEnd::Return;
    }
    const QString base = databaseBase(session);
    const DatabaseFiles files = DatabaseFiles::of(base);
    CloseDatabase(session);
    const QStringList holders = WaitForDatabaseClose(session, files.database);
    Hourglass hourglass;
    if (!holders.isEmpty()) {
        hourglass.restore();
        panels::MessageBox(
            session,
            QStringLiteral("Parece que están usando la Base de Datos en este momento.  Para esta "
                           "operación se requiere que nadie la use.\n\nSi esta seguro que nadie la "
                           "usa, salga del Paquete y elimine el archivo ") +
                QDir::toNativeSeparators(base) + QStringLiteral(".ldb"),
            QMessageBox::Ok, QMessageBox::Information, QStringLiteral("AVISO"));
        commonEnd(session);
        return BDRespEnd::Return;
    }
    RepairOutcome outcome;
    const db::DbError error = repairDatabase(
        files, outcome, progressNotice(session, QStringLiteral("Reparación de la Base de Datos.")));
    hourglass.restore();
    hideNotice(session);
    if (error) {
        reportFailure(session, QStringLiteral("Reparación"), error);
        commonEnd(session);
        return BDRespEnd::Return;
    }
    panels::MessageBox(session, repairReport(outcome, session.shell.NewLine), QMessageBox::Ok,
                       outcome.findings.isEmpty() ? QMessageBox::Information : QMessageBox::Warning,
                       QStringLiteral("Reparación"));
    panels::MessageBox(session,
                       QStringLiteral("¡Fin del proceso de Reparación!  El programa se termina. Vuelva a "
                                      "ejecutarlo para revisar la Base de Datos y comprobar que no hay "
                                      "problemas."));
    return BDRespEnd::EndProgram;
}

} // namespace

void CloseDatabase(Session& session)
{
    DatabaseState& state = session.database;
    engine::grid(session).unbind();
    state.ParamTable.reset();
    state.CurrentRecordset.reset();
    state.WorkRecordset2.reset();
    session.engine.PanelRecordset.reset();
    if (state.CurrentDatabase)
        state.CurrentDatabase->refresh();
    state.CurrentDatabase.reset();
}

QStringList WaitForDatabaseClose(Session& session, const QString& databasePath, int limitSeconds)
{
    const qint64 start = QDateTime::currentSecsSinceEpoch();
    qint64 shown = -1;
    QStringList holders = db::files::holdersOf(databasePath);
    while (!holders.isEmpty()) {
        const qint64 elapsed = QDateTime::currentSecsSinceEpoch() - start;
        if (elapsed != shown) {
            shown = elapsed;
            notice(session, QStringLiteral("CERRANDO LA BASE DE DATOS ") + QString::number(elapsed) +
                                QStringLiteral(" segs."));
        }
        if (elapsed > limitSeconds)
            break;
        panels::Pause(session, 200);
        holders = db::files::holdersOf(databasePath);
    }
    hideNotice(session);
    if (!holders.isEmpty()) {
        QString text = QStringLiteral("No puede cerrarse la Base de Datos, pues la ésta usando: ");
        for (const QString& line : holders)
            text += session.shell.NewLine + line;
        panels::MessageBox(session, text);
    }
    return holders;
}

BDRespEnd BDResp(Session& session, const QString& mode)
{
    session.errors.RoutineName = QStringLiteral("BDResp");
    if (mode.compare(QLatin1String("Resp"), Qt::CaseInsensitive) == 0)
        return backup(session);
    if (mode.compare(QLatin1String("Repa"), Qt::CaseInsensitive) == 0)
        return repair(session);
    return BDRespEnd::Return;
}

} // namespace quelmar::maintenance
