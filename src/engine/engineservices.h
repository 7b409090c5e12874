#pragma once

#include <QString>
#include <QStringList>

namespace quelmar {
class Session;
}

namespace quelmar::engine {

// What the engine asks of the other parts of the program from its command loops: the selection and ordering
// wizard, printing, stored panel formats, the screen tips and the relation fields. The engine reaches them
// through session.engine.services; until a part plugs in its own, this default stands in for it.
class EngineServices
{
public:
    EngineServices() = default;
    virtual ~EngineServices() = default;
    EngineServices(const EngineServices&) = delete;
    EngineServices& operator=(const EngineServices&) = delete;

    // The wizard: request "Seleccion", "Orden" or "Todos"; where "PFija" (panel) or "Tab" (grid).
    virtual void PresAut(Session& session, const QString& request, const QString& where, QString& title,
                         QString& statement);
    // Printing: "Ini", "Panel", "Top", "Tab", "Fin".
    virtual void RepImp(Session& session, const QString& request);
    // Stored panel formats: "Eje", "Pos", "Dis".
    virtual void FormRTF(Session& session, const QString& request);
    // The tips of a screen ("PRev", "Tab", "TEdi", "PCap", "PEdi").
    virtual void Tips(Session& session, const QString& request, const QString& screen);
    // The statistics graph of a grid: request "Graf", the grid's caption and the options of the grid.
    virtual void GrafEst(Session& session, const QString& request, const QString& caption,
                         const QString& options);
    // Relation fields: "Capt", "Edi", "Quita", "Pon"; field is the 1-based field number, 0 for all.
    virtual void Relation(Session& session, const QString& request, int field);

protected:
    // "Esta función estará disponible en una próxima versión." as a warning.
    static void notYetAvailable(Session& session);
};

// The services in use: session.engine.services, made the default ones when none is set.
EngineServices& services(Session& session);

// Printing through the services: a print job is begun once ("Ini") and goes on until it is finished ("Fin").
// PrintScreen adds the steps given ("Panel", "Top", "Tab") to the job, beginning it when none is open;
// FinishPrint ends the job when one is open.
void PrintScreen(Session& session, const QStringList& steps);
void FinishPrint(Session& session);

} // namespace quelmar::engine
