#pragma once

#include "session/lockretries.h"

#include <QString>
#include <QStringList>

// How the engine meets database errors: the silent handler of loading, the interactive handler of writing
// (what to show and what each answer means, as data the engine carries out), and the Spanish translation of
// the errors the user can correct.
namespace quelmar::engine {

// Lock conflicts the silent load handler retries: 3009, 3186, 3187, 3188, 3211, 3212, 3260, 3261, 3262.
bool isLoadLockError(int number);
// Lock conflicts the interactive handler retries: the same and 3045.
bool isInteractiveLockError(int number);

// What the silent load handler does with an error met while a result is loaded or requeried.
struct LoadDecision
{
    int pauseMs = 0;      // pause before repeating
    bool repeat = false;  // repeat the failed statement
    int engineStatus = 0; // otherwise: the value EngineStatus takes before going on with the next statement
};

// Lock conflicts: pause 400 ms and repeat while the shared count stays at most 7, then EngineStatus = the
// error number. Error 340: EngineStatus 0. Any other: EngineStatus = the error number.
LoadDecision decideLoad(int number, LockRetries& retries);

// What the interactive handler does once the user has answered (or at once when nothing is asked).
enum class HandlerAction
{
    End,      // clear the error, run the engine's clean-up and leave BDats; EngineStatus keeps the number
    Repeat,   // run the failed statement again
    Continue, // go on with the next statement; EngineStatus keeps the number
    ContinueCorrecting, // EngineStatus := 2 and go on with the next statement (the user corrects the record)
};

enum class MessageButtons
{
    None, // nothing is shown
    Ok,
    OkCancel,
    YesNo,
};

enum class MessageIcon
{
    None,
    Question,
    Critical,
};

// What the interactive handler knows of the failure besides its number.
struct HandlerContext
{
    QString description;                // the error's description, as the database layer gives it
    QString statement;                  // the statement in effect (shown for error 3061)
    QStringList engineErrors;           // descriptions of every error the database engine collected, if any
    bool inApplicationDirectory = true; // the current directory is the application's
};

// The interactive handler's answer for one error. Before carrying it out the engine restores the default
// pointer, re-enables the main form and sets EngineStatus to the error number. Then, in order: pause; move to
// the last record of the panel's recordset when it has records; change to the application directory; show
// each notice with an OK button; show the message (when buttons is not None) and act on the answer; or,
// with reportError, call ReportError with the error number and the state reportState and act on
// actionAfterReport(state it returns).
struct HandlerDecision
{
    int pauseMs = 0;
    bool moveToLastRecord = false;
    bool changeToApplicationDirectory = false;
    QStringList notices;
    QString text;
    QString title; // empty: the program's own title
    MessageButtons buttons = MessageButtons::None;
    MessageIcon icon = MessageIcon::None;
    HandlerAction whenAccepted = HandlerAction::End; // with no message, or after OK or Yes
    HandlerAction whenRejected = HandlerAction::End; // after Cancel or No
    bool reportError = false;
    int reportState = 1;

    HandlerAction action(bool accepted) const { return accepted ? whenAccepted : whenRejected; }
};

// The action a state returned by ReportError asks for: 0 or 2 continue, 1 repeat, 3 (or any other) end.
HandlerAction actionAfterReport(int state);

// The interactive handler's decision for every error number (the lock count is shared with decideLoad):
//  - locks (3009 3045 3186 3187 3188 3211 3212 3260 3261 3262): pause 400 ms and repeat silently below 8
//    conflicts; at the 8th ask "Esta bloqueado el Registro por otro Usuario.  ¿Desea intentar ota vez?"
//    (Yes repeats, No ends);
//  - 3027, 3167, 3051: a notice with OK, then end;
//  - 3197: "Alguien cambio hace unos momentos estos datos. ¿Desea cancelar?" (Yes ends, No repeats);
//  - 3008, 3189: in exclusive use (Yes repeats, No ends);
//  - 3169: continue;
//  - 3021, 3159: move to the last record and continue;
//  - 3024, 3044: outside the application directory change to it and repeat, otherwise a notice and end;
//  - 3061: "Error en SQL" and the statement, then end;
//  - 3314: OK continues, Cancel ends;
//  - 3426: the engine's errors one by one, then Yes continues correcting, No ends;
//  - 3200 (a row others still refer to): relatedRecordsText() of the description (OK), then end; the database
//    refused the deletion or the change of key, and repeating it could only fail again;
//  - 3201: "Falta dato necesario   " + relatedRecordText() of the description; Yes continues correcting, No
//    ends;
//  - 524, 3022, 3315 and 3421 (a number or a date the field cannot hold): translatedMessage(), Yes continues
//    (the user corrects), No ends;
//  - any other: ReportError with state 1.
HandlerDecision decideInteractive(int number, const HandlerContext& context, LockRetries& retries);

// The Spanish text for a description that contains one of these phrases (compared without regard to case),
// tested in this order, each later match overriding an earlier one (so the last phrase found decides):
//   "can't contain a Null value", "can't be a zero-length string",
//   "create duplicate values in the index, primary key, or relationship", "Data type conversion error",
//   "crearían valores duplicados en".
// A description with none of them is kept as it is.
QString translatedDescription(const QString& description);

// The text between the first and the second "'" of the description; empty when it has fewer than two.
QString fieldNameInDescription(const QString& description);

// The database's description of a row that others still refer to, in Spanish with what to do ("No se puede
// borrar este Registro …, porque la tabla Pagos tiene Registros que lo usan. …").
QString relatedRecordsText(const QString& description);

// The database's description of a relation key its related table lacks, in Spanish with what to do ("La Clave
// escrita no existe en la tabla Técnicos; …"); any other description is kept as it is.
QString relatedRecordText(const QString& description);

// "Se presenta el error: " + number + "   " + field name + CR LF + translated description + CR LF +
// "Desea corregirlo?".
QString translatedMessage(int number, const QString& description);

} // namespace quelmar::engine
