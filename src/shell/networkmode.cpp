#include "shell/networkmode.h"

#include "core/errormessages.h"
#include "db/database.h"
#include "db/filemaintenance.h"
#include "db/recordset.h"
#include "maintenance/bdresp.h"
#include "maintenance/databasefiles.h"
#include "panels/errortrap.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/errorlog.h"
#include "session/session.h"
#include "session/sessiondatabase.h"
#include "shell/accesskeys.h"
#include "shell/openingmessages.h"
#include "shell/startup.h"
#include "shell/textlines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace quelmar::startup {

namespace {

// How long the start-up looks for damage in the database; a bigger file is looked through only in part.
constexpr int StartupCheckMs = 2000;
// The engine's number for a table that exists already.
constexpr int AlreadyExists = 3012;
// The run-time errors of a file that is missing or cannot be renamed.
constexpr int FileNotFoundError = 53;
constexpr int PermissionDeniedError = 70;
// How long the switch to central lets the files settle after closing the database.
constexpr int SettlePauseMs = 10000;

// The next field of the sequential-file syntax from `at`: blanks skipped, a quoted text up to its closing
// quote, or the text up to the next comma or line end (trimmed). `at` is left after the field's delimiter.
QString nextField(const QString& text, qsizetype& at)
{
    const auto isEnd = [](QChar c) { return c == QLatin1Char('\n') || c == QLatin1Char('\r'); };
    while (at < text.size() &&
           (text.at(at) == QLatin1Char(' ') || text.at(at) == QLatin1Char('\t') || isEnd(text.at(at))))
        ++at;
    QString field;
    if (at < text.size() && text.at(at) == QLatin1Char('"')) {
        const qsizetype close = text.indexOf(QLatin1Char('"'), at + 1);
        const qsizetype end = close < 0 ? text.size() : close;
        field = text.mid(at + 1, end - at - 1);
        at = end + 1;
        while (at < text.size() && text.at(at) != QLatin1Char(',') && !isEnd(text.at(at)))
            ++at;
    } else {
        const qsizetype start = at;
        while (at < text.size() && text.at(at) != QLatin1Char(',') && !isEnd(text.at(at)))
            ++at;
        field = text.mid(start, at - start).trimmed();
    }
    if (at < text.size())
        ++at;
    return field;
}

void endWithMessage(Session& session, const QString& message)
{
    panels::MessageBox(session, message);
    EndProgram(session, QString());
}

// The engine's own words on a database problem go to the error log; the user reads them in Spanish.
void logDatabaseProblem(Session& session, const db::DbError& error)
{
    maintenance::appendErrorLog(session, error.number, error.description, session.shell.AppName);
}

QString networkFileName(const Session& session)
{
    return session.shell.AppName + QStringLiteral(".red");
}

QString parkedFileName(const Session& session)
{
    return session.shell.AppName + QStringLiteral("Sat.red");
}

// A name taken in the working folder; a server's database is named by its URI, which no folder changes.
QString inFolder(const Session& session, const QString& name)
{
    if (db::Database::isServerUri(name))
        return name;
    return session.shell.WorkingFolder.absoluteFilePath(name);
}

// The database's name without its extension, as the company file and the backup name it.
QString withoutExtension(const QString& path)
{
    return path.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive) ? path.chopped(4) : path;
}

void checkOpened(Session& session, const QString& database, const QString& path, const db::DbError& error)
{
    const QString folder = QDir::toNativeSeparators(session.shell.WorkingFolder.absolutePath());
    if (!error.ok()) {
        logDatabaseProblem(session, error);
        endWithMessage(session, openFailureMessage(database, folder, db::Database::fileKind(path),
                                                   error.number, session.shell.NewLine));
    }
    if (const db::DbError damage = session.database.CurrentDatabase->quickCheck(StartupCheckMs)) {
        logDatabaseProblem(session, damage);
        panels::MessageBox(session, damagedDatabaseMessage(database, session.shell.NewLine), QMessageBox::Ok,
                           QMessageBox::Warning, QStringLiteral("AVISO"));
    }
}

// A database on a server: the server looks after its own files, so no file is looked for nor checked here.
void openServerDatabase(Session& session, const QString& uri, bool remote)
{
    const db::DbError error = openSessionDatabase(session, uri, false, false, remote);
    if (error.ok())
        return;
    logDatabaseProblem(session, error);
    endWithMessage(
        session, serverOpenFailureMessage(db::Database::shownPath(uri), error.number, session.shell.NewLine));
}

