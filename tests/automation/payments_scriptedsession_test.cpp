// Whole scripted sessions at the counter: subscribers in every situation pay, the rows, the expiry, the
// status, the ticket counter and the receipt are checked afterwards in the office database and the receipt
// file.
#include "officesession.h"

#include <QDate>

namespace {

class CounterSession : public quelmar::automationtest::OfficeSession
{
protected:
    CounterSession() : OfficeSession(60) {}

    // The script that chooses the subscriber of that contract at the counter.
    static QString choose(const QString& contract)
    {
        return QStringLiteral("menu 2\nmenu 1\nanswer C\nanswer %1\nrow 1\nkey Enter\n").arg(contract);
    }
    // The first subscriber found by the condition: its contract (empty when none).
    QString contractWhere(const QString& condition)
    {
        return query(QStringLiteral("SELECT TOP 1 Contrato FROM Suscriptores WHERE %1 ORDER BY Contrato")
                         .arg(condition));
    }
    QString field(const QString& name, const QString& contract)
    {
        return query(QStringLiteral("SELECT %1 FROM Suscriptores WHERE Contrato = %2").arg(name, contract));
    }
    int counter()
    {
        return query(QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'CDT'")).toInt();
    }
    static QDate stored(const QString& text) { return QDate::fromString(text.left(10), Qt::ISODate); }
    // The rent line of the payment form for the subscriber's class: 1 for "1-2 TV" and hotels, 2 for "3-4
    // TV".
    QString rentLine(const QString& contract)
    {
        return field(QStringLiteral("Clase"), contract) == QLatin1String("3-4 TV") ? QStringLiteral("2")
                                                                                   : QStringLiteral("1");
    }
    QString receiptFile() const { return office() + QStringLiteral("/recibos.txt"); }
};

TEST_F(CounterSession, anExpiredSubscriberPaysTwoMonthsOfRentAndACable)
{
    const QString contract = contractWhere(QStringLiteral("Situación = 'Vencido' AND Clase <> 'Hotel'"));
    ASSERT_FALSE(contract.isEmpty());
    const QString key = field(QStringLiteral("Clave"), contract);
    const QDate expiry = stored(field(QStringLiteral("Vencimiento"), contract));
    const int ticket = counter() + 1;
    const QString rent = rentLine(contract);
    const int status = run(choose(contract) + QStringLiteral("expect [panel] Pagos de\n"
                                                             "click PCan %1\nclick PCan %1\nclick PCan 3\n"
                                                             "press Acepta\n"
                                                             "expect [receipt]\n"
                                                             "menu 98\n")
                                                  .arg(rent));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(field(QStringLiteral("Situación"), contract), QStringLiteral("Conectado"));
    EXPECT_EQ(stored(field(QStringLiteral("Vencimiento"), contract)), expiry.addMonths(2));
    EXPECT_EQ(counter(), ticket);
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Suscriptor = %1 AND Ticket = %2")
                        .arg(key)
                        .arg(ticket)),
              QStringLiteral("2"));
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("[receipt] Ticket = %1").arg(ticket))) << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("[receipt]    Conceptos pagados:"))) << transcript();
}

TEST_F(CounterSession, aCutSubscriberPayingRentOnlyIsAskedForTheReconnection)
{
    const QString contract = contractWhere(QStringLiteral("Situación = 'Cortado'"));
    ASSERT_FALSE(contract.isEmpty());
    const int ticket = counter();
    const int status =
        run(choose(contract) + QStringLiteral("click PCan %1\n"
                                              "press Acepta\n"
                                              "expect Como esta Cortado, debe pagar Reconexión.  "
                                              "¿Acepta pago de reconexión?\n"
                                              "answer OK\n"
                                              "expect [panel] Pagos de\n"
                                              "press Cancela\n"
                                              "menu 98\n")
                                   .arg(rentLine(contract)));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(counter(), ticket);
    EXPECT_EQ(field(QStringLiteral("Situación"), contract), QStringLiteral("Cortado"));
}

