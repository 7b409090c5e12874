#include "legacy/querytext.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace quelmar::legacy::querytext {

namespace {

namespace attribute {
constexpr int Type = 1;
constexpr int Parameter = 2;
constexpr int Flags = 3;
constexpr int RemoteDatabase = 4;
constexpr int Table = 5;
constexpr int Column = 6;
constexpr int Join = 7;
constexpr int Where = 8;
constexpr int GroupBy = 9;
constexpr int Having = 10;
constexpr int OrderBy = 11;
} // namespace attribute

namespace selectflag {
constexpr int AllFields = 0x01;
constexpr int Distinct = 0x02;
constexpr int DistinctRow = 0x08;
constexpr int Top = 0x10;
constexpr int Percent = 0x20;
} // namespace selectflag

// In a crosstab, the columns of the row headings are flagged as usual columns; the pivot is flagged apart
// and the value (the TRANSFORM aggregate) is the column flagged as neither.
constexpr int CrosstabPivot = 0x01;
constexpr int CrosstabNormal = 0x02;

QString bracketed(const QString& name)
{
    if (name.startsWith(u'['))
        return name;
    return u'[' + name + u']';
}

QList<QueryRow> rowsOf(const QList<QueryRow>& rows, int kind)
{
    QList<QueryRow> found;
    for (const QueryRow& row : rows) {
        if (row.attribute == kind)
            found.append(row);
    }
    return found;
}

QString columnText(const QueryRow& row)
{
    if (row.name1.isEmpty())
        return row.expression;
    return row.expression + u" AS "_s + bracketed(row.name1);
}

QString kindName(int kind)
{
    switch (QueryKind(kind)) {
    case QueryKind::MakeTable:
        return u"de creación de tabla"_s;
    case QueryKind::Append:
        return u"de datos anexados"_s;
    case QueryKind::Update:
        return u"de actualización"_s;
    case QueryKind::Delete:
        return u"de eliminación"_s;
    case QueryKind::DataDefinition:
        return u"de definición de datos"_s;
    case QueryKind::PassThrough:
        return u"de paso a otro servidor"_s;
    case QueryKind::Union:
        return u"de unión"_s;
    default:
        return u"de un tipo desconocido (%1)"_s.arg(kind);
    }
}

// The FROM clause: the tables, with each join putting the two sides that hold its tables together.
QString fromClause(const QList<QueryRow>& tables, const QList<QueryRow>& joins)
{
    struct Item
    {
        QString text;
        QStringList references; // names by which the item's tables are known
    };
    QList<Item> items;
    for (const QueryRow& table : tables) {
        Item item;
        item.text = bracketed(table.name1);
        if (!table.name2.isEmpty()) {
            item.text += u" AS "_s + bracketed(table.name2);
            item.references.append(table.name2.toLower());
        } else {
            item.references.append(table.name1.toLower());
        }
        items.append(item);
    }
    const auto find = [&items](const QString& reference) -> qsizetype {
        for (qsizetype i = 0; i < items.size(); ++i) {
            if (items.at(i).references.contains(reference.toLower()))
                return i;
        }
        return -1;
    };
    for (const QueryRow& join : joins) {
        const qsizetype left = find(join.name1);
        const qsizetype right = find(join.name2);
        if (left < 0 || right < 0 || left == right)
            continue;
        const QString kind = join.flag == 2 ? u"LEFT"_s : join.flag == 3 ? u"RIGHT"_s : u"INNER"_s;
        Item joined;
        const QString leftText =
            items.at(left).references.size() > 1 ? u'(' + items.at(left).text + u')' : items.at(left).text;
        joined.text = u"%1 %2 JOIN %3 ON %4"_s.arg(leftText, kind, items.at(right).text, join.expression);
        joined.references = items.at(left).references + items.at(right).references;
        items[left] = joined;
        items.removeAt(right);
    }
    QStringList texts;
    for (const Item& item : std::as_const(items))
        texts.append(item.text);
    return texts.join(u", "_s);
}

} // namespace

Rebuilt rebuild(const QList<QueryRow>& rows)
{
    const QList<QueryRow> typeRows = rowsOf(rows, attribute::Type);
    const int kind = typeRows.isEmpty() ? 0 : typeRows.first().flag;
    if (kind != int(QueryKind::Select) && kind != int(QueryKind::Crosstab))
        return {{}, u"es una consulta %1, que no se guarda como consulta de selección"_s.arg(kindName(kind))};
    if (!rowsOf(rows, attribute::Parameter).isEmpty())
        return {{}, u"pide parámetros al usarse, y una consulta guardada aquí no los pide"_s};
    if (!rowsOf(rows, attribute::RemoteDatabase).isEmpty())
        return {{}, u"lee tablas de otra Base de Datos"_s};
    const bool crosstab = kind == int(QueryKind::Crosstab);

    QString select = u"SELECT"_s;
    const QList<QueryRow> flags = rowsOf(rows, attribute::Flags);
    const int flag = flags.isEmpty() ? 0 : flags.first().flag;
    if (flag & selectflag::DistinctRow)
        select += u" DISTINCTROW"_s;
    else if (flag & selectflag::Distinct)
        select += u" DISTINCT"_s;
    if ((flag & selectflag::Top) && !flags.first().name1.isEmpty()) {
        select += u" TOP "_s + flags.first().name1;
        if (flag & selectflag::Percent)
            select += u" PERCENT"_s;
    }

    QStringList columns;
    QString transform;
    QString pivot;
    if (flag & selectflag::AllFields)
        columns.append(u"*"_s);
    for (const QueryRow& column : rowsOf(rows, attribute::Column)) {
        if (crosstab && column.flag == CrosstabPivot)
            pivot = column.expression;
        else if (crosstab && column.flag != CrosstabNormal)
            transform = columnText(column);
        else
            columns.append(columnText(column));
    }
    if (crosstab && (transform.isEmpty() || pivot.isEmpty()))
        return {{}, u"es una consulta de tabla de referencias cruzadas incompleta"_s};
    if (columns.isEmpty())
        return {{}, u"no tiene columnas"_s};

    QString sql = select + u' ' + columns.join(u", "_s);
    const QString from = fromClause(rowsOf(rows, attribute::Table), rowsOf(rows, attribute::Join));
    if (!from.isEmpty())
        sql += u" FROM "_s + from;
    const QList<QueryRow> where = rowsOf(rows, attribute::Where);
    if (!where.isEmpty())
        sql += u" WHERE "_s + where.first().expression;
    QStringList groups;
    for (const QueryRow& group : rowsOf(rows, attribute::GroupBy))
        groups.append(group.expression);
    if (!groups.isEmpty())
        sql += u" GROUP BY "_s + groups.join(u", "_s);
    const QList<QueryRow> having = rowsOf(rows, attribute::Having);
    if (!having.isEmpty())
        sql += u" HAVING "_s + having.first().expression;
    QStringList order;
    for (const QueryRow& term : rowsOf(rows, attribute::OrderBy))
        order.append(term.expression +
                     (term.name1.compare(u"D"_s, Qt::CaseInsensitive) == 0 ? u" DESC"_s : QString()));
    if (!order.isEmpty())
        sql += u" ORDER BY "_s + order.join(u", "_s);
    if (crosstab)
        sql = u"TRANSFORM "_s + transform + u' ' + sql + u" PIVOT "_s + pivot;
    return {sql, {}};
}

} // namespace quelmar::legacy::querytext