void openLocalDatabase(Session& session, const QString& database)
{
    const QString path = inFolder(session, database);
    if (db::Database::isServerUri(path)) {
        openServerDatabase(session, path, false);
        return;
    }
    const QString folder = QDir::toNativeSeparators(session.shell.WorkingFolder.absolutePath());
    if (!QFileInfo::exists(path)) {
        // A backup that did not finish left the data under another name: the user is told which.
        const QString interrupted = maintenance::interruptedBackupMessage(
            maintenance::DatabaseFiles::of(withoutExtension(path)), session.shell.NewLine);
        if (!interrupted.isEmpty())
            endWithMessage(session, interrupted);
        endWithMessage(session, QStringLiteral("No existe la Base de Datos: ") + database +
                                    QLatin1Char('\n') + QStringLiteral("Debe copiarla al Subdirectorio ") +
                                    folder);
    }
    checkOpened(session, database, path, openSessionDatabase(session, path, false, false));
}

// What the linked satellite tells when the central table of affiliates cannot be reached: the cause, by the
// engine's number, and what to do about it.
QString affiliatesProblem(const Session& session, const QString& centralPath, int number)
{
    const QString& nl = session.shell.NewLine;
    const QString central = db::Database::shownPath(centralPath);
    const QString goesOn = QStringLiteral("  El Programa sigue con la Base de Datos local, sin esa tabla.");
    switch (number) {
    case db::jeterror::TableNotFound:
        return QStringLiteral("La Base de Datos central ") + central +
               QStringLiteral(" no tiene la tabla Afiliados.") + goesOn + nl + nl +
               QStringLiteral("Revise que el archivo ") + networkFileName(session) +
               QStringLiteral(
                   " nombre la Base de Datos central correcta, o pida al encargado del sistema que "
                   "agregue a ésta la tabla Afiliados.");
    case db::jeterror::FileNotFound:
    case db::jeterror::DiskError:
    case db::jeterror::InvalidPath:
        return QStringLiteral("No hay acceso a la Base de Datos central ") + central + QLatin1Char('.') +
               goesOn + nl + nl +
               QStringLiteral("Revise que la Computadora Central esté encendida y la Red funcione, y que el "
                              "archivo ") +
               networkFileName(session) + QStringLiteral(" nombre bien la Base de Datos central.");
    default:
        return QStringLiteral("No se pudo usar la tabla Afiliados de la Base de Datos central ") + central +
               QLatin1Char('.') + goesOn + nl + nl + errormessages::forNumber(number);
    }
}

// Linked satellite: the local database, with the central database's table of affiliates reached from it.
void openLinkedSatellite(Session& session, const QString& database, const QString& centralPath)
{
    openLocalDatabase(session, database);
    const db::DbError error =
        session.database.CurrentDatabase->linkTable(QStringLiteral("Afiliados"), centralPath);
    if (error.ok()) {
        session.database.TableList.append(
            {QStringLiteral("Afiliados"), QString::number(session.database.TableList.size() + 1),
             static_cast<int>(session.database.CurrentDatabase->fields(QStringLiteral("Afiliados")).size()),
             QStringLiteral("True")});
        session.database.TableCount = static_cast<int>(session.database.TableList.size());
        return;
    }
    // A table of that name in the local database stays in use; the start-up goes on either way.
    logDatabaseProblem(session, error);
    if (error.number != AlreadyExists)
        panels::MessageBox(session, affiliatesProblem(session, centralPath, error.number), QMessageBox::Ok,
                           QMessageBox::Warning, QStringLiteral("AVISO"));
}

// The local copy of the central database: written under a temporary name, checked, and only then put in the
// place of the previous copy, which stays as it was whenever the central database cannot be copied whole.
bool copyCentralDatabase(Session& session, const QString& centralPath, const QString& copy)
{
    const QString partial = copy + QStringLiteral(".parcial");
    db::files::removeDatabaseFile(partial);
    if (const db::DbError error = db::files::compactInto(centralPath, partial)) {
        logDatabaseProblem(session, error);
        return false;
    }
    // A journal left beside the previous copy would be applied to the new one.
    db::files::removeJournals(copy);
    std::error_code failure;
    std::filesystem::rename(std::filesystem::path(partial.toStdU16String()),
                            std::filesystem::path(copy.toStdU16String()), failure);
    if (failure) {
        maintenance::appendErrorLog(session, PermissionDeniedError,
                                    QString::fromStdString(failure.message()) + QStringLiteral(": ") +
                                        QDir::toNativeSeparators(copy),
                                    QStringLiteral("NetworkMode"));
        QFile::remove(partial);
        return false;
    }
    return true;
}

