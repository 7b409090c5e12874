#include "maintenance/bdparam.h"

#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "session/session.h"
#include "session/twips.h"

#include <QPushButton>
#include <QRect>
#include <QTableView>

#include <optional>

namespace quelmar::maintenance {

namespace {

constexpr int ReturnAtOnce = 1010;

std::optional<ClassGrid> administrationGrid(const QString& mode)
{
    if (mode.compare(QLatin1String("Acceso"), Qt::CaseInsensitive) == 0)
        return ClassGrid{
            QStringLiteral("Select Nombre,Clave as Nivel, Contenido as [Clave Acceso], Clase From "
                           "Parametros WHERE Clase = 'LA' "),
            QStringLiteral("TabCap"), QStringLiteral("LA"), QStringLiteral("Claves de Acceso"),
            QRect(1000, 1000, 8000, 3000)};
    if (mode.compare(QLatin1String("Doc"), Qt::CaseInsensitive) == 0)
        return ClassGrid{
            QStringLiteral(
                "Select Nombre, Contenido as Contador, Clase From Parametros WHERE Clase = 'DOC' "),
            QStringLiteral("TabEdi"), QStringLiteral("DOC"), QStringLiteral("Contador Documentos"),
            QRect(2000, 1000, 5000, 3000)};
    if (mode.compare(QLatin1String("Cons"), Qt::CaseInsensitive) == 0)
        return ClassGrid{
            QStringLiteral("Select Nombre, Contenido, Clase From Parametros WHERE Clase = 'CONS' "),
            QStringLiteral("TabEdi"), QStringLiteral("CONS"), QStringLiteral("Constantes"),
            QRect(2000, 1000, 5000, 3000)};
    return std::nullopt;
}

// The class code of a classifier list entry ("Situación - !CSit"): from its "!" up to the next "-", trimmed.
QString classOfEntry(const QString& entry)
{
    const qsizetype mark = entry.indexOf(u'!');
    if (mark < 0)
        return {};
    const qsizetype dash = entry.indexOf(u'-', mark);
    return entry.mid(mark, dash < 0 ? -1 : dash - mark).trimmed();
}

void finishingStep(Session& session)
{
    engine::GridView& view = engine::grid(session);
    if (!view.recordset() || !session.k)
        return;
    QPushButton* termina = session.k->termina();
    const QRect area = view.geometryTwips();
    termina->setText(QStringLiteral("&Termina"));
    termina->move(twips::toPixels(area.x()), twips::toPixels(area.y() + area.height()));
    session.codes.EngineStatus = 0;
    termina->show();
    termina->raise();
    view.focus();
    for (;;) {
        session.codes.CommandCode = 0;
        view.transcribe();
        WaitContext context;
        context.kind = WaitKind::Screen;
        context.description = QStringLiteral("tabla ") + view.caption();
        context.widget = view.table();
        session.wait.forUser([&session] { return session.codes.CommandCode == -1; }, context);
        // The row being typed is written before the grid goes; a row the user chose to correct keeps it.
        if (view.finishEditing())
            break;
    }
    view.hide();
    termina->hide();
    view.unbind();
}

void classifiers(Session& session)
{
    auto& engine = session.engine;
    engine.QuerySQL =
        QStringLiteral("Select Nombre as Clasificador,Clase From Parametros WHERE Clase like '!C*' AND "
                       "Clave like '*@*' AND (Contenido = null OR Contenido <>'x')");
    engine::BDats(session, QStringLiteral("ListaU"), 0, QStringLiteral("Elija Clasificador"),
                  engine.QuerySQL);
    if (session.codes.EngineStatus != 0 || engine.SelectedRow <= 0 || !session.database.CurrentRecordset)
        return;
    const QString name = session.database.CurrentRecordset->value(0).toString();
    const QString parameterClass = classOfEntry(engine.SelectedValue);
    if (parameterClass.isEmpty())
        return;
    QString quoted = parameterClass;
    quoted.replace(u'\'', QStringLiteral("''"));
    const ClassGrid grid{
        QStringLiteral("Select Nombre as Clasificador,Clase From Parametros WHERE Clase like '") + quoted +
            QStringLiteral("' and (Clave not like '*@*' or Clave is null)"),
        QStringLiteral("TabCap"), parameterClass, QStringLiteral("Clasificadores de ") + name,
        QRect(2000, 1000, 5000, 3000)};
    if (ShowClassGrid(session, grid))
        finishingStep(session);
}

} // namespace

bool ShowClassGrid(Session& session, const ClassGrid& grid)
{
    auto& engine = session.engine;
    engine.FixedValues = QStringLiteral("Clase = ") + grid.parameterClass;
    engine.ProtectedFields = QStringLiteral("Clase");
    engine.QuerySQL = grid.statement;
    session.codes.CommandCode = ReturnAtOnce;
    engine::BDats(session, grid.engineMode, 2, QString(), engine.QuerySQL, QString(), 60);
    session.codes.CommandCode = 0;
    if (session.codes.EngineStatus != 0)
        return false;
    engine::GridView& view = engine::grid(session);
    view.setEditing(true, true, true);
    view.setGeometryTwips(grid.place);
    view.setCaption(grid.title);
    view.show();
    return true;
}

void BDParam(Session& session, const QString& mode, int&)
{
    ErrorTrap trap(session, QStringLiteral("BDParam"));
    if (mode.compare(QLatin1String("Clasifica"), Qt::CaseInsensitive) == 0) {
        trap.step([&] { classifiers(session); });
    } else if (const std::optional<ClassGrid> grid = administrationGrid(mode)) {
        bool shown = false;
        trap.step([&] { shown = ShowClassGrid(session, *grid); });
        if (shown)
            finishingStep(session);
    } else {
        finishingStep(session);
    }
    session.engine.FixedValues.clear();
    session.engine.ProtectedFields.clear();
}

} // namespace quelmar::maintenance
