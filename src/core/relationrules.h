#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// The rules of relation fields, without a database or a widget: a field whose default value begins with the
// marker "!R" keeps the key of a record of another table, and is shown as the key, " · " and the words that
// describe that record.
namespace quelmar::relation {

// A relation definition "!R/table/key,description…/order": the related table (which may carry its own
// condition after "WHERE"), the key field followed by the fields that describe the record, and the order of
// the choice grid (empty when absent).
struct RelationDef
{
    QString table;
    QStringList fields; // the key field first
    QString order;

    QString keyField() const { return fields.value(0); }
    QStringList descriptionFields() const { return fields.mid(1); }
    bool operator==(const RelationDef&) const = default;
};

// The definition a default value holds from its "!R" marker on (enclosing double quotes and empty parts left
// out); none when there is no marker or fewer than three parts.
std::optional<RelationDef> parseRelation(const QString& defaultValue);

// The separator between a key and its description.
inline const QString Separator = QStringLiteral(" · ");

// The key a relation field's text holds (its description stripped) when it is a number other than 0, written
// as a plain number; none otherwise (empty, 0, or not a number).
std::optional<QString> relationKey(const QString& text);

// The one keyed statement that reads the description of a key: "Select " + description fields + " FROM " +
// table + (" AND " when the table part has a WHERE, " WHERE " otherwise) + key field + " = " + key. Empty
// when the definition has no description fields.
QString descriptionStatement(const RelationDef& relation, const QString& key);

// The text shown: the key, " · " and the description values separated by blanks; the key alone when there
// is no description (no value, or every value empty).
QString shownValue(const QString& key, const QStringList& descriptions);

// The key again: when the text holds "·" beyond its second character, the trimmed text before the blank that
// precedes the first such "·" (a description that holds "·" itself is not cut inside); the text unchanged
// otherwise.
QString strippedValue(const QString& text);

// The statement and title of the grid a related value is picked from.
struct PickStatement
{
    QString statement;
    bool ordered = false; // an order clause was added
    bool operator==(const PickStatement&) const = default;
};

// "SELECT " + fields + " FROM " + table; with a restriction, its condition joined by " WHERE " (" AND " when
// the table part already has a WHERE); then " Order by " + the definition's order, or, without one, the
// description fields; no order when there is neither.
PickStatement pickStatement(const RelationDef& relation, const QString& restriction);

// "Cambia " (editing) or "Define " (capture) + the field's caption + ", con doble toque en Fila".
QString pickTitle(bool capturing, const QString& caption);

} // namespace quelmar::relation