// Remote satellite: the central database itself, over the share, after a copy of it is kept here.
void openRemoteSatellite(Session& session, QString& database, const QString& centralPath)
{
    if (db::Database::isServerUri(centralPath)) {
        // Every workstation works on the server's database; its copies are the server's own (pg_dump).
        database = centralPath;
        if (session.shell.CompanyData.size() >= 4)
            session.shell.CompanyData[3] = withoutExtension(centralPath);
        openServerDatabase(session, centralPath, true);
        return;
    }
    const QString copy = inFolder(session, session.shell.AppName + QStringLiteral("Resp.mdb"));
    for (;;) {
        panels::MessageBox(session,
                           QStringLiteral("Debe tener encendida la Computadora Central, pero sin ejecutar "
                                          "el Programa ") +
                               session.shell.AppName);
        if (copyCentralDatabase(session, centralPath, copy))
            break;
        const int answer = panels::MessageBox(session,
                                              QStringLiteral("No pudo respaldarse la Base de Datos ") +
                                                  centralPath + session.shell.NewLine + session.shell.NewLine,
                                              QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Warning);
        if (answer != QMessageBox::Retry)
            break;
    }
    database = centralPath;
    if (session.shell.CompanyData.size() >= 4)
        session.shell.CompanyData[3] = withoutExtension(centralPath);
    const db::DbError error = QFileInfo::exists(centralPath)
                                  ? openSessionDatabase(session, centralPath, false, false, true)
                                  : db::DbError::make(db::jeterror::FileNotFound);
    if (!error.ok()) {
        logDatabaseProblem(session, error);
        endWithMessage(
            session,
            QStringLiteral("No hay acceso a la Base de Datos central.") + session.shell.NewLine +
                session.shell.NewLine +
                QStringLiteral("Si no funciona la Computadora Central o la Red, puede cambiar el modo "
                               "de operación de ésta computadora, usando Utilerias-Red.  El Programa "
                               "terminará"));
    }
    checkOpened(session, QDir::toNativeSeparators(centralPath), centralPath, {});
}

NetworkFile readNetworkFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? parseNetworkFile(shell::decodeText(file.readAll()))
                                          : NetworkFile();
}

// A network file that names no central database: what is missing and what to write in it.
QString missingCentralPath(const Session& session)
{
    const QString& nl = session.shell.NewLine;
    return QStringLiteral("no dice dónde está la Base de Datos central.") + nl + nl +
           QStringLiteral(
               "Escriba en él, después del tipo de Satélite (V o BDR) y una coma, la ruta completa "
               "de la Base de Datos de la Computadora Central.");
}

