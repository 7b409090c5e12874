// A payment is all or nothing: the real program, cut short by a crash after the first of two payment rows,
// leaves no row, the ticket counter and the subscriber as they were; run again, it records the whole payment.
#include "officesession.h"

#include <QtGlobal>

namespace {

class PaymentCrash : public quelmar::automationtest::OfficeSession
{
protected:
    PaymentCrash() : OfficeSession(60) {}

    void TearDown() override { qunsetenv("QUELMAR_FAULT_AFTER_PAYMENT_ROWS"); }

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

} // namespace
