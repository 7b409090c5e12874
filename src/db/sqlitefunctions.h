#pragma once

struct sqlite3;

namespace quelmar::db {

// Functions the translated statements rely on: like() with the patterns of the system's SQL, and the Jet
// functions SQLite lacks (quelmar_format, quelmar_str, quelmar_dateadd, quelmar_datediff, quelmar_datepart,
// the aggregates quelmar_first and quelmar_last). Gives SQLite's result code.
int registerSqlFunctions(sqlite3* handle);

} // namespace quelmar::db
