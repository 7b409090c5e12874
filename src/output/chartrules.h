#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// The rules of a statistics chart as plain functions: which columns are series, the title, the labels of
// series and rows, the chart styles and the value scale.
namespace quelmar::output::chart {

// The series columns F..L (1-based field positions). valid is false when the options leave nothing to draw.
struct SeriesRange
{
    int first = 0;
    int last = 0;
    bool valid = false;
};
// From the statistics options ("ET 1", "ET 3-5", "Gin 2 Tfi 4") and the engine types of the fields: "Gin"
// gives F (and "Tfi" L); "ET" with "-" gives F and L; otherwise F is the first numeric field and L the last
// field. F is lowered to the field count; L below F becomes the field count.
SeriesRange seriesRange(const QString& options, const QList<int>& fieldTypes);
// Boolean, Byte, Integer, Long, Currency, Single and Double are numeric; dates and texts are not.
bool isNumericType(int jetType);

// The chart's title: over 70 characters it is broken at the first blank from (length / 2 - 3); upper-cased;
// the form's caption when the title is empty.
QString chartTitle(const QString& title, const QString& formCaption);
// Two blanks and the column's caption (its first line: the grid may show a total under it), cut to 20
// characters.
QString seriesLabel(const QString& caption);
// The label of a row from the values of the fields before the series: numbers grouped by thousands (three
// decimals when they have a fraction) followed by two blanks, texts (dates as dd-mmm-yyyy) cut to a width
// (25, then 5 fewer while the label reaches 39 characters) followed by " · "; the last two characters dropped
// and cut to 15.
QString rowLabel(const QVariantList& values);
// "1,234" / "1,234.500".
QString groupedNumber(double value);

// The styles offered, as the list shows them: "Barras 3D-0/…/Circular 2D-14/".
QString styleList();
// The chart type of the entry chosen (1-based): entries 1 to 10 give 0 to 9, entry 11 gives 14; -1 otherwise.
int typeOfStyle(int entry);
// Odd types are flat, even ones drawn with depth; 14 is the pie.
bool hasDepth(int type);
inline constexpr int PieType = 14;

// A series that holds the total of the others (its caption is "Total") is not one of their parts: stacked
// styles draw it as a line of its own. True for such a series when there are other series.
QList<bool> totalSeries(const QStringList& seriesLabels);
// The top of each series in a stacked style, by row: the parts each resting on the parts before them, a total
// at its own value.
QList<QList<double>> stackedTops(const QList<QList<double>>& values, const QList<bool>& totals);

// The row labels as a category axis takes them: each distinct (a repeated label gains invisible zero-width
// blanks), so that no row is merged into another and every row is drawn.
QStringList distinctLabels(const QStringList& labels);

// The width in pixels of a chart of `rows` rows and `series` series of the type: the width shown when every
// row has room there for its bars and its label, else as wide as that room needs (the chart then scrolls).
// A pie takes the width shown.
int chartWidth(int rows, int series, int type, int shownWidth);

// The value scale chosen by its access letter ("l" milésimas, "U" unidades, "i" miles, "M" millones):
// the divisor and what the title gains. An unknown letter keeps units.
struct Scale
{
    double divisor = 1;
    QString suffix;
};
Scale scaleOfAnswer(const QString& letter);

// The pivot column of a crosstab statement: the text after "PIVOT " without a "table." prefix; empty when the
// statement has none.
QString pivotColumn(const QString& statement);

} // namespace quelmar::output::chart
