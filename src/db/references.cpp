#include "db/references.h"

#include "core/relationrules.h"
#include "db/catalogue.h"
#include "db/database.h"
#include "db/jetsql.h"
#include "db/pgconnection.h"
#include "db/sqlitestatement.h"

#include <QCryptographicHash>
#include <QHash>
#include <QRegularExpression>

namespace quelmar::db {

namespace {

// The server's names are at most 63 bytes long.
constexpr qsizetype ServerNameLimit = 63;

// The related table of a relation's table part, without the condition the choice grid may carry.
QString relatedTable(const QString& tablePart)
{
    static const QRegularExpression where(QStringLiteral("\\s+WHERE\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    QString table = tablePart.section(where, 0, 0).trimmed();
    if (table.startsWith(QLatin1Char('[')) && table.endsWith(QLatin1Char(']')))
        table = table.mid(1, table.size() - 2).trimmed();
    return table;
}

enum class Kind
{
    Number,
    Text,
    Other
};

Kind kindOf(int type)
{
    if (type == jettype::Boolean || jettype::isNumeric(type))
        return Kind::Number;
    if (type == jettype::Text || type == jettype::Memo)
        return Kind::Text;
    return Kind::Other;
}

// The condition that a value refers to a row: not Null, not empty and not 0.
QString refersToARow(const QString& value, int type, jetsql::Dialect dialect)
{
    if (dialect == jetsql::Dialect::Sqlite)
        return QStringLiteral("%1 IS NOT NULL AND %1 <> '' AND %1 <> 0").arg(value);
    switch (kindOf(type)) {
    case Kind::Number:
        return QStringLiteral("%1 IS NOT NULL AND %1 <> 0").arg(value);
    case Kind::Text:
        return QStringLiteral("%1 IS NOT NULL AND %1 <> '' AND %1 <> '0'").arg(value);
    case Kind::Other:
        break;
    }
    return QStringLiteral("%1 IS NOT NULL").arg(value);
}

// The key and the relation field's value are equal (the server compares a number with a text as texts).
QString sameKey(const QString& key, int keyType, const QString& value, int valueType, jetsql::Dialect dialect)
{
    if (dialect == jetsql::Dialect::Sqlite || kindOf(keyType) == kindOf(valueType))
        return QStringLiteral("%1 = %2").arg(key, value);
    return QStringLiteral("CAST(%1 AS text) = CAST(%2 AS text)").arg(key, value);
}

QString nameIn(const QString& name, jetsql::Dialect dialect)
{
    return dialect == jetsql::Dialect::Sqlite ? catalogue::quoteName(name)
                                              : jetsql::identifier(name, dialect);
}

bool refersToItsOwnTable(const Reference& reference)
{
    return reference.table.compare(reference.related, Qt::CaseInsensitive) == 0;
}

// "EXISTS (SELECT 1 FROM Pagos WHERE Pagos.Suscriptor = OLD.Clave)": rows still refer to the old key (a row
// of a table that refers to itself is not counted for its own key).
QString stillReferred(const Reference& reference, jetsql::Dialect dialect)
{
    const QString table = nameIn(reference.table, dialect);
    const QString field = table + QLatin1Char('.') + nameIn(reference.field, dialect);
    const QString oldKey = QStringLiteral("OLD.") + nameIn(reference.key, dialect);
    QString condition =
        QStringLiteral("EXISTS (SELECT 1 FROM %1 WHERE %2")
            .arg(table, sameKey(field, reference.fieldType, oldKey, reference.keyType, dialect));
    if (refersToItsOwnTable(reference))
        condition += QStringLiteral(" AND %1.%2 %3 %4")
                         .arg(table, nameIn(reference.key, dialect),
                              dialect == jetsql::Dialect::Sqlite ? QStringLiteral("IS NOT")
                                                                 : QStringLiteral("IS DISTINCT FROM"),
                              oldKey);
    return condition + QLatin1Char(')');
}

// "NOT EXISTS (SELECT 1 FROM Suscriptores WHERE Suscriptores.Clave = value)".
QString lacksRelated(const Reference& reference, const QString& value, jetsql::Dialect dialect)
{
    const QString related = nameIn(reference.related, dialect);
    return QStringLiteral("NOT EXISTS (SELECT 1 FROM %1 WHERE %2)")
        .arg(related, sameKey(related + QLatin1Char('.') + nameIn(reference.key, dialect), reference.keyType,
                              value, reference.fieldType, dialect));
}

QString missingText(const Reference& reference)
{
    return jetsql::quote(jetDescription(jeterror::RelatedRecordRequired, {reference.related}));
}

QString inUseText(const Reference& reference)
{
    return jetsql::quote(jetDescription(jeterror::RelatedRecordsExist, {reference.table}));
}

// What our reference triggers are called: by the table and field of the relation, then what they guard.
const QStringList& sqliteSuffixes()
{
    static const QStringList suffixes{
        QStringLiteral(" reference insert"), QStringLiteral(" reference update"),
        QStringLiteral(" referenced delete"), QStringLiteral(" referenced update")};
    return suffixes;
}

const QStringList& serverSuffixes()
{
    static const QStringList suffixes{QStringLiteral(" reference"), QStringLiteral(" referenced")};
    return suffixes;
}

bool isReferenceTrigger(const QString& name, const QStringList& suffixes)
{
    return std::any_of(suffixes.cbegin(), suffixes.cend(),
                       [&](const QString& suffix) { return name.endsWith(suffix, Qt::CaseInsensitive); });
}

// Trigger name -> its CREATE TRIGGER, for a file.
QHash<QString, QString> sqliteTriggers(const QList<Reference>& all)
{
    constexpr auto dialect = jetsql::Dialect::Sqlite;
    QHash<QString, QString> triggers;
    for (const Reference& reference : all) {
        const QString base = reference.table + QLatin1Char('.') + reference.field;
        const QString table = catalogue::quoteName(reference.table);
        const QString related = catalogue::quoteName(reference.related);
        const QString field = catalogue::quoteName(reference.field);
        const QString key = catalogue::quoteName(reference.key);
        const QString newValue = QStringLiteral("NEW.") + field;
        const QString refused =
            QStringLiteral(" BEGIN SELECT RAISE(ABORT, %1); END").arg(missingText(reference));
        const QString kept = QStringLiteral(" BEGIN SELECT RAISE(ABORT, %1); END").arg(inUseText(reference));
        const QString newKeyMissing = refersToARow(newValue, reference.fieldType, dialect) +
                                      QStringLiteral(" AND ") + lacksRelated(reference, newValue, dialect);
        const QString oldKeyReferred =
            refersToARow(QStringLiteral("OLD.") + key, reference.keyType, dialect) + QStringLiteral(" AND ") +
            stillReferred(reference, dialect);
        const QStringList& suffixes = sqliteSuffixes();
        triggers.insert(base + suffixes.at(0),
                        QStringLiteral("CREATE TRIGGER %1 BEFORE INSERT ON %2 FOR EACH ROW WHEN %3%4")
                            .arg(catalogue::quoteName(base + suffixes.at(0)), table, newKeyMissing, refused));
        // A row stored before the references were kept goes on being written as long as its key stays.
        triggers.insert(
            base + suffixes.at(1),
            QStringLiteral("CREATE TRIGGER %1 BEFORE UPDATE OF %2 ON %3 FOR EACH ROW WHEN %4 IS NOT "
                           "OLD.%2 AND %5%6")
                .arg(catalogue::quoteName(base + suffixes.at(1)), field, table, newValue, newKeyMissing,
                     refused));
        triggers.insert(base + suffixes.at(2),
                        QStringLiteral("CREATE TRIGGER %1 BEFORE DELETE ON %2 FOR EACH ROW WHEN %3%4")
                            .arg(catalogue::quoteName(base + suffixes.at(2)), related, oldKeyReferred, kept));
        triggers.insert(
            base + suffixes.at(3),
            QStringLiteral("CREATE TRIGGER %1 BEFORE UPDATE OF %2 ON %3 FOR EACH ROW WHEN NEW.%2 IS "
                           "NOT OLD.%2 AND %4%5")
                .arg(catalogue::quoteName(base + suffixes.at(3)), key, related, oldKeyReferred, kept));
    }
    return triggers;
}

// A name the server keeps whole: a long one is shortened to a digest of the relation.
QString serverName(const Reference& reference, const QString& suffix)
{
    const QString base = reference.table + QLatin1Char('.') + reference.field;
    const QString name = (base + suffix).toLower();
    if (name.toUtf8().size() <= ServerNameLimit)
        return name;
    const QByteArray digest =
        QCryptographicHash::hash(base.toLower().toUtf8(), QCryptographicHash::Sha1).toHex();
    return QStringLiteral("ref ") + QString::fromLatin1(digest.left(24)) + suffix;
}

struct ServerTrigger
{
    QString table; // lower case, as the server keeps it
    QString body;  // the function's body, as the server keeps it
    QString trigger;
};

// Trigger (and function) name -> what it is, for a server.
QHash<QString, ServerTrigger> serverTriggers(const QList<Reference>& all)
{
    constexpr auto dialect = jetsql::Dialect::PostgreSQL;
    QHash<QString, ServerTrigger> triggers;
    for (const Reference& reference : all) {
        const QString table = jetsql::identifier(reference.table, dialect);
        const QString related = jetsql::identifier(reference.related, dialect);
        const QString field = jetsql::identifier(reference.field, dialect);
        const QString key = jetsql::identifier(reference.key, dialect);
        const QString newValue = QStringLiteral("NEW.") + field;
        const QString oldKey = QStringLiteral("OLD.") + key;

        const QString referring = serverName(reference, serverSuffixes().at(0));
        triggers.insert(
            referring,
            {reference.table.toLower(),
             QStringLiteral(
                 " BEGIN IF TG_OP = 'UPDATE' THEN IF %1 IS NOT DISTINCT FROM OLD.%2 THEN RETURN NEW; "
                 "END IF; END IF; IF %3 AND %4 THEN RAISE EXCEPTION USING ERRCODE = '23503', MESSAGE = "
                 "%5; END IF; RETURN NEW; END ")
                 .arg(newValue, field, refersToARow(newValue, reference.fieldType, dialect),
                      lacksRelated(reference, newValue, dialect), missingText(reference)),
             QStringLiteral(
                 "CREATE TRIGGER %1 BEFORE INSERT OR UPDATE OF %2 ON %3 FOR EACH ROW EXECUTE FUNCTION "
                 "%1()")
                 .arg(jetsql::identifier(referring, dialect), field, table)});

        const QString referred = serverName(reference, serverSuffixes().at(1));
        triggers.insert(
            referred,
            {reference.related.toLower(),
             QStringLiteral(
                 " BEGIN IF TG_OP = 'UPDATE' THEN IF NEW.%1 IS NOT DISTINCT FROM %2 THEN RETURN NEW; "
                 "END IF; END IF; IF %3 AND %4 THEN RAISE EXCEPTION USING ERRCODE = '23503', MESSAGE = "
                 "%5; END IF; IF TG_OP = 'DELETE' THEN RETURN OLD; END IF; RETURN NEW; END ")
                 .arg(key, oldKey, refersToARow(oldKey, reference.keyType, dialect),
                      stillReferred(reference, dialect), inUseText(reference)),
             QStringLiteral(
                 "CREATE TRIGGER %1 BEFORE DELETE OR UPDATE OF %2 ON %3 FOR EACH ROW EXECUTE FUNCTION "
                 "%1()")
                 .arg(jetsql::identifier(referred, dialect), key, related)});
    }
    return triggers;
}

// The rows that name a row, with the counter key of the table when it has one.
QString rowKeyOf(Database& database, const QString& table, QString* label)
{
    for (const FieldDef& field : database.fields(table)) {
        if (field.autoNumber) {
            *label = field.name + QStringLiteral(" = ");
            return nameIn(field.name, database.dialect());
        }
    }
    *label = QStringLiteral("fila ");
    return database.isServer() ? QStringLiteral("ctid") : QStringLiteral("rowid");
}

} // namespace

QList<Reference> references(Database& database)
{
    // The tables of this database, read once, by their names without regard to case (a table reached in
    // another file is listed but is not this database's).
    QStringList tables;
    QHash<QString, QString> byName;
    for (const TableInfo& info : database.tables()) {
        if (database.hasTable(info.name)) {
            tables.append(info.name);
            byName.insert(info.name.toLower(), info.name);
        }
    }
    QList<Reference> found;
    for (const QString& table : std::as_const(tables)) {
        for (const FieldDef& field : database.fields(table)) {
            if (!field.isRelation())
                continue;
            const std::optional<relation::RelationDef> definition =
                relation::parseRelation(field.defaultValue);
            if (!definition)
                continue;
            // The related table as the database names it.
            const QString related = byName.value(relatedTable(definition->table).toLower());
            if (related.isEmpty())
                continue;
            const FieldDef key = database.field(related, definition->keyField());
            if (key.name.isEmpty())
                continue;
            found.append({table, field.name, field.type, related, key.name, key.type});
        }
    }
    return found;
}

QList<BrokenReference> brokenReferences(Database& database, DbError& error)
{
    error = {};
    QList<BrokenReference> broken;
    const jetsql::Dialect dialect = database.dialect();
    for (const Reference& reference : references(database)) {
        QString label;
        // The rows by a name of their own: in a table that refers to itself, the related rows are the same
        // table's.
        const QString rowKey = QStringLiteral("referring.") + rowKeyOf(database, reference.table, &label);
        const QString field = QStringLiteral("referring.") + nameIn(reference.field, dialect);
        const QString sql =
            QStringLiteral(
                "SELECT CAST(%1 AS text), CAST(%2 AS text) FROM %3 AS referring WHERE %4 AND %5 ORDER BY %1")
                .arg(rowKey, field, nameIn(reference.table, dialect),
                     refersToARow(field, reference.fieldType, dialect),
                     lacksRelated(reference, field, dialect));
        QList<QStringList> rows;
        if (database.isServer()) {
            PgRows found;
            error = database.server()->execute(sql, {}, &found);
            for (const QVariantList& row : std::as_const(found.rows))
                rows.append({row.value(0).toString(), row.value(1).toString()});
        } else {
            SqliteStatement statement(database.handle(), sql);
            while (statement.step())
                rows.append({statement.value(0).toString(), statement.value(1).toString()});
            error = statement.error();
        }
        if (!error.ok())
            return broken;
        for (const QStringList& row : std::as_const(rows))
            broken.append(
                {reference.table, label + row.at(0), reference.field, row.at(1), reference.related});
    }
    return broken;
}

DbError Database::ensureReferences()
{
    if (m_readOnly)
        return {};
    const QList<Reference> all = references(*this);
    QStringList statements;
    if (m_server) {
        const QHash<QString, ServerTrigger> wanted = serverTriggers(all);
        PgRows existing;
        if (DbError error = m_server->execute(
                QStringLiteral(
                    "SELECT t.tgname, c.relname, p.prosrc FROM pg_trigger t JOIN pg_class c ON c.oid = "
                    "t.tgrelid JOIN pg_namespace n ON n.oid = c.relnamespace JOIN pg_proc p ON p.oid = "
                    "t.tgfoid WHERE NOT t.tgisinternal AND n.nspname = current_schema()"),
                {}, &existing))
            return error;
        QHash<QString, ServerTrigger> present;
        for (const QVariantList& row : std::as_const(existing.rows)) {
            const QString name = row.value(0).toString();
            if (isReferenceTrigger(name, serverSuffixes()))
                present.insert(name, {row.value(1).toString(), row.value(2).toString(), {}});
        }
        constexpr auto dialect = jetsql::Dialect::PostgreSQL;
        for (auto it = present.cbegin(); it != present.cend(); ++it) {
            const auto found = wanted.constFind(it.key());
            if (found != wanted.cend() && found->table == it->table && found->body == it->body)
                continue;
            statements << QStringLiteral("DROP TRIGGER %1 ON %2")
                              .arg(jetsql::identifier(it.key(), dialect),
                                   jetsql::identifier(it->table, dialect));
            if (found == wanted.cend())
                statements << QStringLiteral("DROP FUNCTION IF EXISTS %1()")
                                  .arg(jetsql::identifier(it.key(), dialect));
        }
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
            const auto found = present.constFind(it.key());
            if (found != present.cend() && found->table == it->table && found->body == it->body)
                continue;
            statements << QStringLiteral(
                              "CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS "
                              "$body$%2$body$")
                              .arg(jetsql::identifier(it.key(), dialect), it->body)
                       << it->trigger;
        }
    } else {
        const QHash<QString, QString> wanted = sqliteTriggers(all);
        QHash<QString, QString> present;
        SqliteStatement existing(
            m_handle, QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'trigger'"));
        while (existing.step()) {
            const QString name = existing.value(0).toString();
            if (isReferenceTrigger(name, sqliteSuffixes()))
                present.insert(name, existing.value(1).toString());
        }
        if (!existing.error().ok())
            return existing.error();
        for (auto it = present.cbegin(); it != present.cend(); ++it) {
            if (wanted.value(it.key()) != it.value())
                statements << QStringLiteral("DROP TRIGGER %1").arg(catalogue::quoteName(it.key()));
        }
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it) {
            if (present.value(it.key()) != it.value())
                statements << it.value();
        }
    }
    if (statements.isEmpty())
        return {};
    Transaction transaction(*this);
    if (!transaction.error().ok())
        return transaction.error();
    for (const QString& statement : std::as_const(statements)) {
        if (DbError error = executeNative(statement, {}))
            return error;
    }
    return transaction.commit();
}

} // namespace quelmar::db
