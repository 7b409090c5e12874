#include "office/historyscreens.h"

#include "engine/bdats.h"
#include "engine/masterdetail.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/session.h"

namespace quelmar::office {

namespace {

// Preset before the panel is loaded, it makes the engine return as soon as the panel is built.
constexpr int ReturnAtOnce = 1010;
// The subscribers' panel goes to the top of the form, leaving the rest to the history below it.
constexpr int PanelTopTwips = 100;

const QString MasterKey = QStringLiteral("Suscriptores.Clave");

QString paymentSubscribers()
{
    return QStringLiteral("SELECT DISTINCTROW Suscriptores.Clave,Suscriptores.Nombre, Suscriptores.Contrato, "
                          "Suscriptores.Clase, Suscriptores.Vencimiento, Suscriptores.Situación, "
                          "Suscriptores.Teléfono FROM Suscriptores");
}

QString historySubscribers()
{
    return QStringLiteral(
        "SELECT DISTINCTROW Suscriptores.Clave, Suscriptores.Nombre, Suscriptores.Contrato, "
        "Suscriptores.Teléfono, Suscriptores.Clase, Suscriptores.Vencimiento, "
        "Suscriptores.Situación FROM Suscriptores");
}

// Builds the subscribers' panel and returns at once; false (and the screen cleared) when there is none to
// show.
bool subscribersPanel(Session& session, const QString& title, const QString& statement)
{
    session.codes.CommandCode = ReturnAtOnce;
    engine::BDats(session, QStringLiteral("Presenta"), 1, title, statement);
    if (session.codes.EngineStatus == 0)
        return true;
    session.codes.CommandCode = 0;
    // The engine kept quiet about an empty result because the panel was to return at once.
    if (session.codes.EngineStatus == 1)
        panels::MessageBox(session, QStringLiteral("No hay Registros ") + title);
    engine::EndMasterDetail(session);
    return false;
}

// The user browses the subscribers, the history following, until "&Termina"; then the pair ends.
void browse(Session& session, const QString& title, const QString& statement)
{
    engine::BDats(session, QStringLiteral("PresFin"), 1, title, statement);
    engine::EndMasterDetail(session);
}

} // namespace

void PaymentHistory(Session& session)
{
    const QString statement = paymentSubscribers();
    if (!subscribersPanel(session, QStringLiteral("SUSCRIPTORES"), statement))
        return;
    engine::MovePanel(session, PanelTopTwips);
    session.engine.MasterDetail = 1;
    engine::MtroDet(
        session, QStringLiteral("Pres"), QStringLiteral("PAGOS"),
        QStringLiteral("Pagos.Fecha, Pagos.Concepto, Pagos.Cantidad,Pagos.Observaciones,Pagos.ticket"),
        QStringLiteral("Pagos.Suscriptor"), MasterKey, QStringLiteral("ORDER BY Pagos.Fecha Desc"));
    browse(session, QString(), statement);
}

void StatusHistory(Session& session)
{
    const QString statement = historySubscribers();
    if (!subscribersPanel(session, QStringLiteral("Historial de Situación"), statement))
        return;
    engine::MovePanel(session, PanelTopTwips);
    engine::MtroDet(session, QStringLiteral("Pres"), QStringLiteral("Situación"),
                    QStringLiteral("Situación.[Situación Anterior],Situación.Fecha,Situación.Clase,"
                                   "Situación.Unidades,[Cambiado por],Situación.Vencimiento, Situación.Nota"),
                    QStringLiteral("Situación.Suscriptor"), MasterKey, QString());
    browse(session, QStringLiteral("Historial de Situación al ") + panels::TodayText(), statement);
}

void ComplaintHistory(Session& session)
{
    const QString statement = historySubscribers();
    if (!subscribersPanel(session, QStringLiteral("Historial de Quejas"), statement))
        return;
    // The panel is moved once it is built: before, there is nothing to move.
    engine::MovePanel(session, PanelTopTwips);
    engine::MtroDet(session, QStringLiteral("Pres"), QStringLiteral("Quejas"),
                    QStringLiteral("Quejas.Descripción, Quejas.Recibida, Quejas.Origen, Quejas.Solución, "
                                   "Quejas.Fecha"),
                    QStringLiteral(" Quejas.Cliente"), MasterKey, QString());
    browse(session, QStringLiteral("Historial de Quejas"), statement);
}

} // namespace quelmar::office
