#include "db/jetvalue.h"

#include "core/datetext.h"

#include <gtest/gtest.h>

#include <string>

using namespace quelmar::db;
using namespace Qt::StringLiterals;

namespace {

// Every numeric type refuses a number outside its range with 3421, at both ends, and keeps the bounds
// themselves; whole types round first, as they store the number rounded.
TEST(JetValueStorage, NumbersOutsideTheirTypesRangeAreConversionErrors)
{
    const struct
    {
        int type;
        std::string text;
        bool fits;
    } cases[] = {
        {jettype::Byte, "0", true},
        {jettype::Byte, "255", true},
        {jettype::Byte, "256", false},
        {jettype::Byte, "-1", false},
        {jettype::Integer, "-32768", true},
        {jettype::Integer, "32,767", true},
        {jettype::Integer, "32768", false},
        {jettype::Integer, "-32769", false},
        {jettype::Long, "2147483647", true},
        {jettype::Long, "-2,147,483,648", true},
        {jettype::Long, "2147483648", false},
        {jettype::Long, "-2147483649", false},
        {jettype::Long, "99999999999", false},
        {jettype::Long, "2147483647.4", true},
        {jettype::Long, "2147483647.6", false},
        {jettype::Currency, "922337203685477.5807", true},
        {jettype::Currency, "-$922,337,203,685,477.5807", true},
        {jettype::Currency, "922337203685477.5808", false},
        {jettype::Currency, "922337203685477.58074", true},
        {jettype::Currency, "922337203685478", false},
        {jettype::Currency, "99999999999999999999", false},
        {jettype::Currency, "1e20", false},
        {jettype::Currency, "1e3", true},
        {jettype::Single, "3.402823E38", true},
        {jettype::Single, "-3.402823e38", true},
        {jettype::Single, "3.4029E38", false},
        {jettype::Single, "-1e39", false},
        {jettype::Double, "1.79769313486231E308", true},
        {jettype::Double, "-1.79769313486231E308", true},
        {jettype::Double, "1.7977E308", false},
        {jettype::Double, "1e400", false},
        {jettype::Double, "1" + std::string(400, '0'), false},
    };
    for (const auto& c : cases) {
        DbError error;
        const QVariant stored = jetvalue::toStorage(QString::fromStdString(c.text), c.type, error);
        EXPECT_EQ(error.ok(), c.fits) << c.type << " " << c.text;
        if (!c.fits) {
            EXPECT_EQ(error.number, jeterror::DataTypeConversion) << c.text;
            EXPECT_FALSE(stored.isValid()) << c.text;
        }
    }
}

TEST(JetValueStorage, NumbersGivenAsNumbersMeetTheSameRanges)
{
    const struct
    {
        int type;
        QVariant value;
        bool fits;
    } cases[] = {
        {jettype::Long, QVariant::fromValue(2147483648LL), false},
        {jettype::Long, QVariant::fromValue(-2147483648LL), true},
        {jettype::Currency, 1e20, false},
        {jettype::Currency, -1234.5, true},
        {jettype::Single, 1e39, false},
        {jettype::Double, 1e308, true},
    };
    for (const auto& c : cases) {
        DbError error;
        jetvalue::toStorage(c.value, c.type, error);
        EXPECT_EQ(error.ok(), c.fits) << c.type << " " << c.value.toString().toStdString();
    }
}

} // namespace

namespace {

// What a stored date text was read as before plain ISO dates had a way of their own: the general parse,
// through a moment of local time.
QVariant readTheGeneralWay(const QString& stored)
{
    const QDateTime moment = quelmar::datetext::parseDateTime(stored);
    if (!moment.isValid())
        return stored;
    if (moment.time() == QTime(0, 0))
        return moment.date();
    return moment;
}

TEST(JetValueDates, StoredTextsReadAsTheGeneralParseReadsThem)
{
    const QString texts[] = {
        u"2024-01-05"_s,
        u"2024-12-31"_s,
        u"2024-02-29"_s,
        u"2023-02-29"_s,
        u"2024-13-01"_s,
        u"2024-00-10"_s,
        u"2024-01-00"_s,
        u"2024-04-31"_s,
        u"0000-01-01"_s,
        u"0099-01-01"_s,
        u"1899-12-30"_s,
        u"9999-12-31"_s,
        u"2024-1-5"_s,
        u"2024-01-5"_s,
        u" 2024-01-05"_s,
        u"2024-01-05 "_s,
        u"2024/01/05"_s,
        u"2024-01-05x"_s,
        u"2024-01-05 00:00:00"_s,
        u"2024-01-05 10:30:00"_s,
        u"2024-01-05 10:30"_s,
        u"2024-01-05T10:30:00"_s,
        u"2024-01-05 24:00:00"_s,
        u"05-01-2024"_s,
        u"10-Dic-2026"_s,
        u"10/12/26"_s,
        u"２０２４-01-05"_s,
        u"2024-01-05\n"_s,
        u"+024-01-05"_s,
        u"-024-01-05"_s,
        u"2024--1-05"_s,
        QString(),
        u"abc"_s,
        u"2024-01"_s,
    };
    for (const QString& text : texts) {
        const QVariant read = jetvalue::fromStorage(text, jettype::Date);
        const QVariant before = readTheGeneralWay(text);
        EXPECT_EQ(read.typeId(), before.typeId()) << text.toStdString();
        EXPECT_EQ(read, before) << text.toStdString();
    }
}

TEST(JetValueDates, OnlyTheExactIsoFormHasTheShortWay)
{
    EXPECT_EQ(jetvalue::isoDate(u"2024-02-29"), QDate(2024, 2, 29));
    EXPECT_FALSE(jetvalue::isoDate(u"2023-02-29").isValid());
    EXPECT_FALSE(jetvalue::isoDate(u"2024-1-05").isValid());
    EXPECT_FALSE(jetvalue::isoDate(u"2024-01-05 00:00:00").isValid());
    EXPECT_FALSE(jetvalue::isoDate(u"２０２４-01-05").isValid());
}

} // namespace
