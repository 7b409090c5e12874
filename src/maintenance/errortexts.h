#pragma once

#include <QString>

// What the person at the screen is told of an error: Spanish words that say what happened and what to do. The
// error's own description (the database engine's, often English) goes to the error log, never to the screen.
namespace quelmar::maintenance {

// The Spanish description of an error number: the database errors the office meets (locks, a damaged or
// read-only database, a missing table, refused values…), the run-time errors of files, disks and printers,
// and for any other number a sentence that asks to note it and call whoever looks after the program.
QString errorText(qint32 number);

} // namespace quelmar::maintenance
