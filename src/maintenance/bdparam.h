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
// pressed, the row being typed written, the grid taken away. flag is left as it is.
void BDParam(Session& session, const QString& mode, int& flag);

} // namespace quelmar::maintenance
