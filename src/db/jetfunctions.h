#pragma once

#include <QList>
#include <QString>
#include <QVariant>

#include <optional>

// The Jet functions that need more than one SQL function of the backend: Format, Str and the date arithmetic
// of DateAdd, DateDiff and DatePart. Each is a pure rule here, used as an application-defined function by the
// SQLite file, and written out as SQL text for a PostgreSQL server; the translator reads the format text and
// the interval code once, when it translates the statement.
//
// Values come as SQLite keeps them: dates as ISO text ("2025-12-06", "2025-12-06 14:30:00"), numbers as
// numbers, Null as an invalid or null QVariant. Dates go back as ISO text, with the time only when there is
// one.
namespace quelmar::db::jetfunctions {

// ---------------------------------------------------------------------------------------------------------------
// Format

// One piece of a date format.
enum class DatePiece
{
    Literal,           // text shown as it is
    Day,               // d: 6
    Day2,              // dd: 06
    DayAbbreviation,   // ddd: Sáb
    DayName,           // dddd: Sábado
    Month,             // m: 12
    Month2,            // mm: 12
    MonthAbbreviation, // mmm: Dic (as the office writes dates)
    MonthName,         // mmmm: Diciembre
    Year2,             // yy: 25
    Year4,             // yyyy: 2025
    DayOfYear,         // y: 340
    Quarter,           // q: 4
    Weekday,           // w: 7 (Sunday is 1)
    Hour,              // h: 9 (24-hour clock)
    Hour2,             // hh: 09
    Minute,            // n, or m after an hour or before a second: 5
    Minute2,           // nn: 05
    Second,            // s: 7
    Second2,           // ss: 07
    GeneralDate        // "General Date": dd/mm/yyyy, with " hh:nn:ss" when the value has a time
};

struct DateToken
{
    DatePiece piece = DatePiece::Literal;
    QString text; // for Literal
};

// A number pattern: literal prefix and suffix around digit placeholders. "0" is a digit always shown, "#" one
// shown only when needed, "," in the integer part groups thousands by ",", "." is the decimal point, "%"
// multiplies by 100. Rounded half away from zero from the value's 15 significant digits; a point with no
// decimal after it is left out; a value that rounds to zero has no sign; a negative value has "-" before the
// prefix ("-$1,234.50").
struct NumberPattern
{
    QString prefix;
    QString suffix;
    bool grouping = false;
    bool percent = false;
    int minIntegerDigits = 0;
    int minDecimals = 0;
    int maxDecimals = 0;
};

struct FormatSpec
{
    enum class Kind
    {
        Date,
        Number,
        GeneralNumber, // the number with its 15 significant digits, no grouping: 1234.5
        YesNo          // "Sí" for a number other than 0, "No" for 0
    };
    Kind kind = Kind::Date;
    QList<DateToken> date;
    NumberPattern number;
};

// Reads a format text, without regard to case: the named formats "General Date", "Long Date" (Sábado, 6 de
// Diciembre de 2025), "Medium Date" (06-Dic-25), "Short Date" (06/12/2025), "Long Time" (14:05:09), "Short
// Time" (14:05), "General Number", "Currency" ($1,234.50), "Fixed" (1234.50), "Standard" (1,234.50),
// "Percent" (12.50%), "Yes/No"; date texts of the pieces above with literal characters, "quoted text" and \x;
// number patterns ("0.00", "#,##0.00", "$###,##0.00", "0%"). Empty for any other text.
std::optional<FormatSpec> readFormat(const QString& text);

// The value in the format. Null stays Null; a value that does not fit (a text that is no date in a date
// format, no number in a number format) is given back as it is.
QVariant format(const QVariant& value, const FormatSpec& spec);

// The same on the server: SQL text of the value in the format, for the SQL text of the value.
QString formatSql(const FormatSpec& spec, const QString& value);

// ---------------------------------------------------------------------------------------------------------------
// Str: the number as text, with a blank before it when it is not negative and without the 0 before the point
// (" 12", "-3.5", " .25"). Null stays Null.
QVariant str(const QVariant& value);
QString strSql(const QString& value);

// ---------------------------------------------------------------------------------------------------------------
// Date arithmetic

enum class Interval
{
    Year,      // yyyy
    Quarter,   // q
    Month,     // m
    DayOfYear, // y
    Day,       // d
    Weekday,   // w
    Week,      // ww
    Hour,      // h
    Minute,    // n
    Second     // s
};

// The interval code, without regard to case; empty for any other text.
std::optional<Interval> readInterval(const QString& code);

// DateAdd: the date moved by a number of intervals (rounded to a whole number). A month or a year added to a
// day the new month lacks gives its last day (31 Jan + 1 month = 29 Feb 2024). "y", "d" and "w" add days,
// "ww" weeks.
QVariant dateAdd(Interval interval, const QVariant& number, const QVariant& date);
QString dateAddSql(Interval interval, const QString& number, const QString& date);

// DateDiff: how many interval boundaries lie between the two dates (negative when the second is earlier):
// years, quarters and months of the calendar, days between the dates, "w" whole weeks, "ww" Sundays, hours,
// minutes and seconds of the clock.
QVariant dateDiff(Interval interval, const QVariant& first, const QVariant& second);
QString dateDiffSql(Interval interval, const QString& first, const QString& second);

// DatePart: the year, quarter, month, day of the year, day, weekday (Sunday 1), week of the year (the week of
// 1 January is 1, weeks begin on Sunday), hour, minute or second of the date.
QVariant datePart(Interval interval, const QVariant& date);
QString datePartSql(Interval interval, const QString& date);

} // namespace quelmar::db::jetfunctions
