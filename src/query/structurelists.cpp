#include "query/structurelists.h"

#include "db/database.h"
#include "panels/errortrap.h"
#include "session/session.h"

#include <algorithm>

namespace quelmar::query {

namespace structure {

namespace {

bool isSystemTable(const QString& name)
{
    return name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive);
}

bool isRelationField(const db::FieldDef& field)
{
    return field.defaultValue.contains(QLatin1String("!R/"), Qt::CaseInsensitive);
}

bool leftOutOfLists(const db::FieldDef& field)
{
    return field.validationText.contains(u'&') ||
           field.name.compare(QLatin1String("Marca"), Qt::CaseInsensitive) == 0;
}

} // namespace

QStringList tables(const QStringList& tableList)
{
    QStringList names;
    for (const QString& name : tableList) {
        if (!isSystemTable(name))
            names.append(name);
    }
    return names;
}

QStringList relationTables(const QStringList& tableList, const FieldsOf& fieldsOf)
{
    QStringList names;
    for (const QString& name : tables(tableList)) {
        const QList<db::FieldDef> fields = fieldsOf(name);
        if (std::any_of(fields.cbegin(), fields.cend(), isRelationField))
            names.append(name);
    }
    return names;
}

QStringList relationFields(const QList<db::FieldDef>& fields)
{
    QStringList entries;
    for (const db::FieldDef& field : fields) {
        if (!isRelationField(field))
            continue;
        const qsizetype marker = field.defaultValue.indexOf(QLatin1String("!R/"), 0, Qt::CaseInsensitive);
        const QString related = field.defaultValue.mid(marker).section(u'/', 1, 1).trimmed();
        entries.append(field.name + u'\t' + related);
        if (entries.size() == MaxRelationEntries)
            break;
    }
    return entries;
}

QStringList fieldNames(const QList<db::FieldDef>& fields)
{
    QStringList names;
    for (const db::FieldDef& field : fields)
        names.append(field.name);
    return names;
}

QString selectList(const QList<db::FieldDef>& fields, int first, int last)
{
    const int count = static_cast<int>(fields.size());
    first = std::max(first, 0);
    if (last < 1 || last > count - 1)
        last = count - 1;
    QStringList names;
    for (int i = first; i <= last; ++i) {
        const db::FieldDef& field = fields.at(i);
        if (leftOutOfLists(field))
            continue;
        const bool bracket = field.name.contains(u'-') || field.name.contains(u' ');
        names.append(bracket ? u'[' + field.name + u']' : field.name);
    }
    return names.join(u',');
}

} // namespace structure

void StructureList(Session& session, const QString& command, QString& table, int first, int last,
                   QStringList& list)
{
    ErrorTrap trap(session, QStringLiteral("EstrucBD"));
    db::Database* database = session.database.CurrentDatabase.get();
    QStringList tableList;
    for (const TableListRow& row : std::as_const(session.database.TableList))
        tableList.append(row.name);
    const FieldsOf fieldsOf = [database](const QString& name) {
        return database ? database->fields(name) : QList<db::FieldDef>{};
    };
    const QString lower = command.trimmed().toLower();
    if (lower == QLatin1String("arch")) {
        list = structure::tables(tableList);
        return;
    }
    if (lower == QLatin1String("arrel")) {
        list = structure::relationTables(tableList, fieldsOf);
        return;
    }
    const bool inBrackets = table.startsWith(u'[') && table.endsWith(u']');
    QString name = inBrackets ? table.mid(1, table.size() - 2) : table;
    if (name.isEmpty() && (lower == QLatin1String("datos") || lower == QLatin1String("datsql"))) {
        const QStringList names = structure::tables(tableList);
        if (names.isEmpty())
            return;
        name = names.constFirst();
        table = name;
    }
    if (lower == QLatin1String("datrel"))
        list = structure::relationFields(fieldsOf(name));
    else if (lower == QLatin1String("datos"))
        list = structure::fieldNames(fieldsOf(name));
    else if (lower == QLatin1String("datsql"))
        session.engine.SelectedValue = structure::selectList(fieldsOf(name), first, last);
}

} // namespace quelmar::query
