#pragma once

#include "db/dberror.h"

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>

#include <optional>
#include <vector>

// The system's statements are written in the SQL of the engine the office program was designed for
// ("Jet SQL"): #mm-dd-yyyy# dates, LIKE with * and ?, DISTINCTROW, True/False, [bracketed names],
// & for concatenation, TRANSFORM … PIVOT crosstabs, "= Null". This translator turns them into the dialect of
// the backend (SQLite, or a PostgreSQL server). It is pure: no database is needed, so every rule is tested
// with a table of cases.
namespace quelmar::db::jetsql {

// The SQL the translated text is written in.
//  - Sqlite: names as written, COLLATE NOCASE where Jet compares text without regard to case, like() answered
//    by the layer's own function.
//  - PostgreSQL: names folded to lower case (Jet's names ignore case, a server's quoted names do not); text
//    columns are citext, so comparisons and ordering ignore case without COLLATE; LIKE goes through the
//    server-side functions installed with the database (see pgschema); Jet functions map to the server's own.
enum class Dialect
{
    Sqlite,
    PostgreSQL
};

enum class StatementKind
{
    Select,
    Crosstab,
    Insert,
    Update,
    Delete,
    Other // passed through after token translation (PRAGMA-free DDL and the like)
};

// A table named in a FROM clause: its name in the database and the name the statement uses for it
// (the alias when it has one). Subqueries and stored queries (views) are listed with isView/isSubquery
// set by the caller that knows the database; the translator only fills name and reference.
struct TableReference
{
    QString name;      // unquoted table name
    QString reference; // unquoted name by which columns are qualified (alias or name)
    bool isSubquery = false;
};

// One item of a SELECT list, translated.
struct SelectItem
{
    QString expression; // SQLite text of the expression, without the alias
    QString alias;      // unquoted alias given with AS; empty when none
    QString name; // the column name the result shows: alias, else the field's name, else "Expr1000", …
    bool isAggregate = false;
    bool isStar = false; // "*" or "table.*"
};

// The clauses of a SELECT, each already in SQLite text (empty when absent, without its keyword).
struct SelectParts
{
    bool distinct = false; // DISTINCT (DISTINCTROW is dropped: it never changes our results)
    int top = -1;          // TOP n, -1 when absent
    QList<SelectItem> items;
    QString from;                 // text after FROM
    QList<TableReference> tables; // tables of FROM, in order (first table, joined tables, comma list)
    QString where;
    QString groupBy;
    QString having;
    QString orderBy; // terms already carry COLLATE NOCASE
    bool hasAggregates = false;
    bool hasUnion = false;             // UNION: only `sql` of the statement is meaningful
    Dialect dialect = Dialect::Sqlite; // the dialect the clauses are written in

