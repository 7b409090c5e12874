#include "engine/engineservices.h"

#include "engine/relationfields.h"
#include "panels/reporterror.h"
#include "session/session.h"

namespace quelmar::engine {

void EngineServices::missingRoutine(Session& session, const QString& routine)
{
    maintenance::reportInternalError(session, QStringLiteral("No routine is registered for ") + routine,
                                     routine);
}

void EngineServices::PresAut(Session& session, const QString&, const QString&, QString&, QString&)
{
    missingRoutine(session, QStringLiteral("PresAut"));
}

void EngineServices::RepImp(Session& session, const QString& request)
{
    // One notice per print command: the later steps of the same command print nothing.
    if (request == QLatin1String("Ini"))
        missingRoutine(session, QStringLiteral("RepImp"));
}

void EngineServices::FormRTF(Session& session, const QString& request, int, QString&)
{
    if (request == QLatin1String("Eje"))
        missingRoutine(session, QStringLiteral("FormRTF"));
}

void EngineServices::GrafEst(Session& session, const QString&, const QString&, const QString&)
{
    missingRoutine(session, QStringLiteral("GrafEst"));
}

void EngineServices::Tips(Session&, const QString&, const QString&) {}

void EngineServices::Relation(Session& session, const QString& request, int field)
{
    RelationRoutine(session, request, field);
}

void EngineServices::ArRel(Session& session, const QString&, const QString&, const QString&, const QString&,
                           const QString&)
{
    missingRoutine(session, QStringLiteral("ArRel"));
}

void EngineServices::TabTotal(Session&, const QString&) {}

void EngineServices::TabSTot(Session&, const QString&) {}

void EngineServices::TabClasi(Session& session, int)
{
    missingRoutine(session, QStringLiteral("TabClasi"));
}

void EngineServices::AskAccessKey(Session&, int, int& granted, QString& name)
{
    granted = 0;
    name.clear();
}

QString EngineServices::Disco(Session&, const QString&)
{
    return {};
}

EngineServices& services(Session& session)
{
    if (!session.engine.services)
        session.engine.services = std::make_shared<EngineServices>();
    return *session.engine.services;
}

void PrintScreen(Session& session, const QStringList& steps)
{
    auto& engine = session.engine;
    if (!engine.printOpen) {
        services(session).RepImp(session, QStringLiteral("Ini"));
        engine.printOpen = true;
    }
    for (const QString& step : steps)
        services(session).RepImp(session, step);
}

void FinishPrint(Session& session)
{
    if (!session.engine.printOpen)
        return;
    services(session).RepImp(session, QStringLiteral("Fin"));
    session.engine.printOpen = false;
}

} // namespace quelmar::engine
