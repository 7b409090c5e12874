#pragma once

#include <QRect>
#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::maintenance {

// One administration grid over the rows of a class of `Parametros`: its statement, engine mode ("TabCap" or
// "TabEdi"), the class new rows take, its title and its place on the form (twips).
struct ClassGrid
{
    QString statement;
    QString engineMode;
    QString parameterClass;
    QString title;
    QRect place;
};

// Loads the rows into the editable grid, places it under its title and shows it; new rows take the class and
// its column is locked. False when the engine could not load them (it has said why).
bool ShowClassGrid(Session& session, const ClassGrid& grid);

// The parameters administration's grids over the rows of one class of `Parametros`: "Clasifica" (choose a
// classifier, then edit its values), "Acceso" (access keys), "Doc" (document counters), "Cons" (constants);
// new rows take the class, which cannot be changed. Any other mode (the empty one included) is only the
// finishing step of a grid the caller has shown: "&Termina" under the grid, the user's edits until it is
// pressed, the row being typed written, the grid taken away. flag is left as it is by these.
//
// The named variables (rows of `Parametros` found by name in Clase; Nombre is the group, Contenido the
// value), with the name in ValidationMessage, the value in AnswerText and the group in VarGroup; flag -1 when
// done, 0 when not:
//   "ObtVar"  AnswerText = the value (empty for a missing variable or a null value)
//   "PonVar"  writes AnswerText into an existing variable
//   "ModVar"  asks the user for a new value ("Cambia variables"); a missing variable is created in VarGroup
//   on
//             request (not when VarGroup is empty)
//   "EliVar"  deletes the variable ("No encuentro la variable " + name when missing)
//   "ForVar"  writes AnswerText, creating the variable in VarGroup when missing
// "ModVar", "EliVar" and "ForVar" empty ValidationMessage and AnswerText when they finish. Each write finds
// the variable again inside its own transaction. "Varios" opens the rows of the class named by CurrentFile
// (all five columns, updatable) in WorkRecordset2.
void BDParam(Session& session, const QString& mode, int& flag);

} // namespace quelmar::maintenance
