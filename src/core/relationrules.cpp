#include "core/relationrules.h"

#include <QRegularExpression>

namespace quelmar::relation {

namespace {

bool hasWhere(const QString& table)
{
    static const QRegularExpression where(QStringLiteral("\\bWHERE\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    return where.match(table).hasMatch();
}

} // namespace

std::optional<RelationDef> parseRelation(const QString& defaultValue)
{
    const qsizetype marker = defaultValue.indexOf(QLatin1String("!R"), 0, Qt::CaseInsensitive);
    if (marker < 0)
        return std::nullopt;
    QString text = defaultValue.mid(marker).trimmed();
    if (text.endsWith(u'"'))
        text.chop(1);
    const QStringList parts = text.split(u'/', Qt::SkipEmptyParts);
    if (parts.size() < 3)
        return std::nullopt;
    RelationDef relation;
    relation.table = parts.at(1).trimmed();
    for (const QString& field : parts.at(2).split(u',', Qt::SkipEmptyParts)) {
        if (!field.trimmed().isEmpty())
            relation.fields.append(field.trimmed());
    }
    relation.order = parts.value(3).trimmed();
    if (relation.table.isEmpty() || relation.fields.isEmpty())
        return std::nullopt;
    return relation;
}

std::optional<QString> relationKey(const QString& text)
{
    const QString key = strippedValue(text).trimmed();
    static const QRegularExpression number(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    if (!number.match(key).hasMatch())
        return std::nullopt;
    bool ok = false;
    const double value = key.toDouble(&ok);
    if (!ok || value == 0)
        return std::nullopt;
    const qsizetype point = key.indexOf(u'.');
    if (point < 0)
        return QString::number(key.toLongLong());
    return QString::number(value, 'g', 15);
}

QString descriptionStatement(const RelationDef& relation, const QString& key)
{
    const QStringList described = relation.descriptionFields();
    if (described.isEmpty())
        return {};
    return QStringLiteral("Select ") + described.join(u',') + QStringLiteral(" FROM ") + relation.table +
           (hasWhere(relation.table) ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ")) +
           relation.keyField() + QStringLiteral(" = ") + key;
}

QString shownValue(const QString& key, const QStringList& descriptions)
{
    QStringList words;
    for (const QString& description : descriptions) {
        if (!description.trimmed().isEmpty())
            words.append(description.trimmed());
    }
    if (words.isEmpty())
        return key;
    return key + Separator + words.join(u' ');
}

QString strippedValue(const QString& text)
{
    const qsizetype dot = text.indexOf(u'·', 2);
    if (dot < 0)
        return text;
    const qsizetype blank = text.lastIndexOf(u' ', dot);
    return text.left(blank < 0 ? dot : blank).trimmed();
}

PickStatement pickStatement(const RelationDef& relation, const QString& restriction)
{
    PickStatement pick;
    pick.statement =
        QStringLiteral("SELECT ") + relation.fields.join(u',') + QStringLiteral(" FROM ") + relation.table;
    if (!restriction.trimmed().isEmpty())
        pick.statement += (hasWhere(relation.table) ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ")) +
                          restriction.trimmed();
    const QString order = relation.order.isEmpty() ? relation.descriptionFields().join(u',') : relation.order;
    if (!order.isEmpty()) {
        pick.statement += QStringLiteral(" Order by ") + order;
        pick.ordered = true;
    }
    return pick;
}

QString pickTitle(bool capturing, const QString& caption)
{
    return (capturing ? QStringLiteral("Define ") : QStringLiteral("Cambia ")) + caption +
           QStringLiteral(", con doble toque en Fila");
}

} // namespace quelmar::relation
