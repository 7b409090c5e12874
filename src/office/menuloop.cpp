#include "office/menuloop.h"

#include "db/database.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/engineservices.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "maintenance/bdparam.h"
#include "office/choosesubscriber.h"
#include "office/historyscreens.h"
#include "office/listings.h"
#include "office/registration.h"
#include "office/statusupdate.h"
#include "panels/askperiod.h"
#include "panels/controlpool.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "query/arrel.h"
#include "session/errorlog.h"
#include "session/session.h"
#include "session/twips.h"
#include "shell/accesskeys.h"
#include "shell/officeservices.h"
#include "shell/showmenu.h"
#include "shell/startup.h"
#include "subscribers/money.h"
#include "subscribers/schema.h"

#include <QApplication>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QScopeGuard>
#include <QScreen>
#include <QStringList>

#include <optional>

namespace quelmar::office {

namespace {

constexpr int CentreLabel = 98;
constexpr int EndOption = 10;
// Preset before a load, it keeps the engine from announcing an empty result itself.
constexpr int ReturnAtOnce = 1010;

bool hasDeeperMenu(const QString& code)
{
    static const QStringList deeper{QStringLiteral("14"), QStringLiteral("15"), QStringLiteral("16"),
                                    QStringLiteral("23"), QStringLiteral("24")};
    return deeper.contains(code);
}

// A screen of an option that could not be loaded is never left without a word: the engine's silent load
// handler shows nothing, so the failure leaves the menu loop for the start-up's report ("Ha ocurrido un
// error.  Conviene que grabe y anote el tipo de problema: ", the option and what happened), which also writes
// it to the error log. A failure the engine already told (a refused write) is not told twice.
void failIfNotLoaded(Session& session)
{
    const int status = session.codes.EngineStatus;
    const db::DbError& failure = session.engine.LoadFailure;
    if (status > 1 && failure.number == status)
        throw RuntimeError{status, failure.description, QStringLiteral("BDats")};
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
        failIfNotLoaded(session);
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
    // A load that failed leaves the count of an earlier one: nothing of it is shown, but the failure is told.
    failIfNotLoaded(session);
    if (session.codes.EngineStatus != 0)
        return;
    const qint64 count = session.engine.RecordCount;
    if (count == 0) {
        session.dialog.ValidationMessage = QStringLiteral("No hay Pagos registrados en ") + dates.dayText;
        trap.step([&] { panels::ShowMessage(session, QStringLiteral("tec")); });
        return;
    }
    trap.step([&] { present(session, dailyIncomeAmounts(count, dates)); });
    failIfNotLoaded(session);
    trap.step([&] { present(session, dailyIncomeTickets(count, dates)); });
    failIfNotLoaded(session);
}

// The complaints' statement with its technician, when the database has that field (an office database made
// before technicians were kept has not).
QString withTechnician(Session& session, const QString& fields)
{
    db::Database* database = session.database.CurrentDatabase.get();
    if (database && !database->field(QStringLiteral("Quejas"), QStringLiteral("Técnico")).name.isEmpty())
        return fields + QStringLiteral(", Técnico");
    return fields;
}

// The options that work on one subscriber the user chooses first (by name or by contract).
void withSubscriber(Session& session, const QString& option)
{
    QString key;
    QString name;
    ChooseSubscriber(session, key, name);
    failIfNotLoaded(session);
    if (session.codes.EngineStatus != 0 || key.isEmpty())
        return;
    auto& engine = session.engine;
    if (option == QLatin1String("21")) {
        shell::officeServices(session).RegisterPayment(session, key, name);
        return;
    }
    if (option == QLatin1String("27")) {
        shell::officeServices(session).ReprintReceipt(session, key, name);
        return;
    }
    if (option == QLatin1String("31")) {
        StatusUpdate(session, key);
        return;
    }
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
    } else if (option == QLatin1String("62")) {
        engine.FixedValues = QStringLiteral("Cliente = ") + key;
        engine.ProtectedFields = QStringLiteral("Recibida");
        engine::BDats(
            session, QStringLiteral("Edita"), 1, QStringLiteral("Actualiza Queja de ") + name,
            withTechnician(session,
                           QStringLiteral("SELECT Cliente,Descripción,Recibida, Origen, Solución, Fecha")) +
                QStringLiteral(" FROM Quejas WHERE Cliente = ") + key);
    } else {
        return;
    }
    // The operations above (payment, receipt, status update) tell their own failures; these are screens.
    failIfNotLoaded(session);
}

bool needsSubscriber(const QString& option)
{
    static const QStringList options{QStringLiteral("21"), QStringLiteral("25"), QStringLiteral("27"),
                                     QStringLiteral("31"), QStringLiteral("34"), QStringLiteral("61"),
                                     QStringLiteral("62")};
    return options.contains(option);
}

// Complaints of several subscribers, one after another: each complaint picks its subscriber in its panel (a
// key typed in Cliente, or a double click on it, opens the subscribers to choose from).
void complaintsOfSeveral(Session& session)
{
    engine::BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Quejas"),
                  withTechnician(session, QStringLiteral("SELECT Cliente, Descripción, Recibida")) +
                      QStringLiteral(" FROM Quejas"));
}

