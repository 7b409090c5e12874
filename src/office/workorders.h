#pragma once

#include <QString>
#include <QStringList>
#include <QVariant>

namespace quelmar {
class Session;
}

namespace quelmar::office {

// The statement that gives the values of a subscriber's order, before " Where Clave = " and the key.
inline const QString OrderStatement = QStringLiteral(
    "SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación, Calle, Colonia, Poste FROM Suscriptores");

// A value of the database as an order shows it: dates "dd-mmm-yyyy", Null as empty text.
QString orderValueText(const QVariant& value);

// `WorkOrders`: "DocDef" shows the orders' list (statement) for the user to narrow with the wizard, then
// prints one filled copy of templateFile for all or some of the narrowed rows; "DocElige" looks for
// subscribers by name and prints the order chosen for each. keyColumn: the 1-based column of the subscriber's
// key in the statement.
void WorkOrders(Session& session, const QString& command, const QString& title, const QString& statement,
                int keyColumn, const QString& orderStatement, const QString& templateFile);

// The work-order menu (menu "8"), options 1 to 4.
void WorkOrderMenu(Session& session, int option);

// The pending complaints as a panel, with a repair order printed for the complaint shown at each
// "&Imprime Orden" (complaints option 3).
void RepairOrders(Session& session);

} // namespace quelmar::office
