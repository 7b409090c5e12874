#pragma once

#include <QList>
#include <QString>

// The SQL of keyset paging: a keyed recordset reads its rows a window at a time, each window with one
// statement that starts where a known row stands in the recordset's order ("the rows after this one"), so
// that no window is found by counting rows from the beginning. Pure text work, tested by tables of cases.
namespace quelmar::db::keysetsql {

// One term of an ORDER BY clause in SQLite's text.
struct OrderTerm
{
    QString expression; // as written, COLLATE included: it compares as the order does
    bool descending = false;
    bool notNull = false; // known never to be Null (a row key, or a column declared NOT NULL)
};

// The terms of an ORDER BY clause ("\"T\".\"a\" COLLATE NOCASE DESC, \"T\".rowid"). Empty, with ok false,
// when a term cannot be compared in a condition: a column number ("2") or a term with NULLS FIRST/LAST.
QList<OrderTerm> splitOrderBy(const QString& orderBy, bool* ok);

// The terms in the opposite order (for reading backwards).
QList<OrderTerm> reversed(QList<OrderTerm> terms);

// "a COLLATE NOCASE DESC, b" for ORDER BY.
QString orderByText(const QList<OrderTerm>& terms);

// The condition that a row comes after the row whose term values are bound to ?first, ?first+1, … (each Null
// or not as `nullBound` says), in the order of the terms; `inclusive` admits that row itself. When the first
// term can lead an index search (its bound value is not Null, and it is never Null itself or Nulls come
// before the bound), the condition begins with a plain range on it ("a >= ?1 AND …").
QString afterCondition(const QList<OrderTerm>& terms, const QList<bool>& nullBound, int first,
                       bool inclusive);

// Whether afterCondition() can begin with a range on the first term for a bound value that is not Null: it
// cannot when the first term descends and may be Null (Nulls come after every value there).
bool hasLeadingRange(const QList<OrderTerm>& terms);

// The FROM clause with its inner joins written as CROSS JOIN (the same rows; SQLite then keeps the tables in
// the written order); the same text when it has no inner join or has an outer one. Quoted names and texts are
// left alone.
QString writtenJoinOrder(const QString& from);

// Whether the FROM clause has an outer join (whose right-hand rows may be missing, their rowids Null).
bool hasOuterJoin(const QString& from);

// A Seek's comparison of an index's leading fields with bound keys: "(a, b) >= (?, ?)" for ">=" and two keys
// over a longer index.
struct SeekCondition
{
    QString text;       // empty when the comparison is not "=", ">=", ">", "<=" or "<", or there is no key
    qsizetype used = 0; // the index fields compared: one per key, at most all of them
    bool backwards = false; // "<=" and "<" find the last row that meets it, the others the first
};
SeekCondition seekCondition(const QStringList& quotedIndexFields, const QString& comparison,
                            qsizetype keyCount);

} // namespace quelmar::db::keysetsql
