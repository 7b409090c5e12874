// Recording a payment on a demonstration office, with the real payment form worked by a stand-in user: the
// rows, the ticket, the new expiry and status, the pending notice, the receipt, and a payment that fails half
// way leaving nothing behind. Also the counters and the one-parameter editor.
#include "engine/officefixture.h"

#include "core/clock.h"
#include "core/datetext.h"
#include "db/database.h"
#include "db/recordset.h"
#include "office/paymentform.h"
#include "office/payments.h"
#include "session/session.h"

#include <QCoreApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace quelmar::office {
namespace {

// Lines of the demonstration tariff on the payment form ("Recargo por mora" is kept off it).
constexpr int RentOneTwo = 1;
constexpr int ExtraCable = 3;
constexpr int ReconnectOneTwo = 5;

constexpr int Subscriber = 5;
constexpr int WithNotice = 1; // the demonstration office always leaves a notice waiting for subscriber 1

class PaymentTest : public engine::testing::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        ASSERT_TRUE(m_folder.isValid());
        session.shell.WorkingFolder = QDir(m_folder.path());
        session.shell.CompanyData = {u"Cablevisión del Valle"_s,
                                     u"Sucursal Centro"_s,
                                     QString(),
                                     u"Quelmar"_s,
                                     u"CABLEVISIÓN DEL VALLE"_s,
                                     u"Av. Juárez 215"_s,
                                     u"Tel. 555-21-40"_s,
                                     u"R.F.C. CVA-910315-K21"_s,
                                     u"Lunes a viernes"_s,
                                     u"Sábados"_s,
                                     u"Gracias por su pago."_s,
                                     u"file:"_s + m_folder.filePath(u"recibos.txt"_s)};
        LoadTariffs(session, u"P"_s);
        ASSERT_NE(session.Pagos, nullptr);
        ASSERT_EQ(session.Pagos->conceptName(RentOneTwo), u"Renta (1-2 TV)"_s);
        ASSERT_EQ(session.Pagos->conceptName(ReconnectOneTwo), u"Reconexión (1-2 TV)"_s);
        session.transcript.mark();
    }

    void TearDown() override
    {
        Clock::setToday(QDate());
        session.Pagos = nullptr; // a window of the main form, which goes with it
        EngineTest::TearDown();
    }

    void execute(const QString& sql, const QVariantList& values = {})
    {
        const db::DbError error = session.database.CurrentDatabase->execute(sql, values);
        ASSERT_FALSE(error) << error.description.toStdString();
    }

    QString text(const QString& sql)
    {
        const QVariant value = scalar(sql);
        return value.typeId() == QMetaType::QDate ? value.toDate().toString(Qt::ISODate) : value.toString();
    }

    // The subscriber as the payment rules see it, with its notes emptied and no payment yet.
    void prepare(int key, const QString& status, const QDate& expiry,
                 const QString& serviceClass = u"1-2 TV"_s)
    {
        execute(u"UPDATE Suscriptores SET Situación = ?, Vencimiento = ?, Clase = ?, Unidades = 1, "
                u"Observaciones = Null WHERE Clave = ?"_s,
                {status, expiry, serviceClass, key});
        execute(u"DELETE FROM Pagos WHERE Suscriptor = ?"_s, {key});
        execute(u"DELETE FROM Situación WHERE Suscriptor = ?"_s, {key});
    }

    qint64 counter()
    {
        return scalar(u"SELECT Contenido FROM Parametros WHERE Clase = 'CDT'"_s).toLongLong();
    }

    QStringList payments(int key)
    {
        QStringList found;
        db::DbError error;
        auto rows = session.database.CurrentDatabase->openRecordset(
            u"SELECT Concepto, Cantidad, Observaciones, Ticket, Fecha FROM Pagos WHERE Suscriptor = "_s +
                QString::number(key) + u" ORDER BY Concepto"_s,
            db::RecordsetType::Snapshot, error);
        EXPECT_FALSE(error) << error.description.toStdString();
        for (; rows && !rows->eof(); rows->moveNext()) {
            found.append(u"%1|%2|%3|%4|%5"_s.arg(rows->value(0).toString(), rows->value(1).toString(),
                                                 rows->value(2).toString(), rows->value(3).toString(),
                                                 rows->value(4).toDate().toString(Qt::ISODate)));
        }
        return found;
    }

    // A click on the quantity of a line of the payment form.
    void click(int line, Qt::MouseButton button = Qt::LeftButton)
    {
        QLabel* label = session.Pagos->quantityLabel(line);
        ASSERT_NE(label, nullptr);
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), label->mapToGlobal(QPointF(2, 2)), button,
                          button, Qt::NoModifier);
        QCoreApplication::sendEvent(label, &press);
    }

    // At the payment form's wait: the clicks (a line number once per click), then "&Acepta".
    void pay(const QList<int>& clicks)
    {
        user.then([this, clicks](const WaitContext& context) {
            for (int line : clicks)
                click(line);
            ASSERT_TRUE(context.respond(u"answer"_s, u"Acepta"_s));
        });
    }

    void writeNotices(const QString& content)
    {
        QFile file(m_folder.filePath(u"Avisos.txt"_s));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content.toUtf8());
    }

    // Another workstation: a connection of its own to the office's database file.
    std::unique_ptr<db::Database> otherWorkstation()
    {
        db::DbError error;
        auto other = db::Database::open(session.database.CurrentDatabase->path(), {}, error);
        EXPECT_TRUE(other) << error.description.toStdString();
        return other;
    }

    // A write of another workstation; its error (none when it went through).
    static db::DbError writeElsewhere(db::Database& other)
    {
        return other.execute(u"UPDATE Gastos SET Comprobante = 'Otra caja' WHERE Comprobante Is Null"_s);
    }

    QString errorLog()
    {
        QFile file(m_folder.filePath(u"Que_Err.log"_s));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QString receiptFile()
    {
        QFile file(m_folder.filePath(u"recibos.txt"_s));
        return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()) : QString();
    }

    QTemporaryDir m_folder;
};

