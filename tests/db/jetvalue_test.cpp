#include "db/jetvalue.h"

#include <gtest/gtest.h>

#include <string>

using namespace quelmar::db;

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
