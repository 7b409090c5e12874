#include "query/totals.h"

#include <gtest/gtest.h>

namespace quelmar::query {
namespace {

QList<int> chosen(const char* request, int columnCount)
{
    return parseTotalsRequest(QString::fromUtf8(request), columnCount).columns;
}

TEST(TotalsRequestTest, ChoosesTheListedColumnsAfterCuttingTheWords)
{
    struct Case
    {
        const char* request;
        int columnCount;
        QList<int> columns;
    };
    const Case cases[] = {
        {" 6 NoG", 9, {6}},    {" 6", 9, {6}},          {" 1, 3", 5, {1, 3}},
        {" 3,1,3", 5, {1, 3}}, {" 1 Gin 2, 4", 5, {1}}, {" 2 NoG, 4", 5, {2}},
        {" Gin 3", 5, {}},     {" NoG", 9, {}},         {"", 9, {}},
        {" 0", 3, {0}},        {" abc", 3, {0}},        {" 9", 9, {}},
        {" 12, 2", 4, {2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chosen(c.request, c.columnCount), c.columns) << "\"" << c.request << "\"";
}

TEST(TotalsRequestTest, ADashChoosesFromTheNumberToTheLastColumn)
{
    struct Case
    {
        const char* request;
        int columnCount;
        QList<int> columns;
    };
    const Case cases[] = {
        {" 3-", 5, {2, 3, 4}},  {" 2-5", 4, {1, 2, 3}}, {" 1-", 3, {0, 1, 2}},
        {" 4- NoG", 5, {3, 4}}, {" 7-", 5, {}},         {" -", 3, {0, 1, 2}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(chosen(c.request, c.columnCount), c.columns) << "\"" << c.request << "\"";
}

TEST(TotalsRequestTest, FlagsOneEntryPerColumn)
{
    EXPECT_EQ(selectedColumns(QStringLiteral(" 6 NoG"), 9),
              QList<bool>({false, false, false, false, false, false, true, false, false}));
    EXPECT_EQ(selectedColumns(QStringLiteral(" 1"), 0), QList<bool>());
}

TEST(CellAmountTest, CountsTheLeadingNumberOfTheCleanedText)
{
    struct Case
    {
        const char* text;
        double amount;
    };
    const Case cases[] = {
        {"$1,234.50", 1234.5}, {"", 0},     {"   ", 0}, {"abc", 0},    {"12 cajas", 12}, {"-$1,250", -1250},
        {"  7.25", 7.25},      {".5", 0.5}, {"3.", 3},  {"1e3", 1000}, {"2e", 2},        {"-", 0},
        {"1,2,3", 123},
    };
    for (const Case& c : cases)
        EXPECT_DOUBLE_EQ(cellAmount(QString::fromUtf8(c.text)), c.amount) << "\"" << c.text << "\"";
}

TEST(FormatTotalTest, GroupsThousandsWithAtMostTwoDecimals)
{
    struct Case
    {
        double total;
        const char* text;
    };
    const Case cases[] = {
        {1234567.891, "1,234,567.89"}, {5, "5"},           {0.5, "0.5"}, {0, "0"},
        {-1234.5, "-1,234.5"},         {999.999, "1,000"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formatTotal(c.total), QString::fromUtf8(c.text)) << c.total;
}

TEST(ColumnTotalsTest, AddsOnlyTheChosenColumns)
{
    const QList<QStringList> rows = {
        {QStringLiteral("Pérez"), QStringLiteral("$1,234.50"), QStringLiteral("3")},
        {QStringLiteral("Gómez"), QString(), QStringLiteral("4")},
        {QStringLiteral("Ruiz"), QStringLiteral("$0.25")},
    };
    EXPECT_EQ(columnTotals(rows, {false, true, false}), QList<double>({0, 1234.75, 0}));
    EXPECT_EQ(columnTotals(rows, {false, true, true}), QList<double>({0, 1234.75, 7}));
    EXPECT_EQ(columnTotals({}, {true, true}), QList<double>({0, 0}));
}

TEST(ColumnTotalsTest, KeepsCentsOfLargeSums)
{
    const QList<QStringList> rows(1000, QStringList{QStringLiteral("$12,345.67")});
    EXPECT_EQ(formatTotal(columnTotals(rows, {true}).at(0)), QStringLiteral("12,345,670"));
    const QList<QStringList> cents(3, QStringList{QStringLiteral("1,000,000.01")});
    EXPECT_EQ(formatTotal(columnTotals(cents, {true}).at(0)), QStringLiteral("3,000,000.03"));
}

TEST(TotalHeadingTest, AddsTheTotalLineAndWidensNarrowColumns)
{
    const QString caption = headingWithLine(QStringLiteral("Importe"), formatTotal(1234567.891));
    EXPECT_EQ(caption, QStringLiteral("Importe\n1,234,567.89"));
    EXPECT_EQ(widenedColumnWidth(900, caption), 20 * 114);
    EXPECT_EQ(widenedColumnWidth(3000, caption), 3000);
}

TEST(GroupingColumnTest, ReadsTheNumberAfterTheFirstEqualsSign)
{
    struct Case
    {
        const char* options;
        int column;
    };
    const Case cases[] = {
        {"ST =2", 2}, {"ST=1", 1}, {"ST = 3 =5", 3}, {"ST", 0}, {"ST =x", 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(groupingColumn(QString::fromUtf8(c.options)), c.column) << c.options;
}

TEST(SubtotalsTest, ShowsEachGroupSumOnItsLastRow)
{
    const Subtotals result =
        subtotals({QStringLiteral("A"), QStringLiteral("A"), QStringLiteral("B")},
                  {QStringLiteral("$1,000.50"), QStringLiteral("2"), QStringLiteral("7")});
    EXPECT_EQ(result.rowsWithSums, QList<SubtotalRow>({{1, 1002.5}, {2, 7}}));
    EXPECT_DOUBLE_EQ(result.grandTotal, 1009.5);
}

TEST(SubtotalsTest, GroupsOnlyConsecutiveEqualTexts)
{
    const Subtotals result =
        subtotals({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("a")},
                  {QStringLiteral("1"), QString(), QStringLiteral("3"), QStringLiteral("4")});
    EXPECT_EQ(result.rowsWithSums, QList<SubtotalRow>({{0, 1}, {1, 0}, {2, 3}, {3, 4}}));
    EXPECT_DOUBLE_EQ(result.grandTotal, 8);
}

TEST(SubtotalsTest, EdgeSizes)
{
    const Subtotals none = subtotals({}, {});
    EXPECT_TRUE(none.rowsWithSums.isEmpty());
    EXPECT_EQ(none.grandTotal, 0);

    const Subtotals one = subtotals({QStringLiteral("A")}, {QStringLiteral("5")});
    EXPECT_EQ(one.rowsWithSums, QList<SubtotalRow>({{0, 5}}));

    const Subtotals shortAmounts =
        subtotals({QStringLiteral("A"), QStringLiteral("A")}, {QStringLiteral("5")});
    EXPECT_EQ(shortAmounts.rowsWithSums, QList<SubtotalRow>({{1, 5}}));
}

TEST(SubtotalFormatTest, CurrencyForMoneyTypes)
{
    struct Case
    {
        int jetType;
        const char* format;
        const char* shown;
    };
    const Case cases[] = {
        {5, "Currency", "$1,234.50"}, {6, "Currency", "$1,234.50"}, {7, "Standard", "1,234.50"},
        {4, "Standard", "1,234.50"},  {10, "Standard", "1,234.50"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(subtotalFormat(c.jetType), QString::fromUtf8(c.format)) << c.jetType;
        EXPECT_EQ(formatSubtotal(1234.5, c.jetType), QString::fromUtf8(c.shown)) << c.jetType;
    }
}

} // namespace
} // namespace quelmar::query
