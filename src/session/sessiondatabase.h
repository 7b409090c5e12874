#pragma once

#include "db/dberror.h"

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::startup {

// Opens the session's database (the engine's mode "base"): CurrentDatabase at the path, TableList and
// TableCount from its tables, ParamTable = Parametros as a table on its index "Clase", on its first row.
// Whatever was open before is closed first. overShare: the file is reached through a file share by other
// computers (see db::Database::OpenOptions). Returns the database layer's error (none when all went well).
db::DbError openSessionDatabase(Session& session, const QString& path, bool exclusive, bool readOnly,
                                bool overShare = false);

} // namespace quelmar::startup
