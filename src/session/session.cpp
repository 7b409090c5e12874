#include "session/session.h"

#include "db/database.h"
#include "db/recordset.h"

namespace quelmar {

Session::Session()
{
    shell.CompanyData = QStringList(13);
}

Session::~Session() = default;

} // namespace quelmar
