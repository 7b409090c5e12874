#include "core/datetext.h"

#include <gtest/gtest.h>

using namespace quelmar;

TEST(DateText, FormatsDatesTheWayTheOfficeWritesThem)
{
    const QDate day(2026, 12, 10);
    EXPECT_EQ(datetext::dayMonthYear(day), QStringLiteral("10-Dic-2026"));
    EXPECT_EQ(datetext::dayMonthShortYear(QDate(2001, 1, 5)), QStringLiteral("05-Ene-01"));
    EXPECT_EQ(datetext::shortDate(day), QStringLiteral("10/12/2026"));
    EXPECT_EQ(datetext::jetLiteral(QDate(2026, 3, 5)), QStringLiteral("#03-05-2026#"));
    EXPECT_EQ(datetext::iso(day), QStringLiteral("2026-12-10"));
    EXPECT_EQ(datetext::dayMonthYear(QDate()), QString());
}

TEST(DateText, ReadsTypedAndStoredDates)
{
    const struct
    {
        const char* text;
        QDate expected;
    } cases[] = {
        {"10-Dic-2026", QDate(2026, 12, 10)},
        {"10-dic-26", QDate(2026, 12, 10)},
        {"15-Ene-99", QDate(1999, 1, 15)},
        {"31-01-99", QDate(1999, 1, 31)},
        {"10/12/2026", QDate(2026, 12, 10)},
        {"2026-12-10", QDate(2026, 12, 10)},
        {"2026-12-10 14:30:00", QDate(2026, 12, 10)},
        {"1-Aug-2001", QDate(2001, 8, 1)},
        {"31-02-99", QDate()},
        {"hola", QDate()},
        {"", QDate()},
        {"10-Xyz-2026", QDate()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(datetext::parse(QString::fromUtf8(c.text)), c.expected) << c.text;
    EXPECT_EQ(datetext::parseDateTime(QStringLiteral("10-Dic-2026 14:30")).time(), QTime(14, 30));
}

TEST(DateText, ReadsStatementLiteralsMonthFirst)
{
    EXPECT_EQ(datetext::parseLiteral(QStringLiteral("12-10-2026")), QDate(2026, 12, 10));
    EXPECT_EQ(datetext::parseLiteral(QStringLiteral("1/31/2001")), QDate(2001, 1, 31));
    EXPECT_EQ(datetext::parseLiteral(QStringLiteral("2026-12-10")), QDate(2026, 12, 10));
    EXPECT_EQ(datetext::parseLiteral(QStringLiteral("31-01-2001")), QDate());
}
