#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

#include <functional>

// Filling of document templates (work orders and the like): text files in which numbered marks stand for
// values. Plain functions over the template's text; the caller reads the file and prints the result.
//
// Marks ("·" is the middle dot, U+00B7):
//   "&·&" + i        value i of the list (1-based); the value is used without leading and trailing blanks
//   "_·"             after a value mark on the same line: the end of a fixed-width field, which runs from the
//                    first character of the value mark to the middle dot of the end mark
//   "&·&Fecha"       today's date written "dd-mm-yy" (exactly as long as the mark)
namespace quelmar::maintenance::templates {

inline const QString ValueMark = QStringLiteral("&\u00B7&");
inline const QString EndMark = QStringLiteral("_\u00B7");
inline const QString DateMark = QStringLiteral("&\u00B7&Fecha");
// The longest piece of an over-long line of a free field.
inline constexpr int LongestPiece = 77;

// How wide a line may be printed: the printable width and the printer's measure of a text, in the same unit.
struct LineWidth
{
    int printableWidth = 0;
    std::function<int(const QString&)> width;
};

struct FilledText
{
    QString text;
    int addedLines = 0; // lines added by breaking over-long lines of free fields
};

// Fills the marks of one text in a single pass over it, so that a value that itself holds mark characters is
// never filled again. Marks are taken from the highest value index down to 1, each only at its first
// occurrence ("&·&1" never matches the start of "&·&12"). A fixed-width field keeps its length: its value is
// cut or filled with blanks on the right. A free field's mark is replaced by the value; a line that then no
// longer fits the printable width is broken into pieces of at most LongestPiece characters, at a blank where
// there is one, each piece but the last ending with a carriage return. Line breaks inside a value become
// blanks. With a valid date the first date mark is filled.
FilledText fillMarks(const QString& text, const QStringList& values, const QDate& today,
                     const LineWidth& lineWidth);

// "ADI": the whole template as one text, every line preceded by newLine and three blanks, marks filled and
// the date mark with today. The copy's line count is the template's lines plus the added ones.
FilledText fillWhole(const QStringList& templateLines, const QStringList& values, const QDate& today,
                     const LineWidth& lineWidth, const QString& newLine);

// "ILIM": each line filled on its own (the date mark included) and followed by a carriage return.
FilledText fillLineByLine(const QStringList& templateLines, const QStringList& values, const QDate& today,
                          const LineWidth& lineWidth);

// `FillDocument`'s filling: "ADI" or "ILIM" (compared in upper case) as above; any other command gives
// nothing.
FilledText FillDocument(const QString& command, const QStringList& templateLines, const QStringList& values,
                        const QDate& today, const LineWidth& lineWidth, const QString& newLine);

// The lines of a filled text: it breaks at CR LF, LF or a lone CR.
QStringList textLines(const QString& text);

} // namespace quelmar::maintenance::templates
