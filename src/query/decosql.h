#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The decomposition of a statement behind a presentation: where its clauses begin, where the "'??'"
// placeholder stands, and which of the database's tables its FROM clause names. It only reads the statement.
namespace quelmar::query {

// One of the five clause slots: its keyword ("SELECT ", "FROM ", "WHERE ", "ORDER BY ", the fifth empty) and
// the position of the rightmost "'??'" inside the clause (1-based, as text with one leading blank; empty when
// the clause holds none).
struct SqlPiece
{
    QString keyword;
    QString placeholder;
};

// A table of the FROM clause: the reference as written (trimmed, "(" removed) and the 1-based row of the
// database's table list whose name it contains, as text with one leading blank.
struct FromTable
{
    QString reference;
    QString number;
};

// Why a decomposition stopped; None when it went through (or the statement was empty).
enum class DecoFailure
{
    None,
    NoFromBody,     // no FROM clause to cut
    JoinWithoutEnd, // a table name after INNER JOIN not followed by a blank
    TooManyTables,  // more than 30 table entries
};

inline constexpr int MaxFromTables = 30;

// Fills pieces and tables from the statement; tableNames are the database's tables in list order (row 1
// first). An empty statement leaves both as the caller gave them. On a failure the outputs keep what was
// written before it (the pieces are written first, the tables last).
DecoFailure DecoSQL(const QString& statement, const QStringList& tableNames, QList<SqlPiece>& pieces,
                    QList<FromTable>& tables);

// The five clause start positions (1-based; the fifth is the length plus one) as the decomposition finds
// them, for callers and checks that need the places rather than the pieces.
QList<int> clauseStarts(const QString& statement);

} // namespace quelmar::query
