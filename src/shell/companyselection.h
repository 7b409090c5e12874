#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::startup {

// BDParam "Elije": the company (branch) and its database. The "*.emp" files of the working folder (by name,
// at most 100): none (flag 0) -> no company file, CompanyData 1, 4 and 5 = AppName; one -> that file; several
// -> the user chooses in the list "Elige la Sucursal", and choosing none ends the program. The file chosen
// becomes CurrentFile and fills CompanyData (13 entries, encoded lines decoded; plain lines only when flag is
// 0). `database` receives CompanyData(4) + ".mdb", or AppName + ".mdb" when entry 4 is empty.
void BDParamElije(Session& session, QString& database, int flag);

} // namespace quelmar::startup
