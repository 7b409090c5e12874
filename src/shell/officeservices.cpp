#include "shell/officeservices.h"

#include "maintenance/bdresp.h"
#include "panels/reporterror.h"
#include "session/session.h"
#include "shell/networkmode.h"
#include "shell/startup.h"

namespace quelmar::shell {

void OfficeServices::missingRoutine(Session& session, const QString& routine)
{
    maintenance::reportInternalError(session, QStringLiteral("No routine is registered for ") + routine,
                                     routine);
}

void OfficeServices::MenuLoop(Session& session)
{
    startup::EndProgram(session, QString());
}

void OfficeServices::LoadTariffs(Session&, const QString&) {}

void OfficeServices::RegisterPayment(Session& session, const QString&, const QString&)
{
    missingRoutine(session, QStringLiteral("RegisterPayment"));
}

void OfficeServices::ReprintReceipt(Session& session, const QString&, const QString&)
{
    missingRoutine(session, QStringLiteral("ReprintReceipt"));
}

void OfficeServices::EditParameter(Session& session, const QString&, const QString&, const QString&)
{
    missingRoutine(session, QStringLiteral("EditParameter"));
}

void OfficeServices::Maintenance(Session& session, const QString& request)
{
    if (maintenance::BDResp(session, request) == maintenance::BDRespEnd::EndProgram)
        startup::EndProgram(session, QString());
    startup::ReopenDatabase(session);
}

void OfficeServices::ChangeNetworkMode(Session& session)
{
    QString mode = QStringLiteral("Cambia");
    QString database;
    startup::NetworkMode(session, mode, database);
}

void OfficeServices::WorkOrders(Session& session, int)
{
    missingRoutine(session, QStringLiteral("WorkOrders"));
}

void OfficeServices::Notices(Session& session, int)
{
    missingRoutine(session, QStringLiteral("Notices"));
}

void OfficeServices::PendingComplaints(Session& session)
{
    missingRoutine(session, QStringLiteral("PendingComplaints"));
}

OfficeServices& officeServices(Session& session)
{
    if (!session.menu.services)
        session.menu.services = std::make_shared<OfficeServices>();
    return *session.menu.services;
}

} // namespace quelmar::shell
