#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// What an import did, for the report file: nothing read from the old file goes unaccounted.
namespace quelmar::legacy {

struct TableOutcome
{
    QString table;
    qint64 rowsRead = 0;
    qint64 rowsWritten = 0;
};

struct QueryOutcome
{
    QString query;
    bool made = false;
    QString sql;    // the query's SQL as the old file keeps it (empty when it could not be rebuilt)
    QString reason; // why it was not made (Spanish)
};

// A value that was not copied as it was, or a row that was not written.
struct ValueProblem
{
    QString table;
    QString rowKey; // the row's primary key values ("Clave=120"), or its place in the file ("fila 12")
    QString column; // empty when the whole row is concerned
    QString value;  // the value as read
    QString problem;
};

struct ImportReport
{
    QString source;
    QString target;
    QList<TableOutcome> tables;
    QList<QueryOutcome> queries;
    QList<ValueProblem> values;
    QStringList notes;          // what was adapted (a numbering not kept, an index not made)
    QString failure;            // set when the import did not finish; the target was then not made
    QStringList readerMessages; // what the reader of the old file said in its own words (English)

    // The report as the text of its file (Spanish).
    QString text() const;
};

} // namespace quelmar::legacy
