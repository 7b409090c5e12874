#include "office/payments.h"

#include "core/clock.h"
#include "core/errormessages.h"
#include "db/database.h"
#include "db/jetsql.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/errorpolicy.h"
#include "office/paymentform.h"
#include "office/receiptprinter.h"
#include "office/statusupdate.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/errorlog.h"
#include "session/session.h"
#include "shell/textlines.h"
#include "subscribers/money.h"
#include "subscribers/receipt.h"
#include "subscribers/schema.h"
#include "subscribers/statusrules.h"

#include <QFile>
#include <QRegularExpression>
#include <QVariant>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <vector>

using namespace Qt::StringLiterals;

namespace quelmar::office {

namespace {

constexpr int ReturnAtOnce = 1010;
constexpr int NothingDone = 1;
constexpr int Accepted = -1;
constexpr int Escape = 27;
constexpr int ObjectNotSet = 91;
constexpr int NoTicketCounter = 3021; // no current record: the counter's row is missing
constexpr int StepPauseMs = 500;
constexpr int PrintPauseMs = 2000;

const QString TicketCounterClass = u"CDT"_s;
const QString NoticeMark = u"Aviso="_s;

// Fault injection for tests: with QUELMAR_FAULT_AFTER_PAYMENT_ROWS=n the process aborts right after the n-th
// Pagos row of a payment is written, inside the payment's transaction, so that a test can show that a payment
// cut short by a crash leaves nothing behind. Unset (or 0) in normal use.
int faultAfterPaymentRows()
{
    return qEnvironmentVariableIntValue("QUELMAR_FAULT_AFTER_PAYMENT_ROWS");
}

// Fault injection for tests: with QUELMAR_FAULT_AFTER_PAYMENT_COMMIT=1 the process aborts right after a
// payment is committed, before its receipt is copied or printed, so that a test can show that the receipt is
// kept with the payment and can be printed again. Unset (or 0) in normal use.
bool faultAfterPaymentCommit()
{
    return qEnvironmentVariableIntValue("QUELMAR_FAULT_AFTER_PAYMENT_COMMIT") != 0;
}

// A database failure as the routine's run-time error.
void raise(const db::DbError& error)
{
    if (error)
        throw RuntimeError{error.number,
                           error.description.isEmpty() ? db::jetDescription(error.number) : error.description,
                           {}};
}

db::Database& database(Session& session)
{
    if (!session.database.CurrentDatabase)
        throw RuntimeError{ObjectNotSet, u"Object variable or With block variable not set"_s, {}};
    return *session.database.CurrentDatabase;
}

// Hides the payment form and gives the main form back to the user.
void closePaymentForm(Session& session)
{
    if (session.Pagos)
        session.Pagos->hide();
    if (session.k)
        session.k->setEnabled(true);
    engine::ShowBusy(session, 0);
}

void setCaption(Session& session, const QString& caption)
{
    if (session.k)
        session.k->setWindowTitle(caption);
}

// Step 1: the subscriber's row in CurrentRecordset. False when there is no such subscriber.
bool loadSubscriber(Session& session, const QString& key)
{
    // The engine would announce an empty result in words of its own; a missing subscriber is told here.
    session.codes.CommandCode = ReturnAtOnce;
    engine::BDats(session, u"Datos"_s, 0, QString(),
                  u"SELECT Nombre, Clase, Unidades, Situación,Vencimiento,Contrato,Observaciones FROM "
                  u"Suscriptores WHERE Clave = "_s +
                      key);
    session.codes.CommandCode = 0;
    const int status = session.codes.EngineStatus;
    if (status > 1)
        raise(db::DbError::make(status, db::jetDescription(status)));
    const db::Recordset* rows = session.database.CurrentRecordset.get();
    if (status != 0 || !rows || rows->eof()) {
        session.database.CurrentRecordset.reset();
        return false;
    }
    return true;
}

// The notice mark of Observaciones ("Aviso=2"): its number and the text of the mark; 0 when there is none.
int noticeMark(const QString& notes, QString& mark)
{
    static const QRegularExpression pattern(u"Aviso=([0-9]*)"_s);
    const QRegularExpressionMatch found = pattern.match(notes);
    if (!found.hasMatch())
        return 0;
    mark = found.captured(0);
    return found.captured(1).left(9).toInt();
}

// The line of the notice file whose leading number is the notice's; empty when none.
QString noticeLine(const QStringList& lines, int number)
{
    static const QRegularExpression leading(u"^\\s*([0-9]+)"_s);
    for (const QString& line : lines) {
        const QRegularExpressionMatch found = leading.match(line);
        if (found.hasMatch() && found.captured(1).left(9).toInt() == number)
            return line;
    }
    return {};
}

// Step 2: a notice waiting for the subscriber is shown, and its mark taken out of Observaciones (a save of
// its own, before the payment). A notice file that cannot be read leaves the mark for the next visit.
void showPendingNotice(Session& session, const QString& routine)
{
    db::Recordset* rows = session.database.CurrentRecordset.get();
    QString mark;
    const QString notes = rows->value(u"Observaciones"_s).toString();
    const int number = noticeMark(notes, mark);
    if (number <= 0)
        return;

    const QString fileName = u"Avisos.txt"_s;
    QFile file(session.shell.WorkingFolder.filePath(fileName));
    if (!file.open(QIODevice::ReadOnly)) {
        panels::MessageBox(
            session,
            u"No se pudo leer el archivo de avisos %1; el aviso %2 del suscriptor queda pendiente."_s
                .arg(fileName)
                .arg(number),
            QMessageBox::Ok, QMessageBox::Warning, u"AVISO"_s);
        session.errors.RoutineName = routine;
        return;
    }
    const QString line = noticeLine(shell::readLines(shell::decodeText(file.readAll())).lines, number);
    file.close();
    if (line.isEmpty())
        return;
    panels::MessageBox(session, line, QMessageBox::Ok, QMessageBox::Information, u"AVISO"_s);
    session.errors.RoutineName = routine;

    ErrorTrap trap(session, routine, 2);
    trap.step([&] {
        QString rest = notes;
        rest.remove(rest.indexOf(mark), mark.size());
        raise(rows->edit());
        raise(rows->setValue(u"Observaciones"_s, rest.trimmed().isEmpty() ? QVariant() : QVariant(rest)));
        raise(rows->update());
    });
    if (rows->editMode() != db::EditMode::None)
        rows->cancelUpdate();
    session.errors.RoutineName = routine;
}

// A payment the cashier is told cannot be recorded, in words of its own: a subscriber given the "Baja" or
// removed meanwhile, an amount out of range, a missing counter. number is logged with raw when it is not 0.
struct Refusal
{
    QString message;
    int number = 0;
    QString raw;
};

// The lines paid on the form; throws when a record is not one, or a Refusal when an amount is out of range.
std::vector<subscribers::PaidLine> paidLines(const Session& session)
{
    std::vector<subscribers::PaidLine> paid;
    double total = 0;
    for (const QString& record : session.payments.PaidLines) {
        if (record.isEmpty())
            continue;
        const std::optional<subscribers::PaidLine> line = subscribers::parsePaidLine(record);
        if (!line)
            throw RuntimeError{13, u"el concepto pagado \"%1\" no es válido"_s.arg(record), {}};
        const std::optional<double> sum = subscribers::money::sum(total, line->amount);
        if (!sum)
            throw Refusal{subscribers::money::outOfRangeMessage(line->conceptName), 0, {}};
        total = *sum;
        paid.push_back(*line);
    }
    return paid;
}

bool sameText(const QString& a, QLatin1String b)
{
    return a.compare(b, Qt::CaseInsensitive) == 0;
}

// What the cashier decided before the payment is recorded: nothing of it waits for the user any more.
struct PaymentRequest
{
    QString key;
    QString chosenName;
    std::vector<subscribers::PaidLine> paid;
    qint64 bonifiedDays = 0; // the cut days the cashier agreed to bonify
};

bool paysLine(const PaymentRequest& request, int line)
{
    return std::any_of(request.paid.begin(), request.paid.end(),
                       [line](const subscribers::PaidLine& paid) { return paid.line == line; });
}

bool paysRent(const PaymentRequest& request)
{
    return std::any_of(request.paid.begin(), request.paid.end(), [](const subscribers::PaidLine& paid) {
        return subscribers::isRentConcept(paid.conceptName);
    });
}

// What the recording of a payment gives the printing.
struct Recorded
{
    qint64 ticket = 0;
    QStringList receipt;
};

// Runs work in one transaction and commits it. A lock met anywhere in it (its beginning, a write, the commit)
// gives the whole transaction back and runs it again as the engine's lock policy does: a pause of 400 ms
// before every new attempt and, at the 8th conflict in a row, the question "Esta bloqueado el Registro por
// otro Usuario.  ¿Desea intentar ota vez?"; No throws the lock's error. Anything else work throws passes
// through, the transaction given back.
void inOneTransaction(Session& session, const std::function<void(db::Database&)>& work)
{
    db::Database& base = database(session);
    engine::LockRetries& retries = session.engine.Retries;
    for (;;) {
        try {
            db::Transaction transaction(base);
            raise(transaction.error());
            work(base);
            raise(transaction.commit());
            retries.succeeded();
            return;
        } catch (const RuntimeError& failure) {
            if (!db::DbError{failure.number, {}, {}}.isLock())
                throw;
            engine::HandlerContext context;
            context.description = failure.description;
            const engine::HandlerDecision decision =
                engine::decideInteractive(failure.number, context, retries);
            panels::Pause(session, decision.pauseMs);
            if (engine::AskDecision(session, decision) != engine::HandlerAction::Repeat)
                throw;
        }
    }
}

// The subscriber as the payment's transaction reads it.
struct Subscriber
{
    QString name;
    QString contract;
    QString status;
    QDate expiry;
};

Subscriber readSubscriber(db::Database& base, const PaymentRequest& request)
{
    db::DbError error;
    auto row = base.openRecordset(
        u"SELECT Nombre, Contrato, Situación, Vencimiento FROM Suscriptores WHERE Clave = "_s + request.key,
        db::RecordsetType::Snapshot, error);
    raise(error);
    if (row->eof())
        throw Refusal{u"No se encuentra al Suscriptor %1; pudo ser eliminado desde otra terminal.  No se "
                      u"registró el pago."_s.arg(request.chosenName),
                      0,
                      {}};
    Subscriber subscriber{row->value(u"Nombre"_s).toString(), row->value(u"Contrato"_s).toString(),
                          row->value(u"Situación"_s).toString(), row->value(u"Vencimiento"_s).toDate()};
    if (subscriber.name.isEmpty())
        subscriber.name = request.chosenName;
    return subscriber;
}

// Steps 5 and 6 and the receipt, inside the payment's transaction: the subscriber as it is now (another
// workstation may have paid for it meanwhile), the ticket, the new expiry and status, one Pagos row per paid
// concept, and the receipt's text in Recibos. Throws on any failure; the transaction is then given back.
Recorded recordPayment(Session& session, db::Database& base, const PaymentRequest& request)
{
    // An office database made before receipts were kept gets their table now.
    raise(base.ensureTables({subscribers::officeTable(u"Recibos"_s)}));
    // The ticket first: taking it holds the counter's row until this transaction ends, so a payment made at
    // the same moment on another workstation has been written by the time the subscriber is read here. Read
    // before, on a server, the subscriber could be the one from before that payment, and its months lost.
    Recorded recorded;
    raise(base.takeCounter(TicketCounterClass, recorded.ticket));
    const Subscriber subscriber = readSubscriber(base, request);
    if (sameText(subscriber.status, subscribers::status::Cancelled))
        throw Refusal{u"No puede pagar si esta dado de Baja; checarlo.   Se cancela el pago"_s, 0, {}};
    if (recorded.ticket <= 0)
        throw Refusal{u"No existe el contador de tickets (parámetro %1) en la Base de Datos.  Avise a quien "
                      u"administra el programa."_s.arg(TicketCounterClass),
                      NoTicketCounter, u"No ticket counter: no Parametros row of class CDT"_s};

    const bool cut = sameText(subscriber.status, subscribers::status::Cut);
    QString status = subscriber.status;
    // An expired subscriber who pays the rent of line 1 or 2 is connected again.
    if (sameText(status, subscribers::status::Expired) && (paysLine(request, 1) || paysLine(request, 2)))
        status = subscribers::status::Connected;
    QDate expiry = subscriber.expiry;
    bool expiryMoved = false;
    bool bonified = false;

    // The rows are added through the ticket's own rows (none yet), so that the recordset does not have to
    // learn every payment ever made.
    db::DbError error;
    auto rows = base.openRecordset(u"SELECT Pagos.Suscriptor, Pagos.Fecha, Pagos.Cantidad,Pagos.Concepto, "
                                   u"Pagos.Observaciones,Pagos.Ticket FROM Pagos WHERE Pagos.Ticket = "_s +
                                       QString::number(recorded.ticket),
                                   db::RecordsetType::Dynaset, error);
    raise(error);
    const int faultAfter = faultAfterPaymentRows();
    int written = 0;
    QStringList concepts;
    qint64 total = 0;
    for (const subscribers::PaidLine& line : request.paid) {
        QString observation;
        const bool rent = subscribers::isRentConcept(line.conceptName);
        if (rent) {
            // The cut days are bonified once, and only while the subscriber is still cut.
            if (cut && request.bonifiedDays > 0 && !bonified) {
                const QDate moved = expiry.addDays(request.bonifiedDays);
                raise(writeBonification(base, request.key.toLongLong(), request.bonifiedDays, moved));
                expiry = moved;
                expiryMoved = true;
                bonified = true;
            }
            const QDate newExpiry = subscribers::extendedExpiry(expiry, line.quantity);
            observation =
                subscribers::rentObservation(line.quantity, subscribers::rentPeriod(expiry, newExpiry));
            if (!subscribers::isNotInstalled(expiry)) {
                if (cut)
                    status = subscribers::status::ToReconnect;
                // A second rent concept of the same payment runs on from where the first one ended.
                expiry = newExpiry;
                expiryMoved = true;
            }
        }

        raise(rows->addNew());
        raise(rows->setValue(u"Suscriptor"_s, request.key.toLongLong()));
        raise(rows->setValue(u"Fecha"_s, Clock::today()));
        // A concept paid at no price is still recorded; the amount's rule admits no zero, so it has none.
        raise(rows->setValue(u"Cantidad"_s, line.amount != 0.0 ? QVariant(line.amount) : QVariant()));
        raise(rows->setValue(u"Concepto"_s, line.conceptName));
        raise(rows->setValue(u"Observaciones"_s, observation.isEmpty() ? QVariant() : QVariant(observation)));
        raise(rows->setValue(u"Ticket"_s, recorded.ticket));
        raise(rows->update());
        if (faultAfter > 0 && ++written >= faultAfter)
            std::abort();

        concepts.append(subscribers::conceptLine(line.conceptName, line.total, observation, rent));
        total = subscribers::addWholeAmount(total, line.amount);
    }
    rows->close();

    if (expiryMoved || status != subscriber.status) {
        raise(base.execute(
            u"UPDATE Suscriptores SET Vencimiento = ?, Situación = ? WHERE Clave = ?"_s,
            {expiry.isValid() ? QVariant(expiry) : QVariant(), status, request.key.toLongLong()}));
    }

    subscribers::ReceiptContent receipt;
    for (int entry = 5; entry <= 10; ++entry)
        receipt.heading.append(session.shell.company(entry));
    receipt.closing = session.shell.company(11);
    receipt.ticket = recorded.ticket;
    receipt.when = Clock::now();
    receipt.name = subscriber.name;
    receipt.contract = subscriber.contract;
    receipt.total = total;
    receipt.concepts = concepts;
    recorded.receipt = subscribers::receiptLines(receipt);
    raise(base.execute(u"INSERT INTO Recibos (Ticket, Suscriptor, Fecha, Texto) VALUES (?, ?, ?, ?)"_s,
                       {recorded.ticket, request.key.toLongLong(), receipt.when,
                        subscribers::receiptText(recorded.receipt)}));
    return recorded;
}

// A payment that is not recorded: whatever was begun is given back, the form closed, and the cashier told
// why in Spanish ("No se registró el pago: " and what to do); the failure's own text goes to the error log.
void refusePayment(Session& session, const QString& routine, const QString& message, int number,
                   const QString& raw)
{
    if (session.database.CurrentDatabase)
        session.database.CurrentDatabase->rollback();
    session.database.CurrentRecordset.reset();
    closePaymentForm(session);
    setCaption(session, QString());
    session.errors.RoutineName = routine;
    if (number != 0)
        maintenance::appendErrorLog(session, number, raw, routine);
    panels::MessageBox(session, message, QMessageBox::Ok, QMessageBox::Critical, u"Pagos"_s);
    session.errors.RoutineName = routine;
    session.codes.EngineStatus = number != 0 ? number : NothingDone;
}

void refusePayment(Session& session, const QString& routine, const RuntimeError& failure)
{
    refusePayment(session, routine, u"No se registró el pago: "_s + errormessages::forNumber(failure.number),
                  failure.number, failure.description);
}

// Runs a step of the payment; a failure refuses the payment (see refusePayment) and gives false.
bool runOrRefuse(Session& session, const QString& routine, const std::function<void()>& step)
{
    try {
        step();
        return true;
    } catch (const Refusal& refusal) {
        refusePayment(session, routine, refusal.message, refusal.number, refusal.raw);
    } catch (const RuntimeError& failure) {
        refusePayment(session, routine, failure);
    } catch (const std::exception& failure) {
        refusePayment(session, routine, RuntimeError{51, QString::fromLocal8Bit(failure.what()), {}});
    }
    return false;
}

// The ticket counter's rules: a whole number a ticket can have, never below a ticket already issued.
constexpr qint64 HighestCounter = 2147483646; // the next ticket still fits Pagos.Ticket

QString counterRangeMessage()
{
    return u"El Contador de Tickets debe ser un número entero de 1 a 2,147,483,646, y no se cambió.  Escriba "
           u"un número entero en ese rango."_s;
}

QString counterBelowMessage(qint64 highest)
{
    return u"El Contador de Tickets no puede ser menor que el último Ticket emitido, %1, y no se cambió.  "
           u"Escriba %1 o un número mayor."_s.arg(highest);
}

} // namespace

void RegisterPayment(Session& session, const QString& key, const QString& name)
{
    const QString routine = u"RegisterPayment"_s;
    ErrorTrap trap(session, routine, 3);
    session.codes.EngineStatus = 0;
    const QString clave = subscribers::subscriberKey(key);
    if (clave.isEmpty()) {
        panels::MessageBox(
            session,
            u"La Clave del Suscriptor no es válida: \"%1\".  No se registra ningún pago."_s.arg(key));
        session.codes.EngineStatus = NothingDone;
        return;
    }

    bool found = false;
    if (!trap.step([&] { found = loadSubscriber(session, clave); }))
        return;
    session.errors.RoutineName = routine;
    if (!found) {
        panels::MessageBox(session, u"No encuentro al Suscriptor "_s + name);
        session.errors.RoutineName = routine;
        session.codes.EngineStatus = NothingDone;
        return;
    }
    showPendingNotice(session, routine);

    // Nothing is held while the cashier decides: the form and its questions come first, and the payment is
    // then written in one transaction of milliseconds that reads the subscriber again.
    AskPayment(session, u"Pagos de "_s + name);
    session.errors.RoutineName = routine;
    const db::Recordset* loaded = session.database.CurrentRecordset.get();
    const QString shownStatus = loaded ? loaded->value(u"Situación"_s).toString() : QString();
    session.database.CurrentRecordset.reset();
    if (session.codes.CommandCode != Accepted) {
        closePaymentForm(session);
        session.codes.EngineStatus = NothingDone;
        return;
    }

    PaymentRequest request{clave, name, {}, 0};
    if (!runOrRefuse(session, routine, [&] { request.paid = paidLines(session); }))
        return;
    if (request.paid.empty()) {
        closePaymentForm(session);
        panels::MessageBox(session, u"No se registró ningún concepto"_s);
        session.errors.RoutineName = routine;
        session.codes.EngineStatus = NothingDone;
        return;
    }
    if (sameText(shownStatus, subscribers::status::Cut) && paysRent(request)) {
        request.bonifiedDays = AskBonification(session, clave);
        session.errors.RoutineName = routine;
        if (session.codes.EngineStatus > NothingDone) {
            refusePayment(
                session, routine,
                RuntimeError{session.codes.EngineStatus, db::jetDescription(session.codes.EngineStatus), {}});
            return;
        }
    }

    setCaption(session, u"Impresión del Ticket"_s);
    engine::ShowBusy(session, 0);
    Recorded recorded;
    if (!runOrRefuse(session, routine, [&] {
            inOneTransaction(session,
                             [&](db::Database& base) { recorded = recordPayment(session, base, request); });
        }))
        return;
    if (faultAfterPaymentCommit())
        std::abort();

    setCaption(session, u"Pago Registrado"_s);
    session.wait.letEventsRun();
    panels::Pause(session, StepPauseMs);
    closePaymentForm(session);
    session.wait.letEventsRun();
    panels::Pause(session, PrintPauseMs);
    // The copy in "recibos" and the printing come from the receipt as it was stored.
    PrintReceipt(session, recorded.receipt, static_cast<int>(recorded.ticket));
    setCaption(session, QString());
    session.errors.RoutineName = routine;
    session.codes.EngineStatus = 0;
}

int NextCounter(Session& session, const QString& parameterClass)
{
    const QString routine = u"NextCounter"_s;
    ErrorTrap trap(session, routine, 3);
    qint64 value = 0;
    if (!trap.step([&] { raise(database(session).takeCounter(parameterClass, value)); }))
        return 0;
    return static_cast<int>(value);
}

QString EditParameter(Session& session, const QString& command, const QString& parameterClass,
                      const QString& prompt)
{
    const QString routine = u"EditParameter"_s;
    ErrorTrap trap(session, routine, 3);
    const QString statement = u"SELECT Contenido FROM Parametros WHERE Clase = "_s +
                              db::jetsql::quote(parameterClass) + u" ORDER BY Secuen"_s;
    QString value;
    bool found = false;
    const bool read = trap.step([&] {
        db::DbError error;
        const auto rows = database(session).openRecordset(statement, db::RecordsetType::Snapshot, error);
        raise(error);
        found = !rows->eof();
        if (found)
            value = rows->value(0).toString();
    });
    if (!read || command.compare(u"Edi"_s, Qt::CaseInsensitive) != 0)
        return value;
    if (!found) {
        panels::MessageBox(session, u"No existe el parámetro "_s + parameterClass);
        session.errors.RoutineName = routine;
        return value;
    }

    auto& dialog = session.dialog;
    dialog.ValidationMessage = prompt;
    dialog.AnswerText = value;
    panels::ShowMessage(session, u"Cap"_s);
    session.errors.RoutineName = routine;
    if (session.codes.CommandCode == Escape)
        return value;
    const QString typed = dialog.AnswerText.trimmed();
    const bool ticketCounter = parameterClass.compare(TicketCounterClass, Qt::CaseInsensitive) == 0;
    if (ticketCounter && !typed.isEmpty()) {
        static const QRegularExpression whole(u"^[0-9]{1,10}$"_s);
        if (!whole.match(typed).hasMatch() || typed.toLongLong() < 1 || typed.toLongLong() > HighestCounter) {
            panels::MessageBox(session, counterRangeMessage(), QMessageBox::Ok, QMessageBox::Warning);
            session.errors.RoutineName = routine;
            return value;
        }
    }
    static const QRegularExpression number(u"^[0-9]+(\\.[0-9]+)?$"_s);
    if (!number.match(typed).hasMatch() || typed.toDouble() <= 0)
        return value;

    // The check against the tickets issued and the write belong to one transaction: no ticket can be
    // issued between them.
    qint64 highest = 0;
    bool stored = false;
    try {
        inOneTransaction(session, [&](db::Database& base) {
            highest = 0;
            stored = false;
            db::DbError error;
            if (ticketCounter) {
                const auto issued = base.openRecordset(u"SELECT Max(Ticket) FROM Pagos"_s,
                                                       db::RecordsetType::Snapshot, error);
                raise(error);
                highest = issued->eof() ? 0 : issued->value(0).toLongLong();
                if (typed.toLongLong() < highest)
                    return;
            }
            const auto rows = base.openRecordset(statement, db::RecordsetType::Dynaset, error);
            raise(error);
            if (rows->eof())
                throw RuntimeError{NoTicketCounter, db::jetDescription(NoTicketCounter), {}};
            raise(rows->edit());
            raise(rows->setValue(0, typed));
            raise(rows->update());
            stored = true;
        });
    } catch (const RuntimeError& failure) {
        session.errors.RoutineName = routine;
        maintenance::appendErrorLog(session, failure.number, failure.description, routine);
        panels::MessageBox(session,
                           u"No se cambió el parámetro: "_s + errormessages::forNumber(failure.number),
                           QMessageBox::Ok, QMessageBox::Critical);
        session.errors.RoutineName = routine;
        session.codes.EngineStatus = failure.number;
        return value;
    }
    session.errors.RoutineName = routine;
    if (!stored) {
        panels::MessageBox(session, counterBelowMessage(highest), QMessageBox::Ok, QMessageBox::Warning);
        session.errors.RoutineName = routine;
        return value;
    }
    return typed;
}

} // namespace quelmar::office
