#pragma once

#include <QPlainTextEdit>
#include <QString>
#include <QStringView>

// The memo box `dmemo`: a text of many lines that costs the same to type into whatever its length.
//
// A text widget lays out a whole paragraph again at every keystroke, so typing into one paragraph thousands
// of characters long costs more with every key. The memo box keeps no paragraph on screen longer than
// LongestParagraph characters: a longer one is shown as several, each but the last ending with the invisible
// SoftBreakMark before its line break. Those breaks are the box's own: text() gives the paragraphs whole, the
// cursor never rests between a mark and its line break, and Delete and Backspace next to a soft break take
// the character beyond it, as they would across a wrapped line.
namespace quelmar::panels {

inline constexpr QChar SoftBreakMark{0x200B}; // zero-width space
inline constexpr qsizetype LongestParagraph = 500;

// Where a paragraph longer than `longest` is cut: after the last blank among its characters longest / 2 to
// longest, so that no word is split where there is a blank to cut at; otherwise at `longest`.
qsizetype softBreakAt(QStringView paragraph, qsizetype longest);
// The text with a soft break (SoftBreakMark and a line break) at every cut of its long paragraphs.
QString withSoftBreaks(const QString& text, qsizetype longest = LongestParagraph);
// The text without the soft breaks (and without any stray SoftBreakMark).
QString withoutSoftBreaks(QString text);

class MemoBox : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit MemoBox(QWidget* parent = nullptr);

    // The text as typed: paragraphs whole, lines separated by "\n".
    QString text() const;
    void setText(const QString& text);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;

private:
    // Cuts the paragraph and those that follow it while they are too long.
    void breakFrom(QTextBlock block);
    // True when a soft break (its mark and line break) begins at the position.
    bool softBreakStartsAt(int position) const;
    // Moves the cursor (and the anchor of a selection) off the inside of a soft break, on the side it was
    // moving to.
    void keepOffSoftBreaks();

    int m_lastPosition = 0;
};

} // namespace quelmar::panels
