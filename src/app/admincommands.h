#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

class QTextStream;

// The commands of quelmar-admin, the companion for administrators and scripts. Each answers in plain text
// and gives the program's exit code.
namespace quelmar::app {

namespace exitcode {
inline constexpr int Success = 0;
inline constexpr int Failure = 1;
inline constexpr int Usage = 2;
inline constexpr int InUse = 3; // the database is held by a running program: try again later
} // namespace exitcode

QString adminUsage();

// Runs the command given by `arguments` (without the program's name).
int runAdmin(const QStringList& arguments, QTextStream& out, QTextStream& err);

// `create-demo FOLDER [--subscribers N] [--years Y] [--seed S]`.
int createDemo(const QStringList& arguments, QTextStream& out, QTextStream& err);

// `query DATABASE STATEMENT`: a SELECT or crosstab (or a table or "&"-query name) prints a heading line of
// column names and one tab-separated line per row; an action statement prints the rows it affected.
int query(const QStringList& arguments, QTextStream& out, QTextStream& err);

// `copy SOURCE TARGET`: copies a whole office database (a file, or a server's postgresql:// URI) into a new
// one, file to server or server to file; prints each table's rows copied.
int copyDatabase(const QStringList& arguments, QTextStream& out, QTextStream& err);

// `backup FOLDER`: backs up and compacts the database of each company of the office folder (or the database
// file given), as the office's own backup does: X.mdb compacted into a new X.mdb, the old one kept as X.bak.
// Refused (exit status 3) while the users file names anyone.
int backup(const QStringList& arguments, QTextStream& out, QTextStream& err);

// `check DATABASE`: the integrity check, the consistency of the field catalogue with the tables, and the
// ticket counter against the highest ticket recorded. Exit status 1 when anything was found.
int check(const QStringList& arguments, QTextStream& out, QTextStream& err);

// `repair DATABASE`: checks the file and rebuilds a damaged one from what can be read, keeping the damaged
// file beside it; prints per table the rows saved and lost. Refused (exit status 3) while the database is in
// use.
int repair(const QStringList& arguments, QTextStream& out, QTextStream& err);

// `import-mdb LEGACY.mdb FOLDER`: turns a Jet database file into an office database of ours in the folder,
// with a report of what could not be copied as it was.
int importMdb(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace quelmar::app
