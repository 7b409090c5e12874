#include "shell/accesskeyrules.h"

#include <gtest/gtest.h>

namespace quelmar::shell {
namespace {

using namespace Qt::StringLiterals;

TEST(AccessKeyRules, TheLevelIsTheNumberTheTextBeginsWith)
{
    const struct
    {
        QString text;
        double level;
    } cases[]{
        {u"3x"_s, 3},  {u"x"_s, 0},   {u" 5"_s, 5},          {u""_s, 0},
        {u"10"_s, 10}, {u"-2"_s, -2}, {u"2.5 nivel"_s, 2.5},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(keyLevel(c.text), c.level) << c.text.toStdString();
}

TEST(AccessKeyRules, TheFirstKeyWrittenSoDecides)
{
    const QList<AccessKey> keys{
        {u"caja"_s, u"Cajero"_s, u"2"_s},         {u"gerencia"_s, u"Gerente"_s, u"3"_s},
        {u"Jefe"_s, u"Dueño"_s, u"5 (máximo)"_s}, {u"gerencia"_s, u"Otro"_s, u"9"_s},
        {u"rara"_s, u"Sin nivel"_s, u"x"_s},      {u""_s, u"Vacía"_s, u"9"_s},
    };
    const struct
    {
        const char* name;
        QString typed;
        int level;
        KeyOutcome outcome;
        QString holder;
    } cases[]{
        {"a key of level 5 asked for level 3", u"Jefe"_s, 3, KeyOutcome::Granted, u"Dueño"_s},
        {"a key of level 2 asked for level 3", u"caja"_s, 3, KeyOutcome::LevelTooLow, {}},
        {"a key of exactly the level", u"caja"_s, 2, KeyOutcome::Granted, u"Cajero"_s},
        {"case matters", u"jefe"_s, 3, KeyOutcome::Unknown, {}},
        {"a trailing blank matters", u"Jefe "_s, 3, KeyOutcome::Unknown, {}},
        {"the first of two equal keys decides", u"gerencia"_s, 5, KeyOutcome::LevelTooLow, {}},
        {"level text without a number is level 0", u"rara"_s, 3, KeyOutcome::LevelTooLow, {}},
        {"nothing typed is no key, even beside an empty key", u""_s, 0, KeyOutcome::Unknown, {}},
    };
    for (const auto& c : cases) {
        const KeyCheck check = checkAccessKey(keys, c.typed, c.level);
        EXPECT_EQ(check.outcome, c.outcome) << c.name;
        EXPECT_EQ(check.name, c.holder) << c.name;
    }
}

} // namespace
} // namespace quelmar::shell