TEST_F(PaymentTest, anExpiredSubscriberPayingTwoMonthsIsConnectedUnderOneTicket)
{
    prepare(Subscriber, u"Vencido"_s, QDate(2026, 1, 15));
    const qint64 before = counter();
    const QString ticket = QString::number(before + 1);
    pay({RentOneTwo, RentOneTwo, ExtraCable});

    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);

    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(counter(), before + 1);
    const QString today = Clock::today().toString(Qt::ISODate);
    EXPECT_EQ(
        payments(Subscriber),
        (QStringList{u"Cable adicional|60||%1|%2"_s.arg(ticket, today),
                     u"Renta (1-2 TV)|360|2 Mes  15-Ene-2026 a 15-Mar-2026|%1|%2"_s.arg(ticket, today)}));
    EXPECT_EQ(text(u"SELECT Situación FROM Suscriptores WHERE Clave = 5"_s), u"Conectado"_s);
    EXPECT_EQ(text(u"SELECT Vencimiento FROM Suscriptores WHERE Clave = 5"_s), u"2026-03-15"_s);

    // The receipt was printed after the payment was recorded.
    const QStringList printed = transcript(u"receipt"_s);
    const QString ticketLine =
        u"[receipt] Ticket = %1   %2   "_s.arg(ticket, datetext::dayMonthYear(Clock::today()));
    EXPECT_FALSE(printed.filter(ticketLine).isEmpty()) << printed.join(u'\n').toStdString();
    EXPECT_FALSE(printed.filter(u"Total: $420.00"_s).isEmpty()) << printed.join(u'\n').toStdString();
    EXPECT_FALSE(printed.filter(u"Renta (1-2 TV) = 360 (2 Mes  15-Ene-2026 a 15-Mar-2026)"_s).isEmpty());
    EXPECT_TRUE(receiptFile().contains(u"Cable adicional = 60"_s));
    EXPECT_TRUE(session.Pagos->isHidden());
}

