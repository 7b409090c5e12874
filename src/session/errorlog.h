#pragma once

#include <QDateTime>
#include <QString>

namespace quelmar {
class Session;
}

// The error log: a text file in the working folder, named from the first three letters of the application's
// name + "_Err.log", with a heading line when it is created and one line per logged error, fields separated
// by TAB. A log that has grown beyond 10000 bytes is started again.
namespace quelmar::maintenance {

inline constexpr qint64 ErrorLogLimit = 10000;

// "Que_Err.log" for "Quelmar".
QString errorLogName(const QString& appName);
// AppName TAB dd-mmm-yyyy TAB
QString errorLogHeading(const QString& appName, const QDate& today);
// " 61" TAB description TAB source TAB date and time TAB menu path TAB routine TAB (negative numbers keep
// their sign, positive ones get a leading blank).
QString errorLogEntry(qint32 number, const QString& description, const QString& source, const QDateTime& when,
                      const QString& menuPath, const QString& routineName);

// Appends the entry for the error to the session's log, creating or starting it again with its heading first.
// A log that cannot be written is skipped: the result is false and nothing else happens.
bool appendErrorLog(Session& session, qint32 number, const QString& description, const QString& source);

} // namespace quelmar::maintenance
