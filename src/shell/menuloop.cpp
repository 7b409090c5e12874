#include "shell/menuloop.h"

#include "engine/bdats.h"
#include "maintenance/errortrap.h"
#include "panels/askperiod.h"
#include "panels/controlpool.h"
#include "panels/showmessage.h"
#include "shell/accesskeys.h"
#include "shell/choosesubscriber.h"
#include "shell/listings.h"
#include "shell/session.h"
#include "shell/showmenu.h"
#include "shell/startup.h"

#include <QStringList>

#include <optional>

namespace quelmar::shell {

namespace {

constexpr int CentreLabel = 98;
// Preset before a load, it keeps the engine from announcing an empty result itself.
constexpr int ReturnAtOnce = 1010;

bool hasDeeperMenu(const QString& code)
{
    static const QStringList deeper{QStringLiteral("14"), QStringLiteral("15"), QStringLiteral("16"),
                                    QStringLiteral("23"), QStringLiteral("24")};
    return deeper.contains(code);
}

void notYetAvailable(Session& session)
{
    session.dialog.ValidationMessage =
        QStringLiteral("Esta opción estará disponible en una próxima versión.");
    panels::ShowMessage(session, QStringLiteral("tec"));
}

// The end of a pass: the grid and the elements made at run time go, and the engine ends its presentation.
void clearScreen(Session& session)
{
    engine::BDats(session, QStringLiteral("TabFin"), 0, QString(), QString());
    panels::ClearElements(session);
    engine::BDats(session, QStringLiteral("Quita"), 0, QString(), QString());
    session.codes.EngineStatus = 0;
}

// The options the presentation engine already serves; false for the others.
bool presentation(Session& session, const QString& option)
{
    if (option == QLatin1String("13")) {
        engine::BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("REVISA SUSCRIPTOR"),
                      QStringLiteral("SELECT Suscriptores.Nombre, Suscriptores.Contrato, Suscriptores.Clase, "
                                     "Unidades, Suscriptores.Situación, Suscriptores.Instalación, Poste, "
                                     "Suscriptores.Vencimiento, Suscriptores.Calle, Suscriptores.Colonia, "
                                     "Suscriptores.Teléfono, Suscriptores.Observaciones FROM Suscriptores"));
    } else if (option == QLatin1String("71")) {
        engine::BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Gastos"),
                      QStringLiteral("SELECT Descripción, Monto, Comprobante FROM Gastos"));
    } else if (option == QLatin1String("72")) {
        engine::BDats(session, QStringLiteral("Edita"), 1, QStringLiteral("Modifica Gastos"),
                      QStringLiteral("SELECT Descripción, Monto, Comprobante, Fecha,Cheque FROM Gastos"));
    } else {
        return false;
    }
    clearScreen(session);
    return true;
}

// The options that work on one chosen subscriber; false for the others.
bool withSubscriber(Session& session, const QString& option)
{
    static const QStringList options{QStringLiteral("25"), QStringLiteral("34"), QStringLiteral("61"),
                                     QStringLiteral("62")};
    if (!options.contains(option))
        return false;
    QString key;
    QString name;
    ChooseSubscriber(session, key, name);
    if (session.codes.EngineStatus != 0 || key.isEmpty()) {
        clearScreen(session);
        return true;
    }
    auto& engine = session.engine;
    if (option == QLatin1String("25")) {
        engine::BDats(session, QStringLiteral("Edita"), 1, QStringLiteral("Modifica Pagos de ") + name,
                      QStringLiteral("SELECT Pagos.Cantidad, Pagos.Fecha, Pagos.Ticket, Pagos.Concepto, "
                                     "Pagos.Observaciones FROM Pagos WHERE Pagos.Suscriptor = ") +
                          key);
    } else if (option == QLatin1String("34")) {
        engine::BDats(
            session, QStringLiteral("Presenta"), 1, QStringLiteral("Cambios de Situación"),
            QStringLiteral("SELECT Suscriptores.Nombre, [Situación Anterior],Situación.Vencimiento, "
                           "Situación.Clase,Situación.Unidades,[Cambiado por],Situación.Fecha, "
                           "Situación.Nota FROM Situación, Suscriptores WHERE Suscriptores.Clave = "
                           "Situación.Suscriptor AND Situación.Suscriptor = ") +
                key);
    } else if (option == QLatin1String("61")) {
        engine.FixedValues = QStringLiteral("Cliente = ") + key;
        engine::BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Quejas de ") + name,
                      QStringLiteral("SELECT Cliente, Descripción, Recibida FROM Quejas"));
    } else {
        engine.FixedValues = QStringLiteral("Cliente = ") + key;
        engine.ProtectedFields = QStringLiteral("Recibida");
        engine::BDats(
            session, QStringLiteral("Edita"), 1, QStringLiteral("Actualiza Queja de ") + name,
            QStringLiteral("SELECT Cliente,Descripción,Recibida, Origen, Solución, Fecha FROM Quejas "
                           "WHERE Cliente = ") +
                key);
    }
    clearScreen(session);
    return true;
}

