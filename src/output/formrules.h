#pragma once

#include <QList>
#include <QString>

#include <optional>

// The stored format of a panel laid over a paper form: the position file beside the form's .rtf document and
// the arithmetic of the design view. Plain functions.
namespace quelmar::output::formrules {

// One field's place on the document, in twips from the document's top left.
struct Placement
{
    QString text; // the text of the field's placement control
    int left = 0;
    int top = 0;
};

// What a position file holds: the document's size and one line per panel field.
struct PositionTable
{
    int width = 0;
    int height = 0;
    QList<Placement> fields;
};

// The position file of a document: its file name up to and including the first "." followed by "pos", in
// the same folder ("Ficha.rtf" -> "Ficha.pos"; "a.b/Ficha.v2.rtf" -> "a.b/Ficha.pos"); a name without a dot
// gets ".pos" appended.
QString positionFilePath(const QString& documentPath);

// The file's text: the width and the height, then a line per field, each value followed by a tab, the lines
// separated by CR LF.
QString positionFileText(const PositionTable& table);

// Reads a position file for a panel of fieldCount fields. Nothing, with the reason in English for the error
// log, when line 1 has no size or a field's line is missing or has no whole-number left and top.
std::optional<PositionTable> parsePositionFile(const QString& text, int fieldCount,
                                               QString* reason = nullptr);

// "Pos": the left and the top as ten digits, "0120000340".
QString positionText(int left, int top);

// The design view's "-Alto", "+Alto", "-Ancho", "+Ancho": a size times 0.9 or 1.1, rounded.
int shrink(int size);
int grow(int size);

} // namespace quelmar::output::formrules
