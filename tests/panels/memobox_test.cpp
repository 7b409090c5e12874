#include "panels/memobox.h"

#include "panels/keyboard.h"
#include "panelsfixture.h"

#include <QTextBlock>

namespace quelmar::panels {
namespace {

QString words(qsizetype length)
{
    static const QString sentence = QStringLiteral("falla de señal en la colonia centro desde el martes ");
    QString text;
    while (text.size() < length)
        text += sentence;
    text.truncate(length);
    return text;
}

TEST(SoftBreakTest, LongParagraphsAreCutAfterABlankWhereThereIsOne)
{
    const struct
    {
        const char* paragraph;
        qsizetype longest;
        qsizetype cut;
    } cases[] = {
        {"corto", 10, 5},          {"abcdefghij", 10, 10},    {"abc defghijkl", 10, 10},
        {"abcdef ghijkl", 10, 7},  {"ab cdefghijkl", 10, 10}, {"abcdefghijklmn", 10, 10},
        {"abcdefghi jkl", 10, 10},
    };
    for (const auto& c : cases)
        EXPECT_EQ(softBreakAt(QString::fromUtf8(c.paragraph), c.longest), c.cut) << c.paragraph;
}

TEST(SoftBreakTest, TheTextComesBackWholeAndNoParagraphStaysLong)
{
    const QString texts[] = {
        QString(),
        QStringLiteral("Una línea"),
        QStringLiteral("Dos\nlíneas\n"),
        words(1234),
        QString(1500, QLatin1Char('x')),
        words(700) + QStringLiteral("\n\n") + words(90) + QLatin1Char('\n') + QString(1001, QLatin1Char('y')),
    };
    for (const QString& text : texts) {
        const QString shown = withSoftBreaks(text, 100);
        EXPECT_EQ(withoutSoftBreaks(shown), text) << text.size();
        for (const QString& paragraph : shown.split(QLatin1Char('\n')))
            EXPECT_LE(paragraph.size(), 101) << text.size(); // the mark ends a cut paragraph
    }
}

class MemoBoxTest : public quelmar::testing::PanelsTest
{
protected:
    void SetUp() override
    {
        PanelsTest::SetUp();
        memo = new MemoBox(form.get());
        memo->setWordWrapMode(QTextOption::WordWrap);
        memo->setGeometry(10, 10, 400, 120);
        memo->show();
    }

    qsizetype longestParagraph() const
    {
        qsizetype longest = 0;
        for (QTextBlock block = memo->document()->begin(); block.isValid(); block = block.next())
            longest = qMax<qsizetype>(longest, block.length() - 1);
        return longest;
    }

    MemoBox* memo = nullptr;
};

TEST_F(MemoBoxTest, whatIsTypedIsWhatItHoldsHoweverLong)
{
    const QString typed = words(1800) + QLatin1Char('\n') + QString(1300, QLatin1Char('z'));
    keyboard::replaceText(memo, words(1800));
    QTextCursor end = memo->textCursor();
    end.movePosition(QTextCursor::End);
    memo->setTextCursor(end);
    keyboard::press(memo, Qt::Key_Return);
    keyboard::replaceText(memo, QString(1300, QLatin1Char('z')));
    EXPECT_EQ(memo->text(), typed);
    EXPECT_LE(longestParagraph(), LongestParagraph + 1);
    EXPECT_GT(memo->document()->blockCount(), 5);
}

TEST_F(MemoBoxTest, editingAcrossItsOwnBreaksKeepsTheText)
{
    const QString typed = words(1200);
    memo->setText(typed);
    EXPECT_EQ(memo->text(), typed);
    EXPECT_LE(longestParagraph(), LongestParagraph + 1);

    // INTRO inside a cut paragraph is a line break of the text; a key at the start of the second part goes
    // into the paragraph, and deleting the box's own break leaves the text whole.
    QTextCursor cursor = memo->textCursor();
    cursor.setPosition(memo->document()->begin().next().position());
    memo->setTextCursor(cursor);
    keyboard::replaceText(memo, QStringLiteral("Q"));
    const qsizetype cut = softBreakAt(typed, LongestParagraph);
    EXPECT_EQ(memo->text(), typed.left(cut) + QLatin1Char('Q') + typed.mid(cut));
    keyboard::press(memo, Qt::Key_Backspace);
    keyboard::press(memo, Qt::Key_Backspace);
    EXPECT_EQ(memo->text(), typed.left(cut - 1) + typed.mid(cut));
    cursor = memo->textCursor();
    cursor.setPosition(10);
    memo->setTextCursor(cursor);
    keyboard::press(memo, Qt::Key_Return);
    EXPECT_EQ(memo->text(), typed.left(10) + QLatin1Char('\n') + typed.mid(10, cut - 11) + typed.mid(cut));
}

TEST_F(MemoBoxTest, theCursorNeverRestsInsideASoftBreak)
{
    const QString typed = words(800);
    memo->setText(typed);
    const qsizetype cut = softBreakAt(typed, LongestParagraph);
    const QTextBlock first = memo->document()->begin();
    const int mark = first.position() + first.length() - 2; // the mark, then the line break
    ASSERT_EQ(memo->document()->characterAt(mark), SoftBreakMark);

    // Put between the mark and its line break (a click at the end of the line), the cursor leaves it; what
    // is typed goes into the paragraph, never after a line break of its own.
    QTextCursor cursor = memo->textCursor();
    cursor.setPosition(mark + 1);
    memo->setTextCursor(cursor);
    EXPECT_NE(memo->textCursor().position(), mark + 1);
    keyboard::replaceText(memo, QStringLiteral("X"));
    EXPECT_EQ(memo->text(), typed.left(cut) + QLatin1Char('X') + typed.mid(cut));

    // The arrows step over the break as over a wrapped line's end.
    cursor.setPosition(mark);
    memo->setTextCursor(cursor);
    keyboard::press(memo, Qt::Key_Right);
    EXPECT_EQ(memo->textCursor().position(), mark + 2);
    keyboard::press(memo, Qt::Key_Left);
    EXPECT_EQ(memo->textCursor().position(), mark);
    // Delete before the break takes the first character after it.
    keyboard::press(memo, Qt::Key_Delete);
    EXPECT_EQ(memo->text(), typed);
}

} // namespace
} // namespace quelmar::panels
