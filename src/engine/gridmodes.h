#pragma once

#include <QString>

namespace quelmar {
class Session;
}

// The grid and list modes of the presentation engine (BDats hands them its arguments).
namespace quelmar::engine {

// True for the mode words (in lower case) of the grid and list modes.
bool isGridMode(const QString& lowerMode);

// Runs a grid or list mode: "TabPre" (presentation, edit-by-row with "Edi"), "TabSel", "TabRel", "TSelCont"
// (choose one row: SelectedRow and SelectedValue), "TabEdi", "TabNue", "TabCap" (edit and add rows in place),
// "TabFin" (take the grid away), "TabCont", "TabCont2" (go on with the grid loaded), "TabPonDef" (apply the
// fixed values and protected fields to the grid loaded), "ListaU", "ListaM" (a list to choose from; the
// chosen record becomes CurrentRecordset's current one) and "FTab" (the check table).
void GridMode(Session& session, const QString& mode, int& sourceKind, QString& title, QString& statement,
              QString& options);

// The text of the grid cell at the 1-based row and column of the grid (a row below 1 is taken as 1); "0" when
// there is no such cell.
QString GridCell(Session& session, int row, int column);

} // namespace quelmar::engine
