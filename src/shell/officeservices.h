#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::shell {

// What the start-up and the menu loop ask of the office's own operations: the menu loop itself and the
// payment form it needs, payments and receipts, the parameters edited one by one, database maintenance, the
// network mode, work orders and notices. They are reached through session.menu.services; the office plugs in
// its own at start-up. This default stands in for an operation that nothing registered: that is a fault of
// the program, reported as an internal error (Spanish message, log line naming the operation); without an
// office there is no menu loop to run, so the program ends.
class OfficeServices
{
public:
    OfficeServices() = default;
    virtual ~OfficeServices() = default;
    OfficeServices(const OfficeServices&) = delete;
    OfficeServices& operator=(const OfficeServices&) = delete;

    // The application's menu loop, and the payment form prepared with the tariffs of the class before it.
    virtual void MenuLoop(Session& session);
    virtual void LoadTariffs(Session& session, const QString& tariffClass);
    // Payments (menu "2"): a payment of the chosen subscriber with its receipt; the reprint of a receipt.
    virtual void RegisterPayment(Session& session, const QString& key, const QString& name);
    virtual void ReprintReceipt(Session& session, const QString& key, const QString& name);
    // One parameter of class parameterClass edited with the prompt ("Edi": ticket counter, days of expiry).
    virtual void EditParameter(Session& session, const QString& mode, const QString& parameterClass,
                               const QString& prompt);
    // Database maintenance: "Resp" (backup), "Repa" (repair), then the program ends or the database is opened
    // again, as the operation leaves it.
    virtual void Maintenance(Session& session, const QString& request);
    // The network mode: "Cambia".
    virtual void ChangeNetworkMode(Session& session);
    // Work orders (menu "8"), notices (menu "9") and the pending complaints with their repair orders.
    virtual void WorkOrders(Session& session, int option);
    virtual void Notices(Session& session, int option);
    virtual void PendingComplaints(Session& session);

protected:
    // No routine was registered for the operation named: an internal error through the error report.
    static void missingRoutine(Session& session, const QString& routine);
};

// The services in use: session.menu.services, made the default ones when none is set.
OfficeServices& officeServices(Session& session);

} // namespace quelmar::shell
