#include "legacy/importer.h"

#include "db/database.h"
#include "db/filemaintenance.h"
#include "db/recordset.h"
#include "db/usersfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <memory>

using namespace Qt::StringLiterals;

namespace quelmar::legacy {

namespace {

using db::DbError;

// A table as it is made here, beside the columns it comes from.
struct PlannedTable
{
    const LegacyTable* legacy = nullptr;
    db::TableDef definition;
    QList<int> keyColumns;   // the columns of the primary key, to name rows in the report
    QSet<int> emptyRequired; // required columns that some rows leave empty: kept required in the catalogue
};

QString shownValue(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return u"(vacío)"_s;
    if (value.typeId() == QMetaType::QByteArray)
        return legacyText(value.toByteArray());
    return value.toString();
}

QString rowKey(const PlannedTable& table, const QVariantList& values, qint64 rowNumber)
{
    if (table.keyColumns.isEmpty())
        return u"fila %1"_s.arg(rowNumber);
    QStringList parts;
    for (const int column : table.keyColumns)
        parts.append(table.legacy->columns.at(column).name + u'=' + shownValue(values.value(column)));
    return parts.join(u", "_s);
}

// What failed and the engine's reason; a failure of the disk says what to do about it.
QString writeFailure(const QString& what, const DbError& error)
{
    const bool disk = error.number == db::jeterror::DiskError || error.number == db::jeterror::ReadOnly;
    return what + u" ("_s + error.description + u')' +
           (disk ? u": revise que haya espacio libre en el disco y permiso de escritura en la carpeta, y "
                   u"vuelva "
                   u"a importar"_s
                 : QString());
}

void removeDatabaseFiles(const QString& path)
{
    db::files::removeDatabaseFile(path);
    QFile::remove(db::UsersFile::pathFor(path));
}

// Fields and indexes of ours for a table; false with the report's failure set when a column has no
// counterpart.
bool planTable(const LegacyTable& legacy, bool twoBytesPerChar, PlannedTable& planned, ImportReport& report)
{
    planned.legacy = &legacy;
    planned.definition.name = legacy.name;
    QStringList unmapped;
    for (int c = 0; c < legacy.columns.size(); ++c) {
        const ColumnMapping mapping = mapColumn(legacy.name, c + 1, legacy.columns.at(c), twoBytesPerChar);
        if (!mapping.mapped)
            unmapped.append(mapping.problem);
        planned.definition.fields.append(mapping.field);
    }
    if (!unmapped.isEmpty()) {
        report.failure = unmapped.join(u"; "_s) +
                         u". Quite o convierta esas columnas con el programa que creó el archivo y vuelva a "
                         u"importar"_s;
        return false;
    }
    const auto columnIndex = [&legacy](const QString& name) {
        for (int c = 0; c < legacy.columns.size(); ++c) {
            if (legacy.columns.at(c).name.compare(name, Qt::CaseInsensitive) == 0)
                return c;
        }
        return -1;
    };
    QStringList primaryColumns;
    for (const LegacyIndex& index : legacy.indexes) {
        if (index.columns.isEmpty())
            continue;
        db::IndexDef definition;
        definition.name = index.name;
        definition.fields = index.columns;
        definition.unique = index.unique || index.primary;
        definition.primary = index.primary && primaryColumns.isEmpty();
        if (definition.primary) {
            primaryColumns = index.columns;
            for (const QString& name : index.columns)
                planned.keyColumns.append(columnIndex(name));
        }
        planned.definition.indexes.append(definition);
    }
    // A counter becomes the table's own row number, which is its primary key: it stays a counter only when
    // it is the primary key, or the table has none.
    for (db::FieldDef& field : planned.definition.fields) {
        if (!field.autoNumber)
            continue;
        const bool isTheKey = primaryColumns.isEmpty() ||
                              (primaryColumns.size() == 1 &&
                               primaryColumns.first().compare(field.name, Qt::CaseInsensitive) == 0);
        if (!isTheKey) {
            field.autoNumber = false;
            report.notes.append(
                u"%1.%2: era Autonumérico sin ser la clave principal; se copió como Entero "
                u"largo y los registros nuevos no lo numeran solos"_s.arg(legacy.name, field.name));
        } else if (primaryColumns.isEmpty()) {
            planned.keyColumns = {int(field.position - 1)};
        }
    }
    bool counterKept = false;
    for (db::FieldDef& field : planned.definition.fields) {
        if (field.autoNumber && counterKept)
            field.autoNumber = false;
        counterKept = counterKept || field.autoNumber;
    }
    planned.keyColumns.removeAll(-1);
    return true;
}

// Finds the required columns that rows leave empty: the table is made without the constraint on them, so that
// the rows are kept, and the catalogue still asks for them when a row is edited.
QString findEmptyRequired(LegacySource& source, PlannedTable& planned)
{
    QList<int> required;
    for (int c = 0; c < planned.definition.fields.size(); ++c) {
        if (planned.definition.fields.at(c).required && !planned.definition.fields.at(c).autoNumber)
            required.append(c);
    }
    if (required.isEmpty())
        return {};
    return source.readRows(*planned.legacy, [&](const QVariantList& values, const QHash<int, QString>&) {
        for (const int c : std::as_const(required)) {
            const QVariant value = values.value(c);
            if (!value.isValid() || value.isNull())
                planned.emptyRequired.insert(c);
        }
        return planned.emptyRequired.size() < required.size();
    });
}

DbError markRequired(db::Database& database, const PlannedTable& planned)
{
    for (const int c : planned.emptyRequired) {
        DbError error =
            database.execute(u"UPDATE MSysFields SET Required = 1 WHERE TableName = ? AND FieldName = ?"_s,
                             {planned.definition.name, planned.definition.fields.at(c).name});
        if (error)
            return error;
    }
    database.reloadCatalogue();
    return {};
}

// Copies the rows of one table in one transaction. False with the report's failure set when the table could
// not be read whole or written.
bool copyRows(LegacySource& source, db::Database& database, const PlannedTable& planned, ImportReport& report,
              const ImportProgress& progress)
{
    const LegacyTable& legacy = *planned.legacy;
    TableOutcome outcome;
    outcome.table = legacy.name;
    QStringList names;
    QStringList marks;
    for (const db::FieldDef& field : planned.definition.fields) {
        names.append(u'[' + field.name + u']');
        marks.append(u"?"_s);
    }
    db::Transaction transaction(database);
    if (transaction.error()) {
        report.failure =
            writeFailure(u"no se pudo escribir la tabla %1"_s.arg(legacy.name), transaction.error());
        return false;
    }
    DbError error;
    const std::unique_ptr<db::PreparedStatement> insert = database.prepare(
        u"INSERT INTO [%1] (%2) VALUES (%3)"_s.arg(legacy.name, names.join(u", "_s), marks.join(u", "_s)),
        error);
    if (!insert) {
        report.failure = writeFailure(u"no se pudo escribir la tabla %1"_s.arg(legacy.name), error);
        return false;
    }
    if (progress)
        progress(legacy.name, 0, legacy.rowCount);
    QVariantList stored;
    DbError diskFailure; // a failure of the file itself (a full disk), which no other row would escape
    const QString readFailure = source.readRows(legacy, [&](const QVariantList& values,
                                                            const QHash<int, QString>& readProblems) {
        ++outcome.rowsRead;
        stored.clear();
        for (int c = 0; c < legacy.columns.size(); ++c) {
            const QVariant& read = values.value(c);
            QString problem;
            const QVariant value = storedValue(read, legacy.columns.at(c).type, problem);
            if (readProblems.contains(c)) {
                report.values.append({legacy.name, rowKey(planned, values, outcome.rowsRead),
                                      legacy.columns.at(c).name, shownValue(read), readProblems.value(c)});
            }
            if (!problem.isEmpty()) {
                report.values.append({legacy.name, rowKey(planned, values, outcome.rowsRead),
                                      legacy.columns.at(c).name, shownValue(read),
                                      problem + u": se copió vacío"_s});
            } else if (!value.isValid() && planned.emptyRequired.contains(c)) {
                report.values.append({legacy.name, rowKey(planned, values, outcome.rowsRead),
                                      legacy.columns.at(c).name, shownValue(read),
                                      u"campo obligatorio sin contenido: se copió vacío y se pedirá al "
                                      u"modificar el registro"_s});
            }
            stored.append(value);
        }
        if (const DbError rowError = insert->run(stored)) {
            if (rowError.number == db::jeterror::DiskError || rowError.number == db::jeterror::ReadOnly) {
                diskFailure = rowError;
                return false;
            }
            QStringList shown;
            for (int c = 0; c < legacy.columns.size(); ++c) {
                const QVariant value = stored.at(c).isValid() ? stored.at(c) : values.value(c);
                shown.append(legacy.columns.at(c).name + u'=' + shownValue(value));
            }
            report.values.append({legacy.name,
                                  rowKey(planned, values, outcome.rowsRead),
                                  {},
                                  shown.join(u"; "_s),
                                  u"fila no copiada: %1"_s.arg(rowError.description)});
        } else {
            ++outcome.rowsWritten;
        }
        if (progress)
            progress(legacy.name, outcome.rowsRead, legacy.rowCount);
        return true;
    });
    report.tables.append(outcome);
    if (diskFailure) {
        report.failure = writeFailure(u"no se pudo escribir la tabla %1"_s.arg(legacy.name), diskFailure);
        return false;
    }
    if (!readFailure.isEmpty()) {
        report.failure = u"la tabla %1 no pudo leerse entera: %2"_s.arg(legacy.name, readFailure);
        return false;
    }
    if (outcome.rowsRead < legacy.rowCount) {
        report.failure =
            u"la tabla %1 registra %2 filas, pero solo se pudieron leer %3: el archivo está dañado "
            u"o incompleto; importe una copia sana (por ejemplo, la de respaldo)"_s.arg(legacy.name)
                .arg(legacy.rowCount)
                .arg(outcome.rowsRead);
        return false;
    }
    // Indexes once the rows are in: one sort each. An index the rows do not allow is told, not fatal.
    for (const db::IndexDef& index : planned.definition.indexes) {
        if (index.primary)
            continue;
        db::TableDef single = planned.definition;
        single.indexes = {index};
        if (const DbError indexError = database.createIndexes({single}))
            report.notes.append(
                u"%1: el índice %2 no se creó (%3)"_s.arg(legacy.name, index.name, indexError.description));
    }
    if (const DbError commitError = transaction.commit()) {
        report.failure = writeFailure(u"no se pudo escribir la tabla %1"_s.arg(legacy.name), commitError);
        return false;
    }
    return true;
}

// Stored queries as views; a query that uses another is made after it, so the rounds go on while any is made.
void makeQueries(LegacySource& source, db::Database& database, ImportReport& report)
{
    QList<QueryOutcome> pending;
    for (const LegacyQuery& query : source.queries()) {
        QueryOutcome outcome{query.name, false, query.sql, query.problem};
        // A crosstab has no fixed columns, so it cannot be a view: its SQL stays in the report.
        if (query.sql.trimmed().startsWith(u"TRANSFORM"_s, Qt::CaseInsensitive))
            outcome.reason =
                u"es una consulta de referencias cruzadas, que no se guarda como consulta: su SQL "
                u"queda en este informe"_s;
        if (!outcome.reason.isEmpty())
            report.queries.append(outcome);
        else
            pending.append(outcome);
    }
    bool madeAny = true;
    while (madeAny && !pending.isEmpty()) {
        madeAny = false;
        for (qsizetype i = 0; i < pending.size();) {
            QueryOutcome& query = pending[i];
            // A view may name what does not exist; the query is tried first, so that only one that runs is
            // made.
            DbError error;
            if (!database.openRecordset(query.sql, db::RecordsetType::ForwardOnly, error))
                error = error.ok() ? DbError::make(db::jeterror::InvalidOperation) : error;
            if (error.ok())
                error = database.createStoredQuery(query.query, query.sql);
            if (error.ok()) {
                query.made = true;
                query.reason.clear();
                report.queries.append(query);
                pending.removeAt(i);
                madeAny = true;
            } else {
                query.reason =
                    u"su SQL no pudo traducirse o usa algo que no existe (%1)"_s.arg(error.description);
                ++i;
            }
        }
    }
    report.queries.append(pending);
}

} // namespace

QString temporaryPathFor(const QString& targetPath)
{
    const QFileInfo target(targetPath);
    return target.path() + u'/' + target.completeBaseName() + u".importando.mdb"_s;
}

bool importDatabase(LegacySource& source, const QString& targetPath, ImportReport& report,
                    const ImportProgress& progress)
{
    report.target = QDir::toNativeSeparators(targetPath);
    if (QFileInfo::exists(targetPath)) {
        report.failure = u"ya existe %1: elija otra carpeta o mueva ese archivo"_s.arg(report.target);
        return false;
    }
    const QList<LegacyTable> tables = source.tables();
    for (const QString& linked : source.linkedTables())
        report.notes.append(u"%1: es una tabla vinculada, cuyas filas están en otro archivo; no se importó: "
                            u"importe también ese archivo"_s.arg(linked));
    const bool twoBytesPerChar = source.twoBytesPerCharacter();
    QList<PlannedTable> planned(tables.size());
    for (qsizetype t = 0; t < tables.size(); ++t) {
        if (!planTable(tables.at(t), twoBytesPerChar, planned[t], report))
            return false;
    }
    for (PlannedTable& table : planned) {
        if (const QString failure = findEmptyRequired(source, table); !failure.isEmpty()) {
            report.failure = u"la tabla %1 no pudo leerse entera: %2"_s.arg(table.definition.name, failure);
            return false;
        }
    }

    const QString temporary = temporaryPathFor(targetPath);
    removeDatabaseFiles(temporary); // what a failed import may have left
    bool finished = false;
    {
        DbError error;
        std::unique_ptr<db::Database> database = db::Database::create(temporary, error);
        if (!database) {
            report.failure =
                writeFailure(u"no se pudo crear %1"_s.arg(QDir::toNativeSeparators(temporary)), error);
            return false;
        }
        database->setBulkLoad(true);
        finished = true;
        for (const PlannedTable& table : std::as_const(planned)) {
            db::TableDef definition = table.definition;
            for (const int c : table.emptyRequired)
                definition.fields[c].required = false;
            if (DbError createError = database->createTables({definition}, db::Database::Indexes::Later)) {
                report.failure =
                    writeFailure(u"no se pudo crear la tabla %1"_s.arg(definition.name), createError);
                finished = false;
                break;
            }
            if (DbError markError = markRequired(*database, table)) {
                report.failure =
                    writeFailure(u"no se pudo describir la tabla %1"_s.arg(definition.name), markError);
                finished = false;
                break;
            }
            if (!copyRows(source, *database, table, report, progress)) {
                finished = false;
                break;
            }
        }
        if (finished)
            makeQueries(source, *database, report);
        database->setBulkLoad(false);
    }
    if (finished) {
        if (const DbError checkError = db::files::checkNewFile(temporary)) {
            report.failure = writeFailure(
                u"no se pudo escribir entera %1"_s.arg(QDir::toNativeSeparators(temporary)), checkError);
            finished = false;
        }
    }
    if (finished && !QFile::rename(temporary, targetPath)) {
        report.failure =
            u"no se pudo dar a %1 el nombre %2"_s.arg(QDir::toNativeSeparators(temporary), report.target);
        finished = false;
    }
    if (!finished)
        removeDatabaseFiles(temporary);
    report.readerMessages = source.readerMessages();
    return finished;
}

} // namespace quelmar::legacy