TEST_F(PaymentTest, aCutSubscriberPayingRentAndReconnectionIsBonifiedAndWaitsForReconnection)
{
    prepare(Subscriber, u"Cortado"_s, QDate(2026, 1, 15));
    const QDate cutDay = Clock::today().addDays(-10);
    execute(u"INSERT INTO Situación (Suscriptor, [Situación Anterior], Fecha, Nota, Clase, Unidades) "
            u"VALUES (?, 'Vencido', ?, 'Cortado-falta de pago', '1-2 TV', 1)"_s,
            {Subscriber, cutDay});
    const qint64 before = counter();
    pay({RentOneTwo, ReconnectOneTwo});
    user.answer(u"Yes"_s); // "¿Bonifica Días de Corte?"

    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);

    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_TRUE(user.refused.isEmpty());
    EXPECT_EQ(counter(), before + 1);
    // 15 January + 10 bonified days + 1 month paid.
    EXPECT_EQ(text(u"SELECT Situación FROM Suscriptores WHERE Clave = 5"_s), u"Por Reconectar"_s);
    EXPECT_EQ(text(u"SELECT Vencimiento FROM Suscriptores WHERE Clave = 5"_s), u"2026-02-25"_s);
    const QString ticket = QString::number(before + 1);
    const QString today = Clock::today().toString(Qt::ISODate);
    EXPECT_EQ(
        payments(Subscriber),
        (QStringList{u"Reconexión (1-2 TV)|120||%1|%2"_s.arg(ticket, today),
                     u"Renta (1-2 TV)|180|1 Mes  25-Ene-2026 a 25-Feb-2026|%1|%2"_s.arg(ticket, today)}));
    EXPECT_EQ(text(u"SELECT Nota FROM Situación WHERE Suscriptor = 5 AND Clase = 'Bonifica'"_s),
              u"10 Dias Bonificados"_s);
    EXPECT_EQ(text(u"SELECT Vencimiento FROM Situación WHERE Suscriptor = 5 AND Clase = 'Bonifica'"_s),
              u"2026-01-25"_s);
}

TEST_F(PaymentTest, aSubscriberNotYetInstalledPaysRentWithoutMovingTheExpiry)
{
    prepare(Subscriber, u"Por Instalar"_s, QDate(1990, 1, 1));
    pay({RentOneTwo, RentOneTwo});

    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);

    EXPECT_EQ(session.codes.EngineStatus, 0);
    const QStringList paid = payments(Subscriber);
    ASSERT_EQ(paid.size(), 1);
    EXPECT_TRUE(paid.first().startsWith(u"Renta (1-2 TV)|360|2 Mes  por instalar|"_s))
        << paid.first().toStdString();
    EXPECT_EQ(text(u"SELECT Vencimiento FROM Suscriptores WHERE Clave = 5"_s), u"1990-01-01"_s);
    EXPECT_EQ(text(u"SELECT Situación FROM Suscriptores WHERE Clave = 5"_s), u"Por Instalar"_s);
}

