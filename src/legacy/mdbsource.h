#pragma once

#include "legacy/legacysource.h"

#include <memory>

// The Jet database file read with mdbtools' library: the only code that knows it.
namespace quelmar::legacy {

// Opens a Jet 3 or Jet 4 file for reading. Refuses, with a Spanish description in `problem`, a file that is
// missing, not a Jet database, cut short, protected with a password, or whose catalogue cannot be read. What
// the library itself said while opening (English) goes to `readerMessages`, not to the terminal.
std::unique_ptr<LegacySource> openMdb(const QString& path, QString& problem, QStringList& readerMessages);

} // namespace quelmar::legacy
