#include "db/validationrule.h"

#include <gtest/gtest.h>

using namespace quelmar::db;

TEST(ValidationRule, BecomesAConditionOnTheField)
{
    const struct
    {
        const char* rule;
        const char* condition;
    } cases[] = {
        {"Between 1 And 50", "(\"Unidades\" BETWEEN 1 AND 50)"},
        {">0", "(\"Unidades\" > 0)"},
        {"<= 100", "(\"Unidades\" <= 100)"},
        {"Is Not Null", "(\"Unidades\" IS NOT NULL)"},
    };
    for (const auto& c : cases) {
        QString condition =
            validationrule::condition(QString::fromUtf8(c.rule), QStringLiteral("\"Unidades\""));
        EXPECT_EQ(condition.simplified().toUpper(), QString::fromUtf8(c.condition).toUpper()) << c.rule;
    }
    EXPECT_TRUE(validationrule::condition(QString(), QStringLiteral("x")).isEmpty());
    DbError error;
    EXPECT_TRUE(
        validationrule::condition(QStringLiteral("Unidades 5"), QStringLiteral("x"), &error).isEmpty());
    EXPECT_EQ(error.number, jeterror::TooFewParameters);
}
