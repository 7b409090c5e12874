#include "shell/officeservices.h"

#include "maintenance/bdresp.h"
#include "panels/showmessage.h"
#include "session/session.h"
#include "shell/networkmode.h"
#include "shell/startup.h"

namespace quelmar::shell {

void OfficeServices::notYetAvailable(Session& session)
{
    session.dialog.ValidationMessage =
        QStringLiteral("Esta opción estará disponible en una próxima versión.");
    panels::ShowMessage(session, QStringLiteral("tec"));
}

void OfficeServices::MenuLoop(Session& session)
{
    startup::EndProgram(session, QString());
}

void OfficeServices::LoadTariffs(Session&, const QString&) {}

void OfficeServices::RegisterPayment(Session& session, const QString&, const QString&)
{
    notYetAvailable(session);
}

void OfficeServices::ReprintReceipt(Session& session, const QString&, const QString&)
{
    notYetAvailable(session);
}

void OfficeServices::EditParameter(Session& session, const QString&, const QString&, const QString&)
{
    notYetAvailable(session);
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
    notYetAvailable(session);
}

void OfficeServices::Notices(Session& session, int)
{
    notYetAvailable(session);
}

void OfficeServices::PendingComplaints(Session& session)
{
    notYetAvailable(session);
}

OfficeServices& officeServices(Session& session)
{
    if (!session.menu.services)
        session.menu.services = std::make_shared<OfficeServices>();
    return *session.menu.services;
}

} // namespace quelmar::shell
