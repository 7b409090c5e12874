#include "shell/openingmessages.h"

#include "core/errormessages.h"

#include <QDir>

namespace quelmar::startup {

namespace {

struct Problem
{
    QString reason;
    QString advice;
};

QString copyTheRightOne(const QString& folder)
{
    return QStringLiteral("Copie la Base de Datos correcta al Subdirectorio ") + folder +
           QStringLiteral(" (o su copia de respaldo más reciente).  El archivo no se modificó.");
}

// The database file as a command line run in any folder takes it.
QString databasePath(const QString& database, const QString& folder)
{
    if (QDir::isAbsolutePath(database))
        return QDir::toNativeSeparators(database);
    return folder + QDir::separator() + database;
}

// A new folder beside the working folder for the import of a Jet file.
QString importFolder(const QString& folder)
{
    return folder + QDir::separator() + QStringLiteral("importada");
}

Problem problemOf(const QString& database, const QString& folder, db::Database::FileKind kind,
                  int errorNumber)
{
    using Kind = db::Database::FileKind;
    switch (kind) {
    case Kind::Empty:
        return {
            QStringLiteral("El archivo está vacío (mide 0 bytes): no contiene ningún dato, posiblemente por "
                           "un corte de luz o una copia incompleta."),
            copyTheRightOne(folder)};
    case Kind::Jet:
        return {
            QStringLiteral("El archivo es una Base de Datos de Microsoft Access (Jet), que este Programa no "
                           "abre directamente."),
            QStringLiteral(
                "Conviértala al formato de este Programa con la orden  quelmar-admin import-mdb \"") +
                databasePath(database, folder) + QStringLiteral("\" \"") + importFolder(folder) +
                QStringLiteral(
                    "\"  y ponga la Base de Datos que esa orden crea en esa carpeta en lugar de este "
                    "archivo (guárdelo aparte como respaldo).  El archivo no se modificó.")};
    case Kind::Foreign:
        return {
            QStringLiteral("El archivo no es una Base de Datos de este Programa (puede ser otro archivo con "
                           "el mismo nombre)."),
            copyTheRightOne(folder)};
    case Kind::Missing:
    case Kind::NotAFile:
        return {QStringLiteral("No existe el archivo ") + database + QStringLiteral(" en el Subdirectorio ") +
                    folder + QLatin1Char('.'),
                QStringLiteral("Copie la Base de Datos a ese Subdirectorio.")};
    case Kind::Ours:
        break;
    }
    switch (errorNumber) {
    case db::jeterror::ReadOnly:
        return {QStringLiteral("El archivo, o el Subdirectorio ") + folder +
                    QStringLiteral(", es de solo lectura, y el Programa necesita escribir en ambos."),
                QStringLiteral("Pida al encargado del sistema permiso de escritura sobre el Subdirectorio y "
                               "sobre la Base de Datos, y vuelva a ejecutar el Programa.")};
    case db::jeterror::CorruptDatabase:
    case db::jeterror::UnrecognizedFormat:
        return {
            QStringLiteral("La Base de Datos está dañada."),
            QStringLiteral("Repárela con la orden  quelmar-admin repair \"") +
                databasePath(database, folder) +
                QStringLiteral("\"  (guarda aparte el archivo dañado y dice cuántos registros se "
                               "salvaron), o reemplácela por su copia de respaldo más reciente, y avise al "
                               "encargado del sistema.")};
    case db::jeterror::TableNotFound:
        return {
            QStringLiteral("El archivo no tiene las tablas de este Programa (falta la tabla Parametros)."),
            copyTheRightOne(folder)};
    case db::jeterror::FileInUse:
    case db::jeterror::OpenedExclusively:
        return {QStringLiteral("Otra computadora la tiene en uso exclusivo (por ejemplo, para respaldarla o "
                               "repararla)."),
                QStringLiteral("Espere a que termine y vuelva a ejecutar el Programa.")};
    default:
        return {errormessages::forNumber(errorNumber),
                QStringLiteral("Si el problema sigue, anote el número %1 y avise al encargado del sistema.")
                    .arg(errorNumber)};
    }
}

Problem serverProblemOf(int errorNumber)
{
    switch (errorNumber) {
    case db::jeterror::InvalidPassword:
        return {
            QStringLiteral("El servidor rechazó el usuario o la contraseña."),
            QStringLiteral("Revise el usuario y la contraseña de la dirección de la Base de Datos (línea 4 "
                           "del archivo de la empresa, o el archivo de red) con el encargado del "
                           "servidor, y vuelva a ejecutar el Programa.")};
    case db::jeterror::FileNotFound:
        return {QStringLiteral("El servidor no tiene una Base de Datos con ese nombre."),
                QStringLiteral("Revise el nombre de la Base de Datos en su dirección (línea 4 del archivo de "
                               "la empresa, o el archivo de red).  Para llevar una oficina al servidor use "
                               "la orden  quelmar-admin copy  con la Base de Datos de la oficina y esa "
                               "dirección.")};
    case db::jeterror::DiskError:
        return {
            QStringLiteral("No hay conexión con el servidor de Base de Datos."),
            QStringLiteral("Revise que el servidor esté encendido y la Red funcione, y que la dirección "
                           "(servidor y puerto) sea la correcta; después vuelva a ejecutar el Programa.")};
    case db::jeterror::UnrecognizedFormat:
    case db::jeterror::TableNotFound:
        return {QStringLiteral("La Base de Datos del servidor no tiene las tablas de este Programa."),
                QStringLiteral("Revise el nombre de la Base de Datos en su dirección, o lleve a ella la "
                               "oficina con la orden  quelmar-admin copy.")};
    default:
        return {errormessages::forNumber(errorNumber),
                QStringLiteral("Si el problema sigue, anote el número %1 y avise al encargado del sistema.")
                    .arg(errorNumber)};
    }
}

} // namespace

QString openFailureMessage(const QString& database, const QString& folder, db::Database::FileKind kind,
                           int errorNumber, const QString& newLine)
{
    const Problem problem = problemOf(database, folder, kind, errorNumber);
    return QStringLiteral("No se pudo abrir la Base de Datos: ") + database + newLine + problem.reason +
           newLine + newLine + problem.advice + QStringLiteral("  El Programa terminará.");
}

QString serverOpenFailureMessage(const QString& database, int errorNumber, const QString& newLine)
{
    const Problem problem = serverProblemOf(errorNumber);
    return QStringLiteral("No se pudo abrir la Base de Datos: ") + database + newLine + problem.reason +
           newLine + newLine + problem.advice + QStringLiteral("  El Programa terminará.");
}

QString damagedDatabaseMessage(const QString& database, const QString& newLine)
{
    return QStringLiteral("La Base de Datos ") + database +
           QStringLiteral(" está dañada: la revisión al iniciar encontró errores en su contenido, y algunas "
                          "pantallas pueden mostrar datos incompletos o ninguno.") +
           newLine + newLine +
           QStringLiteral("Para repararla, pida a los demás Usuarios que salgan del Programa y use la opción "
                          "«Repara base de datos» del menú Administración.  Hasta entonces, evite registrar "
                          "datos en ella.");
}

} // namespace quelmar::startup
