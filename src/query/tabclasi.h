#pragma once

namespace quelmar {
class Session;
}

namespace quelmar::query {

// The classifier list of a grid cell: drops the single-choice list `listauni` below the current cell of the
// grid's column (0-based), filled with the names of the column's class from `Parametros` (rows whose `Clave`
// has no "@"), waits for a choice and writes the chosen name into the cell. A negative column only enables
// the grid again and gives it the focus.
void TabClasi(Session& session, int column);

} // namespace quelmar::query
