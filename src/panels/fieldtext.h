#pragma once

#include <QString>

class QLineEdit;

namespace quelmar::panels {

// What a line edit shows a person: its text, or one "*" per character when it hides what is typed (an access
// key), and nothing when it shows nothing. Transcripts and screen dumps write this, never a hidden text.
QString shownText(const QLineEdit* edit);

// A text as a field that hides it shows it: one "*" per character.
QString masked(const QString& text);

} // namespace quelmar::panels
