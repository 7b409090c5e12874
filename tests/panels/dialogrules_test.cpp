#include "panels/dialogrules.h"

#include "qtprinters.h"

#include <gtest/gtest.h>

namespace quelmar::panels {
namespace {

struct SplitCase
{
    const char* text;
    const char* separator;
    QStringList pieces;
};

TEST(SplitWordsTest, CutsAtEverySeparatorAndKeepsOnlyEndedPieces)
{
    const SplitCase cases[] = {
        {"a//b/", "/", {QStringLiteral("a"), QStringLiteral(" "), QStringLiteral("b")}},
        {"/a/", "/", {QString(), QStringLiteral("a")}},
        {"&Si,&No,", ",", {QStringLiteral("&Si"), QStringLiteral("&No")}},
        {"&Si,&No", ",", {QStringLiteral("&Si")}},
        {"", ",", {}},
        {"sin separador", ",", {}},
        {"uno||dos||", "||", {QStringLiteral("uno"), QStringLiteral("dos")}},
    };
    for (const SplitCase& c : cases)
        EXPECT_EQ(SplitWords(QString::fromUtf8(c.text), QString::fromUtf8(c.separator)), c.pieces) << c.text;
}

TEST(SplitChoicesTest, CutsEachEntryAtItsFirstDash)
{
    const Choices choices = SplitChoices(QStringLiteral("Activo-1/Cortado-2-b/Sin valor/"));
    EXPECT_EQ(choices.count(), 3);
    EXPECT_EQ(choices.labels, QStringList({QStringLiteral("Activo"), QStringLiteral("Cortado"),
                                           QStringLiteral("Sin valor")}));
    EXPECT_EQ(choices.values, QStringList({QStringLiteral("1"), QStringLiteral("2-b"), QString()}));
}

TEST(SplitChoicesTest, TakesAtMostFiveHundredEntries)
{
    QString list;
    for (int i = 0; i < 600; ++i)
        list += QStringLiteral("e%1-%1/").arg(i);
    EXPECT_EQ(SplitChoices(list).count(), 500);
}

TEST(AccessLetterTest, AnswersWithTheLetterAfterTheMarkOrTheCaption)
{
    const std::pair<const char*, const char*> cases[] = {
        {"&Si", "S"},           {"C&ontinúa", "o"}, {"&Mi&lésimas", "M"},
        {"Aceptar", "Aceptar"}, {"Fin&", "Fin"},    {"", ""},
    };
    for (const auto& [caption, letter] : cases)
        EXPECT_EQ(accessLetter(QString::fromUtf8(caption)), QString::fromUtf8(letter)) << caption;
}

TEST(FooterStyleTest, FontFollowsTheMessageLength)
{
    struct Case
    {
        int length;
        double size;
        bool bold;
        int height;
    };
    const int width = 13800;
    const Case cases[] = {
        {0, 9, true, 400},
        {60, 9, true, 400},
        {61, 8.3, true, 400},
        {78, 8.3, true, 400},
        {79, 8.3, false, 400},
        {96, 8.3, false, 400},
        // above 96 the panel grows: int(length * 92 / width + 0.99) lines of 250 twips, plus 90
        {97, 8.3, false, 340},
        {300, 8.3, false, 590},
    };
    for (const Case& c : cases) {
        const FooterStyle style = footerStyle(c.length, width);
        EXPECT_DOUBLE_EQ(style.pointSize, c.size) << c.length;
        EXPECT_EQ(style.bold, c.bold) << c.length;
        EXPECT_EQ(style.heightTwips, c.height) << c.length;
    }
}

TEST(InputFieldLengthTest, TenByDefaultRaisedToTheDefaultAnswerAtMostSixty)
{
    const std::tuple<int, int, int> cases[] = {
        {0, 0, 10}, {0, 14, 14}, {0, 80, 60}, {21, 0, 21}, {5, 8, 8}, {70, 0, 60}, {20, 3, 20},
    };
    for (const auto& [asked, answer, expected] : cases)
        EXPECT_EQ(inputFieldLength(asked, answer), expected) << asked << " " << answer;
    EXPECT_EQ(inputFieldWidthTwips(10), 1240);
}

TEST(ButtonWidthTest, WidestCaptionSetsTheWidth)
{
    EXPECT_EQ(buttonWidthTwips(3, false), 425);
    EXPECT_EQ(buttonWidthTwips(3, true), 885);
    EXPECT_EQ(buttonWidthTwips(9, true), 1115);
}

TEST(MirrorChosenEntriesTest, FollowsTheSelectionInListOrder)
{
    const QStringList entries = {QStringLiteral("  Ana"), QStringLiteral("  Luis"),
                                 QStringLiteral("  Mariana")};
    QString chosen = mirrorChosenEntries(QString(), entries, {false, true, false});
    EXPECT_EQ(chosen, QStringLiteral("Luis/"));
    chosen = mirrorChosenEntries(chosen, entries, {true, true, true});
    EXPECT_EQ(chosen, QStringLiteral("Luis/Ana/Mariana/"));
    chosen = mirrorChosenEntries(chosen, entries, {true, false, true});
    EXPECT_EQ(chosen, QStringLiteral("Ana/Mariana/"));
}

TEST(MirrorChosenEntriesTest, AnEntryInsideAnotherIsNotCutOutOfIt)
{
    const QStringList entries = {QStringLiteral("Ana"), QStringLiteral("Mariana")};
    EXPECT_EQ(mirrorChosenEntries(QStringLiteral("Mariana/"), entries, {false, true}),
              QStringLiteral("Mariana/"));
    EXPECT_EQ(mirrorChosenEntries(QStringLiteral("Mariana/"), entries, {true, true}),
              QStringLiteral("Mariana/Ana/"));
}

TEST(InputMaskTest, MaskedEditMasksBecomeOptionalQtMasks)
{
    const std::pair<const char*, const char*> cases[] = {
        {"", ""},           {"##/##/####", "00/00/0000"}, {">???", ">aaa"}, {"&&&", "xxx"},
        {"AA-99", "nn-00"}, {"Nº ##", "\\Nº 00"},         {"\\##", "\\#0"},
    };
    for (const auto& [mask, qt] : cases)
        EXPECT_EQ(qtInputMask(QString::fromUtf8(mask)), QString::fromUtf8(qt)) << mask;
}

TEST(InputMaskTest, TypedTextLeavesTheLiteralsOut)
{
    EXPECT_EQ(withoutMaskLiterals(QStringLiteral("31/01/2001"), QStringLiteral("00/00/0000")),
              QStringLiteral("31012001"));
    EXPECT_EQ(withoutMaskLiterals(QStringLiteral("Nº 12"), QStringLiteral("\\Nº 00")), QStringLiteral("12"));
    EXPECT_EQ(withoutMaskLiterals(QStringLiteral("12/  /    "), QStringLiteral("00/00/0000")),
              QStringLiteral("12"));
    EXPECT_EQ(withoutMaskLiterals(QStringLiteral("texto libre"), QString()), QStringLiteral("texto libre"));
}

TEST(MonthDayYearLiteralTest, WritesNoLeadingZeros)
{
    EXPECT_EQ(monthDayYearLiteral(QDate(2001, 1, 5)), QStringLiteral("#1/5/2001#"));
    EXPECT_EQ(monthDayYearLiteral(QDate(2026, 12, 31)), QStringLiteral("#12/31/2026#"));
}

} // namespace
} // namespace quelmar::panels
