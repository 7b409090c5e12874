#pragma once

#include "engine/errorpolicy.h"

#include "engine/gridmodes.h"

#include <QString>

namespace quelmar {
class Session;
}

// The presentation engine: the one routine through which screens show database data.
namespace quelmar::engine {

// Shows the data of a statement (or of a stored query "&name") in the way the mode word asks (compared
// without regard to case):
//   "base"       opens the session's database at the path in title (statement "-1": exclusive; sourceKind -1:
//                read-only); an empty title does nothing;
//   "Presenta"   the current record as a panel of fields with the commands Selecciona, Ordena, Imprime and
//                Termina, until Termina (or at once with CommandCode preset to 1010);
//   "IrPres", "PresFin"  back to the panel already built (PresFin shows its buttons again);
//   "Datos", "DatosLib"  only loads: RecordCount, FieldCount, FieldTable and, for sourceKind 0 (dynaset) or
//                negative (snapshot), CurrentRecordset;
//   "Captura", "CaptUni"  adds records through the panel (CaptUni: one record);
//   "Edita"      changes or deletes the records of the statement;   "IrCap", "IrEdi"  back to them;
//   "Quita"      ends a presentation and removes the panel;
//   the grid and list modes are engine/gridmodes.h.
// width: panel width in twips (0: the form's width less 500; negative: built hidden). EngineStatus tells the
// outcome: 0 good, 1 nothing to show or chosen, -10 cancelled after a failed check, or a database error
// number. options is cleared on return.
void BDats(Session& session, QString& mode, int& sourceKind, QString& title, QString& statement,
           QString& options, int& width);

// The same with values, for callers that keep nothing of what the engine rewrites.
void BDats(Session& session, const QString& mode, int sourceKind, const QString& title,
           const QString& statement, const QString& options = QString(), int width = 0);

// on -1: hourglass and the notice label `Aviso` at 100, 100 twips; 0: default pointer and `Aviso` hidden.
void ShowBusy(Session& session, int on);

// Asks the question of an error handler's decision, when it has one, and gives the action its answer chooses
// (the decision's action when accepted, when there is no question).
HandlerAction AskDecision(Session& session, const HandlerDecision& decision);

} // namespace quelmar::engine
