// Whole scripted sessions through the record panels: presenting subscribers, capturing and editing expenses.
#include "officesession.h"

#include <QRegularExpression>

namespace {

class PanelSession : public quelmar::automationtest::OfficeSession
{
protected:
    PanelSession() : OfficeSession(30) {}
};

TEST_F(PanelSession, revisaSuscriptorShowsTheFirstSubscriberAndMoves)
{
    const int status = run(QStringLiteral("menu 1\nmenu 3\n"
                                          "expect [panel] REVISA SUSCRIPTOR | Registro 1 de 30 | Nombre = \n"
                                          "record next\n"
                                          "expect [panel] REVISA SUSCRIPTOR | Registro 2 de 30 |\n"
                                          "press Termina\n"
                                          "expect [menu]\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    // Dates are shown as day, Spanish month and four-digit year.
    const QRegularExpression date(QStringLiteral("Instalación = \\d\\d-[A-Z][a-z][a-z]-\\d{4}"));
    EXPECT_TRUE(m_transcript.contains(date)) << transcript();
}

TEST_F(PanelSession, aCapturedExpenseIsCorrectedAndSaved)
{
    const int status =
        run(QStringLiteral("menu 7\nmenu 1\n"
                           "expect [panel] Registra Gastos | Registro nuevo\n"
                           "set Descripción Papelería de oficina\n"
                           "set Monto -5\n"
                           "press Termina\n"
                           "expect Revise Dato: El dato: Monto debería ser mayor que 0\n"
                           "answer OK\n"
                           "expect ¿ Desea corregir los datos erróneos ó cancelar la operación ?\n"
                           "answer Retry\n"
                           "set Monto 0\n"
                           "press Termina\n"
                           "expect Se presenta el error: 3317\n"
                           "answer Yes\n"
                           "set Monto 1,250.50\n"
                           "set Comprobante F-901\n"
                           "press Termina\n"
                           "expect [menu]\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Monto FROM Gastos WHERE Comprobante = 'F-901'")),
              QStringLiteral("1250.5"));
    EXPECT_EQ(query(QStringLiteral("SELECT Descripción FROM Gastos WHERE Comprobante = 'F-901'")),
              QStringLiteral("Papelería de oficina"));
}

TEST_F(PanelSession, aDuplicateVoucherShowsTheTranslatedErrorAndIsCorrected)
{
    // The office keeps vouchers unique (the demo repeats some, so its expenses go first).
    query(QStringLiteral("DELETE FROM Gastos"));
    query(QStringLiteral("CREATE UNIQUE INDEX ComprobanteUnico ON Gastos (Comprobante)"));
    query(QStringLiteral("INSERT INTO Gastos (Descripción, Monto, Comprobante) VALUES ('Luz', 10, 'F-1')"));
    const int status = run(QStringLiteral("menu 7\nmenu 1\n"
                                          "set Descripción Agua\n"
                                          "set Monto 20\n"
                                          "set Comprobante F-1\n"
                                          "press Termina\n"
                                          "expect La Clave de identificación ya existe\n"
                                          "answer Yes\n"
                                          "set Comprobante F-2\n"
                                          "press Termina\n"
                                          "expect [menu]\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_TRUE(
        m_transcript.contains(QStringLiteral("[question] Aviso de Error: Se presenta el error: 3022   ")))
        << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos")), QStringLiteral("2"));
    EXPECT_EQ(query(QStringLiteral("SELECT Descripción FROM Gastos WHERE Comprobante = 'F-2'")),
              QStringLiteral("Agua"));
}

TEST_F(PanelSession, aCancelledCaptureWritesNothing)
{
    const QString before = query(QStringLiteral("SELECT Count(*) FROM Gastos"));
    const int status = run(QStringLiteral("menu 7\nmenu 1\n"
                                          "set Descripción No se guarda\n"
                                          "set Monto 40\n"
                                          "press Cancela\n"
                                          "expect [menu]\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos")), before);
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Descripción = 'No se guarda'")),
              QStringLiteral("0"));
}

TEST_F(PanelSession, anExpenseIsEditedAndDeletionsAreConfirmed)
{
    const QString before = query(QStringLiteral("SELECT Count(*) FROM Gastos"));
    ASSERT_GT(before.toInt(), 2);
    const int status = run(QStringLiteral("menu 7\nmenu 2\n"
                                          "expect [panel] Modifica Gastos | Registro 1 de \n"
                                          "press Elimina\n"
                                          "expect BORRA REGISTRO:   ¿Esta seguro de borrar este Registro?\n"
                                          "answer Cancel\n"
                                          "press Elimina\n"
                                          "answer OK\n"
                                          "set Cheque CH-2026\n"
                                          "press Termina\n"
                                          "expect [menu]\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos")), QString::number(before.toInt() - 1));
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Cheque = 'CH-2026'")),
              QStringLiteral("1"));
}

