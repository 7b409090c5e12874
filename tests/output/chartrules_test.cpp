// The rules of statistics charts: series columns from the options, titles, labels, styles and scales.
#include "output/chartrules.h"

#include "db/fielddef.h"

#include <QDate>
#include <QSet>

#include <gtest/gtest.h>

namespace quelmar::output::chart {
namespace {

using namespace db::jettype;

TEST(ChartRules, theSeriesColumnsComeFromTheOptionsOrTheFirstNumericField)
{
    struct Case
    {
        QString options;
        QList<int> types;
        bool valid;
        int first;
        int last;
    };
    const QList<int> textThenNumbers{Text, Long, Long, Double};
    const QList<int> six{Text, Text, Long, Long, Long, Double};
    const Case cases[] = {
        {QString(), textThenNumbers, true, 2, 4},
        {QStringLiteral("ET 1"), textThenNumbers, true, 2, 4},
        {QStringLiteral("ET 6 NoG"), {Date, Text, Currency}, true, 3, 3},
        {QStringLiteral("ET 3-5"), six, true, 3, 5},
        {QStringLiteral("ET 0-4"), six, false, 0, 0},
        {QStringLiteral("ET 4-2"), six, true, 4, 6}, // a last before the first means every field after it
        {QStringLiteral("Gin 2 Tfi 3"), textThenNumbers, true, 2, 3},
        {QStringLiteral("Gin 2"), textThenNumbers, true, 2, 4},
        {QStringLiteral("Gin 9"), textThenNumbers, true, 4, 4}, // lowered to the field count
        {QStringLiteral("Gin -1"), textThenNumbers, false, 0, 0},
        {QStringLiteral("ET 1"), {Text, Date, Memo}, false, 0, 0}, // no numeric field
    };
    for (const Case& c : cases) {
        const SeriesRange range = seriesRange(c.options, c.types);
        EXPECT_EQ(range.valid, c.valid) << c.options.toStdString();
        if (!c.valid)
            continue;
        EXPECT_EQ(range.first, c.first) << c.options.toStdString();
        EXPECT_EQ(range.last, c.last) << c.options.toStdString();
    }
}

TEST(ChartRules, aTitleOverSeventyCharactersTakesTwoLines)
{
    const QString seventy = QString(40, QLatin1Char('a')) + u' ' + QString(29, QLatin1Char('b'));
    const QString seventyOne = QString(40, QLatin1Char('a')) + u' ' + QString(30, QLatin1Char('b'));
    EXPECT_EQ(chartTitle(seventy, QString()), seventy.toUpper());
    EXPECT_EQ(chartTitle(seventyOne, QString()),
              QString(40, QLatin1Char('A')) + u'\n' + QString(30, QLatin1Char('B')));
    EXPECT_EQ(chartTitle(QString(), QStringLiteral("Quelmar")), QStringLiteral("QUELMAR"));
}

TEST(ChartRules, labelsOfSeriesAndRows)
{
    EXPECT_EQ(seriesLabel(QStringLiteral("Total")), QStringLiteral("  Total"));
    EXPECT_EQ(seriesLabel(QStringLiteral("Suscriptores conectados")), QStringLiteral("  Suscriptores conec"));
    EXPECT_EQ(seriesLabel(QStringLiteral("Total\n232,370")), QStringLiteral("  Total"));
    struct Case
    {
        QVariantList values;
        QString label;
    };
    const Case cases[] = {
        {{QStringLiteral("Centro")}, QStringLiteral("Centro ")},
        {{QStringLiteral("Jardines del Valle")}, QStringLiteral("Jardines del Va")},
        {{1234.5}, QStringLiteral("1,234.500")},
        {{QDate(2025, 12, 6)}, QStringLiteral("06-Dic-2025 ")},
        {{qlonglong(1234567)}, QStringLiteral("1,234,567")},
        {{QString(30, QLatin1Char('A')), QString(30, QLatin1Char('B'))}, QString(15, QLatin1Char('A'))},
        {{}, QString()},
    };
    for (const Case& c : cases)
        EXPECT_EQ(rowLabel(c.values), c.label);
    EXPECT_EQ(groupedNumber(-12500), QStringLiteral("-12,500"));
    EXPECT_EQ(groupedNumber(0.25), QStringLiteral("0.250"));
}

TEST(ChartRules, theStylesAndTheirTypeCodes)
{
    EXPECT_EQ(styleList().count(QLatin1Char('/')), 11);
    struct Case
    {
        int entry;
        int type;
    };
    const Case cases[] = {{1, 0}, {2, 1}, {10, 9}, {11, PieType}, {0, -1}, {12, -1}};
    for (const Case& c : cases)
        EXPECT_EQ(typeOfStyle(c.entry), c.type) << c.entry;
    EXPECT_TRUE(hasDepth(0));
    EXPECT_FALSE(hasDepth(1));
    EXPECT_TRUE(hasDepth(8));
    EXPECT_FALSE(hasDepth(PieType));
}

TEST(ChartRules, theThousandsScaleDividesByAThousandAndNamesItInTheTitle)
{
    struct Case
    {
        QString letter;
        double divisor;
        QString suffix;
    };
    const Case cases[] = {{QStringLiteral("l"), 0.001, QStringLiteral(" (milésimas)")},
                          {QStringLiteral("U"), 1, QString()},
                          {QStringLiteral("i"), 1000, QStringLiteral(" (miles)")},
                          {QStringLiteral("M"), 1000000, QStringLiteral(" (millones)")}};
    for (const Case& c : cases) {
        const Scale scale = scaleOfAnswer(c.letter);
        EXPECT_DOUBLE_EQ(scale.divisor, c.divisor) << c.letter.toStdString();
        EXPECT_EQ(scale.suffix, c.suffix);
    }
    EXPECT_DOUBLE_EQ(12500 / scaleOfAnswer(QStringLiteral("i")).divisor, 12.5);
}

TEST(ChartRules, stackedAreasStackThePartsAndDrawTheTotalAtItsOwnValue)
{
    // A crosstab: the total of each row, then its parts.
    const QStringList labels{QStringLiteral("  Total"), QStringLiteral("  1-2 TV"), QStringLiteral("  3 TV")};
    const QList<bool> totals = totalSeries(labels);
    EXPECT_EQ(totals, (QList<bool>{true, false, false}));
    const QList<QList<double>> tops = stackedTops({{43, 5}, {10, 2}, {33, 3}}, totals);
    EXPECT_EQ(tops, (QList<QList<double>>{{43, 5}, {10, 2}, {43, 5}}));

    struct Case
    {
        QStringList labels;
        QList<bool> totals;
    };
    const Case cases[] = {
        // Totals alone: the table's one series is drawn as an area.
        {{QStringLiteral("  Total")}, {false}},
        {{QStringLiteral("  Total"), QStringLiteral("  TOTAL ")}, {false, true}},
        {{QStringLiteral("  Cobrado"), QStringLiteral("  Totales")}, {false, false}},
        {{}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(totalSeries(c.labels), c.totals) << c.labels.join(u'|').toStdString();
}

TEST(ChartRules, everyRowKeepsItsOwnPlaceOnTheAxisAndTheChartWidensForManyRows)
{
    const QStringList labels =
        distinctLabels({QStringLiteral("Pérez · Juan"), QStringLiteral("Ruiz"),
                        QStringLiteral("Pérez · Juan"), QStringLiteral("Pérez · Juan")});
    ASSERT_EQ(labels.size(), 4);
    EXPECT_EQ(QSet<QString>(labels.begin(), labels.end()).size(), 4);
    EXPECT_EQ(labels.at(0), QStringLiteral("Pérez · Juan"));
    EXPECT_EQ(labels.at(1), QStringLiteral("Ruiz"));
    // The repeats read the same.
    EXPECT_EQ(QString(labels.at(3)).remove(QChar(0x200B)), QStringLiteral("Pérez · Juan"));

    struct Case
    {
        int rows;
        int series;
        int type;
        int width;
    };
    const Case cases[] = {
        {12, 1, 1, 900},             // fits the width shown
        {710, 1, 1, 260 + 710 * 22}, // a day a row: scrolls
        {710, 1, 3, 260 + 710 * 22},
        {100, 6, 0, 260 + 100 * 36}, // six bars side by side
        {710, 6, 14, 900},           // a pie takes the width shown
    };
    for (const Case& c : cases)
        EXPECT_EQ(chartWidth(c.rows, c.series, c.type, 900), c.width) << c.rows << " " << c.type;
}

TEST(ChartRules, thePivotColumnOfACrosstab)
{
    EXPECT_EQ(
        pivotColumn(QStringLiteral("TRANSFORM Count(*) AS Suma SELECT Colonia FROM Suscriptores GROUP BY "
                                   "Colonia PIVOT Suscriptores.Clase")),
        QStringLiteral("Clase"));
    EXPECT_EQ(pivotColumn(QStringLiteral("SELECT Colonia FROM Suscriptores")), QString());
}

} // namespace
} // namespace quelmar::output::chart
