#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

// The pure rules of the message and choice dialogs: list cutting, captions, footer and field sizes, masks.
namespace quelmar::panels {

// Cuts the text at every occurrence of the separator. A piece is taken only when a separator ends it; an
// empty piece other than the first becomes one blank. "a//b/" with "/" gives "a", " ", "b".
QStringList SplitWords(const QString& text, const QString& separator);

// A "/"-ended list of "label-value" entries (at most 500), each cut at its first "-".
struct Choices
{
    QStringList labels;
    QStringList values; // empty text for an entry without "-"
    int count() const { return static_cast<int>(labels.size()); }
};
Choices SplitChoices(const QString& list);

// "C&ontinúa" -> "Continúa".
QString withoutAccessMark(const QString& caption);

// The answer a caption gives: the letter after "&" ("C&ontinúa" -> "o"), or the caption itself without "&".
QString accessLetter(const QString& caption);

// Font and height of the footer panel for a message of that many characters.
struct FooterStyle
{
    double pointSize = 9;
    bool bold = true;
    int heightTwips = 400;
};
FooterStyle footerStyle(int messageLength, int panelWidthTwips);

// Length of the footer input field: 10 when no length is asked, raised to the default answer's length,
// at most 60.
int inputFieldLength(int inputLength, int defaultAnswerLength);

// Width of the footer input field for that many characters: 114 twips each plus 100.
int inputFieldWidthTwips(int length);

// Width of the buttons of a button row from the widest caption: characters x 115 + 80 twips (at least 7
// characters when the buttons carry pictures).
int buttonWidthTwips(int widestCaption, bool withPictures);

// A masked-edit mask ("##/##/####", "&&&&", ">?????") as a QLineEdit input mask; empty stays empty.
// Placeholders are optional so that a field may be left short.
QString qtInputMask(const QString& mask);

// The characters of a masked field's display text that the user typed (mask literals and blanks left out).
QString withoutMaskLiterals(const QString& displayText, const QString& qtMask);

// The text of chosen entries of a multiple-choice list ("Ana/Luis/") brought up to date with the list's
// selection: every selected entry (trimmed) not yet in it is appended with "/", every entry no longer
// selected is cut out with its "/". Entries are matched whole, so "Ana" never cuts a piece out of "Mariana".
QString mirrorChosenEntries(const QString& chosen, const QStringList& entries, const QList<bool>& selected);

// "#m/d/yyyy#" without leading zeros: "#1/5/2001#".
QString monthDayYearLiteral(const QDate& date);

} // namespace quelmar::panels