TEST_F(CounterSession, aCutSubscriberPaysRentAndReconnectionWithTheCutDaysBonified)
{
    // A cut subscriber whose cut is recorded in the history.
    const QString contract = contractWhere(
        QStringLiteral("Situación = 'Cortado' AND Clave IN (SELECT Suscriptor FROM Situación WHERE Nota LIKE "
                       "'Cortado*') AND Clase <> 'Hotel'"));
    ASSERT_FALSE(contract.isEmpty());
    const QString key = field(QStringLiteral("Clave"), contract);
    const QDate expiry = stored(field(QStringLiteral("Vencimiento"), contract));
    const QString reconnection =
        rentLine(contract) == QLatin1String("1") ? QStringLiteral("5") : QStringLiteral("6");
    const int status = run(choose(contract) + QStringLiteral("click PCan %1\nclick PCan %2\n"
                                                             "press Acepta\n"
                                                             "expect ¿Bonifica Días de Corte?\n"
                                                             "answer Yes\n"
                                                             "expect [receipt]\n"
                                                             "menu 98\n")
                                                  .arg(rentLine(contract), reconnection));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(field(QStringLiteral("Situación"), contract), QStringLiteral("Por Reconectar"));
    EXPECT_GT(stored(field(QStringLiteral("Vencimiento"), contract)), expiry.addMonths(1));
    EXPECT_EQ(query(QStringLiteral(
                        "SELECT Count(*) FROM Situación WHERE Suscriptor = %1 AND Clase = 'Bonifica' AND "
                        "[Cambiado por] = 'Automatico'")
                        .arg(key)),
              QStringLiteral("1"));
}

TEST_F(CounterSession, aHotelPaysItsRentTimesItsUnits)
{
    const QString contract =
        contractWhere(QStringLiteral("Clase = 'Hotel' AND Situación IN ('Conectado', 'Vencido')"));
    ASSERT_FALSE(contract.isEmpty());
    const QString key = field(QStringLiteral("Clave"), contract);
    const int units = field(QStringLiteral("Unidades"), contract).toInt();
    const int baseRent =
        query(QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'P' AND Nombre = 'Renta "
                             "(1-2 TV)'"))
            .toInt();
    const int ticket = counter() + 1;
    const int status =
        run(choose(contract) + QStringLiteral("click PCan 1\npress Acepta\nexpect [receipt]\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Cantidad FROM Pagos WHERE Suscriptor = %1 AND Ticket = %2")
                        .arg(key)
                        .arg(ticket))
                  .toDouble(),
              double(baseRent) * units);
}

TEST_F(CounterSession, aCancelledSubscriberCannotPay)
{
    const QString contract = contractWhere(QStringLiteral("Situación = 'Baja'"));
    ASSERT_FALSE(contract.isEmpty());
    const QString key = field(QStringLiteral("Clave"), contract);
    const QString payments = query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Suscriptor = ") + key);
    const int ticket = counter();
    const int status =
        run(choose(contract) + QStringLiteral("click PCan %1\npress Acepta\n"
                                              "expect No puede pagar si esta dado de Baja; checarlo.   "
                                              "Se cancela el pago\n"
                                              "answer OK\nmenu 98\n")
                                   .arg(rentLine(contract)));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Suscriptor = ") + key), payments);
    EXPECT_EQ(counter(), ticket);
}

TEST_F(CounterSession, aPendingNoticeIsShownAndItsMarkRemoved)
{
    const QString contract =
        contractWhere(QStringLiteral("Observaciones LIKE '*Aviso=*' AND Situación <> 'Baja'"));
    ASSERT_FALSE(contract.isEmpty());
    const int status = run(choose(contract) + QStringLiteral("expect [message] AVISO:\n"
                                                             "answer OK\n"
                                                             "expect [panel] Pagos de\n"
                                                             "press Cancela\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_FALSE(field(QStringLiteral("Observaciones"), contract).contains(QStringLiteral("Aviso=")));
}

TEST_F(CounterSession, anExpiryIn1990IsNotExtendedAndTheRentSaysToBeInstalled)
{
    const QString contract = contractWhere(
        QStringLiteral("Vencimiento < #1/1/1991# AND Situación <> 'Baja' AND Clase <> 'Hotel'"));
    ASSERT_FALSE(contract.isEmpty());
    const QString key = field(QStringLiteral("Clave"), contract);
    const QString expiry = field(QStringLiteral("Vencimiento"), contract);
    const int ticket = counter() + 1;
    const int status = run(choose(contract) + QStringLiteral("click PCan %1\nclick PCan %1\npress Acepta\n"
                                                             "expect [receipt]\nmenu 98\n")
                                                  .arg(rentLine(contract)));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(field(QStringLiteral("Vencimiento"), contract), expiry);
    EXPECT_EQ(query(QStringLiteral("SELECT Observaciones FROM Pagos WHERE Suscriptor = %1 AND Ticket = %2")
                        .arg(key)
                        .arg(ticket)),
              QStringLiteral("2 Mes  por instalar"));
}

} // namespace
