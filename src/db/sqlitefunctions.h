#pragma once

struct sqlite3;

namespace quelmar::db {

// Functions the translated statements rely on: like() with the patterns of the system's SQL, and the Jet
// functions SQLite lacks (quelmar_format, quelmar_str, quelmar_dateadd, quelmar_datediff, quelmar_datepart,
// the aggregates quelmar_first, quelmar_last, quelmar_stdev, quelmar_stdevp, quelmar_var and
// quelmar_varp). Gives SQLite's result code.
int registerSqlFunctions(sqlite3* handle);

} // namespace quelmar::db
