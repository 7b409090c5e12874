#pragma once

#include "db/database.h"

#include <QString>

// What the user is told at start-up about a database file that cannot be used, or is damaged: the file, what
// is wrong with it and what to do, in Spanish. The engine's own description goes to the error log instead.
namespace quelmar::startup {

// "No se pudo abrir la Base de Datos: " + database, then the reason told by the file's kind (or, for a file
// of ours, by the error number), a blank line, what to do, and "El Programa terminará.". folder is the
// working folder as shown to the user.
QString openFailureMessage(const QString& database, const QString& folder, db::Database::FileKind kind,
                           int errorNumber, const QString& newLine);

// The same for a database on a server: database is its URI as messages show it (without the password), the
// reason told by the error number (a refused user or password, no database of that name, the server out of
// reach, a database that holds no office).
QString serverOpenFailureMessage(const QString& database, int errorNumber, const QString& newLine);

// The warning for a database that opened but whose quick check found damage: how to repair it.
QString damagedDatabaseMessage(const QString& database, const QString& newLine);

} // namespace quelmar::startup
