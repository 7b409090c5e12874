#include "office/payments.h"

#include "core/clock.h"
#include "db/database.h"
#include "db/jetsql.h"
#include "db/recordset.h"
#include "engine/bdats.h"
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
#include "subscribers/receipt.h"
#include "subscribers/statusrules.h"

#include <QFile>
#include <QRegularExpression>
#include <QVariant>

#include <cstdlib>
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
constexpr int TransactionLost = 3034;
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

// The lines paid on the form; throws when a record is not one.
std::vector<subscribers::PaidLine> paidLines(const Session& session)
{
    std::vector<subscribers::PaidLine> paid;
    for (const QString& record : session.payments.PaidLines) {
        if (record.isEmpty())
            continue;
        const std::optional<subscribers::PaidLine> line = subscribers::parsePaidLine(record);
        if (!line)
            throw RuntimeError{13, u"el concepto pagado \"%1\" no es válido"_s.arg(record), {}};
        paid.push_back(*line);
    }
    return paid;
}

// A failure of the payment: everything written since the payment began is given back, the form closed, the
// failure logged and said in words.
void refusePayment(Session& session, const QString& routine, const RuntimeError& failure)
{
    if (session.database.CurrentDatabase)
        session.database.CurrentDatabase->rollback();
    session.database.CurrentRecordset.reset();
    closePaymentForm(session);
    setCaption(session, QString());
    session.errors.RoutineName = routine;
    maintenance::appendErrorLog(session, failure.number, failure.description, routine);
    panels::MessageBox(session, u"No se registró el pago: "_s + failure.description, QMessageBox::Ok,
                       QMessageBox::Critical, u"Pagos"_s);
    session.errors.RoutineName = routine;
    session.codes.EngineStatus = failure.number != 0 ? failure.number : NothingDone;
}

// What the recording of a payment gives the receipt.
struct Recorded
{
    qint64 ticket = 0;
    qint64 total = 0;
    QStringList concepts;
};

void ensureTransaction(const db::Database& base)
{
    // A failed write inside the database layer gives back the whole transaction; nothing after it may be
    // written on its own.
    if (!base.inTransaction())
        throw RuntimeError{TransactionLost, u"la base de datos canceló la operación"_s, {}};
}