// The tariffs' grid: Nombre, Varios (Clave), Cuota (Contenido), Clase.
constexpr int TariffNameColumn = 0;
constexpr int TariffKeyColumn = 1;
constexpr int TariffPriceColumn = 2;

// A payable concept's Cuota must be a price the payment form can charge: the grid refuses anything else as it
// is typed, and a row left without one (a new tariff whose Cuota was never typed) is corrected or undone
// before it is written. A row whose Varios holds "@" is not a payable concept and is not checked.
void checkTariffPrices(Session& session, engine::GridModel& model)
{
    const auto payable = [&model](int row) { return !model.cellText(row, TariffKeyColumn).contains(u'@'); };
    const auto engineColumnCheck = model.beforeColumnWrite;
    model.beforeColumnWrite = [&session, &model, payable, engineColumnCheck](int row, int column,
                                                                             const QString& text) {
        if (column == TariffPriceColumn && payable(row) && !subscribers::money::tariffPrice(text)) {
            panels::MessageBox(session,
                               subscribers::money::tariffPriceMessage(model.cellText(row, TariffNameColumn)),
                               QMessageBox::Ok, QMessageBox::Warning, QStringLiteral("Tarifas"));
            return false;
        }
        return !engineColumnCheck || engineColumnCheck(row, column, text);
    };
    const auto engineRowCheck = model.beforeRowWrite;
    model.beforeRowWrite = [&session, &model, payable, engineRowCheck](int row) {
        const engine::RowDecision decision =
            engineRowCheck ? engineRowCheck(row) : engine::RowDecision::Write;
        if (decision != engine::RowDecision::Write || !payable(row) ||
            subscribers::money::tariffPrice(model.cellText(row, TariffPriceColumn)))
            return decision;
        const int answer = panels::MessageBox(
            session,
            subscribers::money::tariffPriceMessage(model.cellText(row, TariffNameColumn)) +
                session.shell.NewLine + QStringLiteral("¿Corrige los Datos?"),
            QMessageBox::Ok | QMessageBox::Cancel, QMessageBox::Question, QStringLiteral("Tarifas"));
        if (answer == QMessageBox::Cancel) {
            session.codes.EngineStatus = 0;
            return engine::RowDecision::Undo;
        }
        session.codes.EngineStatus = 1;
        return engine::RowDecision::Correct;
    };
}

// The tariffs: the payable concepts (class "P") in an editable grid; new rows take the class, and the
// database gives them the next place (Secuen) of the class, so that the payment form keeps its lines in
// order.
void tariffs(Session& session)
{
    if (db::Database* database = session.database.CurrentDatabase.get()) {
        // A database made before new parameter rows were numbered gets the numbering now; without it the
        // grid still works, and the failure is logged.
        if (const db::DbError error =
                database->ensureTables({subscribers::officeTable(QStringLiteral("Parametros"))}))
            maintenance::appendErrorLog(session, error.number, error.description, QStringLiteral("Tarifas"));
    }
    const maintenance::ClassGrid grid{
        QStringLiteral(
            "Select Nombre, Clave as Varios, Contenido as Cuota, Clase FROM Parametros WHERE Clase = 'P'"),
        QStringLiteral("TabCap"), QStringLiteral("P"), QStringLiteral("Tarifas de Servicios"),
        QRect(1000, 1000, 8000, 3000)};
    // A grid that could not be loaded leaves the menu loop, whose caller tells and logs the failure.
    if (!maintenance::ShowClassGrid(session, grid)) {
        const int status = session.codes.EngineStatus;
        const db::DbError& failure = session.engine.LoadFailure;
        throw RuntimeError{status,
                           failure.number == status ? failure.description : db::jetDescription(status),
                           QStringLiteral("BDats")};
    }
    // The grid's model outlives this screen: its checks are the engine's own again when the grid goes.
    engine::GridModel& model = *engine::grid(session).model();
    const auto engineColumnCheck = model.beforeColumnWrite;
    const auto engineRowCheck = model.beforeRowWrite;
    const auto restoreChecks = qScopeGuard([&] {
        model.beforeColumnWrite = engineColumnCheck;
        model.beforeRowWrite = engineRowCheck;
    });
    checkTariffPrices(session, model);
    int flag = 3;
    maintenance::BDParam(session, QString(), flag);
}

