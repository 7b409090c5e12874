#include "office/office.h"

#include "office/menuloop.h"
#include "office/notices.h"
#include "office/paymentform.h"
#include "office/payments.h"
#include "office/receiptprinter.h"
#include "office/workorders.h"
#include "session/session.h"
#include "shell/officeservices.h"
#include "shell/shellservices.h"

#include <memory>

namespace quelmar::office {

namespace {

class OfficeOperations final : public shell::OfficeServices
{
public:
    void MenuLoop(Session& session) override { office::MenuLoop(session); }

    void LoadTariffs(Session& session, const QString& tariffClass) override
    {
        office::LoadTariffs(session, tariffClass);
    }

    void RegisterPayment(Session& session, const QString& key, const QString& name) override
    {
        office::RegisterPayment(session, key, name);
    }

    void ReprintReceipt(Session& session, const QString& key, const QString& name) override
    {
        office::ReprintReceipt(session, key, name);
    }

    void EditParameter(Session& session, const QString& mode, const QString& parameterClass,
                       const QString& prompt) override
    {
        office::EditParameter(session, mode, parameterClass, prompt);
    }

    void WorkOrders(Session& session, int option) override { office::WorkOrderMenu(session, option); }

    void Notices(Session& session, int option) override { office::NoticeMenu(session, option); }

    void PendingComplaints(Session& session) override { office::RepairOrders(session); }
};

} // namespace

void install(Session& session)
{
    session.menu.services = std::make_shared<OfficeOperations>();
    session.engine.services = std::make_shared<shell::ShellServices>();
}

} // namespace quelmar::office
