// A payment is all or nothing: the real program, cut short by a crash after the first of two payment rows,
// leaves no row, the ticket counter and the subscriber as they were; run again, it records the whole payment.
// And a payment is never without its receipt: cut short right after the payment is committed, before the
// receipt is copied or printed, the receipt is printed again from the payment (payments option 7).
#include "officesession.h"

#include <QtGlobal>

namespace {

class PaymentCrash : public quelmar::automationtest::OfficeSession
{
protected:
    PaymentCrash() : OfficeSession(60) {}

    void TearDown() override
    {
        qunsetenv("QUELMAR_FAULT_AFTER_PAYMENT_ROWS");
        qunsetenv("QUELMAR_FAULT_AFTER_PAYMENT_COMMIT");
    }

    // The subscriber: by contract, the first row of the contract list; two concepts (rent 1-2 TV and the
    // additional cable), accepted.
    static QString payingScript(const QString& contract)
    {
        return QStringLiteral("menu 2\nmenu 1\nanswer C\nanswer %1\nrow 1\nkey Enter\n"
                              "click PCan 1\nclick PCan 3\npress Acepta\n")
            .arg(contract);
    }
};

TEST_F(PaymentCrash, aPaymentCutShortLeavesNothingAndARunToTheEndRecordsItWhole)
{
    // An expired subscriber of one or two sets without a notice waiting: paying rent also connects it.
    const QString contract = query(QStringLiteral(
        "SELECT Min(Contrato) FROM Suscriptores WHERE Situación = 'Vencido' AND Clase = '1-2 TV' AND "
        "Vencimiento > #1/1/2000# AND (Observaciones Is Null OR Observaciones Not Like '*Aviso=*')"));
    ASSERT_FALSE(contract.isEmpty());
    const QString key = query(QStringLiteral("SELECT Clave FROM Suscriptores WHERE Contrato = ") + contract);
    const QString statusSql = QStringLiteral("SELECT Situación FROM Suscriptores WHERE Clave = ") + key;
    const QString expirySql = QStringLiteral("SELECT Vencimiento FROM Suscriptores WHERE Clave = ") + key;
    const QString counterSql = QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'CDT'");
    const QString statusBefore = query(statusSql);
    const QString expiryBefore = query(expirySql);
    const qint64 counterBefore = query(counterSql).toLongLong();
    const QString ticket = QString::number(counterBefore + 1);
    const QString ticketRows = QStringLiteral("SELECT Count(*) FROM Pagos WHERE Ticket = ") + ticket;
    ASSERT_EQ(query(ticketRows), QStringLiteral("0"));

    qputenv("QUELMAR_FAULT_AFTER_PAYMENT_ROWS", "1");
    const int crashed = run(payingScript(contract) + QStringLiteral("menu 98\n"));
    qunsetenv("QUELMAR_FAULT_AFTER_PAYMENT_ROWS");
    EXPECT_EQ(crashed, -1) << "the program was to abort inside the payment\n" << transcript();

    EXPECT_EQ(query(ticketRows), QStringLiteral("0"));
    EXPECT_EQ(query(counterSql).toLongLong(), counterBefore);
    EXPECT_EQ(query(statusSql), statusBefore);
    EXPECT_EQ(query(expirySql), expiryBefore);

    const int status =
        run(payingScript(contract) + QStringLiteral("expect [receipt] Ticket = %1\nmenu 98\n").arg(ticket));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(ticketRows), QStringLiteral("2"));
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Ticket = %1 AND Suscriptor = %2")
                        .arg(ticket, key)),
              QStringLiteral("2"));
    EXPECT_EQ(query(counterSql).toLongLong(), counterBefore + 1);
    EXPECT_EQ(query(statusSql), QStringLiteral("Conectado"));
    EXPECT_NE(query(expirySql), expiryBefore);
}

TEST_F(PaymentCrash, aReceiptCutShortRightAfterThePaymentIsPrintedAgainFromThePayment)
{
    const QString contract = query(QStringLiteral(
        "SELECT Min(Contrato) FROM Suscriptores WHERE Situación = 'Conectado' AND Clase = '1-2 TV' AND "
        "(Observaciones Is Null OR Observaciones Not Like '*Aviso=*')"));
    ASSERT_FALSE(contract.isEmpty());
    const QString key = query(QStringLiteral("SELECT Clave FROM Suscriptores WHERE Contrato = ") + contract);
    const qint64 ticket =
        query(QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'CDT'")).toLongLong() + 1;
    const QString copy = office() + QStringLiteral("/recibos/recibo-%1.txt").arg(ticket);

    qputenv("QUELMAR_FAULT_AFTER_PAYMENT_COMMIT", "1");
    const int crashed = run(payingScript(contract) + QStringLiteral("menu 98\n"));
    qunsetenv("QUELMAR_FAULT_AFTER_PAYMENT_COMMIT");
    EXPECT_EQ(crashed, -1) << "the program was to abort right after the payment\n" << transcript();

    // The payment is recorded with its receipt; nothing was printed or copied.
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Ticket = %1 AND Suscriptor = %2")
                        .arg(ticket)
                        .arg(key)),
              QStringLiteral("2"));
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Recibos WHERE Ticket = %1 AND Suscriptor = %2")
                        .arg(ticket)
                        .arg(key)),
              QStringLiteral("1"));
    EXPECT_FALSE(m_transcript.contains(QStringLiteral("[receipt]"))) << transcript();
    EXPECT_FALSE(QFile::exists(copy));

    // Payments option 7 prints it again, and keeps its copy again.
    const int status = run(QStringLiteral("menu 2\nmenu 7\nanswer C\nanswer %1\nrow 1\nkey Enter\n"
                                          "expect [receipt] Ticket = %2\nmenu 98\n")
                               .arg(contract)
                               .arg(ticket));
    EXPECT_EQ(status, 0) << transcript();
    for (const char* line :
         {"[receipt]    Conceptos pagados:", "[receipt]       Renta (1-2 TV) = 180 (1 Mes ",
          "[receipt]      Cable adicional = 60"})
        EXPECT_TRUE(m_transcript.contains(QString::fromUtf8(line))) << line << "\n" << transcript();
    EXPECT_TRUE(QFile::exists(copy));
}

} // namespace
