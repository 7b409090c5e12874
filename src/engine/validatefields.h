#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::engine {

// Checks panel fields against the database's definition of their source fields (required flag, validation
// rule, type) and the panel's field descriptions. Mode "Panel": the one field given by kind and index
// (1-based), no message; "Dato": every field of the panel's record while capturing or editing, the first
// failure shown in a box titled "Revise Dato" with the exclamation icon. failed: 0 when all passed, 1
// otherwise; kind is left at the capture kind of the last field checked. The message of the last failure
// stays in session.dialog.ValidationMessage in mode "Panel". Modes "Tab" (every column of the grid's current
// row) and "TabCol" (the grid column index, 0-based, of the current row) check the grid's cells; failed is -1
// for a missing required value.
void ValidateFields(Session& session, const QString& mode, int& kind, int index, int& failed);

} // namespace quelmar::engine
