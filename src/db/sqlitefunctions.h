#pragma once

struct sqlite3;

namespace quelmar::db {

// Functions the translated statements rely on: like() with the patterns of the system's SQL.
int registerSqlFunctions(sqlite3* handle);

} // namespace quelmar::db
