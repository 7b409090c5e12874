#pragma once

#include <QString>

class QWidget;

// Acting on widgets as a person at the keyboard would: real key events delivered to the widget, so that the
// same handlers run. For the respond functions of the program's waits.
namespace quelmar::panels::keyboard {

// Focuses the widget, selects what it holds (line edits) and types the text, one key event per character.
void replaceText(QWidget* widget, const QString& text);
// One key press and release (Qt::Key_Return, Qt::Key_Escape, Qt::Key_Tab …).
void press(QWidget* widget, int key);

} // namespace quelmar::panels::keyboard
