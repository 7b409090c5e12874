#include "db/catalogue.h"

#include "db/jetvalue.h"
#include "db/sqlitestatement.h"
#include "db/validationrule.h"

#include <QHash>

namespace quelmar::db::catalogue {

namespace {

// The default value as an SQL DEFAULT clause, when it is a constant the database can apply itself.
QString defaultClause(const FieldDef& field)
{
    if (field.isClassifier() || field.isRelation())
        return {};
    const QVariant value = jetvalue::evaluateDefault(field);
    const QString lower = field.defaultValue.trimmed().toLower();
    if (!value.isValid() || lower.contains(QLatin1String("date()")) || lower.contains(QLatin1String("now()")))
        return {};
    DbError error;
    const QVariant stored = jetvalue::toStorage(value, field.type, error);
    if (!error.ok() || !stored.isValid())
        return {};
    if (stored.typeId() == QMetaType::QString)
        return QStringLiteral(" DEFAULT '%1'")
            .arg(stored.toString().replace(QLatin1Char('\''), QStringLiteral("''")));
    return QStringLiteral(" DEFAULT %1").arg(stored.toString());
}

} // namespace

QString quoteName(const QString& name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString createTableSql(const TableDef& table)
{
    QStringList columns;
    QStringList primaryKey;
    for (const IndexDef& index : table.indexes) {
        if (index.primary)
            primaryKey = index.fields;
    }
    for (const FieldDef& field : table.fields) {
        QString column = quoteName(field.name) + QLatin1Char(' ');
        if (field.autoNumber) {
            column += QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
            primaryKey.clear();
        } else {
            column += jetvalue::declaredType(field.type, field.size) + QStringLiteral(" COLLATE NOCASE");
            if (field.required)
                column += QStringLiteral(" NOT NULL");
            column += defaultClause(field);
        }
        const QString rule = validationrule::condition(field.validationRule, quoteName(field.name));
        if (!rule.isEmpty())
            column += QStringLiteral(" CONSTRAINT %1 CHECK %2")
                          .arg(quoteName(table.name + QLatin1Char('.') + field.name), rule);
        columns.append(column);
    }
    if (!primaryKey.isEmpty()) {
        QStringList names;
        for (const QString& f : std::as_const(primaryKey))
            names.append(quoteName(f));
        columns.append(QStringLiteral("PRIMARY KEY (%1)").arg(names.join(QStringLiteral(", "))));
    }
    return QStringLiteral("CREATE TABLE %1 (%2)")
        .arg(quoteName(table.name), columns.join(QStringLiteral(", ")));
}

QStringList createIndexSql(const TableDef& table)
{
    QStringList statements;
    for (const IndexDef& index : table.indexes) {
        if (index.primary)
            continue;
        QStringList names;
        for (const QString& f : index.fields)
            names.append(quoteName(f));
        // Index names are per database in SQLite, per table in the catalogue: the table prefixes the name.
        statements.append(QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
                              .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(),
                                   quoteName(table.name + QLatin1Char('.') + index.name),
                                   quoteName(table.name), names.join(QStringLiteral(", "))));
    }
    return statements;
}

QStringList numberingNames(const TableDef& table)
{
    QStringList names;
    for (const FieldDef& field : table.fields) {
        if (!field.numberedWithin.isEmpty())
            names.append(table.name + QLatin1Char('.') + field.name + QStringLiteral(" numbering"));
    }
    return names;
}

QStringList createNumberingSql(const TableDef& table)
{
    QStringList statements;
    for (const FieldDef& field : table.fields) {
        if (field.numberedWithin.isEmpty())
            continue;
        const QString name =
            quoteName(table.name + QLatin1Char('.') + field.name + QStringLiteral(" numbering"));
        const QString target = quoteName(table.name);
        const QString number = quoteName(field.name);
        const QString group = quoteName(field.numberedWithin);
        // The new row's own number is still empty, so max() counts only the rows that were there before it.
        statements.append(
            QStringLiteral("CREATE TRIGGER IF NOT EXISTS %1 AFTER INSERT ON %2 FOR EACH ROW WHEN "
                           "NEW.%3 IS NULL BEGIN UPDATE %2 SET %3 = (SELECT ifnull(max(%3), 0) + 1 "
                           "FROM %2 WHERE %4 IS NEW.%4) WHERE rowid = NEW.rowid; END")
                .arg(name, target, number, group));
    }
    return statements;
}

QString createCatalogueSql()
{
    return QStringLiteral(
        "CREATE TABLE IF NOT EXISTS \"MSysFields\" ("
        "\"TableName\" VARCHAR(64) NOT NULL COLLATE NOCASE, "
        "\"FieldName\" VARCHAR(64) NOT NULL COLLATE NOCASE, "
        "\"Position\" INTEGER, \"Type\" INTEGER, \"Size\" INTEGER, "
        "\"DefaultValue\" VARCHAR(255), \"ValidationRule\" VARCHAR(255), "
        "\"ValidationText\" VARCHAR(255), \"Required\" INTEGER, \"AllowZeroLength\" INTEGER, "
        "PRIMARY KEY (\"TableName\", \"FieldName\"))");
}

QVariantList catalogueRow(const FieldDef& field)
{
    const auto textOrNull = [](const QString& text) { return text.isEmpty() ? QVariant() : QVariant(text); };
    return {field.table,
            field.name,
            field.position,
            field.type,
            field.size,
            textOrNull(field.defaultValue),
            textOrNull(field.validationRule),
            textOrNull(field.validationText),
            field.required ? 1 : 0,
            field.allowZeroLength ? 1 : 0};
}

QString insertCatalogueRowSql()
{
    return QStringLiteral(
        "INSERT OR REPLACE INTO \"MSysFields\" (\"TableName\", \"FieldName\", \"Position\", \"Type\", "
        "\"Size\", \"DefaultValue\", \"ValidationRule\", \"ValidationText\", \"Required\", "
        "\"AllowZeroLength\") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
}

QList<FieldDef> readFields(sqlite3* handle, const QString& table)
{
    QList<FieldDef> fields;
    SqliteStatement info(handle,
                         QStringLiteral("SELECT name, type, \"notnull\", pk FROM pragma_table_info(?)"));
    info.bind({table});
    int primaryKeyColumns = 0;
    while (info.step()) {
        FieldDef field;
        field.table = table;
        field.name = info.value(0).toString();
        field.position = static_cast<int>(fields.size()) + 1;
        const QString declared = info.value(1).toString();
        field.type = jetvalue::typeFromDeclared(declared, &field.size);
        field.required = info.int64(2) != 0;
        if (info.int64(3) > 0) {
            ++primaryKeyColumns;
            field.autoNumber = declared.compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
        }
        if (field.type == jettype::Text && field.size == 0)
            field.size = 255;
        fields.append(field);
    }
    if (primaryKeyColumns != 1) {
        for (FieldDef& field : fields)
            field.autoNumber = false;
    }

    SqliteStatement rows(handle,
                         QStringLiteral("SELECT \"FieldName\", \"Type\", \"Size\", \"DefaultValue\", "
                                        "\"ValidationRule\", \"ValidationText\", \"Required\", "
                                        "\"AllowZeroLength\" FROM \"MSysFields\" WHERE \"TableName\" = ?"));
    if (!rows.isValid())
        return fields; // a database without the catalogue table: declared columns only
    rows.bind({table});
    while (rows.step()) {
        const QString name = rows.value(0).toString();
        for (FieldDef& field : fields) {
            if (field.name.compare(name, Qt::CaseInsensitive) != 0)
                continue;
            if (!rows.isNull(1))
                field.type = static_cast<int>(rows.int64(1));
            if (!rows.isNull(2))
                field.size = static_cast<int>(rows.int64(2));
            field.defaultValue = rows.value(3).toString();
            field.validationRule = rows.value(4).toString();
            field.validationText = rows.value(5).toString();
            if (!rows.isNull(6))
                field.required = rows.int64(6) != 0;
            if (!rows.isNull(7))
                field.allowZeroLength = rows.int64(7) != 0;
        }
    }
    return fields;
}

} // namespace quelmar::db::catalogue
