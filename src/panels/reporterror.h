#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::maintenance {

// The message of an error the user can act on (file, disk, memory and printer errors by their classic
// run-time numbers); empty for any other number.
QString knownErrorMessage(qint32 number);

// The file an error concerns, as its description names it: a routine that fails on a file ends the
// description with ": " and the file's full path. Empty when the description names no such path.
QString fileNamedIn(const QString& description);

// The one reporter of run-time errors. A known error in a routine whose state is below 3 asks "Aviso de
// Error" whether to repeat the operation (No: state 3 and EngineStatus 1). Other errors are shown with the
// menu and routine they happened in (always in debugging behaviour; in production only for states 2 and 3 and
// for the first reports of a repeated error), with the Spanish text of their number; the description given
// (often the database engine's English) is written only to the log; the file it names, if any, is named to
// the user as well (see fileNamedIn). Every new error is appended to the error log; the same number reported
// again counts as a repetition, and the sixth repetition is logged again, makes the routine give up (state 3)
// and sets EngineStatus 1. Errors while writing the log are skipped.
void ReportError(Session& session, qint32 number, int& state, const QString& description,
                 const QString& source);

// The run-time number of an internal error of the program.
inline constexpr int InternalError = 51;

// Reports a fault of the program itself (a routine asked of the wrong place, a routine nothing registered):
// error 51 in `routine`, with the description in the log, as a routine leaving (state 2) would report it.
void reportInternalError(Session& session, const QString& description, const QString& routine);

} // namespace quelmar::maintenance