// Asks the dates a listing needs; false when the question gave none (the listing is then not shown).
bool askDates(Session& session, DateQuestion question, ListingDates& dates)
{
    if (question == DateQuestion::None)
        return true;
    QString description;
    QString from;
    QString to;
    if (question == DateQuestion::Period) {
        panels::AskPeriod(session, QStringLiteral("Per"), description, from, to);
        if (from.isEmpty() || to.isEmpty())
            return false;
        dates.periodText = description;
        dates.from = from;
        dates.to = to;
        return true;
    }
    panels::AskPeriod(session, QStringLiteral("Uni"), description, from, to);
    if (from.isEmpty())
        return false;
    dates.dayText = description;
    dates.dayLiteral = from;
    return true;
}

ListingDates today()
{
    ListingDates dates;
    dates.todayText = panels::TodayText();
    dates.todayLiteral = panels::TodayLiteral();
    return dates;
}

// One engine call with the statement in QuerySQL, where the engine leaves the statement in effect.
void present(Session& session, const ListingCall& call)
{
    QString mode = call.mode;
    int sourceKind = call.sourceKind;
    QString title = call.title;
    QString options = call.options;
    int width = 0;
    session.engine.QuerySQL = call.statement;
    engine::BDats(session, mode, sourceKind, title, session.engine.QuerySQL, options, width);
}

// The options that are one listing of the engine; false for the others.
bool listing(Session& session, const QString& option)
{
    const std::optional<Listing> found = listingFor(option);
    if (!found)
        return false;
    ErrorTrap trap(session, QStringLiteral("G"));
    ListingDates dates = today();
    bool asked = false;
    trap.step([&] { asked = askDates(session, found->question, dates); });
    if (asked) {
        trap.step([&] { present(session, found->call(dates)); });
        trap.step([&] { clearScreen(session); });
    }
    return true;
}

// The day's income by payment concept: amounts, then number of payments, or a message when there are none.
void dailyIncome(Session& session)
{
    ErrorTrap trap(session, QStringLiteral("G"));
    ListingDates dates = today();
    bool asked = false;
    trap.step([&] { asked = askDates(session, DateQuestion::Day, dates); });
    if (!asked)
        return;
    trap.step([&] {
        session.engine.QuerySQL = dailyIncomeStatement(dates);
        session.codes.CommandCode = ReturnAtOnce;
        engine::BDats(session, QStringLiteral("Datos"), 0, QString(), session.engine.QuerySQL);
        session.codes.CommandCode = 0;
    });
    // A load that failed leaves the count of an earlier one: nothing is shown for it.
    if (session.codes.EngineStatus != 0) {
        trap.step([&] { clearScreen(session); });
        return;
    }
    const qint64 count = session.engine.RecordCount;
    if (count == 0) {
        session.dialog.ValidationMessage = QStringLiteral("No hay Pagos registrados en ") + dates.dayText;
        trap.step([&] { panels::ShowMessage(session, QStringLiteral("tec")); });
        trap.step([&] { clearScreen(session); });
        return;
    }
    trap.step([&] { present(session, dailyIncomeAmounts(count, dates)); });
    trap.step([&] { present(session, dailyIncomeTickets(count, dates)); });
    trap.step([&] { clearScreen(session); });
}

void submenu(Session& session, const QString& code)
{
    ShowMenu(session, QStringLiteral("Pres"), code);
    if (session.menu.MenuOption == CentreLabel)
        return;
    QString option = code + QString::number(session.menu.MenuOption);
    if (hasDeeperMenu(option)) {
        ShowMenu(session, QStringLiteral("Pres"), option);
        if (session.menu.MenuOption == CentreLabel)
            return;
        option += QString::number(session.menu.MenuOption);
    }
    if (presentation(session, option) || withSubscriber(session, option) || listing(session, option))
        return;
    if (option == DailyIncomeOption) {
        dailyIncome(session);
        return;
    }
    // The days of expiry are guarded by a level-3 access key; the editing itself comes with the payments.
    if (option == QLatin1String("57")) {
        int granted = 0;
        QString name;
        AskAccessKey(session, 3, granted, name);
        if (granted != -1)
            return;
    }
    notYetAvailable(session);
}

} // namespace

void MenuLoop(Session& session)
{
    for (;;) {
        ShowMenu(session, QStringLiteral("Pres"), QString());
        const int option = session.menu.MenuOption;
        if (option == CentreLabel || option == 10)
            startup::EndProgram(session, QString());
        if (option >= 1 && option <= 9)
            submenu(session, QString::number(option));
    }
}

} // namespace quelmar::shell