TEST_F(PaymentTest, aPendingNoticeIsShownAndItsMarkTakenOutEvenWhenThePaymentIsCancelled)
{
    writeNotices(u"1- Primer aviso.\r\n2- A partir del próximo mes las cuotas tendrán un ajuste.\r\n"
                 u"12- Otro aviso.\r\n"_s);
    prepare(WithNotice, u"Conectado"_s, QDate(2026, 5, 10));
    execute(u"UPDATE Suscriptores SET Observaciones = 'Pide factura  Aviso=2' WHERE Clave = 1"_s);
    const qint64 before = counter();
    user.answer(u"OK"_s); // the notice
    user.then([](const WaitContext& context) { context.respond(u"answer"_s, u"Cancela"_s); });

    RegisterPayment(session, QString::number(WithNotice), u"Con aviso"_s);

    EXPECT_EQ(session.codes.EngineStatus, 1);
    EXPECT_TRUE(user.waits.first().startsWith(u"AVISO"_s)) << user.waits.first().toStdString();
    EXPECT_FALSE(transcript(u"message"_s)
                     .filter(u"AVISO: 2- A partir del próximo mes las cuotas tendrán un ajuste."_s)
                     .isEmpty());
    EXPECT_EQ(text(u"SELECT Observaciones FROM Suscriptores WHERE Clave = 1"_s), u"Pide factura  "_s);
    EXPECT_EQ(counter(), before);
    EXPECT_TRUE(payments(WithNotice).isEmpty());
}

TEST_F(PaymentTest, aMissingNoticeFileIsSaidAndTheMarkKept)
{
    prepare(WithNotice, u"Conectado"_s, QDate(2026, 5, 10));
    execute(u"UPDATE Suscriptores SET Observaciones = 'Aviso=3' WHERE Clave = 1"_s);
    user.answer(u"OK"_s);
    user.then([](const WaitContext& context) { context.respond(u"answer"_s, u"Cancela"_s); });

    RegisterPayment(session, QString::number(WithNotice), u"Con aviso"_s);

    EXPECT_FALSE(transcript(u"message"_s).filter(u"el aviso 3 del suscriptor queda pendiente"_s).isEmpty());
    EXPECT_EQ(text(u"SELECT Observaciones FROM Suscriptores WHERE Clave = 1"_s), u"Aviso=3"_s);
}

TEST_F(PaymentTest, anAcceptedPaymentWithNothingPaidWritesNothing)
{
    prepare(Subscriber, u"Conectado"_s, QDate(2026, 5, 10));
    const qint64 before = counter();
    pay({});
    user.answer(u"OK"_s);

    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);

    EXPECT_EQ(session.codes.EngineStatus, 1);
    EXPECT_FALSE(transcript(u"message"_s).filter(u"No se registró ningún concepto"_s).isEmpty());
    EXPECT_EQ(counter(), before);
    EXPECT_TRUE(payments(Subscriber).isEmpty());
    EXPECT_TRUE(transcript(u"receipt"_s).isEmpty());
}

TEST_F(PaymentTest, aPaymentThatFailsHalfWayLeavesNothingWritten)
{
    // The second concept cannot be stored (its name is longer than Pagos.Concepto): by then the form has
    // connected the subscriber, the ticket is taken, the expiry moved and the rent row written.
    const QString tooLong = u"Cable adicional con decodificador digital y control remoto"_s;
    ASSERT_GT(tooLong.size(), 50);
    execute(u"UPDATE Parametros SET Nombre = ? WHERE Clase = 'P' AND Nombre = 'Cable adicional'"_s,
            {tooLong});
    LoadTariffs(session, u"P"_s);
    prepare(Subscriber, u"Vencido"_s, QDate(2026, 1, 15));
    const qint64 before = counter();
    pay({RentOneTwo, ExtraCable});
    user.answer(u"OK"_s); // the failure

    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);

    EXPECT_NE(session.codes.EngineStatus, 0);
    EXPECT_FALSE(transcript(u"message"_s).filter(u"No se registró el pago: "_s).isEmpty())
        << transcript(u"message"_s).join(u'\n').toStdString();
    EXPECT_EQ(counter(), before);
    EXPECT_TRUE(payments(Subscriber).isEmpty());
    EXPECT_EQ(text(u"SELECT Situación FROM Suscriptores WHERE Clave = 5"_s), u"Vencido"_s);
    EXPECT_EQ(text(u"SELECT Vencimiento FROM Suscriptores WHERE Clave = 5"_s), u"2026-01-15"_s);
    EXPECT_FALSE(session.database.CurrentDatabase->inTransaction());
    EXPECT_TRUE(transcript(u"receipt"_s).isEmpty());
}

