#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The rules of the totals and subtotals that report grids show under their column headings: which columns a
// totals request chooses, how a cell's text counts, how sums are written and how the headings grow.
namespace quelmar::query {

// Twips given to each character of a heading that carries a total.
inline constexpr int TwipsPerTotalCaptionChar = 114;
// Twips the grid moves up, and grows, to make room for the second heading line of the totals.
inline constexpr int TotalsHeadingRoom = 300;
// Twips the grid grows when it shows subtotals.
inline constexpr int SubtotalsGridGrowth = 200;

// The numeric value of a text: the number it begins with, after leading blanks (an optional sign, digits, a
// decimal point, an exponent); a text that does not begin with a number counts 0.
double leadingNumber(const QString& text);

// The columns a totals request chooses, in ascending order, each at most once.
struct TotalsRequest
{
    QList<int> columns;

    bool operator==(const TotalsRequest&) const = default;
};

// Reads a totals request (the options text after "ET", such as " 6 NoG" or " 1, 3") for a grid of
// columnCount columns. Everything from the first "Gin", then everything from the first "NoG", is cut off.
// With a "-" the request is a range: its numeric value n chooses every column from zero-based position
// n - 1 to the last. Otherwise each comma-separated piece that is not blank chooses the column at its numeric
// value. Positions outside the grid choose nothing; a range that starts before the first column starts at it.
TotalsRequest parseTotalsRequest(const QString& request, int columnCount);

// One flag per grid column: true for the columns the request chooses.
QList<bool> selectedColumns(const QString& request, int columnCount);

// The amount a cell shows: every "," and "$" removed, then its numeric value ("$1,234.50" -> 1234.5; empty
// -> 0).
double cellAmount(const QString& text);

// A total as the headings show it: thousands separated by ",", at most two decimals ("1,234,567.89", "5",
// "0.5", "-1,234.5").
QString formatTotal(double total);

// The total of each chosen column over the rows (one list of cell texts per row); columns not chosen, and
// cells a short row lacks, add nothing.
QList<double> columnTotals(const QList<QStringList>& rows, const QList<bool>& selected);

// A column heading with a second line: the caption, a line feed and the text.
QString headingWithLine(const QString& caption, const QString& text);

// The width of a column whose heading became newCaption: TwipsPerTotalCaptionChar for each character of the
// caption, or the old width when that is wider.
int widenedColumnWidth(int oldWidth, const QString& newCaption);

// The grouping column of a subtotals request ("ST =2" -> 2): the number written after the first "=", counted
// from 1; 0 when the options hold no "=".
int groupingColumn(const QString& options);

// A group's sum and the row (zero-based) that shows it: the group's last row.
struct SubtotalRow
{
    int row = 0;
    double sum = 0;

    bool operator==(const SubtotalRow&) const = default;
};

struct Subtotals
{
    QList<SubtotalRow> rowsWithSums;
    double grandTotal = 0;
};

// The subtotals of a grid: groupCells holds the grouping column's text of each row, amountCells the summed
// column's text (counted with cellAmount; a missing cell counts 0). Consecutive rows with the same grouping
// text form a group; each group's sum is shown on its last row, and the grand total is the sum of all groups.
Subtotals subtotals(const QList<QString>& groupCells, const QList<QString>& amountCells);

// The format of the subtotals: "Currency" when the summed field is Currency (5) or Single (6), otherwise
// "Standard".
QString subtotalFormat(int jetType);

// A subtotal written in the format of the summed field's type ("$1,234.50" or "1,234.50").
QString formatSubtotal(double sum, int jetType);

} // namespace quelmar::query
