#pragma once

#include <QString>
#include <QStringList>

namespace quelmar {
class Session;
}

namespace quelmar::engine {

// What the engine asks of the parts of the program above it from its command loops: the selection and
// ordering wizard, the totals and classifier lists of grids, printing, stored panel formats, the screen tips,
// the relation fields, relation following and the access keys. The engine reaches them through
// session.engine.services; each part above the engine extends the services of the part below it, and the
// program plugs in the top one at start-up. This default stands in for a routine that nothing registered:
// that is a fault of the program, reported as an internal error (Spanish message, log line naming the
// routine); it shows no totals and grants no access key; the relation fields work with the engine's own
// routine (engine/relationfields.h).
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
    // Stored panel formats: "Eje" (text: the presentation's options), "Pos" (the position of field
    // fieldNumber, answered in text), "Dis" (the document chosen, answered in text); fieldNumber is the
    // number of panel fields for "Eje" and "Dis".
    virtual void FormRTF(Session& session, const QString& request, int fieldNumber, QString& text);
    // The tips of a screen ("PRev", "Tab", "TEdi", "PCap", "PEdi").
    virtual void Tips(Session& session, const QString& request, const QString& screen);
    // The statistics graph of a grid: request "Graf", the grid's caption and the options of the grid.
    virtual void GrafEst(Session& session, const QString& request, const QString& caption,
                         const QString& options);
    // Relation fields: "Capt", "Edi", "Quita", "Pon"; field is the 1-based field number, 0 for all.
    virtual void Relation(Session& session, const QString& request, int field);
    // Relation following from a related record: the records of table, the one whose keyField is key (none:
    // the user chooses) presented under the title, and the relations followed on from there. mode "Edita"
    // shows them for editing, any other word for reading.
    virtual void ArRel(Session& session, const QString& table, const QString& mode, const QString& key,
                       const QString& keyField, const QString& title);
    // The totals line of a grid just loaded ("TabTotal" with the request of its options) and its subtotals
    // ("TabSTot" with the grid's options).
    virtual void TabTotal(Session& session, const QString& request);
    virtual void TabSTot(Session& session, const QString& options);
    // The classifier list of a grid cell: column is the grid's column whose list was asked for.
    virtual void TabClasi(Session& session, int column);
    // The access key of at least the level: granted -1 with the key's name when it was given, 0 otherwise.
    virtual void AskAccessKey(Session& session, int level, int& granted, QString& name);
    // The program's file dialogs and whole-file reads and writes, by mode ("Dir", "DirGra", …), with the
    // title in ValidationMessage and the filter in VarGroup: the file chosen, empty when none (and by
    // default).
    virtual QString Disco(Session& session, const QString& mode);

protected:
    // No routine was registered for the one named: an internal error through the error report.
    static void missingRoutine(Session& session, const QString& routine);
};

// The services in use: session.engine.services, made the default ones when none is set.
EngineServices& services(Session& session);

// Printing through the services: a print job is begun once ("Ini") and goes on until it is finished ("Fin").
// PrintScreen adds the steps given ("Panel", "Top", "Tab") to the job, beginning it when none is open;
// FinishPrint ends the job when one is open.
void PrintScreen(Session& session, const QStringList& steps);
void FinishPrint(Session& session);

} // namespace quelmar::engine