TEST_F(PaymentTest, aReceiptPrinterThatFailsDoesNotLoseThePayment)
{
    session.shell.CompanyData[11] = u"file:"_s + m_folder.filePath(u"no-such-folder/recibos.txt"_s);
    prepare(Subscriber, u"Conectado"_s, QDate(2026, 5, 10));
    const qint64 before = counter();
    pay({ExtraCable});
    user.answer(u"OK"_s); // "Error en Impresora de Recibos.  …"

    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);

    EXPECT_FALSE(transcript(u"message"_s).filter(u"Error en Impresora de Recibos."_s).isEmpty());
    EXPECT_EQ(counter(), before + 1);
    EXPECT_EQ(payments(Subscriber).size(), 1);
}

TEST_F(PaymentTest, aKeyThatIsNotANumberOrNoSubscriberRecordsNothing)
{
    const qint64 before = counter();
    user.answer(u"OK"_s);
    RegisterPayment(session, u"5 OR 1=1"_s, u"Nadie"_s);
    EXPECT_EQ(session.codes.EngineStatus, 1);

    user.answer(u"OK"_s);
    RegisterPayment(session, u"99999"_s, u"Nadie"_s);
    EXPECT_EQ(session.codes.EngineStatus, 1);
    EXPECT_FALSE(transcript(u"message"_s).filter(u"No encuentro al Suscriptor Nadie"_s).isEmpty());
    EXPECT_EQ(counter(), before);
    EXPECT_EQ(user.waits.size(), 2); // the two messages; no payment form
}

struct ExpiredCase
{
    const char* name;
    QList<int> clicks;
    QString statusAfter;
};

TEST_F(PaymentTest, anExpiredSubscriberIsConnectedOnlyByPayingTheRentOfLineOneOrTwo)
{
    const ExpiredCase cases[] = {
        {"RentOneTwo", {RentOneTwo}, u"Conectado"_s},
        {"RentThreeFour", {2}, u"Conectado"_s},
        {"OtherConcept", {ExtraCable}, u"Vencido"_s},
    };
    for (const ExpiredCase& c : cases) {
        SCOPED_TRACE(c.name);
        prepare(Subscriber, u"Vencido"_s, QDate(2026, 1, 15), u"Otra"_s);
        pay(c.clicks);
        RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);
        EXPECT_EQ(session.codes.EngineStatus, 0);
        EXPECT_EQ(text(u"SELECT Situación FROM Suscriptores WHERE Clave = 5"_s), c.statusAfter);
    }
}

TEST_F(PaymentTest, nothingIsHeldWhileTheCashierDecides)
{
    prepare(Subscriber, u"Cortado"_s, QDate(2026, 1, 15));
    execute(u"INSERT INTO Situación (Suscriptor, [Situación Anterior], Fecha, Nota, Clase, Unidades) "
            u"VALUES (?, 'Vencido', ?, 'Cortado-falta de pago', '1-2 TV', 1)"_s,
            {Subscriber, Clock::today().addDays(-10)});
    const std::unique_ptr<db::Database> other = otherWorkstation();
    ASSERT_TRUE(other);
    // At the form and at the bonification question another workstation writes at once.
    const auto othersWrite = [this, &other] {
        EXPECT_FALSE(session.database.CurrentDatabase->inTransaction());
        const db::DbError error = writeElsewhere(*other);
        EXPECT_FALSE(error) << error.description.toStdString();
    };
    user.then([this, othersWrite](const WaitContext& context) {
        othersWrite();
        click(RentOneTwo);
        click(ReconnectOneTwo);
        ASSERT_TRUE(context.respond(u"answer"_s, u"Acepta"_s));
    });
    user.then([othersWrite](const WaitContext& context) {
        othersWrite();
        ASSERT_TRUE(context.respond(u"answer"_s, u"Yes"_s)); // "¿Bonifica Días de Corte?"
    });

    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);

    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(user.waits.size(), 2) << user.waits.join(u" | "_s).toStdString();
    EXPECT_EQ(text(u"SELECT Vencimiento FROM Suscriptores WHERE Clave = 5"_s), u"2026-02-25"_s);
    EXPECT_EQ(text(u"SELECT Situación FROM Suscriptores WHERE Clave = 5"_s), u"Por Reconectar"_s);
}

