#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>

// The rules of the selection and ordering wizard that need no screen: the comparisons offered for a field,
// the checking of a typed comparand, the condition rows and ordering levels, and the writing of both into a
// statement.
namespace quelmar::query::wizard {

inline constexpr int MaxConditions = 10;
inline constexpr int MaxOrderLevels = 5;

// The kind of comparison list a field type takes.
enum class FieldKind
{
    YesNo,
    Number,
    Date,
    Text,
    Other, // a type the wizard offers no comparison for
};
FieldKind kindOf(int type);

// One comparison offered in the criterion list: the label shown and its template (operator, text before the
// comparand, text after it).
struct Comparison
{
    QString label;
    QString op;
    QString before;
    QString after;
};
QList<Comparison> comparisonsFor(FieldKind kind);

// "(cantidad)", "(Fecha: 10-Dic-2026)", "(Texto)"; empty for yes/no.
QString comparandHint(FieldKind kind, const QDate& today);
// The longest comparand the field takes: type code + 4 for numbers, the size for text (64 when the size is 64
// or more, or unknown), 11 for dates; 0 for yes/no.
int comparandLength(FieldKind kind, int type, int size);

// A name written in brackets when it holds a blank or "-".
QString bracketed(const QString& name);

// One condition row of the wizard.
struct ConditionRow
{
    QString table;     // bracketed when needed
    QString field;     // bracketed when needed
    QString operation; // " " + operator + " " + text before
    QString value;     // comparand + text after
    QString joiner;    // empty for the first row, " AND" or " OR" for the others
    bool nullTest = false;
};

// What a typed comparand becomes.
struct Comparand
{
    enum Outcome
    {
        Accepted,
        Rejected, // message says what to correct; ask again
    };
    Outcome outcome = Accepted;
    QString value;         // as it goes into the statement (between the template's texts)
    QString message;       // the message of a rejection, or the notice of an accepted empty comparand
    bool nullTest = false; // empty text comparand: the field is null or empty
};

// Checks a comparand typed for the comparison label of a field of the kind: numbers only for numeric fields
// (an empty one is taken as 0), a date as dd-mmm-yyyy (mask blanks "_" ignored) rewritten as mm-dd-yyyy, text
// with its apostrophes doubled so that it stays one constant. An empty text comparand, unless the label is
// "exactamente igual", asks for the null test.
Comparand checkComparand(FieldKind kind, const QString& label, const QString& typed);

// The condition row for a chosen table, field, comparison and checked comparand.
ConditionRow makeRow(const QString& table, const QString& field, const Comparison& comparison,
                     const Comparand& comparand, const QString& joiner);

// The condition written by the rows, in order: joiner + " " + table.field + operation + value; joined left to
// right without parentheses, so that AND binds before OR. A null test is enclosed in parentheses so that its
// own OR keeps to its field.
QString conditionText(const QList<ConditionRow>& rows);

// An ordering level: table.field, " Desc" for descending.
QString orderLevel(const QString& table, const QString& field, bool descending);

// The statement with the new condition and ordering written in (either may be empty): the condition goes
// into the WHERE part, before GROUP BY, HAVING, ORDER BY or PIVOT, as "( old ) AND ( new )" when there was a
// WHERE; the ordering replaces the list of an ORDER BY or is appended (before PIVOT). Only the statement's
// own clauses count: keywords inside brackets, sub-selects or quoted constants are passed over.
QString rewrite(const QString& statement, const QString& condition, const QString& order);

// 0-based position of a keyword among the statement's own clauses (outside brackets, parentheses and quoted
// text, at word boundaries, without regard to case); -1 when absent.
qsizetype topLevelKeyword(const QString& statement, const QString& keyword);

// The plain-Spanish account of the choices that `Hizo` shows: a condition (the comparand as typed), the
// joiner between two conditions, and an ordering level.
QString describeCondition(bool first, const QString& field, const QString& table, const QString& label,
                          FieldKind kind, const QString& comparand);
QString describeJoiner(bool both);
QString describeOrder(bool first, const QString& field, const QString& table, bool descending);

} // namespace quelmar::query::wizard