// The subscriber's card of "Revisa suscriptor".
const QString ReviewStatement = QStringLiteral(
    "SELECT Suscriptores.Nombre, Suscriptores.Contrato, Suscriptores.Clase, Unidades, "
    "Suscriptores.Situación, "
    "Suscriptores.Instalación, Poste, Suscriptores.Vencimiento, Suscriptores.Calle, Suscriptores.Colonia, "
    "Suscriptores.Teléfono, Suscriptores.Observaciones FROM Suscriptores");
// The paper form the card is laid over, when the office folder has one.
const QString ReviewForm = QStringLiteral("Ficha.rtf");

QString reviewFormatOptions(const Session& session)
{
    return session.shell.WorkingFolder.exists(ReviewForm) ? QStringLiteral("Fmt=") + ReviewForm : QString();
}

// Administration option 9: the card's fields placed over a paper form chosen by the user.
void designReviewFormat(Session& session)
{
    session.codes.CommandCode = ReturnAtOnce;
    engine::BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("REVISA SUSCRIPTOR"),
                  ReviewStatement);
    session.codes.CommandCode = 0;
    failIfNotLoaded(session);
    if (session.codes.EngineStatus != 0)
        return;
    QString document = session.shell.WorkingFolder.absoluteFilePath(ReviewForm);
    engine::services(session).FormRTF(session, QStringLiteral("Dis"), session.engine.FieldCount, document);
}

// The administration options (submenu "5").
void administration(Session& session, int option)
{
    shell::OfficeServices& office = shell::officeServices(session);
    switch (option) {
    case 1:
        office.Maintenance(session, QStringLiteral("Resp"));
        break;
    case 2:
        office.Maintenance(session, QStringLiteral("Repa"));
        break;
    case 3: {
        int flag = 3;
        maintenance::BDParam(session, QStringLiteral("Clasifica"), flag);
        failIfNotLoaded(session);
        break;
    }
    case 4: {
        // The access keys are shown as they are: only a key of the highest level opens them.
        int granted = 0;
        QString name;
        shell::AskAccessKey(session, 3, granted, name);
        int flag = 3;
        if (granted == -1) {
            maintenance::BDParam(session, QStringLiteral("Acceso"), flag);
            failIfNotLoaded(session);
        }
        break;
    }
    case 5:
        tariffs(session);
        break;
    case 6:
        office.EditParameter(session, QStringLiteral("Edi"), QStringLiteral("CDT"),
                             QStringLiteral("Modifica el Contador de Tickets"));
        break;
    case 7: {
        int granted = 0;
        QString name;
        shell::AskAccessKey(session, 3, granted, name);
        if (granted == -1)
            office.EditParameter(session, QStringLiteral("Edi"), QStringLiteral("DV"),
                                 QStringLiteral("Modifica los dias de vencimiento"));
        break;
    }
    case 8:
        office.ChangeNetworkMode(session);
        break;
    case 9:
        designReviewFormat(session);
        break;
    default:
        break;
    }
}

// One option of a submenu (code: the submenu's code and the option's number, "144", "31" …).
void runOption(Session& session, const QString& option)
{
    // The screens of the loop itself: a failure to load them is told (failIfNotLoaded); the operations tell
    // their own.
    if (option == QLatin1String("11") || option == QLatin1String("12")) {
        RegisterSubscribers(session, option == QLatin1String("12"));
    } else if (option == QLatin1String("13")) {
        engine::BDats(session, QStringLiteral("Presenta"), 1, QStringLiteral("REVISA SUSCRIPTOR"),
                      ReviewStatement, reviewFormatOptions(session));
        failIfNotLoaded(session);
    } else if (needsSubscriber(option)) {
        withSubscriber(session, option);
    } else if (option == QLatin1String("22")) {
        PaymentHistory(session);
        failIfNotLoaded(session);
    } else if (option == QLatin1String("32")) {
        StatusHistory(session);
        failIfNotLoaded(session);
    } else if (option == QLatin1String("65")) {
        ComplaintHistory(session);
        failIfNotLoaded(session);
    } else if (option == QLatin1String("66")) {
        complaintsOfSeveral(session);
        failIfNotLoaded(session);
    } else if (option == QLatin1String("41")) {
        query::ArRel(session, QString(), QStringLiteral("Ver"));
    } else if (option == QLatin1String("63")) {
        shell::officeServices(session).PendingComplaints(session);
    } else if (option == QLatin1String("71")) {
        engine::BDats(session, QStringLiteral("Captura"), 1, QStringLiteral("Registra Gastos"),
                      QStringLiteral("SELECT Descripción, Monto, Comprobante FROM Gastos"));
        failIfNotLoaded(session);
    } else if (option == QLatin1String("72")) {
        engine::BDats(session, QStringLiteral("Edita"), 1, QStringLiteral("Modifica Gastos"),
                      QStringLiteral("SELECT Descripción, Monto, Comprobante, Fecha,Cheque FROM Gastos"));
        failIfNotLoaded(session);
    } else if (option == DailyIncomeOption) {
        dailyIncome(session);
    } else if (!listing(session, option) && option.startsWith(u'5')) {
        administration(session, option.mid(1).toInt());
    }
}

