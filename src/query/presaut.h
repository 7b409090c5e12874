#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::query {

// The selection and ordering wizard on the form `Fs`: narrows and orders the records of the presentation on
// screen without SQL. kind "SELECCION" (conditions, then an offer to order), "ORDEN" (ordering only) or
// "TODOS" (the statement as given, every record); target "Tab" (the grid), "PFija" or "Cubo" (the panel).
// The wizard works on what the target shows now (a narrowed grid is narrowed further) and leaves the caller's
// statement as it was, so that "TODOS" with it shows every record again. A cancelled wizard changes nothing;
// a statement the database refuses leaves the target as it was, with a message.
void PresAut(Session& session, const QString& kind, const QString& target, const QString& title,
             QString& statement);

} // namespace quelmar::query
