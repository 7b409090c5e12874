#include "shell/textlines.h"

#include <gtest/gtest.h>

namespace quelmar::shell {
namespace {

using namespace Qt::StringLiterals;

QString numberedLines(int count)
{
    QString text;
    for (int i = 1; i <= count; ++i)
        text += QStringLiteral("línea %1\n").arg(i);
    return text;
}

TEST(TextLines, LinesEndAtAnyLineBreak)
{
    const struct
    {
        const char* name;
        QString text;
        QStringList lines;
    } cases[]{
        {"CR LF, LF and CR", u"a\r\nb\nc\rd"_s, {u"a"_s, u"b"_s, u"c"_s, u"d"_s}},
        {"an end at the end adds no line", u"a\n"_s, {u"a"_s}},
        {"empty lines inside count", u"a\n\nb"_s, {u"a"_s, u""_s, u"b"_s}},
        {"an empty text has no lines", u""_s, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(readLines(c.text).lines, c.lines) << c.name;
}

TEST(TextLines, TheBufferStartsAt5000LinesAndGrowsBy500)
{
    const struct
    {
        int lines;
        int growths;
        int capacity;
    } cases[]{{10, 0, 5000}, {5000, 0, 5000}, {5001, 1, 5500}, {6000, 2, 6000}, {6001, 3, 6500}};
    for (const auto& c : cases) {
        const LineBuffer buffer = readLines(numberedLines(c.lines));
        EXPECT_EQ(buffer.lines.size(), c.lines);
        EXPECT_EQ(buffer.growths, c.growths) << c.lines;
        EXPECT_EQ(buffer.capacity, c.capacity) << c.lines;
        EXPECT_FALSE(buffer.overflow);
    }
}

TEST(TextLines, MoreThan32767LinesOverflow)
{
    const LineBuffer exact = readLines(numberedLines(MaxFileLines));
    EXPECT_FALSE(exact.overflow);
    const LineBuffer over = readLines(numberedLines(MaxFileLines + 1));
    EXPECT_TRUE(over.overflow);
    ASSERT_EQ(over.lines.size(), MaxFileLines);
    EXPECT_EQ(over.lines.last(), u"línea 32767"_s);
}

TEST(TextLines, ASectionRunsFromItsHeadingToTheFirstEndMark)
{
    const QStringList file{u"[A]"_s,  u"uno"_s,     u""_s,      u"  "_s,     u"dos"_s, u"&&"_s,
                           u"tres"_s, u"  [B]  "_s, u"&&fin"_s, u"cuatro"_s, u"[C]"_s};
    const struct
    {
        const char* name;
        QString section;
        int limit;
        QStringList lines;
    } cases[]{
        {"blank lines are left out and the section ends at &&", u"[A]"_s, 50, {u"uno"_s, u"dos"_s}},
        {"a heading followed by && is an empty section", u"[B]"_s, 50, {}},
        {"a heading on the last line is an empty section", u"[C]"_s, 50, {}},
        {"a section that is not there", u"[Z]"_s, 50, {}},
        {"the array's size limits what is stored", u"[A]"_s, 1, {u"uno"_s}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(sectionLines(file, c.section, c.limit), c.lines) << c.name;
}

TEST(TextLines, FileFiltersBecomeNameFilters)
{
    const struct
    {
        QString filter;
        QStringList expected;
    } cases[]{
        {u"*.txt"_s, {u"*.txt (*.txt)"_s}},
        {u"Texto|*.txt"_s, {u"Texto (*.txt)"_s}},
        {u"Texto|*.txt|Todos|*.*"_s, {u"Texto (*.txt)"_s, u"Todos (*.*)"_s}},
        {u"*.txt;*.csv"_s, {u"*.txt *.csv (*.txt *.csv)"_s}},
        {u"*.men|*.men"_s, {u"*.men (*.men)"_s}},
        {u""_s, {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(dialogNameFilters(c.filter), c.expected) << c.filter.toStdString();
}

TEST(TextLines, FilesAreReadAsUtf8OrAsTheOldWindowsCodePage)
{
    EXPECT_EQ(decodeText(u"Situación"_s.toUtf8()), u"Situación"_s);
    EXPECT_EQ(decodeText(QByteArray("\xEF\xBB\xBFSituaci\xC3\xB3n")), u"Situación"_s);
    EXPECT_EQ(decodeText(QByteArray("Situaci\xF3n \x93s\xED\x94")), u"Situación “sí”"_s);
}

} // namespace
} // namespace quelmar::shell