TEST_F(PaymentTest, aPaymentMadeElsewhereWhileTheFormIsOpenIsAddedTo)
{
    prepare(Subscriber, u"Cortado"_s, QDate(2026, 1, 15));
    const std::unique_ptr<db::Database> other = otherWorkstation();
    ASSERT_TRUE(other);
    const qint64 before = counter();
    // While this cashier's form is open, another workstation takes a ticket, pays one month and reconnects.
    user.then([this, &other](const WaitContext& context) {
        qint64 ticket = 0;
        EXPECT_FALSE(other->takeCounter(u"CDT"_s, ticket));
        const db::DbError error = other->execute(u"UPDATE Suscriptores SET Vencimiento = #2/15/2026#, "
                                                 u"Situación = 'Por Reconectar' WHERE Clave = 5"_s);
        EXPECT_FALSE(error) << error.description.toStdString();
        click(RentOneTwo);
        click(ReconnectOneTwo);
        ASSERT_TRUE(context.respond(u"answer"_s, u"Acepta"_s));
    });
    // The bonification is offered for the cut this form saw, and the cashier agrees; but the subscriber is no
    // longer cut when the payment is written, so nothing is bonified twice.
    user.answer(u"Yes"_s);
    execute(u"INSERT INTO Situación (Suscriptor, [Situación Anterior], Fecha, Nota, Clase, Unidades) "
            u"VALUES (?, 'Vencido', ?, 'Cortado-falta de pago', '1-2 TV', 1)"_s,
            {Subscriber, Clock::today().addDays(-10)});

    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);

    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(counter(), before + 2);
    EXPECT_EQ(text(u"SELECT Vencimiento FROM Suscriptores WHERE Clave = 5"_s), u"2026-03-15"_s);
    EXPECT_EQ(text(u"SELECT Situación FROM Suscriptores WHERE Clave = 5"_s), u"Por Reconectar"_s);
    EXPECT_EQ(scalar(u"SELECT Count(*) FROM Situación WHERE Suscriptor = 5 AND Clase = 'Bonifica'"_s).toInt(),
              0);
    EXPECT_FALSE(transcript(u"receipt"_s).filter(u"(1 Mes  15-Feb-2026 a 15-Mar-2026)"_s).isEmpty())
        << transcript(u"receipt"_s).join(u'\n').toStdString();
}

TEST_F(PaymentTest, aLockReleasedInTimeOnlyDelaysThePayment)
{
    prepare(Subscriber, u"Conectado"_s, QDate(2026, 5, 10));
    const std::unique_ptr<db::Database> other = otherWorkstation();
    ASSERT_TRUE(other);
    const qint64 before = counter();
    // Another workstation is writing when the cashier accepts, and is done a second later.
    QTimer release;
    release.setSingleShot(true);
    QObject::connect(&release, &QTimer::timeout, &release, [&other] { EXPECT_FALSE(other->commit()); });
    user.then([this, &other, &release](const WaitContext& context) {
        click(ExtraCable);
        ASSERT_FALSE(other->beginTransaction());
        release.start(1000);
        ASSERT_TRUE(context.respond(u"answer"_s, u"Acepta"_s));
    });

    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);

    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(user.waits.size(), 1) << user.waits.join(u" | "_s).toStdString(); // no message, no question
    EXPECT_EQ(counter(), before + 1);
    EXPECT_EQ(payments(Subscriber).size(), 1);
    EXPECT_FALSE(transcript(u"receipt"_s).isEmpty());
}