// A number too large for its field is refused by the field's check with the field's range; the panel stays
// for the correction and the record is written corrected, never lost.
const QString contractRange = QStringLiteral("Revise Dato: El dato: Contrato debe ser un número entre "
                                             "-2,147,483,648 y 2,147,483,647.  Corrija el número "
                                             "ó cancele la operación");

TEST_F(PanelSession, aContractTooLargeForItsFieldIsCorrectedWhenRegistering)
{
    const int before = query(QStringLiteral("SELECT Count(*) FROM Suscriptores")).toInt();
    const int contract = query(QStringLiteral("SELECT Max(Contrato) FROM Suscriptores")).toInt() + 1;
    const int status =
        run(QStringLiteral("menu 1\nmenu 1\n"
                           "set Nombre Rosa Elvira Campos\n"
                           "set Contrato 2147483648\n"
                           "pick Clase 1\n"
                           "set Unidades 2\n"
                           "press Termina\n"
                           "expect %1\n"
                           "answer OK\n"
                           "expect ¿ Desea corregir los datos erróneos ó cancelar la operación ?\n"
                           "answer Retry\n"
                           "expect [panel] REGISTRA SUSCRIPTOR NUEVO | Registro nuevo | Nombre = Rosa "
                           "Elvira Campos | Contrato = 2147483648\n"
                           "set Contrato %2\n"
                           "press Termina\n"
                           "expect [menu] QUELMAR\nmenu 98\n")
                .arg(contractRange)
                .arg(contract));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Suscriptores")).toInt(), before + 1);
    EXPECT_EQ(query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Contrato = %1").arg(contract)),
              QStringLiteral("Rosa Elvira Campos"));
}

TEST_F(PanelSession, aContractTooLargeForItsFieldIsRefusedInTheStatusUpdate)
{
    const QString contract = query(QStringLiteral("SELECT Min(Contrato) FROM Suscriptores"));
    const QString key = query(QStringLiteral("SELECT Clave FROM Suscriptores WHERE Contrato = ") + contract);
    const int status = run(QStringLiteral("menu 3\nmenu 1\nanswer C\nanswer %1\n"
                                          "row 1\nkey Enter\n"
                                          "expect [panel] ACTUALIZA DATOS SUSCRIPTOR\n"
                                          "set Contrato 99999999999\n"
                                          "press Termina\n"
                                          "expect %2\n"
                                          "answer OK\n"
                                          "answer Retry\n"
                                          "expect [panel] ACTUALIZA DATOS SUSCRIPTOR\n"
                                          "set Contrato 88888\n"
                                          "press Termina\n"
                                          "expect Nota\n"
                                          "answer contrato corregido\n"
                                          "expect [menu] QUELMAR\nmenu 98\n")
                               .arg(contract, contractRange));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Contrato FROM Suscriptores WHERE Clave = ") + key),
              QStringLiteral("88888"));
}

