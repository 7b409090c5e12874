#include "shell/menurules.h"

#include <gtest/gtest.h>

namespace quelmar::shell {
namespace {

using namespace Qt::StringLiterals;

QString render(const QList<MenuItem>& items)
{
    QStringList lines;
    for (const MenuItem& item : items)
        lines.append(item.code + u'|' + item.caption + u'|' + item.explanation + u'|' + item.helpTopic);
    return lines.join(u'\n');
}

QString render(const MenuSelection& selection)
{
    QStringList options;
    for (const MenuOptionEntry& option : selection.options)
        options.append(QStringLiteral("%1:%2:%3").arg(option.row).arg(option.caption).arg(option.width));
    return options.join(u' ');
}

MenuItem item(const QString& code, const QString& caption, const QString& explanation = {},
              const QString& help = {})
{
    return MenuItem{code, caption, explanation, help};
}

// A heading, the top menu, the submenu "2" and one deeper option.
QList<MenuItem> menus()
{
    return {item(u"Código"_s, u"Menú"_s),
            item(u"1"_s, u"&Suscriptores"_s, u"Altas"_s, u"Sus"_s),
            item(u"2"_s, u"&Pagos"_s, u"Cobros"_s, u"Pag"_s),
            item(u"21"_s, u"&Registra pago"_s, u"Cobra"_s, u"Pag.Reg"_s),
            item(u"22"_s, u"&Historial"_s),
            item(u"23"_s, u"Listas"_s),
            item(u"231"_s, u"Diario"_s),
            item(u"3"_s, u"S&ituación"_s)};
}

struct ParseCase
{
    const char* name;
    QStringList lines;
    QString expected;
};

TEST(MenuRules, MenuFileLinesBecomeMenuItems)
{
    const QList<ParseCase> cases{
        {"the first long line is the heading, even when it reads like an option",
         {u"1\tUno\tExplica\tTema"_s, u"2\tDos\tOtra\tT2"_s},
         u"1|Uno|Explica|Tema\n2|Dos|Otra|T2"_s},
        {"lines under six characters are skipped",
         {u"Código\tMenú"_s, u""_s, u"1\tAbc"_s, u"12345"_s, u"123456"_s},
         u"Código|Menú||\n123456|||"_s},
        {"fields 1 to 3 are trimmed, the help topic is kept as written",
         {u"Cabeza\t"_s, u" 1 \t  Uno \t Exp \t  Tema "_s},
         u"Cabeza|||\n1|Uno|Exp|  Tema "_s},
        {"missing fields are empty and extra fields ignored",
         {u"Cabeza\t"_s, u"11\tSolo"_s, u"12\tA\tB\tC\tD\tE"_s},
         u"Cabeza|||\n11|Solo||\n12|A|B|C"_s},
        {"a line without TAB is all code", {u"Sin tabuladores"_s}, u"Sin tabuladores|||"_s},
    };
    for (const ParseCase& c : cases)
        EXPECT_EQ(render(parseMenuLines(c.lines)), c.expected) << c.name;
}

TEST(MenuRules, AMenuFileKeepsAtMost300Lines)
{
    QStringList lines;
    for (int i = 1; i <= 350; ++i)
        lines.append(QStringLiteral("%1\tOpción %1").arg(i));
    const QList<MenuItem> items = parseMenuLines(lines);
    ASSERT_EQ(items.size(), MaxMenuLines);
    EXPECT_EQ(items.last().code, u"300"_s);
}

TEST(MenuRules, OptionsOfAMenuAreTheLinesOneCharacterLongerThanItsCode)
{
    const struct
    {
        QString code;
        QString options;
        QString ownCaption;
    } cases[]{
        {QString(), u"1:Suscriptores:1630 2:Pagos:825 7:Situación:1285"_s, QString()},
        {u"2"_s, u"3:Registra pago:1745 4:Historial:1285 5:Listas:940"_s, u"&Pagos"_s},
        {u" 2 "_s, u"3:Registra pago:1745 4:Historial:1285 5:Listas:940"_s, u"&Pagos"_s},
        {u"23"_s, u"6:Diario:940"_s, u"Listas"_s},
        {u"9"_s, QString(), QString()},
    };
    for (const auto& c : cases) {
        const MenuSelection selection = selectMenuOptions(menus(), c.code);
        EXPECT_EQ(render(selection), c.options) << c.code.toStdString();
        EXPECT_EQ(selection.ownCaption, c.ownCaption) << c.code.toStdString();
    }
    EXPECT_EQ(selectMenuOptions(menus(), u"2"_s).widestOption(), 1745);
}

TEST(MenuRules, TheHeadingIsNeverAnOption)
{
    const QList<MenuItem> items{item(u"1"_s, u"Perdida"_s), item(u"2"_s, u"Dos"_s)};
    EXPECT_EQ(render(selectMenuOptions(items, QString())), u"1:Dos:595"_s);
}

TEST(MenuRules, TitlesWalkTheMenuPath)
{
    const struct
    {
        QString code;
        QString formCaption;
        QString centreCaption;
    } cases[]{
        {QString(), u"QUELMAR"_s, u"Fin"_s},
        {u"2"_s, u" - Pagos"_s, u"Pagos"_s},
        {u"23"_s, u" - Pagos - Listas"_s, u"Listas"_s},
        {u"231"_s, u" - Pagos - Listas - Diario"_s, u"Diario"_s},
        {u"9"_s, QString(), QString()},
    };
    for (const auto& c : cases) {
        const MenuTitles titles = menuTitles(menus(), c.code, u"Quelmar"_s);
        EXPECT_EQ(titles.formCaption, c.formCaption) << c.code.toStdString();
        EXPECT_EQ(titles.centreCaption, c.centreCaption) << c.code.toStdString();
    }
}

TEST(MenuRules, TheTitleWalkReadsTheFileOnceInOrder)
{
    // "21" comes before "2": when the walk reaches "2" it has passed "21" already.
    const QList<MenuItem> items{item(u"Cabeza"_s, {}), item(u"21"_s, u"Hijo"_s), item(u"2"_s, u"Padre"_s)};
    const MenuTitles titles = menuTitles(items, u"21"_s, u"Quelmar"_s);
    EXPECT_EQ(titles.formCaption, u" - Padre"_s);
    EXPECT_EQ(titles.centreCaption, u"Padre"_s);
}

TEST(MenuRules, CentreLabelWidthFollowsItsCaptionWithinBounds)
{
    const struct
    {
        QString caption;
        int width;
    } cases[]{
        {u"Fin"_s, 1200},                   // 7 characters with the line breaks: 700, raised to 1000
        {u"Vencidos"_s, 1400},              // 12 characters
        {u"Estadísticas de pagos"_s, 1800}, // 25 characters: 2500, cut to 1600
    };
    for (const auto& c : cases) {
        const CentreLabel label = centreLabel(c.caption, u"\r\n"_s);
        EXPECT_EQ(label.caption, u"\r\n"_s + c.caption + u"\r\n"_s);
        EXPECT_EQ(label.width, c.width) << c.caption.toStdString();
        EXPECT_EQ(label.height, 1000);
    }
}

TEST(MenuRules, OptionsLieOnAnArcRightOfTheCentre)
{
    ArcInput input;
    input.innerHeight = 8000;
    input.width = 12000;
    input.titleTop = 100;
    input.optionCount = 3;
    input.optionWidth = 1630;
    input.centreWidth = 1200;
    input.centreHeight = 1000;
    const ArcLayout arc = arcLayout(input);
    EXPECT_DOUBLE_EQ(arc.radius, 4000);
    EXPECT_DOUBLE_EQ(arc.cx, 4800);
    EXPECT_DOUBLE_EQ(arc.cy, 4050);
    EXPECT_EQ(arc.step, 1812);
    EXPECT_EQ(arc.centreLabel, QRect(4500, 3550, 1200, 1000));
    const struct
    {
        int x;
        int y;
    } expected[]{{6353, 1912}, {7406, 3724}, {6847, 5536}};
    ASSERT_EQ(arc.options.size(), 3);
    for (int k = 0; k < 3; ++k) {
        const ArcOption& option = arc.options.at(k);
        EXPECT_EQ(option.label, QRect(expected[k].x, expected[k].y - 100, 1630, 300)) << "option " << k + 1;
        EXPECT_EQ(option.lineFrom, QPoint(5100, 4050));
        EXPECT_EQ(option.lineTo, QPoint(expected[k].x, expected[k].y + 50));
    }
}

TEST(MenuRules, OptionsBeyondTheCircleAreNotPlaced)
{
    ArcInput input;
    input.innerHeight = 1000;
    input.width = 3000;
    input.titleTop = 2000; // the title lies below a form this small
    input.optionCount = 2;
    input.optionWidth = 1000;
    input.centreWidth = 1200;
    input.centreHeight = 1000;
    const ArcLayout arc = arcLayout(input);
    EXPECT_EQ(arc.step, -550);
    EXPECT_TRUE(arc.options.isEmpty());

    input.optionCount = 0;
    EXPECT_TRUE(arcLayout(input).options.isEmpty());
}

TEST(MenuRules, GradientBandsDarkenTowardsTheLeft)
{
    const QList<GradientBand> bands = gradientBands(qRgb(100, 200, 40), 1000);
    ASSERT_EQ(bands.size(), 100);
    const struct
    {
        int band;
        double left;
        QRgb colour;
    } cases[]{
        {0, 0, qRgb(30, 60, 12)},
        {50, 500, qRgb(75, 150, 30)},
        {99, 990, qRgb(119, 238, 48)},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(bands.at(c.band).left, c.left);
        EXPECT_DOUBLE_EQ(bands.at(c.band).width, 10);
        EXPECT_EQ(bands.at(c.band).colour, c.colour) << "band " << c.band;
    }
    EXPECT_EQ(gradientBands(qRgb(250, 250, 250), 1000).last().colour, qRgb(255, 255, 255));
}

TEST(MenuRules, AChoiceIsLookedUpByTheMenuCodeAndTheOptionNumber)
{
    const struct
    {
        QString code;
        int option;
        bool found;
        QString path;
        QString help;
    } cases[]{
        {QString(), 2, true, u"Pagos"_s, u"Pag"_s},
        {u"2"_s, 1, true, u"Registra pago"_s, u"Pag.Reg"_s},
        {u"2"_s, 98, false, u"Base"_s, QString()},
        {u"9"_s, 1, false, u"Base"_s, QString()},
    };
    for (const auto& c : cases) {
        const MenuChoice choice = lookupChoice(menus(), c.code, c.option);
        EXPECT_EQ(choice.found, c.found) << c.code.toStdString() << c.option;
        EXPECT_EQ(choice.path, c.path);
        EXPECT_EQ(choice.helpTopic, c.help);
    }
}

TEST(MenuRules, AnOptionShownOutOfOrderReturnsTheCaptionOfItsNumber)
{
    const QList<MenuItem> items{item(u"Cabeza"_s, {}), item(u"2"_s, u"Pagos"_s), item(u"23"_s, u"Tercera"_s),
                                item(u"21"_s, u"Primera"_s), item(u"22"_s, u"Segunda"_s)};
    EXPECT_EQ(selectMenuOptions(items, u"2"_s).options.first().caption, u"Tercera"_s);
    EXPECT_EQ(lookupChoice(items, u"2"_s, 1).path, u"Primera"_s);
}

} // namespace
} // namespace quelmar::shell
