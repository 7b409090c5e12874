#include "shell/networkmode.h"

#include "db/database.h"
#include "panels/standardbox.h"
#include "session/errorlog.h"
#include "session/session.h"
#include "session/sessiondatabase.h"
#include "shell/openingmessages.h"
#include "shell/startup.h"
#include "shell/textlines.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace quelmar::startup {

namespace {

// How long the start-up looks for damage in the database; a bigger file is looked through only in part.
constexpr int StartupCheckMs = 2000;

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

void openLocalDatabase(Session& session, const QString& database)
{
    const QString path = session.shell.WorkingFolder.absoluteFilePath(database);
    const QString folder = QDir::toNativeSeparators(session.shell.WorkingFolder.absolutePath());
    if (!QFileInfo::exists(path)) {
        endWithMessage(session, QStringLiteral("No existe la Base de Datos: ") + database +
                                    QLatin1Char('\n') + QStringLiteral("Debe copiarla al Subdirectorio ") +
                                    folder);
    }
    const db::DbError error = openSessionDatabase(session, path, false, false);
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
    if (mode.compare(QLatin1String("Inicia"), Qt::CaseInsensitive) != 0)
        return;
    const QString networkFile = session.shell.AppName + QStringLiteral(".red");
    QFile file(session.shell.WorkingFolder.absoluteFilePath(networkFile));
    if (!file.exists()) {
        openLocalDatabase(session, database);
        mode = QStringLiteral("base");
        database = session.shell.WorkingFolder.absoluteFilePath(database);
        return;
    }
    const NetworkFile network =
        file.open(QIODevice::ReadOnly) ? parseNetworkFile(shell::decodeText(file.readAll())) : NetworkFile();
    if (network.kind == QLatin1String("V") || network.kind == QLatin1String("BDR")) {
        endWithMessage(session, QStringLiteral("Este equipo está configurado como Satélite (archivo ") +
                                    networkFile + QStringLiteral(", modo ") + network.kind +
                                    QStringLiteral("). El trabajo en red estará disponible en una próxima "
                                                   "versión.  El Programa terminará."));
    }
    endWithMessage(session, QStringLiteral("Hay errores en el archivo ") + networkFile);
}

} // namespace quelmar::startup
