// How order copies are gathered into pages.
#include "office/orderpages.h"

#include <gtest/gtest.h>

namespace quelmar::office {
namespace {

// Adds copies of the given line counts; the line counts of the copies on each page printed, the rest last.
QList<QList<int>> gather(PageRule rule, const QList<int>& copies)
{
    OrderPages pages(rule, QStringLiteral("|"));
    QList<QList<int>> printed;
    QList<int> current;
    for (int lines : copies) {
        const QString closed = pages.add(QString::number(lines), lines);
        if (!closed.isEmpty()) {
            EXPECT_EQ(closed.count(u'|'), current.size());
            printed.append(current);
            current.clear();
        }
        current.append(lines);
    }
    const QString rest = pages.takeRest();
    if (!rest.isEmpty())
        printed.append(current);
    EXPECT_TRUE(pages.isEmpty());
    EXPECT_EQ(pages.lineCount(), 0);
    return printed;
}

TEST(OrderPages, copiesAreGatheredIntoPagesByTheRuleOfTheirKind)
{
    using Pages = QList<QList<int>>;
    struct Case
    {
        const char* what;
        PageRule rule;
        QList<int> copies;
        Pages pages;
    };
    const Case cases[] = {
        {"nothing added, nothing printed", PageRule::SubscriberOrders, {}, {}},
        // 15 + 1 per copy: 16, 32, 48; a fourth copy would reach 63.
        {"three copies of 15 lines share a page",
         PageRule::SubscriberOrders,
         {15, 15, 15, 15},
         {{15, 15, 15}, {15}}},
        // 26 + 1 = 27, 27 + 26 = 53 < 54: two fit.
        {"a page holds copies while the count stays below 54",
         PageRule::SubscriberOrders,
         {26, 26, 26},
         {{26, 26}, {26}}},
        // 27 + 1 = 28, 28 + 27 = 55: the second does not fit.
        {"a copy that would make 54 or more starts a new page",
         PageRule::SubscriberOrders,
         {27, 27},
         {{27}, {27}}},
        {"exactly 54 does not fit", PageRule::SubscriberOrders, {26, 27}, {{26}, {27}}},
        {"a copy longer than a page still gets a page of its own",
         PageRule::SubscriberOrders,
         {60, 10},
         {{60}, {10}}},
        // Repair orders: 23 + 1 = 24, 24 + 24 = 48 is not beyond 48.
        {"a repair page takes copies up to 48 lines", PageRule::RepairOrders, {23, 24, 1}, {{23, 24}, {1}}},
        {"a repair copy that makes more than 48 starts a new page",
         PageRule::RepairOrders,
         {23, 25},
         {{23}, {25}}},
        {"eleven-line repair orders go four to a page",
         PageRule::RepairOrders,
         {11, 11, 11, 11, 11, 11, 11, 11, 11},
         {{11, 11, 11, 11}, {11, 11, 11, 11}, {11}}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gather(c.rule, c.copies), c.pages) << c.what;
}

TEST(OrderPages, eachCopyFollowsALineBreakOnItsPage)
{
    OrderPages pages(PageRule::SubscriberOrders);
    EXPECT_TRUE(pages.add(QStringLiteral("A"), 10).isEmpty());
    EXPECT_TRUE(pages.add(QStringLiteral("B"), 10).isEmpty());
    EXPECT_EQ(pages.lineCount(), 22);
    EXPECT_EQ(pages.add(QStringLiteral("C"), 40), QStringLiteral("\r\nA\r\nB"));
    EXPECT_EQ(pages.takeRest(), QStringLiteral("\r\nC"));
}

} // namespace
} // namespace quelmar::office