    // Reassembles "SELECT … FROM … WHERE … GROUP BY … HAVING … ORDER BY … LIMIT n".
    QString toSql() const;
    // The select list as SQLite text, each item with "AS \"name\"" where the name differs from the
    // expression's natural name.
    QString selectList() const;
};

// TRANSFORM aggregate [AS alias] SELECT … GROUP BY … PIVOT expression [IN (values)].
struct CrosstabParts
{
    QString aggregateFunction; // lower case SQLite name: "sum", "count", "avg", "min", "max"
    QString aggregateArgument; // SQLite text; "*" for Count(*)
    SelectParts select;        // the SELECT of the crosstab (row headings and other columns)
    QString pivot;             // SQLite text of the pivot expression
    QStringList fixedValues;   // SQLite literals from PIVOT … IN (…); empty when not given
};

struct TranslatedStatement
{
    StatementKind kind = StatementKind::Other;
    QString sql;            // the whole statement in SQLite (for a crosstab: empty, see crosstabSql)
    SelectParts select;     // for Select
    CrosstabParts crosstab; // for Crosstab
    QString targetTable;    // for Insert, Update and Delete: the table written
    DbError error;          // 3061 with the statement when it does not parse
};

// Translates one statement. Never throws; a statement it cannot read comes back with error 3061.
TranslatedStatement translate(const QString& jetSql, Dialect dialect = Dialect::Sqlite);

// Translates an expression on its own (a WHERE criterion given to Find, a validation rule's operand).
// Error 3061 when it is not an expression.
QString translateExpression(const QString& jetExpression, DbError* error = nullptr,
                            Dialect dialect = Dialect::Sqlite);

// The query that lists the distinct pivot values of a crosstab, ascending, Null first.
QString crosstabPivotValuesSql(const CrosstabParts& crosstab, Dialect dialect = Dialect::Sqlite);

// The final crosstab SELECT for the given pivot values (as read from the database): row headings, the
// other selected columns, then one column per value in the given order, named by the value's text
// (dates as ISO text), "<>" for Null. Rows are ordered by the statement's ORDER BY, else by the row headings.
// When the statement lists its values (PIVOT … IN (…), fixedValues), those are the columns and pivotValues is
// not used. columnNames, when given, receives the names of the result's columns as the statement spells them.
QString crosstabSql(const CrosstabParts& crosstab, const QVariantList& pivotValues,
                    Dialect dialect = Dialect::Sqlite, QStringList* columnNames = nullptr);

// A name quoted for the dialect: "Name" for SQLite, "name" for PostgreSQL.
QString identifier(const QString& name, Dialect dialect);

// The one quoting helper for values that enter SQL text: 'O''Brien'. Null (an invalid QVariant) gives
// NULL; numbers are written plainly; dates as Jet literals #mm-dd-yyyy#; booleans as True/False.
// The result is Jet SQL, ready to be put into a statement that goes through translate().
QString quote(const QString& text);
QString literal(const QVariant& value);

// Jet's LIKE, as the statements use it: * any run, ? one character, # one digit, [abc], [a-z], [!abc] classes
// (where *, ? and # stand for themselves), every other character literal (% and _ included); letters compare
// without regard to case or accents' case ("Á" matches "á"). Used as SQLite's like() function.
bool likeMatches(QStringView pattern, QStringView text);

// A LIKE pattern read once, to be matched against many texts (the rows of a statement).
class LikePattern
{
public:
    explicit LikePattern(QStringView pattern);

    bool matches(QStringView text) const;
    // The same for a text of ASCII characters only, given as its bytes.
    bool matchesAscii(const char* text, qsizetype size) const;
    // The most common patterns ("*ana*", "Cor*", "*ez", "Centro") of plain characters that no character
    // beyond ASCII folds to are answered on UTF-8 bytes as they are, whatever else the text holds: such a
    // character only ever matches an ASCII byte, and ASCII bytes stand for themselves in any UTF-8. Empty for
    // any other pattern.
    std::optional<bool> matchesUtf8(const char* text, qsizetype size) const;

private:
    enum class Kind : char
    {
        Star,
        Empty, // "[]": matches the empty text
        Any,   // '?'
        Digit, // '#'
        Literal,
        Class
    };
    struct Element
    {
        Kind kind = Kind::Literal;
        char32_t folded = 0; // a literal's character, case-folded
        // For a letter that only ASCII letters fold to: its two cases, to look for it without folding.
        char16_t lower = 0;
        char16_t upper = 0;
        qsizetype classStart = 0;
        qsizetype classSize = 0;
    };

    template <typename Unit> bool singleMatches(const Element& element, Unit c) const;
    template <typename Unit> bool matchUnits(const Unit* text, qsizetype size) const;

    QString m_pattern;
    std::vector<Element> m_elements;
    // The pattern as a run of plain ASCII characters between optional stars, when it is one.
    bool m_plain = false;
    bool m_leadingStar = false;
    bool m_trailingStar = false;
    QByteArray m_lowerRun;
    QByteArray m_upperRun;
};

} // namespace quelmar::db::jetsql
