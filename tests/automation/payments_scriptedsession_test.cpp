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

// Payments option 7 prints the subscriber's last receipt again: the one kept with its payment, and, for a
// payment recorded before receipts were kept (an imported office), the one made again from its rows.
TEST_F(CounterSession, theLastReceiptIsPrintedAgainAlsoWhenItWasNotKept)
{
    const QString key = query(QStringLiteral(
        "SELECT TOP 1 Pagos.Suscriptor FROM Pagos, Suscriptores WHERE Suscriptores.Clave = Pagos.Suscriptor "
        "AND "
        "Pagos.Concepto Like 'Renta*' AND (Suscriptores.Observaciones Is Null OR Suscriptores.Observaciones "
        "Not Like '*Aviso=*') ORDER BY Pagos.Ticket DESC"));
    ASSERT_FALSE(key.isEmpty());
    const QString contract = query(QStringLiteral("SELECT Contrato FROM Suscriptores WHERE Clave = ") + key);
    const QString ticket = query(QStringLiteral("SELECT Max(Ticket) FROM Pagos WHERE Suscriptor = ") + key);
    const QDate paidOn = stored(query(QStringLiteral("SELECT Fecha FROM Pagos WHERE Ticket = ") + ticket));
    const QString copy = office() + QStringLiteral("/recibos/recibo-%1.txt").arg(ticket);

    // The ticket's concepts as the receipt prints them.
    QProcess admin;
    admin.start(QStringLiteral(QUELMAR_ADMIN),
                {QStringLiteral("query"), office() + QStringLiteral("/Quelmar.mdb"),
                 QStringLiteral("SELECT Concepto, Cantidad FROM Pagos WHERE Ticket = ") + ticket});
    ASSERT_TRUE(admin.waitForFinished(quelmar::automationtest::ProcessTimeout));
    QStringList concepts = QString::fromUtf8(admin.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_GE(concepts.size(), 2);
    concepts.removeFirst();
    for (QString& line : concepts) {
        const QString name = line.section(u'\t', 0, 0);
        const QString amount = QString::number(line.section(u'\t', 1).toDouble(), 'g', 15);
        line = QStringLiteral("[receipt] ") + QString(name.contains(QStringLiteral("Renta")) ? 6 : 5, u' ') +
               name + QStringLiteral(" = ") + amount;
    }

    const struct
    {
        const char* what;
        bool kept;
    } cases[] = {{"kept with its payment", true}, {"recorded before receipts were kept", false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.kept) {
            query(QStringLiteral("DELETE FROM Recibos WHERE Ticket = ") + ticket);
            ASSERT_TRUE(QFile::remove(copy));
        }
        const int status = run(QStringLiteral("menu 2\nmenu 7\nanswer C\nanswer %1\nrow 1\nkey Enter\n"
                                              "expect [receipt] Ticket = %2   %3\nmenu 98\n")
                                   .arg(contract, ticket, shownDate(paidOn)));
        EXPECT_EQ(status, 0) << transcript();
        EXPECT_FALSE(m_transcript.contains(QStringLiteral("No se encontró"))) << transcript();
        EXPECT_TRUE(m_transcript.contains(QStringLiteral("[receipt]    Contrato ") + contract))
            << transcript();
        for (const QString& line : std::as_const(concepts))
            EXPECT_TRUE(m_transcript.contains(line)) << line.toStdString() << "\n" << transcript();
        QFile kept(copy);
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_TRUE(QString::fromUtf8(kept.readAll()).contains(QStringLiteral("Ticket = ") + ticket));
    }
}

// A tariff's Cuota is what the payment form charges: the tariffs' grid takes only an amount, and a new tariff
// left without one is corrected or undone, so the payment form never shows a price that is not one.
TEST_F(CounterSession, theTariffGridTakesOnlyAnAmountAsPrice)
{
    const QString tariffs =
        QStringLiteral("SELECT Nombre, Contenido FROM Parametros WHERE Clase = 'P' ORDER BY Secuen");
    QProcess admin;
    const auto all = [&] {
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("query"), office() + QStringLiteral("/Quelmar.mdb"), tariffs});
        EXPECT_TRUE(admin.waitForFinished(quelmar::automationtest::ProcessTimeout));
        return QString::fromUtf8(admin.readAllStandardOutput());
    };
    const QString before = all();
    const int count = query(QStringLiteral("SELECT Count(*) FROM Parametros WHERE Clase = 'P'")).toInt();
    ASSERT_GT(count, 0);

    QString script = QStringLiteral("menu 5\nmenu 5\nexpect [grid] Tarifas de Servicios\n");
    for (const char* typed : {"abc", "-5", "12 pesos", "99999999999999999999"})
        script += QStringLiteral("cell 1 Cuota %1\nexpect debe ser un importe\nanswer OK\n")
                      .arg(QLatin1String(typed));
    // A new tariff whose Cuota is never typed is not written when it is cancelled.
    script +=
        QStringLiteral("cell %1 Nombre Decodificador\nrow 1\nexpect ¿Corrige los Datos?\nanswer Cancel\n"
                       "press Termina\nmenu 98\n")
            .arg(count + 1);
    ASSERT_EQ(run(script), 0) << transcript();
    EXPECT_EQ(all(), before);
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Parametros WHERE Nombre = 'Decodificador'")),
              QStringLiteral("0"));
}

} // namespace
