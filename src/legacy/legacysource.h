#pragma once

#include "legacy/columnmapping.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantList>

#include <functional>

// What the importer reads from a Jet database, whatever reads the file: its tables with their columns and
// indexes, their rows, and its stored queries.
namespace quelmar::legacy {

struct LegacyIndex
{
    QString name;
    QStringList columns;
    bool unique = false;
    bool primary = false;
};

struct LegacyTable
{
    QString name;
    QList<LegacyColumn> columns;
    QList<LegacyIndex> indexes;
    qint64 rowCount = 0; // as the file records it
};

struct LegacyQuery
{
    QString name;
    QString sql;     // the query's SQL as the engine would show it; empty when it could not be rebuilt
    QString problem; // why there is no SQL (Spanish)
};

class LegacySource
{
public:
    virtual ~LegacySource() = default;

    virtual QList<LegacyTable> tables() = 0;
    // True when text sizes are in bytes of two per character (files of Jet 4 and later).
    virtual bool twoBytesPerCharacter() const = 0;
    virtual QList<LegacyQuery> queries() = 0;
    // Calls `row` with each row of the table, its values in the order of the columns (see storedValue for
    // their form) and, by column, what the reader could not give whole (Spanish); stops when `row` answers
    // false. Gives a Spanish description when the table could not be read whole (a damaged or incomplete
    // file), empty otherwise.
    // Tables the file only links to in another database file: their rows are not in this file.
    virtual QStringList linkedTables() const { return {}; }
    // What the reader said in its own words (English) while it read, for the report.
    virtual QStringList readerMessages() const { return {}; }
    using RowVisitor = std::function<bool(const QVariantList& values, const QHash<int, QString>& problems)>;
    virtual QString readRows(const LegacyTable& table, const RowVisitor& row) = 0;
};

} // namespace quelmar::legacy