TEST_F(PaymentTest, aLockHeldTooLongIsAskedAboutAndRefusedInSpanish)
{
    prepare(Subscriber, u"Conectado"_s, QDate(2026, 5, 10));
    const std::unique_ptr<db::Database> other = otherWorkstation();
    ASSERT_TRUE(other);
    const qint64 before = counter();
    user.then([this, &other](const WaitContext& context) {
        click(ExtraCable);
        ASSERT_FALSE(other->beginTransaction());
        ASSERT_TRUE(context.respond(u"answer"_s, u"Acepta"_s));
    });
    QString question;
    user.then([&question](const WaitContext& context) {
        question = context.description;
        ASSERT_TRUE(context.respond(u"answer"_s, u"No"_s));
    });
    QString refusal;
    user.then([&refusal](const WaitContext& context) {
        refusal = context.description;
        ASSERT_TRUE(context.respond(u"answer"_s, u"OK"_s));
    });

    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);
    other->rollback();

    EXPECT_TRUE(
        question.endsWith(u"Esta bloqueado el Registro por otro Usuario.  ¿Desea intentar ota vez?"_s))
        << question.toStdString();
    EXPECT_EQ(refusal, u"Pagos: No se registró el pago: Otro Usuario de la Red está usando estos datos en "
                       u"este momento.  Espere unos segundos e intente otra vez."_s);
    EXPECT_TRUE(errorLog().contains(u"Couldn't update; currently locked"_s)) << errorLog().toStdString();
    EXPECT_EQ(session.codes.EngineStatus, 3260);
    EXPECT_EQ(counter(), before);
    EXPECT_TRUE(payments(Subscriber).isEmpty());
    EXPECT_TRUE(transcript(u"receipt"_s).isEmpty());
}

TEST_F(PaymentTest, theReceiptIsKeptWithItsPaymentAlsoInAnOfficeMadeBeforeReceiptsWereKept)
{
    // An office database made before receipts were kept: no table for them, no catalogue rows.
    execute(u"DROP TABLE Recibos"_s);
    execute(u"DELETE FROM MSysFields WHERE TableName = 'Recibos'"_s);
    prepare(Subscriber, u"Conectado"_s, QDate(2026, 5, 10));
    const QString ticket = QString::number(counter() + 1);
    pay({RentOneTwo, ExtraCable});

    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);

    EXPECT_EQ(session.codes.EngineStatus, 0);
    const QString stored = text(u"SELECT Texto FROM Recibos WHERE Suscriptor = 5 AND Ticket = "_s + ticket);
    QStringList printed = transcript(u"receipt"_s);
    for (QString& line : printed)
        line.remove(0, u"[receipt] "_s.size());
    // The printer skips the empty heading lines; the stored receipt keeps every line.
    QStringList kept = stored.split(u'\n');
    kept.removeAll(QString());
    EXPECT_EQ(kept, printed);
    EXPECT_TRUE(stored.contains(u"Ticket = "_s + ticket));
    EXPECT_EQ(scalar(u"SELECT Count(*) FROM MSysFields WHERE TableName = 'Recibos'"_s).toInt(), 4);
}

TEST_F(PaymentTest, nextCounterAdvancesItsClassAndGivesZeroForAClassWithoutRow)
{
    const qint64 before = counter();
    EXPECT_EQ(NextCounter(session, u"CDT"_s), before + 1);
    EXPECT_EQ(NextCounter(session, u"CDT"_s), before + 2);
    EXPECT_EQ(counter(), before + 2);
    EXPECT_EQ(NextCounter(session, u"XYZ"_s), 0);
    EXPECT_EQ(scalar(u"SELECT Count(*) FROM Parametros WHERE Clase = 'XYZ'"_s).toInt(), 0);
}

