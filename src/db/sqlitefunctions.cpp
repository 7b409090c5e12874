#include "db/sqlitefunctions.h"

#include "db/jetsql.h"

#include <QString>

#include <sqlite3.h>

namespace quelmar::db {

namespace {

QString textView(sqlite3_value* value)
{
    const auto* data = static_cast<const QChar*>(sqlite3_value_text16(value));
    const int bytes = sqlite3_value_bytes16(value);
    return QString::fromRawData(data, bytes / 2);
}

// "text LIKE pattern" calls like(pattern, text).
void jetLike(sqlite3_context* context, int, sqlite3_value** arguments)
{
    if (sqlite3_value_type(arguments[0]) == SQLITE_NULL || sqlite3_value_type(arguments[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const QString pattern = textView(arguments[0]);
    const QString text = textView(arguments[1]);
    sqlite3_result_int(context, jetsql::likeMatches(pattern, text) ? 1 : 0);
}

} // namespace

int registerSqlFunctions(sqlite3* handle)
{
    return sqlite3_create_function_v2(handle, "like", 2, SQLITE_UTF16 | SQLITE_DETERMINISTIC, nullptr,
                                      jetLike, nullptr, nullptr, nullptr);
}

} // namespace quelmar::db