// The submenu of a main-menu option, and the deeper submenu of the options that have one.
void submenu(Session& session, int mainOption)
{
    const QString code = QString::number(mainOption);
    if (mainOption == 8 || mainOption == 9) {
        shell::ShowMenu(session, QStringLiteral("Pres"), code);
        const int option = session.menu.MenuOption;
        if (option == CentreLabel || option == 0)
            return;
        if (mainOption == 8)
            shell::officeServices(session).WorkOrders(session, option);
        else
            shell::officeServices(session).Notices(session, option);
        return;
    }
    shell::ShowMenu(session, QStringLiteral("Pres"), code);
    if (session.menu.MenuOption == CentreLabel || session.menu.MenuOption == 0)
        return;
    QString option = code + QString::number(session.menu.MenuOption);
    if (hasDeeperMenu(option)) {
        shell::ShowMenu(session, QStringLiteral("Pres"), option);
        if (session.menu.MenuOption == CentreLabel || session.menu.MenuOption == 0)
            return;
        option += QString::number(session.menu.MenuOption);
    }
    runOption(session, option);
}

// Puts the main form where a pass wants it when it is in its normal state: centred across the screen and 100
// twips from the top, or centred on both axes.
void placeForm(Session& session, bool bothAxes)
{
    QWidget* form = session.k;
    if (!form || form->windowState() != Qt::WindowNoState)
        return;
    const QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const int left = available.left() + (available.width() - form->frameGeometry().width()) / 2;
    const int top = bothAxes ? available.top() + (available.height() - form->frameGeometry().height()) / 2
                             : available.top() + twips::toPixels(100);
    form->move(left, top);
}

// Steps 1 to 3 of a pass: a clean form, the tips of the menus, the application's folder current.
void startPass(Session& session)
{
    if (session.k)
        session.k->setWindowTitle(QString());
    session.errors.RoutineName.clear();
    placeForm(session, false);
    session.errors.RoutineName = QStringLiteral("G");
    engine::services(session).Tips(session, QStringLiteral("Tip"), session.errors.RoutineName);
    session.codes.CommandCode = 0;
    session.codes.TableCommand = 0;
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
    if (session.k) {
        session.k->setEnabled(true);
        session.k->fixedPanel()->move(session.k->fixedPanel()->x(), twips::toPixels(300));
    }
    if (session.engine.grid) {
        const QRect area = engine::grid(session).geometryTwips();
        engine::grid(session).setGeometryTwips(QRect(area.x(), 300, area.width(), area.height()));
    }
    const QString folder = session.shell.WorkingFolder.absolutePath();
    if (QDir(folder).exists())
        QDir::setCurrent(folder);
    session.shell.NewLine = QStringLiteral("\r\n");
}

// Step 5 of a pass: nothing of the option stays on the screen or in the shared state.
void endPass(Session& session)
{
    auto& engine = session.engine;
    engine.FixedValues.clear();
    engine.ProtectedFields.clear();
    session.menu.MenuOption = 0;
    engine.MasterDetail = 0;
    engine.SelectedRow = 0;
    engine.SelectedValue.clear();
    engine.CheckedRows.clear();
    engine::BDats(session, QStringLiteral("TabFin"), 0, QString(), QString());
    panels::ClearElements(session);
    if (session.k) {
        session.k->fixedPanel()->hide();
        session.k->fixedPanel()->setEnabled(true);
        session.k->hideNotice();
    }
    panels::SetMainFormEnabled(session, true);
    if (session.codes.EngineStatus != 0) {
        engine::BDats(session, QStringLiteral("Quita"), 0, QString(), QString());
        session.codes.EngineStatus = 0;
    }
    placeForm(session, true);
    session.wait.letEventsRun();
}

} // namespace

void MenuLoop(Session& session)
{
    for (;;) {
        startPass(session);
        shell::ShowMenu(session, QStringLiteral("Pres"), QString());
        const int option = session.menu.MenuOption;
        if (option == CentreLabel || option == EndOption)
            startup::EndProgram(session, QString());
        try {
            if (option >= 1 && option <= 9)
                submenu(session, option);
        } catch (const RuntimeError&) {
            // An option that failed leaves the loop for its caller's report, which names the option: the
            // screen is cleared first, as at the end of every pass.
            const int failed = session.menu.MenuOption;
            endPass(session);
            session.menu.MenuOption = failed;
            throw;
        }
        endPass(session);
    }
}

} // namespace quelmar::office
