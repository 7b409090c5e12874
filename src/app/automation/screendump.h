#pragma once

#include <QStringList>

namespace quelmar::automation::screen {

// The visible windows and what they show, one line per item, for a scripted session's "dump": each window's
// title, then its labels, buttons, fields (name = text), lists and grids (headings and at most 50 rows).
QStringList dump();

} // namespace quelmar::automation::screen
