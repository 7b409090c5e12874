#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::shell {

// Every whole-file read and write of the program and its file dialogs, by mode (compared in lower case):
//   "Dir"     file dialog (open) titled ValidationMessage, filter VarGroup, starting at CurrentFile
//   "DirGra"  the same, for the name of a file to be written
//   "Cat"     file dialog "Catálogo de Archivos del Programa", filter VarGroup
//   "Lee"     "Dir", then "LeeAr"
//   "LeeAr"   reads CurrentFile into FileLines / FileLineCount
//   "Graba"   file dialog (save) with the filter VarGroup ("*.*" when empty), then "GrabaAr"
//   "GrabaAr" writes the non-empty elements of FileLines to CurrentFile
//   "Busca"   reads into FileLines the section of CurrentFile named by FileLines[0]
// A cancelled dialog empties CurrentFile and nothing is read or written. Writes empty VarGroup. Failures go
// to the error trap (state 2) under the routine name "Disco " + mode. Returns the file concerned: the chosen
// or read file, empty when there is none.
QString Disco(Session& session, const QString& mode);

} // namespace quelmar::shell
