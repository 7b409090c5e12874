// The position file of a panel format and the RTF reader of the paper form behind it.
#include "output/formrules.h"
#include "output/rtfreader.h"

#include <QTextBlock>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace quelmar::output {
namespace {

TEST(FormRules, theDocumentsPositionFileIsNamedFromItsFileName)
{
    const std::pair<const char*, const char*> cases[] = {
        {"/oficina/Ficha.rtf", "/oficina/Ficha.pos"},
        {"C:\\Oficina\\Ficha.rtf", "C:\\Oficina\\Ficha.pos"},
        {"/datos.2026/Ficha.rtf", "/datos.2026/Ficha.pos"},
        {"/oficina/Ficha.v2.rtf", "/oficina/Ficha.pos"},
        {"Ficha.RTF", "Ficha.pos"},
        {"/oficina/Ficha", "/oficina/Ficha.pos"},
    };
    for (const auto& [document, positions] : cases)
        EXPECT_EQ(formrules::positionFilePath(QString::fromUtf8(document)), QString::fromUtf8(positions))
            << document;
}

TEST(FormRules, aPositionFileIsReadBackAsItWasWritten)
{
    const formrules::PositionTable table{
        9400, 6050, {{QStringLiteral("Nombre"), 1900, 930}, {QStringLiteral("Teléfono"), 6300, 2670}}};
    const QString text = formrules::positionFileText(table);
    EXPECT_EQ(text, QStringLiteral("9400\t6050\t\r\nNombre\t1900\t930\t\r\nTeléfono\t6300\t2670\t\r\n"));
    const std::optional<formrules::PositionTable> read = formrules::parsePositionFile(text, 2);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->width, 9400);
    EXPECT_EQ(read->height, 6050);
    ASSERT_EQ(read->fields.size(), 2);
    EXPECT_EQ(read->fields.at(1).text, QStringLiteral("Teléfono"));
    EXPECT_EQ(read->fields.at(1).left, 6300);
    EXPECT_EQ(read->fields.at(1).top, 2670);
    // Lines beyond the panel's fields are not read; a file written on another system reads the same.
    EXPECT_TRUE(formrules::parsePositionFile(text, 1));
    EXPECT_TRUE(
        formrules::parsePositionFile(QString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")), 2));
}

TEST(FormRules, aMalformedPositionFileIsRefusedWithItsReason)
{
    struct Case
    {
        const char* text;
        int fields;
        const char* reason;
    };
    const Case cases[] = {
        {"", 1, "line 1 holds no document size"},
        {"ancho\talto\t\r\nNombre\t1\t2\t", 1, "line 1 holds no document size"},
        {"9400\t0\t\r\nNombre\t1\t2\t", 1, "line 1 holds no document size"},
        {"9400\t5000\t\r\nNombre\tx\t2\t", 1, "line 2 holds no position of field 1"},
        {"9400\t5000\t\r\nNombre\t1\t", 1, "line 2 holds no position of field 1"},
        {"9400\t5000\t\r\nNombre\t1\t2\t", 2, "line 3 holds no position of field 2"},
        {"9400\t5000\t\r\nNombre\t1\t99999\t", 1, "line 2 holds no position of field 1"},
    };
    for (const Case& c : cases) {
        QString reason;
        EXPECT_FALSE(formrules::parsePositionFile(QString::fromUtf8(c.text), c.fields, &reason)) << c.text;
        EXPECT_EQ(reason, QString::fromUtf8(c.reason)) << c.text;
    }
}

TEST(FormRules, positionsAndSizesAsTheDesignViewGivesThem)
{
    EXPECT_EQ(formrules::positionText(1200, 340), QStringLiteral("0120000340"));
    EXPECT_EQ(formrules::positionText(0, 0), QStringLiteral("0000000000"));
    // "+Alto" twice: 1.21 times as high.
    EXPECT_EQ(formrules::grow(formrules::grow(5000)), 6050);
    EXPECT_EQ(formrules::shrink(9400), 8460);
    EXPECT_EQ(formrules::shrink(formrules::grow(1000)), 990);
}

// The text of the document the reader makes, as a QTextDocument shows it.
QString shownText(const char* rtf)
{
    QTextDocument document;
    document.setHtml(rtf::toHtml(QByteArray(rtf)));
    return document.toPlainText();
}

TEST(RtfReader, theTextOfAFormIsReadWithoutItsTablesAndControlWords)
{
    struct Case
    {
        const char* rtf;
        const char* text;
    };
    const Case cases[] = {
        {R"({\rtf1\ansi Hola\par mundo\par})", "Hola\nmundo"},
        {R"({\rtf1{\fonttbl{\f0\fswiss Arial;}}{\colortbl;\red0\green0\blue0;}{\info{\title T}}\f0 Ficha\par})",
         "Ficha"},
        {R"({\rtf1 Situaci\'f3n y Tel\'e9fono\par})", "Situación y Teléfono"},
        {R"({\rtf1 Se\u241?al\par})", "Señal"},
        {R"({\rtf1 {\*\generator Writer;}Nombre:\tab X\par})", "Nombre:        X"},
        {R"({\rtf1 a\line b\par})", "a\nb"},
        {R"({\rtf1 llaves \{ y \} y \\\par})", "llaves { y } y \\"},
        {R"({\rtf1 {\b negrita} normal\par})", "negrita normal"},
        {"texto sin formato", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(shownText(c.rtf), QString::fromUtf8(c.text)) << c.rtf;
}

TEST(RtfReader, boldSizesAndAlignmentReachTheDocument)
{
    QTextDocument document;
    document.setHtml(rtf::toHtml(QByteArray(R"({\rtf1\pard\qc\b\fs28 TITULO\b0\par\pard\fs20 cuerpo\par})")));
    const QTextBlock title = document.firstBlock();
    EXPECT_EQ(title.text(), QStringLiteral("TITULO"));
    EXPECT_TRUE(title.blockFormat().alignment() & Qt::AlignHCenter);
    const QTextCharFormat titleFormat = title.begin().fragment().charFormat();
    EXPECT_EQ(titleFormat.fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(titleFormat.fontPointSize(), 14.0);
    const QTextBlock body = title.next();
    EXPECT_FALSE(body.blockFormat().alignment() & Qt::AlignHCenter);
    EXPECT_NE(body.begin().fragment().charFormat().fontWeight(), QFont::Bold);
    EXPECT_DOUBLE_EQ(body.begin().fragment().charFormat().fontPointSize(), 10.0);
}

} // namespace
} // namespace quelmar::output
