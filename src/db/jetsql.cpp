#include "db/jetsql.h"

#include "core/datetext.h"
#include "db/jetfunctions.h"

#include <QDateTime>
#include <QLocale>
#include <QTime>

#include <algorithm>
#include <cmath>
#include <optional>

namespace quelmar::db::jetsql {

using namespace Qt::StringLiterals;

namespace {

// The dialect of the translation running on this thread (translate() and its siblings set it for their call).
thread_local Dialect t_dialect = Dialect::Sqlite;

bool postgres()
{
    return t_dialect == Dialect::PostgreSQL;
}

class DialectScope
{
public:
    explicit DialectScope(Dialect dialect) : m_previous(t_dialect) { t_dialect = dialect; }
    ~DialectScope() { t_dialect = m_previous; }
    DialectScope(const DialectScope&) = delete;
    DialectScope& operator=(const DialectScope&) = delete;

private:
    Dialect m_previous;
};

// ---------------------------------------------------------------------------------------------------------------
// Text helpers

QString quoteIdentifier(const QString& name)
{
    QString inner = postgres() ? name.toLower() : name;
    inner.replace(u'"', u"\"\""_s);
    return u"\""_s + inner + u"\""_s;
}

bool sameWord(const QString& text, QLatin1String word)
{
    return text.compare(word, Qt::CaseInsensitive) == 0;
}

// Walks SQLite text of our own making, calling visit(index) for every character outside quotes, names and
// parentheses.
template <typename Visit> void forTopLevel(const QString& sql, Visit visit)
{
    int depth = 0;
    QChar quote;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"')
            quote = c;
        else if (c == u'(')
            ++depth;
        else if (c == u')')
            --depth;
        else if (depth == 0)
            visit(i);
    }
}

QStringList splitTopLevel(const QString& sql)
{
    QStringList parts;
    qsizetype start = 0;
    forTopLevel(sql, [&](qsizetype i) {
        if (sql.at(i) == u',') {
            parts << sql.mid(start, i - start).trimmed();
            start = i + 1;
        }
    });
    const QString last = sql.mid(start).trimmed();
    if (!last.isEmpty())
        parts << last;
    return parts;
}

// SQLite text followed by COLLATE NOCASE, in parentheses when it is an operation rather than one operand.
QString collated(const QString& sql)
{
    if (postgres())
        return sql; // text columns are citext there
    bool compound = false;
    forTopLevel(sql, [&](qsizetype i) { compound = compound || sql.at(i).isSpace(); });
    return (compound ? u"("_s + sql + u")"_s : sql) + u" COLLATE NOCASE"_s;
}

// The name SQLite gives a result column for `"table"."field"` or `"field"`; empty for anything else.
QString naturalName(const QString& expression)
{
    QString name;
    qsizetype i = 0;
    while (i < expression.size()) {
        if (expression.at(i) != u'"')
            return {};
        name.clear();
        ++i;
        for (;;) {
            if (i >= expression.size())
                return {};
            if (expression.at(i) == u'"') {
                if (i + 1 < expression.size() && expression.at(i + 1) == u'"') {
                    name += u'"';
                    i += 2;
                    continue;
                }
                ++i;
                break;
            }
            name += expression.at(i++);
        }
        if (i < expression.size()) {
            if (expression.at(i) != u'.')
                return {};
            ++i;
        }
    }
    return name;
}

QString numberText(double value)
{
    if (!std::isfinite(value))
        return u"NULL"_s;
    if (value == 0.0)
        return u"0"_s;
    const double magnitude = std::abs(value);
    const char format = magnitude >= 1e-6 && magnitude < 1e15 ? 'f' : 'g';
    return QString::number(value, format, QLocale::FloatingPointShortest);
}

// ---------------------------------------------------------------------------------------------------------------
// Tokens

enum class TokenType
{
    Word,      // a name or keyword as written
    Name,      // [bracketed name]: text is the name
    String,    // text is the value, quotes removed
    Date,      // text is the ISO date (and time)
    Number,    // as written
    Parameter, // ?
    Symbol,    // operator or punctuation
    End
};

struct Token
{
    TokenType type = TokenType::End;
    QString text;
    qsizetype start = 0;
    qsizetype end = 0;
};

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isWordPart(QChar c)
{
    return c.isLetterOrNumber() || c.isMark() || c == u'_';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// "h:mm[:ss] [AM|PM]".
std::optional<QTime> timeOfDay(QString text)
{
    text = text.trimmed().toUpper();
    int hourShift = -1;
    if (text.endsWith(u"AM"_s) || text.endsWith(u"PM"_s)) {
        hourShift = text.endsWith(u"PM"_s) ? 12 : 0;
        text.chop(2);
        text = text.trimmed();
    }
    const QStringList parts = text.split(u':');
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    int values[3] = {0, 0, 0};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        bool ok = false;
        values[i] = parts.at(i).toInt(&ok);
        if (!ok)
            return std::nullopt;
    }
    if (hourShift >= 0) {
        if (values[0] < 1 || values[0] > 12)
            return std::nullopt;
        values[0] = values[0] % 12 + hourShift;
    }
    const QTime time(values[0], values[1], values[2]);
    if (!time.isValid())
        return std::nullopt;
    return time;
}

// The inside of #…#: a date, optionally followed by a time. Gives the ISO text the database keeps.
std::optional<QString> isoDate(const QString& literal)
{
    const QString text = literal.trimmed();
    const qsizetype blank = text.indexOf(u' ');
    const QString datePart = blank < 0 ? text : text.left(blank);
    QDate date = datetext::parseLiteral(datePart);
    if (!date.isValid() &&
        std::any_of(datePart.begin(), datePart.end(), [](QChar c) { return c.isLetter(); }))
        date = datetext::parse(datePart);
    if (!date.isValid())
        return std::nullopt;
    QString iso = date.toString(Qt::ISODate);
    if (blank >= 0) {
        const std::optional<QTime> time = timeOfDay(text.mid(blank + 1));
        if (!time)
            return std::nullopt;
        iso += u' ' + time->toString(u"HH:mm:ss"_s);
    }
    return iso;
}

qsizetype numberEnd(const QString& text, qsizetype i)
{
    const qsizetype size = text.size();
    while (i < size && isDigit(text.at(i)))
        ++i;
    if (i < size && text.at(i) == u'.') {
        ++i;
        while (i < size && isDigit(text.at(i)))
            ++i;
    }
    if (i < size && (text.at(i) == u'e' || text.at(i) == u'E')) {
        qsizetype j = i + 1;
        if (j < size && (text.at(j) == u'+' || text.at(j) == u'-'))
            ++j;
        if (j < size && isDigit(text.at(j))) {
            i = j;
            while (i < size && isDigit(text.at(i)))
                ++i;
        }
    }
    return i;
}

QString missingItemDescription(const QString& fragment)
{
    return u"Missing ), ], or Item in query expression '%1'."_s.arg(fragment);
}

// Splits a statement into tokens. False, with a description, for an unterminated string, name or date, an
// invalid date, or a character that has no place in a statement.
bool tokenize(const QString& text, QList<Token>& tokens, QString& error)
{
    static const QString singleSymbols = u"=<>&+-*/\\^(),.;!"_s;
    const qsizetype size = text.size();
    qsizetype i = 0;
    while (i < size) {
        const QChar c = text.at(i);
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token token;
        token.start = i;
        const bool afterName = !tokens.isEmpty() && (tokens.last().type == TokenType::Word ||
                                                     tokens.last().type == TokenType::Name);
        if (isWordStart(c)) {
            while (i < size && isWordPart(text.at(i)))
                ++i;
            // A function's name may end in "$" (Format$, Left$: the same function, giving text).
            qsizetype after = i + 1;
            while (after < size && text.at(after).isSpace())
                ++after;
            if (i < size && text.at(i) == u'$' && after < size && text.at(after) == u'(')
                ++i;
            token.type = TokenType::Word;
            token.text = text.mid(token.start, i - token.start);
        } else if (isDigit(c) || (c == u'.' && !afterName && i + 1 < size && isDigit(text.at(i + 1)))) {
            i = numberEnd(text, i);
            token.type = TokenType::Number;
            token.text = text.mid(token.start, i - token.start);
        } else if (c == u'[' || c == u'`') {
            const qsizetype close = text.indexOf(c == u'[' ? u']' : u'`', i + 1);
            if (close < 0) {
                error = missingItemDescription(text.mid(i).trimmed());
                return false;
            }
            token.type = TokenType::Name;
            token.text = text.mid(i + 1, close - i - 1);
            i = close + 1;
            if (token.text.trimmed().isEmpty()) {
                error =
                    u"Syntax error in query expression '%1'."_s.arg(text.mid(token.start, i - token.start));
                return false;
            }
        } else if (c == u'\'' || c == u'"') {
            bool closed = false;
            for (++i; i < size; ++i) {
                if (text.at(i) == c) {
                    if (i + 1 < size && text.at(i + 1) == c) {
                        token.text += c;
                        ++i;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                token.text += text.at(i);
            }
            if (!closed) {
                error = u"Syntax error in string in query expression '%1'."_s.arg(
                    text.mid(token.start).trimmed());
                return false;
            }
            token.type = TokenType::String;
        } else if (c == u'#') {
            const qsizetype close = text.indexOf(u'#', i + 1);
            const std::optional<QString> iso =
                close < 0 ? std::nullopt : isoDate(text.mid(i + 1, close - i - 1));
            if (!iso) {
                const QString fragment = close < 0 ? text.mid(i) : text.mid(i, close - i + 1);
                error = u"Syntax error in date in query expression '%1'."_s.arg(fragment.trimmed());
                return false;
            }
            token.type = TokenType::Date;
            token.text = *iso;
            i = close + 1;
        } else if (c == u'?') {
            token.type = TokenType::Parameter;
            token.text = u"?"_s;
            ++i;
        } else {
            const QString pair = text.mid(i, 2);
            if (pair == u"<>"_s || pair == u"<="_s || pair == u">="_s) {
                token.text = pair;
                i += 2;
            } else if (singleSymbols.contains(c)) {
                token.text = c;
                ++i;
            } else {
                error = u"Syntax error in query expression '%1'."_s.arg(text.mid(i).trimmed());
                return false;
            }
            token.type = TokenType::Symbol;
        }
        token.end = i;
        tokens.append(token);
    }
    Token end;
    end.start = end.end = size;
    tokens.append(end);
    return true;
}

// ---------------------------------------------------------------------------------------------------------------
// Expressions

// SQLite's operator precedence, loosest first. An operand whose operator binds more loosely than the operator
// it is written under gets parentheses.
namespace precedence {
constexpr int Or = 1;
constexpr int And = 2;
constexpr int Not = 3;
constexpr int Equality = 4; // = <> IS IN LIKE BETWEEN
constexpr int Relational = 5;
constexpr int Additive = 6;
constexpr int Multiplicative = 7;
constexpr int Concatenation = 8;
constexpr int Collate = 9;
constexpr int Unary = 10;
constexpr int Atom = 11;
} // namespace precedence

enum class ExprKind
{
    Other,
    Null,
    Text,
    Date,
    Number,
    Field,
    Star,
    Parameter
};

// A translated expression and what its users need to know about it.
struct Expr
{
    QString sql;
    int precedence = precedence::Atom;
    ExprKind kind = ExprKind::Other;
    bool textual = false; // gives text: a text literal or a concatenation
    bool nonNull = false; // never Null: literals and & concatenations
    QString field;        // for Field: the field's name without its table
    QString text;         // for Text: the literal's value
};

QString operand(const Expr& e, int parent, bool rightSide = false)
{
    if (e.precedence < parent || (rightSide && e.precedence == parent))
        return u"("_s + e.sql + u")"_s;
    return e.sql;
}

Expr makeExpr(QString sql, int level, ExprKind kind = ExprKind::Other)
{
    Expr e;
    e.sql = std::move(sql);
    e.precedence = level;
    e.kind = kind;
    return e;
}

Expr nocase(const Expr& e)
{
    if (postgres()) {
        // Columns and literals compare without regard to case already (a literal takes the citext of the
        // column it meets); a text that is worked out (a concatenation) is made citext.
        if (!e.textual || e.kind == ExprKind::Text)
            return e;
        Expr result = makeExpr(u"CAST("_s + e.sql + u" AS citext)"_s, precedence::Atom);
        result.textual = e.textual;
        result.nonNull = e.nonNull;
        return result;
    }
    Expr result = makeExpr(operand(e, precedence::Collate) + u" COLLATE NOCASE"_s, precedence::Collate);
    result.textual = e.textual;
    result.nonNull = e.nonNull;
    return result;
}

// Jet's & joins texts and treats Null as empty text; SQLite's || gives Null.
QString concatenationPiece(const Expr& e, bool rightSide)
{
    if (e.nonNull)
        return operand(e, precedence::Concatenation, rightSide);
    if (postgres())
        return u"coalesce(CAST("_s + e.sql + u" AS text), '')"_s;
    return u"ifnull("_s + e.sql + u", '')"_s;
}

Expr concatenation(const Expr& left, const Expr& right)
{
    Expr e = makeExpr(concatenationPiece(left, false) + u" || "_s + concatenationPiece(right, true),
                      precedence::Concatenation);
    e.textual = true;
    e.nonNull = true;
    return e;
}

// = and <> with Null mean "is empty" in the statements of the office; text literals compare without regard to
// case, as in Jet.
Expr comparison(const Expr& left, const QString& op, const Expr& right)
{
    if ((op == u"="_s || op == u"<>"_s) && (left.kind == ExprKind::Null || right.kind == ExprKind::Null)) {
        const Expr& subject = left.kind == ExprKind::Null ? right : left;
        return makeExpr(operand(subject, precedence::Equality) +
                            (op == u"="_s ? u" IS NULL"_s : u" IS NOT NULL"_s),
                        precedence::Equality);
    }
    const int level = (op == u"="_s || op == u"<>"_s) ? precedence::Equality : precedence::Relational;
    const Expr l = left.textual ? nocase(left) : left;
    const Expr r = right.textual ? nocase(right) : right;
    return makeExpr(operand(l, level) + u' ' + op + u' ' + operand(r, level, true), level);
}

// Jet functions and the text that does their work in SQLite and in PostgreSQL: $n is the n-th argument as
// written, @n the same as a single operand; no text when readFunction writes it. PostgreSQL's own functions
// want their argument types exactly, so texts are cast to text (a citext column reaches them case-sensitive,
// as SQLite's do) and numbers rounded through numeric (which rounds halves away from zero, as SQLite does).
struct FunctionRule
{
    QLatin1String jetName;
    int arguments;
    QLatin1String sqlite;
    QLatin1String postgres;
    bool aggregate = false;
};

const FunctionRule functionRules[] = {
    {"sum"_L1, 1, "sum($1)"_L1, "sum($1)"_L1, true},
    {"count"_L1, 1, "count($1)"_L1, "count($1)"_L1, true},
    {"avg"_L1, 1, "avg($1)"_L1, "avg($1)"_L1, true},
    {"min"_L1, 1, "min($1)"_L1, "min($1)"_L1, true},
    {"max"_L1, 1, "max($1)"_L1, "max($1)"_L1, true},
    {"ucase"_L1, 1, "upper($1)"_L1, "upper(CAST($1 AS text))"_L1},
    {"lcase"_L1, 1, "lower($1)"_L1, "lower(CAST($1 AS text))"_L1},
    {"len"_L1, 1, "length($1)"_L1, "length(CAST($1 AS text))"_L1},
    {"trim"_L1, 1, "trim($1)"_L1, "btrim(CAST($1 AS text))"_L1},
    {"ltrim"_L1, 1, "ltrim($1)"_L1, "ltrim(CAST($1 AS text))"_L1},
    {"rtrim"_L1, 1, "rtrim($1)"_L1, "rtrim(CAST($1 AS text))"_L1},
    {"mid"_L1, 2, "substr($1, $2)"_L1, "substr(CAST($1 AS text), CAST($2 AS integer))"_L1},
    {"mid"_L1, 3, "substr($1, $2, $3)"_L1,
     "substr(CAST($1 AS text), CAST($2 AS integer), CAST($3 AS integer))"_L1},
    {"left"_L1, 2, "substr($1, 1, $2)"_L1, "left(CAST($1 AS text), CAST($2 AS integer))"_L1},
    {"right"_L1, 2, "substr($1, -@2)"_L1, "right(CAST($1 AS text), CAST($2 AS integer))"_L1},
    {"nz"_L1, 1, "ifnull($1, '')"_L1, "coalesce($1, '')"_L1},
    {"nz"_L1, 2, "ifnull($1, $2)"_L1, "coalesce($1, $2)"_L1},
    {"iif"_L1, 3, "iif($1, $2, $3)"_L1, "CASE WHEN quelmar_truth($1) THEN $2 ELSE $3 END"_L1},
    {"year"_L1, 1, "CAST(strftime('%Y', $1) AS INTEGER)"_L1,
     "CAST(EXTRACT(YEAR FROM CAST($1 AS timestamp)) AS integer)"_L1},
    {"month"_L1, 1, "CAST(strftime('%m', $1) AS INTEGER)"_L1,
     "CAST(EXTRACT(MONTH FROM CAST($1 AS timestamp)) AS integer)"_L1},
    {"day"_L1, 1, "CAST(strftime('%d', $1) AS INTEGER)"_L1,
     "CAST(EXTRACT(DAY FROM CAST($1 AS timestamp)) AS integer)"_L1},
    {"hour"_L1, 1, "CAST(strftime('%H', $1) AS INTEGER)"_L1,
     "CAST(EXTRACT(HOUR FROM CAST($1 AS timestamp)) AS integer)"_L1},
    {"minute"_L1, 1, "CAST(strftime('%M', $1) AS INTEGER)"_L1,
     "CAST(EXTRACT(MINUTE FROM CAST($1 AS timestamp)) AS integer)"_L1},
    {"second"_L1, 1, "CAST(strftime('%S', $1) AS INTEGER)"_L1,
     "CAST(trunc(EXTRACT(SECOND FROM CAST($1 AS timestamp))) AS integer)"_L1},
    {"weekday"_L1, 1, "(CAST(strftime('%w', $1) AS INTEGER) + 1)"_L1,
     "(CAST(EXTRACT(DOW FROM CAST($1 AS timestamp)) AS integer) + 1)"_L1},
    {"val"_L1, 1, "CAST($1 AS REAL)"_L1, "quelmar_val(CAST($1 AS text))"_L1},
    {"cstr"_L1, 1, "CAST($1 AS TEXT)"_L1, "CAST($1 AS text)"_L1},
    {"cint"_L1, 1, "CAST(round($1) AS INTEGER)"_L1, "CAST(round(CAST($1 AS numeric)) AS bigint)"_L1},
    {"clng"_L1, 1, "CAST(round($1) AS INTEGER)"_L1, "CAST(round(CAST($1 AS numeric)) AS bigint)"_L1},
    {"cdbl"_L1, 1, "CAST($1 AS REAL)"_L1, "CAST($1 AS double precision)"_L1},
    {"csng"_L1, 1, "CAST($1 AS REAL)"_L1, "CAST($1 AS double precision)"_L1},
    {"ccur"_L1, 1, "round(CAST($1 AS REAL), 4)"_L1,
     "CAST(round(CAST($1 AS numeric), 4) AS double precision)"_L1},
    {"fix"_L1, 1, "CAST($1 AS INTEGER)"_L1, "CAST(trunc(CAST($1 AS numeric)) AS bigint)"_L1},
    {"abs"_L1, 1, "abs($1)"_L1, "abs($1)"_L1},
    {"round"_L1, 1, "round($1)"_L1, "CAST(round(CAST($1 AS numeric)) AS double precision)"_L1},
    {"round"_L1, 2, "round($1, $2)"_L1,
     "CAST(round(CAST($1 AS numeric), CAST($2 AS integer)) AS double precision)"_L1},
    {"instr"_L1, 2, "instr($1, $2)"_L1, "strpos(CAST($1 AS text), CAST($2 AS text))"_L1},
    {"isnull"_L1, 1, "(@1 IS NULL)"_L1, "(@1 IS NULL)"_L1},
    {"chr"_L1, 1, "char($1)"_L1, "chr(CAST($1 AS integer))"_L1},
    {"asc"_L1, 1, "unicode($1)"_L1, "ascii(CAST($1 AS text))"_L1},
    {"replace"_L1, 3, "replace($1, $2, $3)"_L1,
     "replace(CAST($1 AS text), CAST($2 AS text), CAST($3 AS text))"_L1},
    {"date"_L1, 0, "date('now', 'localtime')"_L1, "CURRENT_DATE"_L1},
    {"time"_L1, 0, "time('now', 'localtime')"_L1, "CAST(LOCALTIME(0) AS text)"_L1},
    {"now"_L1, 0, "datetime('now', 'localtime')"_L1, "LOCALTIMESTAMP(0)"_L1},
    {"int"_L1, 1,
     "(CASE WHEN @1 < CAST(@1 AS INTEGER) THEN CAST(@1 AS INTEGER) - 1 ELSE CAST(@1 AS INTEGER) END)"_L1,
     "CAST(floor(CAST($1 AS double precision)) AS bigint)"_L1},
    {"sgn"_L1, 1, "(CASE WHEN @1 > 0 THEN 1 WHEN @1 < 0 THEN -1 WHEN @1 = 0 THEN 0 END)"_L1,
     "(CASE WHEN @1 > 0 THEN 1 WHEN @1 < 0 THEN -1 WHEN @1 = 0 THEN 0 END)"_L1},
    {"str"_L1, 1, ""_L1, ""_L1},
    // The value of the first and of the last row of the group, Null included, in the order the rows are read.
    {"first"_L1, 1, "quelmar_first($1)"_L1, "(array_agg($1))[1]"_L1, true},
    {"last"_L1, 1, "quelmar_last($1)"_L1, "(array_agg($1))[CAST(count(*) AS integer)]"_L1, true},
    {"stdev"_L1, 1, "quelmar_stdev($1)"_L1, "stddev_samp(CAST($1 AS double precision))"_L1, true},
    {"stdevp"_L1, 1, "quelmar_stdevp($1)"_L1, "stddev_pop(CAST($1 AS double precision))"_L1, true},
    {"var"_L1, 1, "quelmar_var($1)"_L1, "var_samp(CAST($1 AS double precision))"_L1, true},
    {"varp"_L1, 1, "quelmar_varp($1)"_L1, "var_pop(CAST($1 AS double precision))"_L1, true},
    // Format, DateAdd, DateDiff and DatePart read their format or interval when the statement is translated
    // (readFunction).
    {"format"_L1, 2, ""_L1, ""_L1},
    {"dateadd"_L1, 3, ""_L1, ""_L1},
    {"datediff"_L1, 3, ""_L1, ""_L1},
    {"datepart"_L1, 2, ""_L1, ""_L1},
};

// The function a name written in a statement calls, in lower case: "Format$" is "format". Only the functions
// that have a "$" form drop it.
QString functionKey(const QString& written)
{
    static const QStringList textForms = {u"chr"_s,   u"format"_s, u"lcase"_s, u"left"_s,
                                          u"ltrim"_s, u"mid"_s,    u"right"_s, u"rtrim"_s,
                                          u"str"_s,   u"trim"_s,   u"ucase"_s};
    const QString key = written.toLower();
    if (key.endsWith(u'$') && textForms.contains(key.chopped(1)))
        return key.chopped(1);
    return key;
}

// Whether a Jet function of this name is known (with any number of arguments).
bool isKnownFunction(const QString& name)
{
    return std::any_of(std::begin(functionRules), std::end(functionRules),
                       [&](const FunctionRule& rule) { return name == rule.jetName; });
}

QString applyRule(QLatin1String pattern, const QList<Expr>& arguments)
{
    QString sql;
    const char* text = pattern.data();
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const char c = text[i];
        if ((c == '$' || c == '@') && i + 1 < pattern.size() && text[i + 1] >= '1' && text[i + 1] <= '9') {
            const Expr& argument = arguments.at(text[i + 1] - '1');
            sql += c == '$' ? argument.sql : operand(argument, precedence::Atom);
            ++i;
        } else {
            sql += QLatin1Char(c);
        }
    }
    return sql;
}

// Statement words that never name a field or a table.
bool isReserved(const QString& word)
{
    static const QStringList words = {
        u"select"_s,      u"from"_s,     u"where"_s, u"group"_s,  u"by"_s,        u"having"_s,  u"order"_s,
        u"as"_s,          u"on"_s,       u"join"_s,  u"inner"_s,  u"left"_s,      u"right"_s,   u"outer"_s,
        u"union"_s,       u"pivot"_s,    u"into"_s,  u"values"_s, u"set"_s,       u"and"_s,     u"or"_s,
        u"not"_s,         u"xor"_s,      u"like"_s,  u"is"_s,     u"in"_s,        u"between"_s, u"asc"_s,
        u"desc"_s,        u"distinct"_s, u"top"_s,   u"mod"_s,    u"transform"_s, u"exists"_s,  u"all"_s,
        u"distinctrow"_s, u"percent"_s};
    return words.contains(word.toLower());
}

// Nesting deeper than this is refused (as Jet does), so that no input can exhaust the stack.
constexpr int MaxDepth = 64;

// ---------------------------------------------------------------------------------------------------------------
// Parser: recursive descent over Jet's grammar, writing SQLite text as it goes.

class Parser
{
public:
    Parser(const QString& source, QList<Token> tokens) : m_source(source), m_tokens(std::move(tokens)) {}

    TranslatedStatement statement();
    Expr standaloneExpression();

    bool failed() const { return m_failed; }
    int errorNumber() const { return m_errorNumber; }
    QString errorDescription() const { return m_errorDescription; }

private:
    class DepthGuard
    {
    public:
        explicit DepthGuard(Parser& parser) : m_parser(parser)
        {
            if (++m_parser.m_depth > MaxDepth)
                m_parser.fail(u"Query is too complex."_s);
        }
        ~DepthGuard() { --m_parser.m_depth; }
        DepthGuard(const DepthGuard&) = delete;
        DepthGuard& operator=(const DepthGuard&) = delete;

    private:
        Parser& m_parser;
    };

    // Tokens
    const Token& peek(qsizetype ahead = 0) const
    {
        return m_tokens.at(std::min(m_position + ahead, m_tokens.size() - 1));
    }
    bool atEnd() const { return peek().type == TokenType::End; }
    Token take()
    {
        const Token token = peek();
        if (m_position < m_tokens.size() - 1)
            ++m_position;
        return token;
    }
    bool atWord(QLatin1String word, qsizetype ahead = 0) const
    {
        const Token& token = peek(ahead);
        return token.type == TokenType::Word && sameWord(token.text, word);
    }
    bool acceptWord(QLatin1String word)
    {
        if (!atWord(word))
            return false;
        take();
        return true;
    }
    bool atSymbol(QStringView symbol, qsizetype ahead = 0) const
    {
        const Token& token = peek(ahead);
        return token.type == TokenType::Symbol && token.text == symbol;
    }
    bool acceptSymbol(QStringView symbol)
    {
        if (!atSymbol(symbol))
            return false;
        take();
        return true;
    }
    bool atNameToken(qsizetype ahead = 0) const
    {
        const Token& token = peek(ahead);
        return token.type == TokenType::Name || (token.type == TokenType::Word && !isReserved(token.text));
    }

    // Errors. After the first one the parser sits at the end, so every loop stops.
    void fail(const QString& description, int number = jeterror::TooFewParameters)
    {
        if (m_failed)
            return;
        m_failed = true;
        m_errorNumber = number;
        m_errorDescription = description;
        m_position = m_tokens.size() - 1;
    }
    QString fragment() const
    {
        const qsizetype end = std::max(peek().end, m_expressionStart);
        const QString text = m_source.mid(m_expressionStart, end - m_expressionStart).trimmed();
        return text.isEmpty() ? m_source.trimmed() : text;
    }
    void failSyntax() { fail(u"Syntax error in query expression '%1'."_s.arg(fragment())); }
    void failMissingOperator()
    {
        fail(u"Syntax error (missing operator) in query expression '%1'."_s.arg(fragment()));
    }
    void failMissingItem() { fail(missingItemDescription(fragment())); }
    // The text of a function call, from its name to the token last taken (its closing parenthesis).
    QString callText(const Token& name) const
    {
        const qsizetype end = m_tokens.at(std::max<qsizetype>(m_position - 1, 0)).end;
        return m_source.mid(name.start, end - name.start).trimmed();
    }
    void expectClose()
    {
        if (!acceptSymbol(u")"))
            failMissingItem();
    }
    void startExpression()
    {
        m_expressionStart = peek().start;
        m_inFrom = false;
    }
    void expectEnd();

    // Expressions, loosest first
    Expr expression();
    Expr conjunction();
    Expr negation();
    Expr comparisonChain();
    Expr concatenationChain();
    Expr additive();
    Expr modulo();
    Expr integerDivision();
    Expr multiplicative();
    Expr unary();
    Expr power();
    Expr primary();
    Expr reference();
    Expr functionCall(const Token& name);
    Expr readFunction(const Token& name, const QList<Expr>& arguments);
    Expr clauseExpression()
    {
        startExpression();
        return expression();
    }
    QString subquery();

    // Statements
    SelectItem selectItem(int& expressionNumber);
    SelectParts selectCore();
    QString selectStatement(SelectParts& parts);
    QString fromList(SelectParts& parts);
    QString joinChain(SelectParts& parts);
    QString tablePrimary(SelectParts& parts, bool leftmost);
    QString tableAlias();
    QString expressionList();
    QString orderList();
    QString columnName();
    void crosstab(CrosstabParts& parts);
    void insert(TranslatedStatement& result);
    void update(TranslatedStatement& result);
    void remove(TranslatedStatement& result);
    QString passThrough();

    const QString& m_source;
    QList<Token> m_tokens;
    qsizetype m_position = 0;
    bool m_failed = false;
    int m_errorNumber = jeterror::TooFewParameters;
    QString m_errorDescription;
    qsizetype m_expressionStart = 0;
    int m_depth = 0;
    bool m_aggregateSeen = false; // an aggregate function in the current select item
    bool m_inFrom = false;        // inside FROM, outside its ON conditions
};

Expr Parser::expression()
{
    Expr left = conjunction();
    while (!m_failed && acceptWord("OR"_L1)) {
        const Expr right = conjunction();
        left = makeExpr(operand(left, precedence::Or) + u" OR "_s + operand(right, precedence::Or, true),
                        precedence::Or);
    }
    return left;
}

Expr Parser::conjunction()
{
    Expr left = negation();
    while (!m_failed && acceptWord("AND"_L1)) {
        const Expr right = negation();
        left = makeExpr(operand(left, precedence::And) + u" AND "_s + operand(right, precedence::And, true),
                        precedence::And);
    }
    return left;
}

Expr Parser::negation()
{
    if (!atWord("NOT"_L1))
        return comparisonChain();
    DepthGuard guard(*this);
    take();
    const Expr inner = negation();
    return makeExpr(u"NOT "_s + operand(inner, precedence::Not), precedence::Not);
}

Expr Parser::comparisonChain()
{
    Expr left = concatenationChain();
    while (!m_failed) {
        const Token& token = peek();
        if (token.type == TokenType::Symbol &&
            (token.text == u"="_s || token.text == u"<>"_s || token.text == u"<"_s || token.text == u">"_s ||
             token.text == u"<="_s || token.text == u">="_s)) {
            const QString op = take().text;
            left = comparison(left, op, concatenationChain());
            continue;
        }
        const bool negated =
            atWord("NOT"_L1) && (atWord("LIKE"_L1, 1) || atWord("IN"_L1, 1) || atWord("BETWEEN"_L1, 1));
        if (negated)
            take();
        const QString notText = negated ? u" NOT"_s : QString();
        if (acceptWord("LIKE"_L1)) {
            const Expr pattern = concatenationChain();
            if (postgres()) {
                // Jet's pattern becomes a regular expression on the server; for a constant pattern the
                // function (immutable) is worked out once, when the statement is planned.
                left = makeExpr(u"CAST("_s + left.sql + (negated ? u" AS text) !~* "_s : u" AS text) ~* "_s) +
                                    u"quelmar_like_regex(CAST("_s + pattern.sql + u" AS text))"_s,
                                precedence::Equality);
                continue;
            }
            left = makeExpr(operand(left, precedence::Equality) + notText + u" LIKE "_s +
                                operand(pattern, precedence::Equality, true),
                            precedence::Equality);
        } else if (acceptWord("BETWEEN"_L1)) {
            const Expr low = concatenationChain();
            if (!acceptWord("AND"_L1))
                failMissingOperator();
            const Expr high = concatenationChain();
            const Expr lowBound = low.textual ? nocase(low) : low;
            const Expr highBound = high.textual ? nocase(high) : high;
            left = makeExpr(operand(left, precedence::Equality) + notText + u" BETWEEN "_s +
                                operand(lowBound, precedence::Relational) + u" AND "_s +
                                operand(highBound, precedence::Relational),
                            precedence::Equality);
        } else if (acceptWord("IN"_L1)) {
            if (!acceptSymbol(u"(")) {
                failSyntax();
                break;
            }
            QString list;
            if (atWord("SELECT"_L1)) {
                list = subquery();
            } else {
                QStringList values;
                do {
                    values << expression().sql;
                } while (!m_failed && acceptSymbol(u","));
                list = values.join(u", "_s);
            }
            expectClose();
            left = makeExpr(operand(left, precedence::Equality) + notText + u" IN ("_s + list + u")"_s,
                            precedence::Equality);
        } else if (!negated && acceptWord("IS"_L1)) {
            const bool isNot = acceptWord("NOT"_L1);
            if (!acceptWord("NULL"_L1)) {
                failSyntax();
                break;
            }
            left = makeExpr(operand(left, precedence::Equality) + (isNot ? u" IS NOT NULL"_s : u" IS NULL"_s),
                            precedence::Equality);
        } else {
            break;
        }
    }
    return left;
}

Expr Parser::concatenationChain()
{
    Expr left = additive();
    while (!m_failed && acceptSymbol(u"&"))
        left = concatenation(left, additive());
    return left;
}

// Jet's + also joins texts (giving Null when either is Null): it does so here when an operand is known to be
// text.
Expr Parser::additive()
{
    Expr left = modulo();
    while (!m_failed && (atSymbol(u"+") || atSymbol(u"-"))) {
        const QString op = take().text;
        const Expr right = modulo();
        if (op == u"+"_s && (left.textual || right.textual)) {
            const bool nonNull = left.nonNull && right.nonNull;
            left = makeExpr(operand(left, precedence::Concatenation) + u" || "_s +
                                operand(right, precedence::Concatenation, true),
                            precedence::Concatenation);
            left.textual = true;
            left.nonNull = nonNull;
        } else {
            left = makeExpr(operand(left, precedence::Additive) + u' ' + op + u' ' +
                                operand(right, precedence::Additive, true),
                            precedence::Additive);
        }
    }
    return left;
}

Expr Parser::modulo()
{
    Expr left = integerDivision();
    while (!m_failed && acceptWord("MOD"_L1)) {
        const Expr right = integerDivision();
        if (postgres()) {
            // Both sides whole numbers, truncated, as SQLite's % takes them.
            left =
                makeExpr(u"CAST(trunc(CAST("_s + left.sql + u" AS numeric)) AS bigint) % CAST(trunc(CAST("_s +
                             right.sql + u" AS numeric)) AS bigint)"_s,
                         precedence::Multiplicative);
            continue;
        }
        left = makeExpr(operand(left, precedence::Multiplicative) + u" % "_s +
                            operand(right, precedence::Multiplicative, true),
                        precedence::Multiplicative);
    }
    return left;
}

// a \ b: both rounded to whole numbers, the quotient truncated.
Expr Parser::integerDivision()
{
    Expr left = multiplicative();
    while (!m_failed && acceptSymbol(u"\\")) {
        const Expr right = multiplicative();
        if (postgres()) {
            left =
                makeExpr(u"CAST(round(CAST("_s + left.sql + u" AS numeric)) AS bigint) / CAST(round(CAST("_s +
                             right.sql + u" AS numeric)) AS bigint)"_s,
                         precedence::Multiplicative);
            continue;
        }
        left = makeExpr(u"CAST(round("_s + left.sql + u") AS INTEGER) / CAST(round("_s + right.sql +
                            u") AS INTEGER)"_s,
                        precedence::Multiplicative);
    }
    return left;
}

// Jet's / always divides as real numbers; SQLite's truncates when both operands are integers.
Expr Parser::multiplicative()
{
    Expr left = unary();
    while (!m_failed && (atSymbol(u"*") || atSymbol(u"/"))) {
        const QString op = take().text;
        const Expr right = unary();
        const QString leftText =
            op == u"/"_s ? u"CAST("_s + left.sql + (postgres() ? u" AS double precision)"_s : u" AS REAL)"_s)
                         : operand(left, precedence::Multiplicative);
        left = makeExpr(leftText + u' ' + op + u' ' + operand(right, precedence::Multiplicative, true),
                        precedence::Multiplicative);
    }
    return left;
}

Expr Parser::unary()
{
    if (atSymbol(u"-") || atSymbol(u"+")) {
        DepthGuard guard(*this);
        const bool minus = take().text == u"-"_s;
        const Expr inner = unary();
        if (!minus)
            return inner;
        return makeExpr(u"-"_s + operand(inner, precedence::Unary, true), precedence::Unary);
    }
    return power();
}

Expr Parser::power()
{
    Expr left = primary();
    while (!m_failed && acceptSymbol(u"^")) {
        const Expr right = unary();
        left = makeExpr((postgres() ? u"power("_s : u"pow("_s) + left.sql + u", "_s + right.sql + u")"_s,
                        precedence::Atom);
    }
    return left;
}

Expr Parser::primary()
{
    DepthGuard guard(*this);
    if (m_failed)
        return {};
    const Token token = peek();
    switch (token.type) {
    case TokenType::Number: {
        take();
        Expr e = makeExpr(token.text, precedence::Atom, ExprKind::Number);
        e.nonNull = true;
        return e;
    }
    case TokenType::String: {
        take();
        Expr e = makeExpr(quote(token.text), precedence::Atom, ExprKind::Text);
        e.text = token.text;
        e.textual = true;
        e.nonNull = true;
        return e;
    }
    case TokenType::Date: {
        take();
        Expr e = makeExpr(quote(token.text), precedence::Atom, ExprKind::Date);
        e.nonNull = true;
        return e;
    }
    case TokenType::Parameter:
        take();
        return makeExpr(u"?"_s, precedence::Atom, ExprKind::Parameter);
    case TokenType::Name:
        return reference();
    case TokenType::Word:
        break;
    case TokenType::Symbol:
        if (acceptSymbol(u"(")) {
            if (atWord("SELECT"_L1)) {
                const QString sql = subquery();
                expectClose();
                return makeExpr(u"("_s + sql + u")"_s, precedence::Atom);
            }
            Expr inner = expression();
            expectClose();
            inner.sql = u"("_s + inner.sql + u")"_s;
            inner.precedence = precedence::Atom;
            if (inner.kind == ExprKind::Field || inner.kind == ExprKind::Star)
                inner.kind = ExprKind::Other;
            return inner;
        }
        failSyntax();
        return {};
    case TokenType::End:
        failSyntax();
        return {};
    }

    if (acceptWord("TRUE"_L1) || acceptWord("FALSE"_L1)) {
        Expr e =
            makeExpr(sameWord(token.text, "TRUE"_L1) ? u"1"_s : u"0"_s, precedence::Atom, ExprKind::Number);
        e.nonNull = true;
        return e;
    }
    if (acceptWord("NULL"_L1))
        return makeExpr(u"NULL"_s, precedence::Atom, ExprKind::Null);
    if (atWord("EXISTS"_L1) && atSymbol(u"(", 1) && atWord("SELECT"_L1, 2)) {
        take();
        take();
        const QString sql = subquery();
        expectClose();
        return makeExpr(u"EXISTS ("_s + sql + u")"_s, precedence::Atom);
    }
    const bool function = atSymbol(u"(", 1);
    if (isReserved(token.text) &&
        !(function && (sameWord(token.text, "LEFT"_L1) || sameWord(token.text, "RIGHT"_L1)))) {
        take();
        failSyntax();
        return {};
    }
    if (function) {
        take();
        return functionCall(token);
    }
    return reference();
}

// table.field, [table].[field], field, table.* (Jet's ! works as the dot).
Expr Parser::reference()
{
    const Token first = take();
    QStringList parts{quoteIdentifier(first.text)};
    QString last = first.text;
    while (!m_failed && (atSymbol(u".") || atSymbol(u"!"))) {
        const Token& next = peek(1);
        if (next.type == TokenType::Symbol && next.text == u"*"_s) {
            take();
            take();
            return makeExpr(parts.join(u'.') + u".*"_s, precedence::Atom, ExprKind::Star);
        }
        if (next.type != TokenType::Word && next.type != TokenType::Name) {
            take();
            failSyntax();
            return {};
        }
        take();
        last = take().text;
        parts << quoteIdentifier(last);
    }
    Expr e = makeExpr(parts.join(u'.'), precedence::Atom, ExprKind::Field);
    e.field = last;
    return e;
}

Expr Parser::functionCall(const Token& name)
{
    take(); // (
    QList<Expr> arguments;
    bool star = false;
    if (acceptSymbol(u"*")) {
        star = true;
    } else if (!atSymbol(u")")) {
        do {
            arguments << expression();
        } while (!m_failed && acceptSymbol(u","));
    }
    expectClose();
    if (m_failed)
        return {};

    const QString key = functionKey(name.text);
    if (star) {
        if (key != u"count"_s) {
            failSyntax();
            return {};
        }
        m_aggregateSeen = true;
        return makeExpr(u"count(*)"_s, precedence::Atom);
    }
    for (const FunctionRule& rule : functionRules) {
        if (key == rule.jetName && arguments.size() == rule.arguments) {
            m_aggregateSeen = m_aggregateSeen || rule.aggregate;
            if (rule.sqlite.isEmpty())
                return readFunction(name, arguments);
            return makeExpr(applyRule(postgres() ? rule.postgres : rule.sqlite, arguments), precedence::Atom);
        }
    }
    // Only Jet's functions are known: a name of the backend's own is never called in their place.
    if (isKnownFunction(key))
        fail(u"Wrong number of arguments used with function in query expression '%1'."_s.arg(callText(name)),
             jeterror::SyntaxErrorInExpression);
    else
        fail(u"Undefined function '%1' in expression."_s.arg(name.text), jeterror::UndefinedFunction);
    return {};
}

// The functions whose format or interval is read here: the file's functions take it as written (and read it
// again for each row), the server's SQL is written for it.
Expr Parser::readFunction(const Token& name, const QList<Expr>& arguments)
{
    const QString key = functionKey(name.text);
    using namespace jetfunctions;
    const auto literalArgument = [&](int index) -> std::optional<QString> {
        const Expr& argument = arguments.at(index);
        if (argument.kind != ExprKind::Text)
            return std::nullopt;
        return argument.text;
    };
    const auto failArgument = [&](const QString& what) {
        fail(u"Invalid %1 in query expression '%2'."_s.arg(what, callText(name)),
             jeterror::SyntaxErrorInExpression);
        return Expr{};
    };
    if (key == u"str"_s) {
        Expr e = makeExpr(postgres() ? strSql(arguments.at(0).sql)
                                     : u"quelmar_str("_s + arguments.at(0).sql + u")"_s,
                          precedence::Atom);
        e.textual = true;
        return e;
    }
    if (key == u"format"_s) {
        const std::optional<QString> text = literalArgument(1);
        const std::optional<FormatSpec> spec = text ? readFormat(*text) : std::nullopt;
        if (!spec)
            return failArgument(u"format"_s);
        Expr e = makeExpr(postgres()
                              ? formatSql(*spec, arguments.at(0).sql)
                              : u"quelmar_format("_s + arguments.at(0).sql + u", "_s + quote(*text) + u")"_s,
                          precedence::Atom);
        e.textual = true;
        return e;
    }
    const std::optional<QString> code = literalArgument(0);
    const std::optional<Interval> interval = code ? readInterval(*code) : std::nullopt;
    if (!interval)
        return failArgument(u"interval"_s);
    QStringList texts;
    for (const Expr& argument : arguments.mid(1))
        texts << argument.sql;
    if (!postgres())
        return makeExpr(u"quelmar_"_s + key + u"("_s + quote(*code) + u", "_s + texts.join(u", "_s) + u")"_s,
                        precedence::Atom);
    if (key == u"dateadd"_s)
        return makeExpr(dateAddSql(*interval, texts.at(0), texts.at(1)), precedence::Atom);
    if (key == u"datediff"_s)
        return makeExpr(dateDiffSql(*interval, texts.at(0), texts.at(1)), precedence::Atom);
    return makeExpr(datePartSql(*interval, texts.at(0)), precedence::Atom);
}

// A SELECT inside parentheses; the parser stands on its SELECT and is left on the closing parenthesis.
QString Parser::subquery()
{
    const qsizetype expressionStart = m_expressionStart;
    const bool aggregateSeen = m_aggregateSeen;
    const bool inFrom = m_inFrom;
    take(); // SELECT
    SelectParts parts;
    const QString sql = selectStatement(parts);
    m_expressionStart = expressionStart;
    m_aggregateSeen = aggregateSeen;
    m_inFrom = inFrom;
    return sql;
}

void Parser::expectEnd()
{
    if (m_failed)
        return;
    if (atSymbol(u";") && peek(1).type == TokenType::End)
        take();
    if (atEnd())
        return;
    if (atSymbol(u";"))
        fail(u"Characters found after end of SQL statement."_s);
    else if (m_inFrom)
        fail(u"Syntax error in FROM clause."_s);
    else
        failMissingOperator();
}

// ---------------------------------------------------------------------------------------------------------------
// SELECT

SelectItem Parser::selectItem(int& expressionNumber)
{
    startExpression();
    SelectItem item;
    if (acceptSymbol(u"*")) {
        item.expression = u"*"_s;
        item.isStar = true;
        return item;
    }
    m_aggregateSeen = false;
    const Expr e = expression();
    item.expression = e.sql;
    item.isAggregate = m_aggregateSeen;
    if (e.kind == ExprKind::Star) {
        item.isStar = true;
        return item;
    }
    if (acceptWord("AS"_L1)) {
        const Token alias = take();
        if (alias.type == TokenType::Word || alias.type == TokenType::Name || alias.type == TokenType::String)
            item.alias = alias.text;
        else
            failSyntax();
    }
    if (!item.alias.isEmpty())
        item.name = item.alias;
    else if (e.kind == ExprKind::Field)
        item.name = e.field;
    else
        item.name = u"Expr%1"_s.arg(expressionNumber++);
    return item;
}

// The parser stands after SELECT.
SelectParts Parser::selectCore()
{
    SelectParts parts;
    parts.dialect = t_dialect;
    if (acceptWord("DISTINCT"_L1))
        parts.distinct = true;
    else if (!acceptWord("DISTINCTROW"_L1))
        acceptWord("ALL"_L1);
    if (atWord("TOP"_L1)) {
        startExpression();
        take();
        const Token count = take();
        bool ok = count.type == TokenType::Number;
        parts.top = ok ? count.text.toInt(&ok) : -1;
        if (!ok || parts.top < 0)
            failSyntax();
        else if (atWord("PERCENT"_L1))
            fail(u"TOP … PERCENT is not supported."_s);
    }
    int expressionNumber = 1000;
    do {
        parts.items << selectItem(expressionNumber);
    } while (!m_failed && acceptSymbol(u","));
    if (atWord("INTO"_L1))
        fail(u"SELECT … INTO is not supported."_s);
    if (acceptWord("FROM"_L1)) {
        m_inFrom = true;
        parts.from = fromList(parts);
    }
    if (acceptWord("WHERE"_L1))
        parts.where = clauseExpression().sql;
    if (atWord("GROUP"_L1) && atWord("BY"_L1, 1)) {
        take();
        take();
        parts.groupBy = expressionList();
    }
    if (acceptWord("HAVING"_L1))
        parts.having = clauseExpression().sql;
    if (atWord("ORDER"_L1) && atWord("BY"_L1, 1)) {
        take();
        take();
        parts.orderBy = orderList();
    }
    parts.hasAggregates = !parts.groupBy.isEmpty() || !parts.having.isEmpty() ||
                          std::any_of(parts.items.cbegin(), parts.items.cend(),
                                      [](const SelectItem& item) { return item.isAggregate; });
    return parts;
}

// A SELECT and the members UNION adds to it; the parser stands after the first SELECT.
QString Parser::selectStatement(SelectParts& parts)
{
    parts = selectCore();
    if (!atWord("UNION"_L1))
        return parts.toSql();

    QList<SelectParts> members{parts};
    QList<bool> unionAll;
    while (!m_failed && acceptWord("UNION"_L1)) {
        unionAll << acceptWord("ALL"_L1);
        if (!acceptWord("SELECT"_L1)) {
            startExpression();
            failSyntax();
            break;
        }
        members << selectCore();
    }
    // The ORDER BY of the last member sorts the whole union; any other member that sorts or limits its rows
    // becomes a subquery, since SQLite allows neither inside a union.
    QString orderBy;
    if (members.last().top < 0) {
        orderBy = members.last().orderBy;
        members.last().orderBy.clear();
    }
    QString sql;
    for (qsizetype i = 0; i < members.size(); ++i) {
        const SelectParts& member = members.at(i);
        if (i > 0)
            sql += unionAll.at(i - 1) ? u" UNION ALL "_s : u" UNION "_s;
        const bool wrap = member.top >= 0 || !member.orderBy.isEmpty();
        // PostgreSQL wants a name for every subquery in FROM.
        const QString name = postgres() ? u" AS \"union%1\""_s.arg(i + 1) : QString();
        sql += wrap ? u"SELECT * FROM ("_s + member.toSql() + u")"_s + name : member.toSql();
    }
    if (!orderBy.isEmpty())
        sql += u" ORDER BY "_s + orderBy;
    parts.hasUnion = true;
    parts.orderBy = orderBy;
    return sql;
}

QString Parser::fromList(SelectParts& parts)
{
    QStringList pieces;
    do {
        pieces << joinChain(parts);
    } while (!m_failed && acceptSymbol(u","));
    return pieces.join(u", "_s);
}

QString Parser::joinChain(SelectParts& parts)
{
    DepthGuard guard(*this);
    QString sql = tablePrimary(parts, true);
    while (!m_failed) {
        QString join;
        if (acceptWord("INNER"_L1)) {
            join = u"INNER JOIN"_s;
        } else if (atWord("LEFT"_L1) || atWord("RIGHT"_L1)) {
            join = take().text.toUpper() + u" JOIN"_s;
            acceptWord("OUTER"_L1);
        } else {
            break;
        }
        if (!acceptWord("JOIN"_L1)) {
            fail(u"Syntax error in JOIN operation."_s);
            break;
        }
        const QString right = tablePrimary(parts, false);
        if (!acceptWord("ON"_L1)) {
            fail(u"Syntax error in JOIN operation."_s);
            break;
        }
        const QString condition = clauseExpression().sql;
        m_inFrom = true;
        sql += u' ' + join + u' ' + right + u" ON "_s + condition;
    }
    return sql;
}

// A table, a parenthesized join or a subquery. "(A INNER JOIN B ON …) INNER JOIN C ON …", the way Jet writes
// joins of three tables, comes out without the parentheses, which change nothing there.
QString Parser::tablePrimary(SelectParts& parts, bool leftmost)
{
    if (acceptSymbol(u"(")) {
        if (atWord("SELECT"_L1)) {
            const QString sql = subquery();
            expectClose();
            const QString alias = tableAlias();
            TableReference table{alias, alias, true};
            parts.tables << table;
            if (alias.isEmpty() && postgres())
                return u"("_s + sql + u") AS \"subquery%1\""_s.arg(parts.tables.size());
            return u"("_s + sql + u")"_s + (alias.isEmpty() ? QString() : u" AS "_s + quoteIdentifier(alias));
        }
        const QString inner = joinChain(parts);
        if (!acceptSymbol(u")"))
            fail(u"Syntax error in FROM clause."_s);
        return leftmost ? inner : u"("_s + inner + u")"_s;
    }
    if (!atNameToken()) {
        fail(u"Syntax error in FROM clause."_s);
        return {};
    }
    const QString name = take().text;
    const QString alias = tableAlias();
    parts.tables << TableReference{name, alias.isEmpty() ? name : alias, false};
    return quoteIdentifier(name) + (alias.isEmpty() ? QString() : u" AS "_s + quoteIdentifier(alias));
}

QString Parser::tableAlias()
{
    if (acceptWord("AS"_L1)) {
        if (peek().type == TokenType::Word || peek().type == TokenType::Name)
            return take().text;
        fail(u"Syntax error in FROM clause."_s);
        return {};
    }
    return atNameToken() ? take().text : QString();
}

QString Parser::expressionList()
{
    QStringList terms;
    do {
        terms << clauseExpression().sql;
    } while (!m_failed && acceptSymbol(u","));
    return terms.join(u", "_s);
}

QString Parser::orderList()
{
    QStringList terms;
    do {
        const Expr e = clauseExpression();
        QString term = postgres() && !e.textual ? e.sql : nocase(e).sql;
        // Null sorts before every value, as in SQLite (PostgreSQL puts it after them unless told).
        if (acceptWord("DESC"_L1)) {
            term += postgres() ? u" DESC NULLS LAST"_s : u" DESC"_s;
        } else {
            acceptWord("ASC"_L1);
            if (postgres())
                term += u" NULLS FIRST"_s;
        }
        terms << term;
    } while (!m_failed && acceptSymbol(u","));
    return terms.join(u", "_s);
}

// ---------------------------------------------------------------------------------------------------------------
// Other statements

void Parser::crosstab(CrosstabParts& parts)
{
    const QString syntaxError = u"Syntax error in TRANSFORM statement."_s;
    startExpression();
    static const QStringList aggregates = {u"sum"_s, u"count"_s, u"avg"_s, u"min"_s, u"max"_s};
    const Token function = take();
    parts.aggregateFunction = function.text.toLower();
    if (function.type != TokenType::Word || !aggregates.contains(parts.aggregateFunction) ||
        !acceptSymbol(u"(")) {
        fail(syntaxError);
        return;
    }
    if (acceptSymbol(u"*")) {
        parts.aggregateArgument = u"*"_s;
        if (parts.aggregateFunction != u"count"_s)
            fail(syntaxError);
    } else {
        parts.aggregateArgument = expression().sql;
    }
    expectClose();
    if (acceptWord("AS"_L1)) {
        if (peek().type == TokenType::Word || peek().type == TokenType::Name)
            take();
        else
            fail(syntaxError);
    }
    if (!acceptWord("SELECT"_L1)) {
        fail(syntaxError);
        return;
    }
    parts.select = selectCore();
    if (!acceptWord("PIVOT"_L1)) {
        fail(syntaxError);
        return;
    }
    // The pivot is a value: read below the comparisons, so that IN stays with PIVOT.
    startExpression();
    parts.pivot = concatenationChain().sql;
    if (acceptWord("IN"_L1)) {
        if (!acceptSymbol(u"(")) {
            failSyntax();
            return;
        }
        do {
            parts.fixedValues << expression().sql;
        } while (!m_failed && acceptSymbol(u","));
        expectClose();
    }
}

// A column of INSERT or UPDATE: its table, when written, is dropped (SQLite does not allow it there).
QString Parser::columnName()
{
    if (!atNameToken()) {
        failSyntax();
        return {};
    }
    QString name = take().text;
    while (!m_failed && atSymbol(u".")) {
        take();
        if (!atNameToken()) {
            failSyntax();
            return {};
        }
        name = take().text;
    }
    return quoteIdentifier(name);
}

void Parser::insert(TranslatedStatement& result)
{
    result.kind = StatementKind::Insert;
    startExpression();
    if (!acceptWord("INTO"_L1) || !atNameToken()) {
        fail(u"Syntax error in INSERT INTO statement."_s);
        return;
    }
    result.targetTable = take().text;
    QString sql = u"INSERT INTO "_s + quoteIdentifier(result.targetTable);
    if (acceptSymbol(u"(")) {
        QStringList columns;
        do {
            columns << columnName();
        } while (!m_failed && acceptSymbol(u","));
        expectClose();
        sql += u" ("_s + columns.join(u", "_s) + u")"_s;
    }
    if (acceptWord("VALUES"_L1)) {
        startExpression();
        if (!acceptSymbol(u"(")) {
            failSyntax();
            return;
        }
        QStringList values;
        do {
            values << expression().sql;
        } while (!m_failed && acceptSymbol(u","));
        expectClose();
        sql += u" VALUES ("_s + values.join(u", "_s) + u")"_s;
    } else if (acceptWord("SELECT"_L1)) {
        SelectParts parts;
        sql += u' ' + selectStatement(parts);
    } else {
        fail(u"Syntax error in INSERT INTO statement."_s);
    }
    result.sql = sql;
}

void Parser::update(TranslatedStatement& result)
{
    result.kind = StatementKind::Update;
    startExpression();
    if (!atNameToken()) {
        fail(u"Syntax error in UPDATE statement."_s);
        return;
    }
    result.targetTable = take().text;
    const QString alias = tableAlias();
    if (atWord("INNER"_L1) || atWord("LEFT"_L1) || atWord("RIGHT"_L1) || atSymbol(u",")) {
        fail(u"UPDATE of joined tables is not supported."_s);
        return;
    }
    if (!acceptWord("SET"_L1)) {
        fail(u"Syntax error in UPDATE statement."_s);
        return;
    }
    QString sql = u"UPDATE "_s + quoteIdentifier(result.targetTable) +
                  (alias.isEmpty() ? QString() : u" AS "_s + quoteIdentifier(alias)) + u" SET "_s;
    QStringList assignments;
    do {
        startExpression();
        const QString column = columnName();
        if (!acceptSymbol(u"=")) {
            failMissingOperator();
            return;
        }
        assignments << column + u" = "_s + expression().sql;
    } while (!m_failed && acceptSymbol(u","));
    sql += assignments.join(u", "_s);
    if (acceptWord("WHERE"_L1))
        sql += u" WHERE "_s + clauseExpression().sql;
    result.sql = sql;
}

// DELETE [* | table.*] FROM table [WHERE …]: what stands between DELETE and FROM is dropped.
void Parser::remove(TranslatedStatement& result)
{
    result.kind = StatementKind::Delete;
    const QString syntaxError = u"Syntax error in DELETE statement."_s;
    while (!m_failed && !atWord("FROM"_L1)) {
        const Token token = take();
        const bool allowed = token.type == TokenType::Name ||
                             (token.type == TokenType::Word && !isReserved(token.text)) ||
                             (token.type == TokenType::Symbol &&
                              (token.text == u"*"_s || token.text == u"."_s || token.text == u","_s));
        if (!allowed)
            fail(syntaxError);
    }
    if (!acceptWord("FROM"_L1) || !atNameToken()) {
        fail(syntaxError);
        return;
    }
    result.targetTable = take().text;
    const QString alias = tableAlias();
    if (atWord("INNER"_L1) || atWord("LEFT"_L1) || atWord("RIGHT"_L1) || atSymbol(u",")) {
        fail(u"DELETE from joined tables is not supported."_s);
        return;
    }
    QString sql = u"DELETE FROM "_s + quoteIdentifier(result.targetTable) +
                  (alias.isEmpty() ? QString() : u" AS "_s + quoteIdentifier(alias));
    if (acceptWord("WHERE"_L1))
        sql += u" WHERE "_s + clauseExpression().sql;
    result.sql = sql;
}

// Statements this translator does not take apart (DDL and the like): names, strings, dates and True/False are
// translated one by one, everything else is kept.
QString Parser::passThrough()
{
    QString sql;
    int depth = 0;
    Token previous;
    while (!m_failed && !atEnd()) {
        const Token token = take();
        if (token.type == TokenType::Symbol && token.text == u";"_s) {
            if (!atEnd())
                fail(u"Characters found after end of SQL statement."_s);
            break;
        }
        // A common table expression inside another statement (CREATE TABLE … AS WITH …) is refused as at the
        // start of one; Jet's own WITH (CREATE INDEX … WITH PRIMARY) follows a name or a closing parenthesis.
        const bool previousOpens = (previous.type == TokenType::Word && sameWord(previous.text, "AS"_L1)) ||
                                   (previous.type == TokenType::Symbol && previous.text == u"("_s);
        if (token.type == TokenType::Word && sameWord(token.text, "WITH"_L1) &&
            (previousOpens || atWord("RECURSIVE"_L1))) {
            fail(jetDescription(jeterror::InvalidStatement), jeterror::InvalidStatement);
            break;
        }
        QString text = token.text;
        switch (token.type) {
        case TokenType::Name:
            text = quoteIdentifier(token.text);
            break;
        case TokenType::String:
        case TokenType::Date:
            text = quote(token.text);
            break;
        case TokenType::Word:
            if (sameWord(token.text, "TRUE"_L1))
                text = u"1"_s;
            else if (sameWord(token.text, "FALSE"_L1))
                text = u"0"_s;
            break;
        case TokenType::Symbol:
            if (text == u"&"_s)
                text = u"||"_s;
            else if (text == u"("_s)
                ++depth;
            else if (text == u")"_s && --depth < 0)
                failMissingItem();
            break;
        default:
            break;
        }
        const bool afterOpening =
            previous.type == TokenType::Symbol && (previous.text == u"("_s || previous.text == u"."_s);
        const bool closing =
            token.type == TokenType::Symbol && (text == u","_s || text == u")"_s || text == u"."_s ||
                                                (text == u"("_s && previous.type == TokenType::Word));
        if (!sql.isEmpty() && !afterOpening && !closing)
            sql += u' ';
        sql += text;
        previous = token;
    }
    if (depth > 0)
        failMissingItem();
    return sql;
}

// The order of grouped rows when the statement gives none: by their groups, as a file's engine gives them.
QString groupOrder(const QString& groupBy)
{
    QStringList terms;
    for (const QString& term : splitTopLevel(groupBy))
        terms << (postgres() ? term + u" NULLS FIRST"_s : collated(term));
    return terms.join(u", "_s);
}

TranslatedStatement Parser::statement()
{
    TranslatedStatement result;
    if (atEnd() || (atSymbol(u";") && peek(1).type == TokenType::End)) {
        fail(u"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."_s);
        return result;
    }
    if (acceptWord("SELECT"_L1)) {
        result.kind = StatementKind::Select;
        result.sql = selectStatement(result.select);
        SelectParts& select = result.select;
        if (postgres() && select.orderBy.isEmpty() && !select.groupBy.isEmpty() && !select.distinct &&
            !select.hasUnion) {
            // The server gives groups in any order.
            select.orderBy = groupOrder(select.groupBy);
            result.sql = select.toSql();
        }
    } else if (acceptWord("TRANSFORM"_L1)) {
        result.kind = StatementKind::Crosstab;
        crosstab(result.crosstab);
        result.select = result.crosstab.select;
    } else if (acceptWord("INSERT"_L1)) {
        insert(result);
    } else if (acceptWord("UPDATE"_L1)) {
        update(result);
    } else if (acceptWord("DELETE"_L1)) {
        remove(result);
    } else if (atWord("WITH"_L1)) {
        // Common table expressions are not Jet's (and a recursive one may never end).
        fail(jetDescription(jeterror::InvalidStatement), jeterror::InvalidStatement);
    } else {
        result.kind = StatementKind::Other;
        result.sql = passThrough();
    }
    expectEnd();
    return result;
}

Expr Parser::standaloneExpression()
{
    startExpression();
    if (atEnd()) {
        failSyntax();
        return {};
    }
    Expr e = expression();
    if (!m_failed && !atEnd())
        failMissingOperator();
    return e;
}

// ---------------------------------------------------------------------------------------------------------------
// Crosstab columns

// A pivot value as SQLite literal and as column name.
struct PivotValue
{
    bool isNull = false;
    bool isText = false;
    QString literal;
    QString name;
};

PivotValue pivotValue(const QVariant& value)
{
    PivotValue pivot;
    if (!value.isValid() || value.isNull()) {
        pivot.isNull = true;
        pivot.name = u"<>"_s;
        return pivot;
    }
    switch (value.typeId()) {
    case QMetaType::Bool:
        pivot.literal = value.toBool() ? u"1"_s : u"0"_s;
        pivot.name = value.toBool() ? u"True"_s : u"False"_s;
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        pivot.literal = pivot.name = value.toString();
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        pivot.literal = pivot.name = numberText(value.toDouble());
        break;
    case QMetaType::QDate:
        pivot.name = value.toDate().toString(Qt::ISODate);
        pivot.literal = quote(pivot.name);
        break;
    case QMetaType::QDateTime:
        pivot.name = value.toDateTime().toString(u"yyyy-MM-dd HH:mm:ss"_s);
        pivot.literal = quote(pivot.name);
        break;
    default:
        pivot.name = value.toString();
        pivot.literal = quote(pivot.name);
        pivot.isText = true;
        break;
    }
    return pivot;
}

// A value of PIVOT … IN (…), already SQLite text.
PivotValue fixedPivotValue(const QString& literal)
{
    PivotValue pivot;
    pivot.literal = literal;
    if (sameWord(literal, "NULL"_L1)) {
        pivot.isNull = true;
        pivot.name = u"<>"_s;
    } else if (literal.size() >= 2 && literal.startsWith(u'\'') && literal.endsWith(u'\'')) {
        pivot.isText = true;
        pivot.name = literal.mid(1, literal.size() - 2).replace(u"''"_s, u"'"_s);
    } else {
        pivot.name = literal;
    }
    return pivot;
}

} // namespace

// ---------------------------------------------------------------------------------------------------------------
// Public functions

QString SelectParts::selectList() const
{
    const DialectScope scope(dialect);
    QStringList list;
    for (const SelectItem& item : items) {
        const bool named =
            item.isStar || item.name.isEmpty() ||
            naturalName(item.expression)
                    .compare(item.name, postgres() ? Qt::CaseInsensitive : Qt::CaseSensitive) == 0;
        list << (named ? item.expression : item.expression + u" AS "_s + quoteIdentifier(item.name));
    }
    return list.join(u", "_s);
}

QString SelectParts::toSql() const
{
    QString sql = u"SELECT "_s;
    if (distinct)
        sql += u"DISTINCT "_s;
    sql += selectList();
    if (!from.isEmpty())
        sql += u" FROM "_s + from;
    if (!where.isEmpty())
        sql += u" WHERE "_s + where;
    if (!groupBy.isEmpty())
        sql += u" GROUP BY "_s + groupBy;
    if (!having.isEmpty())
        sql += u" HAVING "_s + having;
    if (!orderBy.isEmpty())
        sql += u" ORDER BY "_s + orderBy;
    if (top >= 0)
        sql += u" LIMIT "_s + QString::number(top);
    return sql;
}

TranslatedStatement translate(const QString& jetSql, Dialect dialect)
{
    const DialectScope scope(dialect);
    QList<Token> tokens;
    QString description;
    int number = jeterror::TooFewParameters;
    if (tokenize(jetSql, tokens, description)) {
        Parser parser(jetSql, std::move(tokens));
        TranslatedStatement result = parser.statement();
        if (!parser.failed())
            return result;
        number = parser.errorNumber();
        description = parser.errorDescription();
    }
    TranslatedStatement failed;
    failed.error = DbError::make(number, description, jetSql);
    return failed;
}

QString translateExpression(const QString& jetExpression, DbError* error, Dialect dialect)
{
    const DialectScope scope(dialect);
    QList<Token> tokens;
    QString description;
    int number = jeterror::TooFewParameters;
    if (tokenize(jetExpression, tokens, description)) {
        Parser parser(jetExpression, std::move(tokens));
        const Expr e = parser.standaloneExpression();
        if (!parser.failed()) {
            if (error)
                *error = DbError{};
            return e.sql;
        }
        number = parser.errorNumber();
        description = parser.errorDescription();
    }
    if (error)
        *error = DbError::make(number, description, jetExpression);
    return {};
}

QString crosstabPivotValuesSql(const CrosstabParts& crosstab, Dialect dialect)
{
    const DialectScope scope(dialect);
    const SelectParts& select = crosstab.select;
    QString sql = u"SELECT DISTINCT "_s + collated(crosstab.pivot);
    if (!select.from.isEmpty())
        sql += u" FROM "_s + select.from;
    if (!select.where.isEmpty())
        sql += u" WHERE "_s + select.where;
    return sql + (postgres() ? u" ORDER BY 1 NULLS FIRST"_s : u" ORDER BY 1 COLLATE NOCASE"_s);
}

QString crosstabSql(const CrosstabParts& crosstab, const QVariantList& pivotValues, Dialect dialect,
                    QStringList* columnNames)
{
    const DialectScope scope(dialect);
    QList<PivotValue> values;
    if (crosstab.fixedValues.isEmpty()) {
        for (const QVariant& value : pivotValues)
            values << pivotValue(value);
    } else {
        for (const QString& literal : crosstab.fixedValues)
            values << fixedPivotValue(literal);
    }

    const QString function = crosstab.aggregateFunction.isEmpty() ? u"count"_s : crosstab.aggregateFunction;
    const QString counted = crosstab.aggregateArgument == u"*"_s || crosstab.aggregateArgument.isEmpty()
                                ? u"1"_s
                                : crosstab.aggregateArgument;
    bool compound = false;
    forTopLevel(crosstab.pivot, [&](qsizetype i) { compound = compound || crosstab.pivot.at(i).isSpace(); });
    const QString pivot = compound ? u"("_s + crosstab.pivot + u")"_s : crosstab.pivot;

    const SelectParts& select = crosstab.select;
    QStringList columns;
    if (!select.items.isEmpty())
        columns << select.selectList();
    for (const PivotValue& value : values) {
        const QString condition = value.isNull
                                      ? pivot + u" IS NULL"_s
                                      : pivot + u" = "_s + value.literal +
                                            (value.isText && !postgres() ? u" COLLATE NOCASE"_s : QString());
        columns << function + u"(CASE WHEN "_s + condition + u" THEN "_s + counted + u" END) AS "_s +
                       quoteIdentifier(value.name);
    }
    if (columnNames != nullptr) {
        columnNames->clear();
        for (const SelectItem& item : select.items)
            *columnNames << item.name;
        for (const PivotValue& value : values)
            *columnNames << value.name;
    }

    const QString orderBy = select.orderBy.isEmpty() ? groupOrder(select.groupBy) : select.orderBy;

    QString sql = u"SELECT "_s;
    if (select.distinct)
        sql += u"DISTINCT "_s;
    sql += columns.join(u", "_s);
    if (!select.from.isEmpty())
        sql += u" FROM "_s + select.from;
    if (!select.where.isEmpty())
        sql += u" WHERE "_s + select.where;
    if (!select.groupBy.isEmpty())
        sql += u" GROUP BY "_s + select.groupBy;
    if (!select.having.isEmpty())
        sql += u" HAVING "_s + select.having;
    if (!orderBy.isEmpty())
        sql += u" ORDER BY "_s + orderBy;
    if (select.top >= 0)
        sql += u" LIMIT "_s + QString::number(select.top);
    return sql;
}

QString identifier(const QString& name, Dialect dialect)
{
    const DialectScope scope(dialect);
    return quoteIdentifier(name);
}

QString quote(const QString& text)
{
    QString inner = text;
    inner.replace(u'\'', u"''"_s);
    return u"'"_s + inner + u"'"_s;
}

QString literal(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return u"NULL"_s;
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool() ? u"True"_s : u"False"_s;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Long:
    case QMetaType::ULong:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return value.toString();
    case QMetaType::Double:
    case QMetaType::Float:
        return numberText(value.toDouble());
    case QMetaType::QDate: {
        const QDate date = value.toDate();
        return date.isValid() ? datetext::jetLiteral(date) : u"NULL"_s;
    }
    case QMetaType::QDateTime: {
        const QDateTime moment = value.toDateTime();
        if (!moment.isValid())
            return u"NULL"_s;
        const QString jet = datetext::jetLiteral(moment.date());
        return jet.left(jet.size() - 1) + u' ' + moment.time().toString(u"HH:mm:ss"_s) + u'#';
    }
    default:
        return quote(value.toString());
    }
}

} // namespace quelmar::db::jetsql
