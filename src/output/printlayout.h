#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// The geometry of a printed table and of a printed panel, in twips, as plain functions over the grid's
// columns, the paper and the measures of the printer's font. The drawing code only places what these give.
namespace quelmar::output::layout {

// Left margin of the printed rows and rules.
inline constexpr int RowMargin = 300;
// Widest report that is printed at all.
inline constexpr int WidestReport = 30000;
// Most and fewest points of the table's font.
inline constexpr int LargestFont = 12;
inline constexpr int SmallestFont = 6;
// A column narrower than this on paper is left blank.
inline constexpr int NarrowestColumn = 299;

// Positions of the columns on paper: x[i] is the left of column i, x[n] the right edge of the table.
struct ColumnPositions
{
    QList<int> x;
    int right() const { return x.isEmpty() ? 0 : x.last(); }
    int count() const { return static_cast<int>(x.size()) - 1; }
};

// The grid's columns (left of the first and widths, in the grid's twips) carried onto paper of width
// paperWidth: every column gains a tenth as gap except the last; the right edge is rounded to whole twips.
ColumnPositions columnPositions(int firstLeft, const QList<int>& widths, int gridWidth, int paperWidth);

// How a table of right edge `right` fits the paper.
enum class Fit
{
    Portrait,  // fits portrait
    Landscape, // too wide portrait, fits landscape
    TooWide,   // too wide even landscape: ask whether to narrow the columns
};
// The share of the usable width the table takes: right / (paperWidth - 500).
double fitRatio(int right, int paperWidth);
Fit fitPaper(int right, int portraitWidth, int landscapeWidth);

// The font size that fills the paper width, before the printer's cap: Int(11 * (width - 300) / right - 0.5),
// at least 6.
int fillingFontSize(int paperWidth, int right);
// The size the printer takes: the filling size capped at 12.
int printedFontSize(int paperWidth, int right);
// Positions scaled to the font size chosen (x * size / 11, rounded).
ColumnPositions scaledPositions(const ColumnPositions& positions, int fontSize);
// The number of paper widths a report too wide to print would take: Int(right / width + 1).
int pageWidthsNeeded(int right, int paperWidth);

// A cell's text cut to its column's space: first to Int(length * space / width) characters, then by a tenth
// until it fits; a text that was cut ends in "…" (within the space). width measures a text in twips.
QString fitText(const QString& text, int space, const std::function<int(const QString&)>& width);

// The space of column j: x[j+1] - x[j] - 150.
int columnSpace(const ColumnPositions& positions, int column);
// The positions widened so that the space of every column j is at least needed[j] (0, or a column beyond
// the list, keeps its space); each column that gains moves the ones after it, and the right edge, as far
// right; a column that needs any room gets at least the space of a column that is printed. Dates and numbers
// are given the width of their widest value, so that none is ever cut or left blank.
ColumnPositions widenedPositions(const ColumnPositions& positions, const QList<int>& needed);

// How a cell's value is placed in its column.
enum class CellKind
{
    Text,   // from the column's left; cut to the space, ending in "…"
    Number, // right-aligned; never cut
    Whole,  // from the column's left; never cut (dates, and numbers shown without a number format)
};

// Where one row's cells go.
struct CellPlacement
{
    int column = 0;
    int x = 0;    // left of the text
    QString text; // the value (a text cut to the column's space), followed by two blanks
    bool printed = false;
};
// A value of column j: text columns from x[j] + 300, numeric columns (their format holds "#") right-aligned
// at x[j+1] - width - 200 + 300. Columns of 299 twips or less are not printed.
CellPlacement placeCell(const ColumnPositions& positions, int column, const QString& text, CellKind kind,
                        const std::function<int(const QString&)>& width);

// True when the next line at y no longer fits the page: y beyond 0.9 of the page height.
bool pageFull(int y, int pageHeight);
// True when a panel starting at y has to go on a new page: y beyond 0.85 of the page height.
bool panelNeedsNewPage(int y, int pageHeight);
// After every tenth page the user is asked whether to go on.
bool asksToGoOn(int pagesPrinted);

// The heading line of every page: "   " and the company's heading with the second heading, upper-cased.
QString headingText(const QString& company, const QString& secondHeading);
// "   Fecha: 10-Dic-2026   Pag: 3".
QString pageText(const QString& today, int page);
// The grid's caption as the page heading prints it: the count the grid shows in braces ("{25}") written
// out ("(25 registros)").
QString headingCaption(const QString& caption);
// The logo's width for a height of three lines, keeping the picture's proportions.
int logoWidth(int pictureWidth, int pictureHeight, int lineHeight);

// One text of a printed panel.
struct PanelElement
{
    int left = 0; // twips on the screen, within the panel
    int top = 0;
    QString text;
};
struct PlacedText
{
    int x = 0;
    int y = 0;
    QString text;
};
// The panel's texts on paper: " " + text at (left * 1.15 + 300, top + panelPosition); empty texts skipped.
QList<PlacedText> placePanel(const QList<PanelElement>& elements, int panelPosition);
// A field of a panel printed on one line: its caption where the panel has it and the value it shows.
struct PanelField
{
    int left = 0; // twips on the screen, within the panel, of the caption
    int top = 0;
    QString caption;
    QString value;
};
// Fields whose values do not sit beside their captions (a panel laid over a paper form) printed as captions
// and values in two columns: each caption placed as placePanel places a text, each value on its caption's
// line, all from one left edge past the widest caption. width measures a text in twips.
QList<PlacedText> placePanelFields(const QList<PanelField>& fields, int panelPosition,
                                   const std::function<int(const QString&)>& width);
// The rule under a panel: "_" repeated panel width / 98.66 times.
QString panelRule(int panelWidth);

// The export's heading line: each caption followed by a TAB, line breaks inside a caption written "=".
QString exportHeading(const QStringList& captions);

// The printer's error message by its number; empty for numbers without a text of their own.
QString printerErrorText(int number);
// The "IMPRESORA" box's text for a message.
QString printerProblemText(const QString& message);

} // namespace quelmar::output::layout
