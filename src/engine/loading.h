#pragma once

#include <QString>

#include <memory>

namespace quelmar {
class Session;
}

namespace quelmar::db {
struct DbError;
class Recordset;
enum class RecordsetType;
} // namespace quelmar::db

// What every mode of the engine does while it loads: the hourglass, and opening the data under the silent
// load handler.
namespace quelmar::engine::loading {

// The hourglass pointer, once.
void hourglass();
// The default pointer again, however many hourglasses were set.
void restorePointer();

// Opens a recordset under the silent load handler: lock conflicts are retried after a pause, any other error
// is left in EngineStatus and LoadFailure (nullptr returned).
std::unique_ptr<db::Recordset> openSilently(Session& session, const QString& statement,
                                            db::RecordsetType type);

// A load that cannot go on: EngineStatus and LoadFailure take the error.
void failLoad(Session& session, const db::DbError& error);

} // namespace quelmar::engine::loading
