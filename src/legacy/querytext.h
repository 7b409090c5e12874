#pragma once

#include <QList>
#include <QString>

// A stored query of a Jet database is kept as rows of its system table of queries, one row per piece
// (type, tables, columns, joins, conditions, ordering). These functions put the SQL back together.
namespace quelmar::legacy::querytext {

struct QueryRow
{
    int attribute = 0;
    int flag = 0;
    QString expression;
    QString name1;
    QString name2;
};

// The engine's kinds of query, from the flag of the type row.
enum class QueryKind
{
    Select = 1,
    MakeTable = 2,
    Append = 3,
    Update = 4,
    Delete = 5,
    Crosstab = 6,
    DataDefinition = 7,
    PassThrough = 8,
    Union = 9
};

struct Rebuilt
{
    QString sql;     // empty when the query is of a kind that is not rebuilt
    QString problem; // Spanish, why there is no SQL
};

// The SQL of a query from its rows, in the order the file keeps them. Select and crosstab queries are
// rebuilt; the other kinds (action queries, unions, pass-through) are named in `problem`.
Rebuilt rebuild(const QList<QueryRow>& rows);

} // namespace quelmar::legacy::querytext