void changeMode(Session& session)
{
    const QString networkFile = inFolder(session, networkFileName(session));
    const QString parked = inFolder(session, parkedFileName(session));
    const bool satellite = QFileInfo::exists(networkFile);
    const QString state = satellite ? QStringLiteral("está configurado como Satélite")
                                    : QStringLiteral("está configurado como Centro");
    const QString& nl = session.shell.NewLine;
    if (panels::MessageBox(session,
                           QStringLiteral("Este Programa ") + state + nl + nl +
                               QStringLiteral("Para cambiarlo, requiere una Clave de acceso"),
                           QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Information,
                           QStringLiteral("RED DE COMPUTADORAS")) != QMessageBox::Ok)
        return;
    int granted = 0;
    QString keyName;
    shell::AskAccessKey(session, 3, granted, keyName);
    if (granted != -1)
        return;
    if (!satellite) {
        if (!QFile::rename(parked, networkFile))
            throw RuntimeError{FileNotFoundError,
                               QStringLiteral("File not found: ") + QDir::toNativeSeparators(parked),
                               QStringLiteral("NetworkMode")};
        const QString central = readNetworkFile(networkFile).path;
        if (central.isEmpty()) {
            panels::MessageBox(session,
                               QStringLiteral("Se configuró como Satelite, pero el archivo ") +
                                   QDir::toNativeSeparators(networkFile) + u' ' + missingCentralPath(session),
                               QMessageBox::Ok, QMessageBox::Warning);
            return;
        }
        panels::MessageBox(session,
                           QStringLiteral("Se configuró como Satelite, usando la Base de Datos: ") + central);
        return;
    }
    QFile::remove(parked);
    if (!QFile::rename(networkFile, parked))
        throw RuntimeError{PermissionDeniedError,
                           QStringLiteral("Permission denied: ") + QDir::toNativeSeparators(networkFile),
                           QStringLiteral("NetworkMode")};
    if (panels::MessageBox(session,
                           QStringLiteral("Se configuró como Centro") + nl + nl +
                               QStringLiteral("¿Desea usar el Respaldo de la Base de Datos?"),
                           QMessageBox::Yes | QMessageBox::No, QMessageBox::Question,
                           QStringLiteral("Base de Datos")) != QMessageBox::Yes)
        return;
    maintenance::CloseDatabase(session);
    panels::Pause(session, SettlePauseMs);
    const QStringList found =
        session.shell.WorkingFolder.entryList({QStringLiteral("*Resp.mdb")}, QDir::Files, QDir::Name);
    if (found.isEmpty()) {
        panels::MessageBox(session, QStringLiteral("No hay respaldo de la Base de Datos"));
        return;
    }
    const QString backup = inFolder(session, found.constFirst());
    const QString target = backup.chopped(QStringLiteral("Resp.mdb").size()) + QStringLiteral(".mdb");
    if (QFileInfo::exists(target)) {
        QFile::remove(target);
        panels::Pause(session, SettlePauseMs);
    }
    if (!QFile::rename(backup, target))
        throw RuntimeError{PermissionDeniedError,
                           QStringLiteral("Permission denied: ") + QDir::toNativeSeparators(backup),
                           QStringLiteral("NetworkMode")};
    endWithMessage(
        session, QStringLiteral("El Respaldo de la Base de Datos se actualizó la última vez que ejecutó este "
                                "Programa, y no tiene la información posterior.  Por ello, el Respaldo debe "
                                "actualizarse manualmente.") +
                     nl + nl +
                     QStringLiteral("Se termina el Programa, y debe ejecutarlo de nuevo, para finalizar el "
                                    "cambio de base de Datos"));
}

} // namespace

NetworkFile parseNetworkFile(const QString& text)
{
    qsizetype at = 0;
    NetworkFile file;
    file.kind = nextField(text, at);
    file.path = nextField(text, at);
    return file;
}

void NetworkMode(Session& session, QString& mode, QString& database)
{
    session.errors.RoutineName = QStringLiteral("NetworkMode");
    if (mode.compare(QLatin1String("Cambia"), Qt::CaseInsensitive) == 0) {
        changeMode(session);
        return;
    }
    if (mode.compare(QLatin1String("Inicia"), Qt::CaseInsensitive) != 0)
        return;
    const QString networkFile = inFolder(session, networkFileName(session));
    if (!QFileInfo::exists(networkFile)) {
        openLocalDatabase(session, database);
        mode = QStringLiteral("base");
        database = inFolder(session, database);
        return;
    }
    const NetworkFile network = readNetworkFile(networkFile);
    const bool satellite = network.kind == QLatin1String("V") || network.kind == QLatin1String("BDR");
    if (satellite && network.path.trimmed().isEmpty())
        endWithMessage(session, QStringLiteral("Hay errores en el archivo ") +
                                    QDir::toNativeSeparators(networkFile) + QStringLiteral(": ") +
                                    missingCentralPath(session) + QStringLiteral("  El Programa terminará."));
    if (network.kind == QLatin1String("V")) {
        openLinkedSatellite(session, database, network.path);
        database = inFolder(session, database);
    } else if (network.kind == QLatin1String("BDR")) {
        openRemoteSatellite(session, database, network.path);
    } else {
        endWithMessage(session, QStringLiteral("Hay errores en el archivo ") + networkFileName(session));
    }
    mode = QStringLiteral("base");
}

void ReopenDatabase(Session& session)
{
    if (!session.shell.DebugSwitches.isEmpty())
        return;
    QString mode = QStringLiteral("Inicia");
    const QString name = session.shell.company(4);
    QString database = QFileInfo(name).fileName() + QStringLiteral(".mdb");
    if (QFileInfo(name).isAbsolute() || db::Database::isServerUri(name))
        database = name + QStringLiteral(".mdb");
    NetworkMode(session, mode, database);
    session.shell.DebugSwitches = QStringLiteral("1s3456s8901234567890");
}

} // namespace quelmar::startup
