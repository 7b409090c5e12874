#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::engine {

// The check table ("FTab"): the statement is first presented as a grid for selecting and ordering, then its
// rows are shown on the flexible grid `Tabla` with a mark column the user sets row by row; at the end the
// user marks all, clears all, carries out the marked rows (EngineStatus 0, the marked rows in
// session.engine.CheckedRows) or cancels (EngineStatus 1).
void CheckTable(Session& session, const QString& title, const QString& statement, const QString& options);

} // namespace quelmar::engine
