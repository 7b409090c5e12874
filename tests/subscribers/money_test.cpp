#include "subscribers/money.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <optional>

namespace quelmar::subscribers::money {
namespace {

constexpr double Nothing = std::numeric_limits<double>::quiet_NaN(); // stands for "refused" in the tables

void expectAmount(const std::optional<double>& found, double expected)
{
    if (std::isnan(expected))
        EXPECT_FALSE(found) << *found;
    else if (!found)
        ADD_FAILURE() << "refused, expected " << expected;
    else
        EXPECT_EQ(*found, expected);
}

TEST(Money, KeepsTheCurrencyRange)
{
    const struct
    {
        double value;
        double kept;
    } cases[] = {
        {0, 0},
        {180, 180},
        {-45.5, -45.5},
        {922337203685477.0, 922337203685477.0},
        {-922337203685477.0, -922337203685477.0},
        {922337203685478.0, Nothing},
        {1e20, Nothing}, // "99999999999999999999"
        {-1e20, Nothing},
        {std::numeric_limits<double>::infinity(), Nothing},
        {std::numeric_limits<double>::quiet_NaN(), Nothing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value);
        expectAmount(amount(c.value), c.kept);
    }
}

TEST(Money, RefusesALineOrASumThatLeavesTheRange)
{
    const struct
    {
        double price;
        int quantity;
        double line;
    } lines[] = {
        {180, 2, 360},
        {0.25, 3, 0.75},
        {500000000000000.0, 1, 500000000000000.0},
        {500000000000000.0, 2, Nothing},
        {1e308, 2, Nothing}, // would be infinite
        {1e20, 0, Nothing},  // a price out of range is refused whatever the quantity
    };
    for (const auto& c : lines) {
        SCOPED_TRACE(c.price);
        expectAmount(lineAmount(c.price, c.quantity), c.line);
    }
    const struct
    {
        double a;
        double b;
        double sum;
    } sums[] = {
        {360, 60, 420},
        {500000000000000.0, 400000000000000.0, 900000000000000.0},
        {500000000000000.0, 500000000000000.0, Nothing},
        {1e20, -1e20, Nothing},
    };
    for (const auto& c : sums) {
        SCOPED_TRACE(c.a);
        expectAmount(sum(c.a, c.b), c.sum);
    }
}

TEST(Money, ATariffsPriceIsAnAmountNotBelowZero)
{
    const struct
    {
        const char* typed;
        double price;
    } cases[] = {
        {"180", 180},          {" 1,250.50 ", 1250.5}, {"0", 0},
        {"abc", Nothing},      {"", Nothing},          {"   ", Nothing},
        {"12 pesos", Nothing}, {"-5", Nothing},        {"99999999999999999999", Nothing},
        {"inf", Nothing},      {"nan", Nothing},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed);
        expectAmount(tariffPrice(QString::fromUtf8(c.typed)), c.price);
    }
}

} // namespace
} // namespace quelmar::subscribers::money
