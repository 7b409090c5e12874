#pragma once

#include <QString>

#include <optional>

// Notices programmed for a subscriber are marks in Observaciones: "Aviso=" and the notice's number, appended
// as "  Aviso=" + n. Plain rules over the text.
namespace quelmar::subscribers::notices {

// The number typed for a notice: digits only (blanks around them allowed), from 1 to 9999; nothing otherwise.
std::optional<int> noticeNumber(const QString& typed);

// Observaciones with the mark of notice n appended ("  Aviso=" + n); programming twice appends it twice.
QString appendMark(const QString& notes, int number);

// True when Observaciones holds the mark of notice n itself ("Aviso=1" is not a mark of "Aviso=12").
bool hasMark(const QString& notes, int number);

// Observaciones without any mark of notice n (with the blanks before it); marks of other notices and the rest
// of the text stay. Blank when nothing else was there.
QString removeMarks(const QString& notes, int number);

} // namespace quelmar::subscribers::notices