// Steps 5 and 6, inside the payment's transaction: the ticket, the subscriber's new expiry and status, one
// Pagos row per paid concept. Throws on any failure; the caller gives everything back.
Recorded recordPayment(Session& session, const QString& routine, const QString& key,
                       const std::vector<subscribers::PaidLine>& paid)
{
    db::Database& base = database(session);
    db::Recordset& subscriber = *session.database.CurrentRecordset;
    ensureTransaction(base);

    Recorded recorded;
    raise(base.takeCounter(TicketCounterClass, recorded.ticket));
    ensureTransaction(base);
    if (recorded.ticket <= 0)
        throw RuntimeError{NoTicketCounter,
                           u"no existe el contador de tickets (parámetro %1)"_s.arg(TicketCounterClass),
                           {}};

    db::DbError error;
    auto rows = base.openRecordset(u"SELECT Pagos.Suscriptor, Pagos.Fecha, Pagos.Cantidad,Pagos.Concepto, "
                                   u"Pagos.Observaciones,Pagos.Ticket FROM Pagos"_s,
                                   db::RecordsetType::Dynaset, error);
    raise(error);

    QDate expiry = subscriber.value(u"Vencimiento"_s).toDate();
    const int faultAfter = faultAfterPaymentRows();
    int written = 0;
    for (const subscribers::PaidLine& line : paid) {
        QString observation;
        const bool rent = subscribers::isRentConcept(line.conceptName);
        if (rent) {
            const bool cut = subscriber.value(u"Situación"_s).toString() == subscribers::status::Cut;
            if (cut) {
                BonifyCut(session, key, expiry);
                session.errors.RoutineName = routine;
                if (session.codes.EngineStatus > NothingDone)
                    throw RuntimeError{
                        session.codes.EngineStatus, db::jetDescription(session.codes.EngineStatus), {}};
                ensureTransaction(base);
            }
            const QDate newExpiry = subscribers::extendedExpiry(expiry, line.quantity);
            observation =
                subscribers::rentObservation(line.quantity, subscribers::rentPeriod(expiry, newExpiry));
            if (!subscribers::isNotInstalled(expiry)) {
                raise(subscriber.edit());
                raise(subscriber.setValue(u"Vencimiento"_s, newExpiry));
                if (cut)
                    raise(subscriber.setValue(u"Situación"_s, QString(subscribers::status::ToReconnect)));
                raise(subscriber.update());
                ensureTransaction(base);
                // A second rent concept of the same payment runs on from where the first one ended.
                expiry = newExpiry;
            }
        }

        raise(rows->addNew());
        raise(rows->setValue(u"Suscriptor"_s, key.toLongLong()));
        raise(rows->setValue(u"Fecha"_s, Clock::today()));
        // A concept paid at no price is still recorded; the amount's rule admits no zero, so it has none.
        raise(rows->setValue(u"Cantidad"_s, line.amount != 0.0 ? QVariant(line.amount) : QVariant()));
        raise(rows->setValue(u"Concepto"_s, line.conceptName));
        raise(rows->setValue(u"Observaciones"_s, observation.isEmpty() ? QVariant() : QVariant(observation)));
        raise(rows->setValue(u"Ticket"_s, recorded.ticket));
        raise(rows->update());
        ensureTransaction(base);
        if (faultAfter > 0 && ++written >= faultAfter)
            std::abort();
        session.wait.letEventsRun();

        recorded.concepts.append(subscribers::conceptLine(line.conceptName, line.total, observation, rent));
        recorded.total = subscribers::addWholeAmount(recorded.total, line.amount);
    }
    rows->close();
    return recorded;
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

    // From here to the commit, everything the payment writes belongs to one transaction: the status the form
    // sets, the ticket, the bonification, the new expiry and the rows. It begins before the form so that the
    // form's own change of status is part of it.
    db::Database& base = *session.database.CurrentDatabase;
    db::Transaction transaction(base);
    if (!transaction.error().ok()) {
        refusePayment(session, routine,
                      RuntimeError{transaction.error().number, transaction.error().description, {}});
        return;
    }

    AskPayment(session, u"Pagos de "_s + name);
    session.errors.RoutineName = routine;
    if (session.codes.CommandCode != Accepted) {
        base.rollback();
        closePaymentForm(session);
        session.database.CurrentRecordset.reset();
        session.codes.EngineStatus = NothingDone;
        return;
    }

    Recorded recorded;
    QString subscriberName = name;
    QString contract;
    try {
        ensureTransaction(base);
        const std::vector<subscribers::PaidLine> paid = paidLines(session);
        if (paid.empty()) {
            base.rollback();
            closePaymentForm(session);
            session.database.CurrentRecordset.reset();
            panels::MessageBox(session, u"No se registró ningún concepto"_s);
            session.errors.RoutineName = routine;
            session.codes.EngineStatus = NothingDone;
            return;
        }
        setCaption(session, u"Impresión del Ticket"_s);
        engine::ShowBusy(session, 0);
        const db::Recordset& subscriber = *session.database.CurrentRecordset;
        contract = subscriber.value(u"Contrato"_s).toString();
        const QString stored = subscriber.value(u"Nombre"_s).toString();
        if (!stored.isEmpty())
            subscriberName = stored;
        recorded = recordPayment(session, routine, clave, paid);
        raise(transaction.commit());
    } catch (const RuntimeError& failure) {
        refusePayment(session, routine, failure);
        return;
    } catch (const std::exception& failure) {
        refusePayment(session, routine, RuntimeError{51, QString::fromLocal8Bit(failure.what()), {}});
        return;
    }

    session.database.CurrentRecordset.reset();
    setCaption(session, u"Pago Registrado"_s);
    session.wait.letEventsRun();
    panels::Pause(session, StepPauseMs);

    subscribers::ReceiptContent receipt;
    for (int entry = 5; entry <= 10; ++entry)
        receipt.heading.append(session.shell.company(entry));
    receipt.closing = session.shell.company(11);
    receipt.ticket = recorded.ticket;
    receipt.when = Clock::now();
    receipt.name = subscriberName;
    receipt.contract = contract;
    receipt.total = recorded.total;
    receipt.concepts = recorded.concepts;
    const QStringList lines = subscribers::receiptLines(receipt);

    closePaymentForm(session);
    session.wait.letEventsRun();
    panels::Pause(session, PrintPauseMs);
    PrintReceipt(session, lines, static_cast<int>(recorded.ticket));
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
    std::unique_ptr<db::Recordset> rows;
    QString value;
    bool found = false;
    const bool read = trap.step([&] {
        db::DbError error;
        rows = database(session).openRecordset(u"SELECT Contenido FROM Parametros WHERE Clase = "_s +
                                                   db::jetsql::quote(parameterClass) + u" ORDER BY Secuen"_s,
                                               db::RecordsetType::Dynaset, error);
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
    static const QRegularExpression number(u"^[0-9]+(\\.[0-9]+)?$"_s);
    if (!number.match(typed).hasMatch() || typed.toDouble() <= 0)
        return value;
    const bool stored = trap.step([&] {
        raise(rows->edit());
        raise(rows->setValue(0, typed));
        raise(rows->update());
    });
    if (!stored) {
        rows->cancelUpdate();
        return value;
    }
    return typed;
}

} // namespace quelmar::office