TEST_F(PaymentTest, editParameterStoresOnlyANumberAboveZero)
{
    struct Case
    {
        QString typed;
        QString stored;
    };
    const Case cases[] = {
        {u"12"_s, u"12"_s}, {u" 7 "_s, u"7"_s}, {u"0"_s, u"7"_s},
        {u"-3"_s, u"7"_s},  {u"abc"_s, u"7"_s}, {QString(), u"7"_s},
    };
    for (const Case& c : cases) {
        user.answer(c.typed);
        const QString result =
            EditParameter(session, u"Edi"_s, u"DV"_s, u"Modifica los dias de vencimiento"_s);
        EXPECT_EQ(result, c.stored) << c.typed.toStdString();
        EXPECT_EQ(text(u"SELECT Contenido FROM Parametros WHERE Clase = 'DV'"_s), c.stored)
            << c.typed.toStdString();
    }
    EXPECT_FALSE(transcript(u"input"_s).filter(u"Modifica los dias de vencimiento = 12"_s).isEmpty());
    // Without "Edi" the value is only read.
    EXPECT_EQ(EditParameter(session, QString(), u"DV"_s, QString()), u"7"_s);
}

TEST_F(PaymentTest, theTicketCounterTakesOnlyAWholeNumberFromTheLastTicketIssuedOn)
{
    const qint64 issued = scalar(u"SELECT Max(Ticket) FROM Pagos"_s).toLongLong();
    ASSERT_GT(issued, 1);
    const QString last = QString::number(issued);
    const QString range = u"El Contador de Tickets debe ser un número entero de 1 a 2,147,483,646, y no se "
                          u"cambió.  Escriba un número entero en ese rango."_s;
    const QString below = u"El Contador de Tickets no puede ser menor que el último Ticket emitido, %1, y no "
                          u"se cambió.  Escriba %1 o un número mayor."_s.arg(last);
    struct Case
    {
        QString typed;
        QString stored;  // the counter afterwards
        QString message; // empty: none
    };
    const Case cases[] = {
        {QString::number(issued + 100), QString::number(issued + 100), QString()},
        {last, last, QString()},
        {QString::number(issued - 1), last, below},
        {u"1"_s, last, below},
        {u"99999999999999999999"_s, last, range},
        {u"2147483647"_s, last, range},
        {u"1.5"_s, last, range},
        {u"0"_s, last, range},
        {u"-3"_s, last, range},
        {u"abc"_s, last, range},
        {QString(), last, QString()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        QString shown;
        user.answer(c.typed);
        if (!c.message.isEmpty())
            user.then([&shown](const WaitContext& context) {
                shown = context.description;
                context.respond(u"answer"_s, u"OK"_s);
            });
        EditParameter(session, u"Edi"_s, u"CDT"_s, u"Modifica el Contador de Tickets"_s);
        EXPECT_TRUE(user.actions.isEmpty());
        EXPECT_EQ(text(u"SELECT Contenido FROM Parametros WHERE Clase = 'CDT'"_s), c.stored);
        EXPECT_TRUE(shown.endsWith(c.message)) << shown.toStdString();
    }
    // The next payment takes the ticket after the last one issued.
    prepare(Subscriber, u"Conectado"_s, QDate(2026, 5, 10));
    pay({ExtraCable});
    RegisterPayment(session, QString::number(Subscriber), u"Suscriptor de prueba"_s);
    EXPECT_EQ(scalar(u"SELECT Max(Ticket) FROM Pagos"_s).toLongLong(), issued + 1);
}

TEST_F(PaymentTest, editParameterOfAMissingClassCreatesNothing)
{
    user.answer(u"OK"_s);
    EXPECT_EQ(EditParameter(session, u"Edi"_s, u"XYZ"_s, u"Algo"_s), QString());
    EXPECT_FALSE(transcript(u"message"_s).filter(u"No existe el parámetro XYZ"_s).isEmpty());
    EXPECT_EQ(scalar(u"SELECT Count(*) FROM Parametros WHERE Clase = 'XYZ'"_s).toInt(), 0);
}

} // namespace
} // namespace quelmar::office
