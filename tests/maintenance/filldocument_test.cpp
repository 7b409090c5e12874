// Filling of document templates: value marks, fixed-width and free fields, the date mark.
#include "maintenance/filldocument.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace quelmar::maintenance::templates {
namespace {

QString operator""_q(const char16_t* text, std::size_t size)
{
    return QString(reinterpret_cast<const QChar*>(text), static_cast<qsizetype>(size));
}

const QString M = ValueMark; // "&·&"
const QString E = EndMark;   // "_·"

// Every character 100 twips wide: a line of 40 characters fits 4000 twips.
LineWidth fortyCharacters()
{
    return {4000, [](const QString& text) { return static_cast<int>(text.size()) * 100; }};
}

QStringList twelveValues()
{
    QStringList values;
    for (int i = 1; i <= 12; ++i)
        values.append(QStringLiteral("v") + QString::number(i));
    return values;
}

TEST(FillDocument, marksAreFilledAsTheTableOfCasesSays)
{
    const QDate today(2026, 12, 10);
    struct Case
    {
        const char* what;
        QString text;
        QStringList values;
        QString filled;
    };
    const Case cases[] = {
        {"a free mark takes its value where it stands",
         QStringLiteral("Nombre: ") + M + u"1."_q,
         {QStringLiteral("  Ana Ruiz ")},
         QStringLiteral("Nombre: Ana Ruiz.")},
        {"value 12 fills its own mark, value 1 the mark of 1", M + u"1 y "_q + M + u"12"_q, twelveValues(),
         QStringLiteral("v1 y v12")},
        {"mark 1 is not the start of mark 12 even when 12 has no value",
         M + u"12 "_q + M + u"1"_q,
         {QStringLiteral("uno")},
         M + u"12 uno"_q},
        {"a long value is cut to its fixed field of 10",
         u"["_q + M + u"1____"_q + E + u"]"_q,
         {QStringLiteral("ABCDEFGHIJKLMN")},
         QStringLiteral("[ABCDEFGHIJ]")},
        {"a short value is followed by blanks to its width",
         u"["_q + M + u"1____"_q + E + u"]"_q,
         {QStringLiteral("ABCD")},
         QStringLiteral("[ABCD      ]")},
        {"an end mark after the next value mark makes a free field",
         M + u"1 "_q + M + u"2__"_q + E,
         {QStringLiteral("uno"), QStringLiteral("dos")},
         QStringLiteral("uno dos     ")},
        {"an end mark on a later line does not stretch the field over the break",
         M + u"1\r\n"_q + E,
         {QStringLiteral("uno")},
         QStringLiteral("uno\r\n") + E},
        {"only the first occurrence of a mark is filled",
         M + u"3 "_q + M + u"3"_q,
         {QString(), QString(), QStringLiteral("tres")},
         QStringLiteral("tres ") + M + u"3"_q},
        {"a value holding a mark is not filled again",
         M + u"2 "_q + M + u"1"_q,
         {QStringLiteral("uno"), M + u"1"_q},
         M + u"1 uno"_q},
        {"a value holding a date mark is not filled again",
         M + u"1 "_q + DateMark,
         {DateMark},
         DateMark + u" 10-12-26"_q},
        {"the date is as long as its mark", u"["_q + DateMark + u"]"_q, {}, QStringLiteral("[10-12-26]")},
        {"only the first date mark is filled",
         DateMark + u" "_q + DateMark,
         {},
         QStringLiteral("10-12-26 ") + DateMark},
        {"a mark without a value stays", M + u"5"_q, {QStringLiteral("uno")}, M + u"5"_q},
        {"line breaks inside a value become blanks",
         u"["_q + M + u"1___"_q + E + u"]"_q,
         {QStringLiteral("a\r\nb")},
         QStringLiteral("[a  b     ]")},
    };
    for (const Case& c : cases) {
        const FilledText filled = fillMarks(c.text, c.values, today, fortyCharacters());
        EXPECT_EQ(filled.text, c.filled) << c.what;
        EXPECT_EQ(filled.addedLines, 0) << c.what;
    }
}

TEST(FillDocument, aFixedFieldKeepsTheLayoutOfItsLine)
{
    const QString line = u"Suscriptor: "_q + M + u"1__________"_q + E + u"  Contrato: "_q + M + u"2"_q;
    for (const QString& name : {QStringLiteral("Li"), QStringLiteral("Maximiliano Hernández de la Garza")}) {
        const QString filled = fillMarks(line, {name, QStringLiteral("1234")}, {}, fortyCharacters()).text;
        EXPECT_EQ(filled.indexOf(QStringLiteral("Contrato: 1234")), line.indexOf(QStringLiteral("Contrato")))
            << name.toStdString();
    }
}

TEST(FillDocument, aFreeFieldTooWideForTheLineIsBrokenIntoPiecesOfAtMostSeventySevenCharacters)
{
    QString words;
    for (int i = 0; i < 30; ++i)
        words += QStringLiteral("palabra ");
    const FilledText filled =
        fillMarks(u"Reporte: "_q + M + u"1\r\nFin"_q, {words.trimmed()}, {}, fortyCharacters());
    const QStringList lines = textLines(filled.text);
    ASSERT_EQ(lines.size(), 5);
    EXPECT_EQ(filled.addedLines, 3);
    for (qsizetype i = 0; i + 1 < lines.size(); ++i) {
        EXPECT_LE(lines.at(i).size(), LongestPiece);
        EXPECT_FALSE(lines.at(i).endsWith(u' '));
    }
    EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("Reporte: palabra")));
    EXPECT_EQ(lines.last(), QStringLiteral("Fin"));
    EXPECT_EQ(QStringList(lines.mid(0, 4)).join(u' '), u"Reporte: "_q + words.trimmed());

    // A word longer than a piece is cut; a line that fits, or holds no free field, is left whole.
    EXPECT_EQ(fillMarks(M + u"1"_q, {QString(100, u'x')}, {}, fortyCharacters()).text,
              QString(77, u'x') + u'\r' + QString(23, u'x'));
    EXPECT_EQ(fillMarks(M + u"1"_q, {QStringLiteral("corto")}, {}, fortyCharacters()).addedLines, 0);
    const QString wide(60, u'-');
    EXPECT_EQ(fillMarks(wide + u"\r\n"_q + M + u"1"_q, {QStringLiteral("x")}, {}, fortyCharacters()).text,
              wide + u"\r\nx"_q);
}

