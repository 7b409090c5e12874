#include "panels/reporterror.h"

#include "core/errormessages.h"
#include "panels/standardbox.h"
#include "session/errorlog.h"
#include "session/session.h"

#include <QDir>

namespace quelmar::maintenance {

namespace {

struct KnownError
{
    qint32 numbers[2];
    const char16_t* message;
};

constexpr KnownError knownErrors[] = {
    {{52, 64}, u"Nombre de Archivo erróneo"},
    {{53, 708}, u"no se encuentra el Archivo"},
    {{54, 62}, u"Imposible abrir el archivo"},
    {{55, 55}, u"Ese archivo ya está abierto."},
    {{57, 57}, u"Error interno de disco."},
    {{58, 713}, u"El Archivo ya existe"},
    {{61, 716}, u"Disco lleno"},
    {{68, 68}, u"Ese dispositivo no está disponible."},
    {{70, 725}, u"Operación no permitida por el Sistema"},
    {{71, 71}, u"El Disco floppy no esta o está mal colocado."},
    {{75, 730}, u"Error de trayectoria ó archivo"},
    {{76, 731}, u"La Trayectoria no existe "},
    {{480, 480}, u"No tengo memoria suficiente para actualizar la pantalla. Cierre otras Aplicaciones."},
    {{481, 481}, u"Archivo de Imagen inválido."},
    {{482, 482}, u"Error de Impresora"},
    {{483, 483}, u"El controlador de impresora no admite la operación"},
    {{484, 484}, u"Controlador de impresora no disponible."},
    {{745, 745}, u"Texto excesivamente largo.  No se editó."},
};

// Stops a repeated error from being shown again once it has been reported this many times over.
constexpr int ShownRepetitions = 1;
// The repetition that makes the routine give up.
constexpr int GiveUpRepetitions = 5;

QString menuPathOf(const Session& session)
{
    return session.menu.MenuPath.isEmpty() ? QStringLiteral("Base") : session.menu.MenuPath;
}

// What the user reads about the error: its own Spanish text, never the description it came with (that one,
// often the engine's English, goes to the log).
QString shownText(qint32 number)
{
    const QString known = knownErrorMessage(number);
    return known.isEmpty() ? errormessages::forNumber(number) : known;
}

// The line that names the file of the error, when its description names one.
QString fileLine(const QString& description)
{
    const QString file = fileNamedIn(description);
    return file.isEmpty() ? QString() : QStringLiteral("\nArchivo: ") + file;
}

QString whereText(const Session& session, qint32 number, const QString& description)
{
    return QStringLiteral("Error en Menu: ") + menuPathOf(session) + QStringLiteral(", Rutina: ") +
           session.errors.RoutineName + QLatin1Char('\n') + QStringLiteral("Error Num: ") +
           QString::number(number) + QStringLiteral(" - ") + shownText(number) + fileLine(description);
}

} // namespace

QString fileNamedIn(const QString& description)
{
    for (qsizetype at = description.indexOf(QLatin1String(": ")); at >= 0;
         at = description.indexOf(QLatin1String(": "), at + 1)) {
        const QString rest = description.mid(at + 2).trimmed();
        if (QDir::isAbsolutePath(QDir::fromNativeSeparators(rest)))
            return QDir::toNativeSeparators(rest);
    }
    return {};
}

QString knownErrorMessage(qint32 number)
{
    for (const KnownError& known : knownErrors) {
        if (known.numbers[0] == number || known.numbers[1] == number)
            return QString::fromUtf16(known.message);
    }
    return {};
}

void ReportError(Session& session, qint32 number, int& state, const QString& description,
                 const QString& source)
{
    ErrorState& errors = session.errors;
    // The repetitions of this very error so far; a different error starts from none.
    const int repeated = number == errors.lastNumber ? errors.repeatCount : 0;

    const QString known = knownErrorMessage(number);
    if (!known.isEmpty() && state < 3) {
        const int answer = panels::MessageBox(
            session,
            QStringLiteral("Se detecta un error en la operación: ") + QLatin1Char('\n') + known +
                fileLine(description) + QLatin1Char('\n') + QStringLiteral("¿Desea repetir la operación?"),
            QMessageBox::Yes | QMessageBox::No, QMessageBox::Question, QStringLiteral("Aviso de Error"));
        if (answer != QMessageBox::Yes) {
            state = 3;
            session.codes.EngineStatus = 1;
        }
    } else if (!session.trapsErrors()) {
        panels::MessageBox(session, QStringLiteral("Depuracion.  ") + whereText(session, number, description),
                           QMessageBox::Ok, QMessageBox::Critical, session.shell.AppName);
    } else if (state >= 2 && repeated <= ShownRepetitions) {
        panels::MessageBox(session, whereText(session, number, description), QMessageBox::Ok,
                           QMessageBox::Critical, session.shell.AppName);
    }

    if (number == errors.lastNumber) {
        ++errors.repeatCount;
        if (errors.repeatCount > GiveUpRepetitions) {
            appendErrorLog(session, number, description, source);
            errors.repeatCount = 0;
            state = 3;
            session.codes.EngineStatus = 1;
        }
    } else {
        errors.repeatCount = 0;
        errors.lastNumber = number;
        appendErrorLog(session, number, description, source);
    }
}

void reportInternalError(Session& session, const QString& description, const QString& routine)
{
    session.errors.RoutineName = routine;
    int state = 2;
    ReportError(session, InternalError, state, description, routine);
}

} // namespace quelmar::maintenance
