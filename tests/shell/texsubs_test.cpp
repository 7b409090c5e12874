#include "session/session.h"
#include "shell/texsubs.h"

#include <gtest/gtest.h>

namespace quelmar::shell {
namespace {

using namespace Qt::StringLiterals;

TEST(TexSubs, ReplacesEveryOccurrenceWithoutRegardToCase)
{
    const struct
    {
        const char* name;
        QString text;
        QString searched;
        QString replacement;
        QString expected;
    } cases[]{
        {"one word", u"Hola mundo"_s, u"MUNDO"_s, u"amigo"_s, u"Hola amigo"_s},
        {"every occurrence, any case", u"FECHA fecha Fecha"_s, u"fecha"_s, u"#"_s, u"# # #"_s},
        {"searching again from the beginning", u"aab"_s, u"ab"_s, u"b"_s, u"b"_s},
        {"a replacement that forms an occurrence with the text before it", u"xxyy"_s, u"xy"_s, u""_s, u""_s},
        {"nothing found", u"Pagos"_s, u"Quejas"_s, u"x"_s, u"Pagos"_s},
        {"an empty text", u""_s, u"x"_s, u"y"_s, u""_s},
        {"an empty searched text changes nothing", u"abc"_s, u""_s, u"y"_s, u"abc"_s},
        {"a replacement containing the searched text replaces each occurrence once", u"a.b.c"_s, u"."_s,
         u".."_s, u"a..b..c"_s},
        {"the same, of another case", u"Xa"_s, u"x"_s, u"xX"_s, u"xXa"_s},
    };
    for (const auto& c : cases)
        EXPECT_EQ(replacedEverywhere(c.text, c.searched, c.replacement), c.expected) << c.name;
}

TEST(TexSubs, ChangesTheTextInPlaceAndNamesItself)
{
    Session session;
    QString text = u"SELECT * FROM Pagos WHERE Fecha = #F#"_s;
    TexSubs(session, text, u"#f#"_s, u"#12-31-2024#"_s);
    EXPECT_EQ(text, u"SELECT * FROM Pagos WHERE Fecha = #12-31-2024#"_s);
    EXPECT_EQ(session.errors.RoutineName, u"TexSubs"_s);
}

} // namespace
} // namespace quelmar::shell
