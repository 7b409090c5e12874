#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

// The rules of the grid modes that need no grid: the option words, the caption, the column widths, the
// placement of the grid and its buttons, the button set of each grid variant, what a grid command asks for,
// and which columns are locked.
namespace quelmar::engine {

// What the options text of a grid presentation asks for. Words are matched as written.
struct GridOptions
{
    bool updatable = false;     // "ST" anywhere: the grid keeps an updatable recordset
    bool subtotals = false;     // "ST" as the first two letters: run the subtotals with the options text
    bool statistics = false;    // "E" as the first letter (but not the word "Edi"): statistics variant
    bool totals = false;        // "ET" as the first two letters: run the totals with totalsRequest
    QString totalsRequest;      // the options text after "ET"
    bool graphButton = false;   // statistics without "NoG"
    bool selectionWait = false; // "Sel": Enter or double click chooses the current row
    bool allButton = false;     // "Todos": the selection offers "&Todos"
    QString editKeyField;       // the field name after "Edi" (edit-by-row); empty when absent

    bool operator==(const GridOptions&) const = default;
};

GridOptions parseGridOptions(const QString& options);

// The grid variants, each with its own button set.
enum class GridVariant
{
    Presentation,
    Statistics,
    Selection,
};

// The variant of a grid mode ("TabSel" and "TabRel" choose; other modes present, as statistics when the
// options ask for them). Mode words are compared without regard to case.
GridVariant gridVariant(const QString& mode, const QString& options);

// The help topic of a grid mode: "16" for the selection grids, "14" for the editing and adding grids
// ("TabEdi", "TabNue", "TabCap"), "18" for statistics, otherwise "13".
QString gridHelpTopic(const QString& mode, const QString& options);

// One grid command button: its `tcom` index (a click sets `TableCommand` to 450 + index), caption and tip.
struct GridButton
{
    int index = 0;
    QString caption;
    QString tip;

    bool operator==(const GridButton&) const = default;
};

// The `tcom` buttons a grid variant shows, in index order; buttons the options leave out are absent.
QList<GridButton> gridButtons(GridVariant variant, const QString& options);

// The "&Termina" button, always shown.
GridButton terminaButton();

// `TableCommand` of a `tcom` click.
inline constexpr int FirstGridCommand = 450;

// What a grid command asks for.
enum class GridAction
{
    None,
    Print,    // `RepImp` "Tab"
    Select,   // `PresAut` "Seleccion"
    Order,    // `PresAut` "Orden"
    Original, // `PresAut` "Todos" with an empty title
    Graph,    // `GrafEst` "Graf"
    Search,   // the selection wizard on the selection grid
    All,      // `SelectedRow` -1, `SelectedValue` "Todos"
    Cancel,   // nothing chosen
};

// The action of a `TableCommand` in a variant; a command whose button is absent asks for nothing.
GridAction gridAction(GridVariant variant, const QString& options, int tableCommand);

// The caption of a presentation grid: the title, two blanks, "{", the record count and "}".
QString gridCaption(const QString& title, int recordCount);

// The caption of a selection grid: the title and " (Doble click)".
QString selectionCaption(const QString& title);

// The caption of an edit-by-row grid: the caption with "    Modifica con INTRO, Termina con ESC" appended,
// unless it already holds "con ESC".
QString editByRowCaption(const QString& caption);

// The statement of one row of an edit-by-row grid: the grid's statement with the condition "key = value"
// joined by " AND " when it already has a WHERE, else by " WHERE ", placed before its ORDER BY when it has
// one.
QString rowStatement(const QString& statement, const QString& keyField, const QString& keyLiteral);

// The width of a grid column in twips: 100 for each character of the larger of its caption and its field
// size (Text fields, type 10, counted as at most 25 characters), and 150 more.
int gridColumnWidth(const QString& caption, int jetType, int fieldSize);

// The display format of a grid column: numeric types (Byte to Double) the field's own number format when the
// grid is read-only (none while it may be edited, so that the typed text shows as typed), Boolean "Yes/No",
// Date "dd-mmm-yyyy", others none.
QString gridColumnFormat(int jetType, const QString& fieldFormat, bool readOnly);

// Where the grid goes on a form of that size (twips): at left 200 and top 400, the form's width less 600 and
// its height less 1500. When the columns (their right edge, columnsRight, measured from the grid's left,
// plus GridScrollRoom) need less width, the grid is narrowed to them and centred in the space it had; it is
// never narrower than 95 twips per character of the title, nor wider than that space.
QRect gridGeometry(int formWidth, int formHeight, int columnsRight, const QString& title);

// Room for the vertical scroll bar and borders to the right of the last column.
inline constexpr int GridScrollRoom = 300;

// The grid's top once it is filled: (form height - grid height - 600) / 2, but at least 100.
int gridTop(int formHeight, int gridHeight);

// The buttons below a grid: "&Termina" (first) with its right edge at the grid's right edge, 100 twips below
// the grid, then each `tcom` button in order to the left of the one before, 100 twips apart.
QList<QRect> gridButtonGeometry(const QRect& grid, int tcomCount, int buttonWidth, int buttonHeight);

// The columns an editable grid locks: those `ProtectedFields` protects ("TODO" protects every field except
// those listed), and those `FixedValues` fills (pass it when a new row is started; an empty text otherwise).
// A read-only grid locks nothing.
QList<bool> lockedColumns(const QStringList& fieldNames, const QString& protectedFields,
                          const QString& fixedValues, bool gridAllowsUpdates);

// The caption the main form shows while a check table is first presented for selecting and ordering.
QString checkTablePreselectCaption();

// One column of the check table (flexible grid `Tabla`): its part of the heading format line (alignment
// marker, field name, "|") and the width in twips it asks for (100 per character of its width, and 100 more),
// which the caller gives it when that exceeds the caption's width. Markers and widths by type: numeric types
// (2 to 7 except Currency) ">" and the field size, taken at 0.7 of it when above 8 characters; Currency (5)
// "$" and 10; Boolean (1) "^" and 3; Date (8) "^" and 10; all others "<" and the field size.
struct CheckTableColumn
{
    QString format;
    int width = 0;

    bool operator==(const CheckTableColumn&) const = default;
};

CheckTableColumn checkTableColumn(const QString& fieldName, int jetType, int fieldSize);

// The question asked when the user ends a check table, and what its answers ask for.
QString checkTableChoices();

enum class CheckTableAnswer
{
    MarkNone, // "N": clear every mark and ask again
    MarkAll,  // "S": mark every row and ask again
    Cancel,   // "C": `EngineStatus` 1
    Carry,    // anything else: carry out the marked rows, `EngineStatus` 0
};

CheckTableAnswer checkTableAnswer(const QString& answer);

} // namespace quelmar::engine
