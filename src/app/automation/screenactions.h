#pragma once

#include <QString>

// What a scripted session does on the screen itself, as a person would: click, type, press keys. Each action
// returns an empty text when it was carried out, else what could not be found or done (for the transcript).
//
// How things on the screen are found:
// - windows: the active modal dialog first, then the active window, then every other visible top-level
// window;
// - buttons (press): any visible QAbstractButton whose caption without "&" equals the caption, case aside;
// - fields (set, pick): a visible widget whose dynamic property "fieldName" (or accessible name, or object
// name)
//   equals the field name, case aside, or the buddy of a visible label with that caption; "set" takes line
//   edits, text boxes, spin boxes and editable combo boxes, "pick" lists and combo boxes;
// - the record navigator (record): the visible QAbstractButton whose dynamic property "record" is "first",
//   "previous", "next" or "last";
// - the grid shown (row, cell, dblclick): the visible table view named "TabSec", else "Tabla", else any
// visible
//   table view; columns by their heading (or the heading's Qt::UserRole data, the field name); a row the
//   model offers for a new record (N = rows + 1) is edited like any other;
// - control-family elements (click): the visible widget whose dynamic properties "elementFamily" and
//   "elementIndex" are NAME and INDEX, or whose object name is NAME + "_" + INDEX.
namespace quelmar::automation::screen {

QString press(const QString& caption);
// "Enter", "Esc" or "Tab", on the control that has the focus.
QString key(const QString& name);
QString set(const QString& field, const QString& text);
QString pick(const QString& field, int entry);
QString record(const QString& move);
// Row N of the grid shown becomes the current one; with a field, the cell of that column.
QString row(int row, const QString& field = QString());
QString cell(int row, const QString& field, const QString& text);
// A double click on the current row of the grid shown; with a field, on that panel field (or its caption,
// when the field itself takes no clicks).
QString doubleClick(const QString& field = QString());
QString click(const QString& name, int index, bool right);

} // namespace quelmar::automation::screen
