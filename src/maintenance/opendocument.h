#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::maintenance {

// Result codes of OpenDocument, as the desktop's "open" reports them: above 32 the document was opened.
inline constexpr int DocumentOpened = 33;
inline constexpr int DocumentNotFound = 2;
inline constexpr int NoProgramForDocument = 31;

// Opens the document with the program the desktop associates with it. A relative file is taken in folder (the
// working folder when folder is empty); a web address is handed on as it is. A missing file shows "No se
// encuentra el archivo " + file, a file the desktop cannot open "No encuentro el programa para abrir " +
// file.
int OpenDocument(Session& session, QString& file, QString& folder);

} // namespace quelmar::maintenance
