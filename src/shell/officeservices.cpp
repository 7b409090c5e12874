#include "shell/officeservices.h"

#include "panels/showmessage.h"
#include "shell/payments.h"
#include "shell/receiptprinter.h"
#include "shell/session.h"

namespace quelmar::shell {

void OfficeServices::notYetAvailable(Session& session)
{
    session.dialog.ValidationMessage =
        QStringLiteral("Esta opción estará disponible en una próxima versión.");
    panels::ShowMessage(session, QStringLiteral("tec"));
}

void OfficeServices::RegisterPayment(Session& session, const QString& key, const QString& name)
{
    shell::RegisterPayment(session, key, name);
}

void OfficeServices::ReprintReceipt(Session& session, const QString& key, const QString& name)
{
    shell::ReprintReceipt(session, key, name);
}

void OfficeServices::EditParameter(Session& session, const QString& mode, const QString& parameterClass,
                                   const QString& prompt)
{
    shell::EditParameter(session, mode, parameterClass, prompt);
}

void OfficeServices::Maintenance(Session& session, const QString&)
{
    notYetAvailable(session);
}

void OfficeServices::ChangeNetworkMode(Session& session)
{
    notYetAvailable(session);
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
