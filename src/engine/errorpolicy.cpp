#include "engine/errorpolicy.h"

#include "core/errormessages.h"
#include "db/dberror.h"

#include <array>
#include <utility>

namespace quelmar::engine {

namespace {

const QString& newLine()
{
    static const QString text = QStringLiteral("\r\n");
    return text;
}

const QString& errorTitle()
{
    static const QString text = QStringLiteral("Aviso de Error");
    return text;
}

HandlerDecision notice(const QString& text)
{
    HandlerDecision decision;
    decision.text = text;
    decision.buttons = MessageButtons::Ok;
    decision.whenAccepted = HandlerAction::End;
    return decision;
}

HandlerDecision question(const QString& text, const QString& title, MessageButtons buttons, MessageIcon icon,
                         HandlerAction accepted, HandlerAction rejected)
{
    HandlerDecision decision;
    decision.text = text;
    decision.title = title;
    decision.buttons = buttons;
    decision.icon = icon;
    decision.whenAccepted = accepted;
    decision.whenRejected = rejected;
    return decision;
}

HandlerDecision immediately(HandlerAction action)
{
    HandlerDecision decision;
    decision.whenAccepted = action;
    decision.whenRejected = action;
    return decision;
}

HandlerDecision lockConflict(LockRetries& retries)
{
    HandlerDecision decision =
        retries.retryInteractive()
            ? immediately(HandlerAction::Repeat)
            : question(
                  QStringLiteral("Esta bloqueado el Registro por otro Usuario.  ¿Desea intentar ota vez?"),
                  QString(), MessageButtons::YesNo, MessageIcon::Question, HandlerAction::Repeat,
                  HandlerAction::End);
    decision.pauseMs = LockRetries::PauseMs;
    return decision;
}

} // namespace

// The lock numbers are the database layer's; the silent load handler leaves out "file already in use" (3045),
// which only the interactive handler retries.
bool isLoadLockError(int number)
{
    return number != db::jeterror::FileInUse && isInteractiveLockError(number);
}

bool isInteractiveLockError(int number)
{
    return db::DbError{number, {}, {}}.isLock();
}

LoadDecision decideLoad(int number, LockRetries& retries)
{
    if (isLoadLockError(number)) {
        if (retries.retryLoad())
            return {LockRetries::PauseMs, true, 0};
        return {LockRetries::PauseMs, false, number};
    }
    if (number == 340)
        return {0, false, 0};
    return {0, false, number};
}

HandlerAction actionAfterReport(int state)
{
    switch (state) {
    case 0:
    case 2:
        return HandlerAction::Continue;
    case 1:
        return HandlerAction::Repeat;
    default:
        return HandlerAction::End;
    }
}

HandlerDecision decideInteractive(int number, const HandlerContext& context, LockRetries& retries)
{
    if (isInteractiveLockError(number))
        return lockConflict(retries);

    switch (number) {
    case 3027:
        return notice(QStringLiteral("No puede actualizarse, por ser solo para Lectura"));
    case 3167:
        return notice(QStringLiteral("Este Registro ya fue borrado"));
    case 3197:
        return question(QStringLiteral("Alguien cambio hace unos momentos estos datos. ¿Desea cancelar?"),
                        QString(), MessageButtons::YesNo, MessageIcon::Question, HandlerAction::End,
                        HandlerAction::Repeat);
    case 3051:
        return notice(QStringLiteral("Este archivo esta abierto en exclusiva por otro Usuario"));
    case 3008:
    case 3189:
        return question(QStringLiteral("Se encuentra en uso exclusivo: ") + context.description + newLine() +
                            QStringLiteral("Desea reintentarlo?"),
                        errorTitle(), MessageButtons::YesNo, MessageIcon::Critical, HandlerAction::Repeat,
                        HandlerAction::End);
    case 3169:
        return immediately(HandlerAction::Continue);
    case 3021:
    case 3159: {
        HandlerDecision decision = immediately(HandlerAction::Continue);
        decision.moveToLastRecord = true;
        return decision;
    }
    case 3024:
    case 3044: {
        if (!context.inApplicationDirectory) {
            HandlerDecision decision = immediately(HandlerAction::Repeat);
            decision.changeToApplicationDirectory = true;
            return decision;
        }
        return notice(QStringLiteral("Error al accesar la Base de Datos ") + newLine() +
                      QString::number(number) + QStringLiteral(" - ") + context.description);
    }
    case 3061:
        return notice(QStringLiteral("Error en SQL") + newLine() + context.statement);
    case 3314:
        return question(
            QStringLiteral(
                "Un Dato necesario no tiene contenido, y es forzoso que lo tenga.  ¿Desea corregirlo?"),
            QStringLiteral("Error en Dato"), MessageButtons::OkCancel, MessageIcon::Question,
            HandlerAction::Continue, HandlerAction::End);
    case 3426: {
        HandlerDecision decision =
            question(QStringLiteral(
                         "Error indefinido.  Probablemente un campo carece de contenido ¿Desea corregirlo?"),
                     errorTitle(), MessageButtons::YesNo, MessageIcon::Critical,
                     HandlerAction::ContinueCorrecting, HandlerAction::End);
        decision.notices =
            context.engineErrors.isEmpty() ? QStringList{context.description} : context.engineErrors;
        return decision;
    }
    case db::jeterror::RelatedRecordsExist: {
        HandlerDecision decision = notice(relatedRecordsText(context.description));
        decision.title = errorTitle();
        return decision;
    }
    case 3201:
        return question(QStringLiteral("Falta dato necesario   ") + relatedRecordText(context.description) +
                            newLine() + QStringLiteral("Desea corregirlo?"),
                        errorTitle(), MessageButtons::YesNo, MessageIcon::Critical,
                        HandlerAction::ContinueCorrecting, HandlerAction::End);
    case 524:
    case 3022:
    case 3315:
    case db::jeterror::DataTypeConversion:
        return question(translatedMessage(number, context.description), errorTitle(), MessageButtons::YesNo,
                        MessageIcon::Critical, HandlerAction::Continue, HandlerAction::End);
    default: {
        HandlerDecision decision;
        decision.reportError = true;
        decision.reportState = 1;
        return decision;
    }
    }
}

QString translatedDescription(const QString& description)
{
    static const std::array<std::pair<const char*, const char*>, 5> replacements = {{
        {"can't contain a Null value", "No puede ser nulo.  Debe escribir el Dato ó Cancelar"},
        {"can't be a zero-length string", "Falta el Dato, y es imprescindible.  Debe escribirlo o Cancelar"},
        {"create duplicate values in the index, primary key, or relationship",
         "La Clave de identificación ya existe, y no puede haber claves duplicadas.  Cambie la Clave o "
         "Cancele"},
        {"Data type conversion error", "Dato de Fecha ó Numérico con error.  Revise y corrija"},
        {"crearían valores duplicados en",
         "Se detecta duplicación en Clave, Indice ò Relación.  No puede capturarse."},
    }};
    QString result = description;
    for (const auto& [phrase, replacement] : replacements) {
        if (description.contains(QString::fromUtf8(phrase), Qt::CaseInsensitive))
            result = QString::fromUtf8(replacement);
    }
    return result;
}

QString fieldNameInDescription(const QString& description)
{
    const qsizetype first = description.indexOf(QLatin1Char('\''));
    if (first < 0)
        return {};
    const qsizetype second = description.indexOf(QLatin1Char('\''), first + 1);
    if (second < 0)
        return {};
    return description.mid(first + 1, second - first - 1);
}

QString relatedRecordText(const QString& description)
{
    if (!description.contains(QLatin1String("a related record is required in table"), Qt::CaseInsensitive))
        return description;
    return QStringLiteral("La Clave escrita no existe en la tabla ") + fieldNameInDescription(description) +
           QStringLiteral("; escriba una que exista (con doble toque la elige de la lista) o déjela vacía.");
}

QString relatedRecordsText(const QString& description)
{
    const QString table = fieldNameInDescription(description);
    if (table.isEmpty() ||
        !description.contains(QLatin1String("includes related records"), Qt::CaseInsensitive))
        return errormessages::forNumber(db::jeterror::RelatedRecordsExist);
    return QStringLiteral("No se puede borrar este Registro ni cambiar su Clave, porque la tabla ") + table +
           QStringLiteral(" tiene Registros que lo usan.  Borre o cambie primero esos Registros.");
}

QString translatedMessage(int number, const QString& description)
{
    return QStringLiteral("Se presenta el error: ") + QString::number(number) + QStringLiteral("   ") +
           fieldNameInDescription(description) + newLine() + translatedDescription(description) + newLine() +
           QStringLiteral("Desea corregirlo?");
}

} // namespace quelmar::engine
