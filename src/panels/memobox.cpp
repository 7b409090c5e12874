#include "panels/memobox.h"

#include <QKeyEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

namespace quelmar::panels {

namespace {

const QString& softBreak()
{
    static const QString text = QString(SoftBreakMark) + QLatin1Char('\n');
    return text;
}

} // namespace

qsizetype softBreakAt(QStringView paragraph, qsizetype longest)
{
    if (paragraph.size() <= longest)
        return paragraph.size();
    for (qsizetype at = longest - 1; at >= longest / 2; --at) {
        if (paragraph.at(at).isSpace())
            return at + 1;
    }
    return longest;
}

QString withSoftBreaks(const QString& text, qsizetype longest)
{
    QString result;
    result.reserve(text.size() + text.size() / qMax<qsizetype>(1, longest / 2) * 2);
    const QStringView whole(text);
    qsizetype start = 0;
    while (start <= whole.size()) {
        qsizetype end = whole.indexOf(QLatin1Char('\n'), start);
        if (end < 0)
            end = whole.size();
        QStringView paragraph = whole.mid(start, end - start);
        while (paragraph.size() > longest) {
            const qsizetype cut = softBreakAt(paragraph, longest);
            result += paragraph.left(cut);
            result += softBreak();
            paragraph = paragraph.mid(cut);
        }
        result += paragraph;
        if (end < whole.size())
            result += QLatin1Char('\n');
        start = end + 1;
    }
    return result;
}

QString withoutSoftBreaks(QString text)
{
    text.remove(softBreak());
    text.remove(SoftBreakMark);
    return text;
}

MemoBox::MemoBox(QWidget* parent) : QPlainTextEdit(parent)
{
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &MemoBox::keepOffSoftBreaks);
}

QString MemoBox::text() const
{
    return withoutSoftBreaks(toPlainText());
}

void MemoBox::setText(const QString& text)
{
    setPlainText(withSoftBreaks(text));
}

void MemoBox::breakFrom(QTextBlock block)
{
    while (block.isValid() && block.length() - 1 > LongestParagraph) {
        const qsizetype cut = softBreakAt(block.text(), LongestParagraph);
        QTextCursor cursor(block);
        // Part of the edit that made the paragraph long: one undo takes both back.
        cursor.joinPreviousEditBlock();
        cursor.setPosition(block.position() + static_cast<int>(cut));
        cursor.insertText(QString(SoftBreakMark));
        cursor.insertBlock();
        cursor.endEditBlock();
        block = cursor.block();
    }
}

bool MemoBox::softBreakStartsAt(int position) const
{
    const QTextDocument* text = document();
    return position >= 0 && text->characterAt(position) == SoftBreakMark &&
           text->characterAt(position + 1) == QChar::ParagraphSeparator;
}

void MemoBox::keepOffSoftBreaks()
{
    QTextCursor cursor = textCursor();
    const int position = cursor.position();
    const bool leftwards = position < m_lastPosition;
    const auto offBreak = [this, leftwards](int at) {
        if (!softBreakStartsAt(at - 1))
            return at;
        return leftwards ? at - 1 : at + 1;
    };
    const int anchor = offBreak(cursor.anchor());
    const int moved = offBreak(position);
    m_lastPosition = moved;
    if (anchor == cursor.anchor() && moved == position)
        return;
    cursor.setPosition(anchor);
    cursor.setPosition(moved, QTextCursor::KeepAnchor);
    setTextCursor(cursor);
}

void MemoBox::keyPressEvent(QKeyEvent* event)
{
    QTextCursor cursor = textCursor();
    if (!cursor.hasSelection() && event->modifiers() == Qt::NoModifier) {
        // A soft break is no character of the text: the key takes the character beyond it.
        if (event->key() == Qt::Key_Delete && softBreakStartsAt(cursor.position())) {
            cursor.setPosition(cursor.position() + 2);
            setTextCursor(cursor);
        } else if (event->key() == Qt::Key_Backspace && softBreakStartsAt(cursor.position() - 2)) {
            cursor.setPosition(cursor.position() - 2);
            setTextCursor(cursor);
        }
    }
    QPlainTextEdit::keyPressEvent(event);
    breakFrom(textCursor().block());
}

void MemoBox::inputMethodEvent(QInputMethodEvent* event)
{
    QPlainTextEdit::inputMethodEvent(event);
    breakFrom(textCursor().block());
}

void MemoBox::insertFromMimeData(const QMimeData* source)
{
    QPlainTextEdit::insertFromMimeData(source);
    // A paste may bring several long paragraphs at once.
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        breakFrom(block);
}

QMimeData* MemoBox::createMimeDataFromSelection() const
{
    auto* selected = new QMimeData;
    selected->setText(withoutSoftBreaks(textCursor().selection().toPlainText()));
    return selected;
}

} // namespace quelmar::panels
