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
} // namespace exitcode

QString adminUsage();

// Runs the command given by `arguments` (without the program's name).
int runAdmin(const QStringList& arguments, QTextStream& out, QTextStream& err);

// `create-demo FOLDER [--subscribers N] [--years Y] [--seed S]`.
int createDemo(const QStringList& arguments, QTextStream& out, QTextStream& err);

// `query DATABASE STATEMENT`: a SELECT or crosstab (or a table or "&"-query name) prints a heading line of
// column names and one tab-separated line per row; an action statement prints the rows it affected.
int query(const QStringList& arguments, QTextStream& out, QTextStream& err);

} // namespace quelmar::app