// A printer keeps a text's width in 26.6 fixed point in 32 bits: past some 400,000 characters of 100 units
// the measure of the whole text wraps around to a negative width.
LineWidth printerMeasure()
{
    return {4000, [](const QString& text) {
                const auto fixed = static_cast<quint32>(static_cast<quint64>(text.size()) * 100 * 64);
                return static_cast<qint32>(fixed) / 64;
            }};
}

// One line of a template with a free field, and after it `size` characters of words: filled, it is broken
// into pieces of at most 77 characters that hold all its words in order. A two-megabyte line is filled in a
// normal test time (the filling walks the line once), and a line the printer cannot measure whole is broken
// too.
TEST(FillDocument, aVeryLongLineOfAFreeFieldIsBrokenWhole)
{
    const struct
    {
        const char* what;
        qsizetype size;
        LineWidth measure;
    } cases[] = {
        {"a two-megabyte template of one line", 2 * 1024 * 1024, fortyCharacters()},
        {"a line too long for the printer's measure", 450000, printerMeasure()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QString words;
        words.reserve(c.size + 16);
        for (int i = 0; words.size() < c.size; ++i)
            words += QStringLiteral("palabra%1 ").arg(i % 1000);
        const QString line = u"Reporte: "_q + M + u"1 "_q + words.trimmed();
        const FilledText filled = FillDocument(QStringLiteral("Adi"), {line}, {QStringLiteral("uno")}, {},
                                               c.measure, QStringLiteral("\r\n"));
        ASSERT_TRUE(filled.text.startsWith(QStringLiteral("\r\n   Reporte: uno palabra0 palabra1")));
        const QStringList pieces = textLines(filled.text.mid(2));
        EXPECT_EQ(filled.addedLines, pieces.size() - 1);
        EXPECT_GT(pieces.size(), c.size / LongestPiece);
        const auto longest =
            std::max_element(pieces.begin(), pieces.end(),
                             [](const QString& a, const QString& b) { return a.size() < b.size(); });
        EXPECT_LE(longest->size(), LongestPiece);
        EXPECT_EQ(pieces.join(u' '), u"   Reporte: uno "_q + words.trimmed());
    }
}

TEST(FillDocument, aWholeTemplateHasEachLineAfterALineBreakAndThreeBlanks)
{
    const QStringList lines{M + u"10"_q, QStringLiteral("Fecha: ") + DateMark, u"Nombre: "_q + M + u"1"_q};
    QStringList values = twelveValues();
    const FilledText whole = FillDocument(QStringLiteral("Adi"), lines, values, QDate(2027, 1, 5),
                                          fortyCharacters(), QStringLiteral("\r\n"));
    EXPECT_EQ(whole.text, QStringLiteral("\r\n   v10\r\n   Fecha: 05-01-27\r\n   Nombre: v1"));

    const FilledText byLine = FillDocument(QStringLiteral("ILIM"), lines, values, QDate(2027, 1, 5),
                                           fortyCharacters(), QStringLiteral("\r\n"));
    EXPECT_EQ(byLine.text, QStringLiteral("v10\rFecha: 05-01-27\rNombre: v1\r"));
    EXPECT_TRUE(
        FillDocument(QStringLiteral("Otro"), lines, values, {}, fortyCharacters(), QStringLiteral("\r\n"))
            .text.isEmpty());
}

} // namespace
} // namespace quelmar::maintenance::templates