TEST_F(PanelSession, aTicketTooLargeForItsFieldLeavesThePaymentAsItWas)
{
    const QString key = query(QStringLiteral("SELECT Min(Suscriptor) FROM Pagos"));
    const QString contract = query(QStringLiteral("SELECT Contrato FROM Suscriptores WHERE Clave = ") + key);
    const QString payments = query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Suscriptor = ") + key);
    const QString total = query(QStringLiteral("SELECT Sum(Cantidad) FROM Pagos WHERE Suscriptor = ") + key);
    const QString tickets = query(QStringLiteral("SELECT Sum(Ticket) FROM Pagos WHERE Suscriptor = ") + key);
    // The first time the user corrects the ticket; the second time the user gives up: both keep the payment.
    const int status = run(QStringLiteral("menu 2\nmenu 5\nanswer C\nanswer %1\n"
                                          "row 1\nkey Enter\n"
                                          "expect [panel] Modifica Pagos de\n"
                                          "set Ticket 2147483648\n"
                                          "press Termina\n"
                                          "expect Revise Dato: El dato: Ticket debe ser un número entre "
                                          "-2,147,483,648 y 2,147,483,647.\n"
                                          "answer OK\n"
                                          "answer Cancel\n"
                                          "expect [menu] QUELMAR\n"
                                          "menu 2\nmenu 5\nanswer C\nanswer %1\n"
                                          "row 1\nkey Enter\n"
                                          "set Ticket 2147483648\n"
                                          "press Termina\n"
                                          "answer OK\n"
                                          "answer Retry\n"
                                          "set Ticket 2147483647\n"
                                          "press Termina\n"
                                          "expect [menu] QUELMAR\nmenu 98\n")
                               .arg(contract));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Suscriptor = ") + key), payments);
    EXPECT_EQ(query(QStringLiteral("SELECT Sum(Cantidad) FROM Pagos WHERE Suscriptor = ") + key), total);
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Ticket = 2147483647")),
              QStringLiteral("1"));
    EXPECT_NE(query(QStringLiteral("SELECT Sum(Ticket) FROM Pagos WHERE Suscriptor = ") + key), tickets);
}

// An expense captured at the counter (its date is not among the fields captured) is dated today and shows in
// the list of the widest period.
TEST_F(PanelSession, aCapturedExpenseShowsInThePeriodList)
{
    query(QStringLiteral("DELETE FROM Gastos"));
    const QString dayBefore = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const int status = run(QStringLiteral("menu 7\nmenu 1\n"
                                          "set Descripción Papelería de mostrador\n"
                                          "set Monto 125\n"
                                          "set Comprobante F-3301\n"
                                          "press Termina\n"
                                          "expect [menu] QUELMAR\n"
                                          "menu 7\nmenu 3\n"
                                          "answer 01-Ene-1990 31-Dic-2099\n"
                                          "expect Papelería de mostrador\n"
                                          "press Termina\n"
                                          "expect [menu] QUELMAR\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    const QString dated = query(QStringLiteral("SELECT Fecha FROM Gastos WHERE Comprobante = 'F-3301'"));
    EXPECT_TRUE(dated == dayBefore || dated == QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")))
        << dated.toStdString();
}

// An office whose catalogue was made before the date had its default still records expenses.
TEST_F(PanelSession, anOfficeWithoutTheExpenseDateDefaultStillRecordsExpenses)
{
    query(QStringLiteral("UPDATE MSysFields SET DefaultValue = '' WHERE TableName = 'Gastos' AND FieldName = "
                         "'Fecha'"));
    const int status = run(QStringLiteral("menu 7\nmenu 1\n"
                                          "set Descripción Agua purificada\n"
                                          "set Monto 40\n"
                                          "set Comprobante F-3302\n"
                                          "press Termina\n"
                                          "expect [menu] QUELMAR\nmenu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Descripción FROM Gastos WHERE Comprobante = 'F-3302'")),
              QStringLiteral("Agua purificada"));
}

} // namespace
