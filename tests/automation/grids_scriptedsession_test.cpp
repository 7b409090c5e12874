// Whole scripted sessions through the grids: the subscriber and expense lists with their counts, the daily
// payments with their total, cheque numbers and expense types assigned in place, and the contract chooser.
#include "officesession.h"

#include <QDate>

namespace {

class GridSession : public quelmar::automationtest::OfficeSession
{
protected:
    GridSession() : OfficeSession(60) {}

    // A total as the grid headings show it: thousands separated by ",", at most two decimals.
    static QString shownTotal(double total)
    {
        QString text = QLocale(QLocale::English).toString(total, 'f', 2);
        while (text.endsWith(u'0'))
            text.chop(1);
        if (text.endsWith(u'.'))
            text.chop(1);
        return text;
    }

    // The transcript's grid heading of the caption that begins with `title`, or an empty text.
    static QString gridCaption(const QStringList& shown, const QString& title)
    {
        for (const QString& line : shown) {
            if (line.startsWith(QStringLiteral("[grid] ") + title))
                return line;
        }
        return {};
    }
};

TEST_F(GridSession, theSubscriberListsShowTheirCounts)
{
    struct Case
    {
        int option;
        QString title;
        QString status;
    };
    const QList<Case> cases{
        {4, QStringLiteral("Suscriptores Conectados "), QStringLiteral("Conectado")},
        {5, QStringLiteral("Suscriptores Vencidos "), QStringLiteral("Vencido")},
        {6, QStringLiteral("Suscriptores Cortados "), QStringLiteral("Cortado")},
        {7, QStringLiteral("Suscriptores con Baja definitiva "), QStringLiteral("Baja")},
        {8, QStringLiteral("Pendientes de Instalar "), QStringLiteral("Por Instalar")},
        {9, QStringLiteral("Pendientes de Reconectar "), QStringLiteral("Por Reconectar")}};
    QString script;
    for (const Case& c : cases)
        script += QStringLiteral("menu 1\nmenu 4\nmenu %1\npress Termina\n").arg(c.option);
    script += QStringLiteral("menu 98\n");
    QStringList shown;
    ASSERT_EQ(run(script, &shown), 0) << transcript();
    for (const Case& c : cases) {
        const QString count =
            query(QStringLiteral("SELECT Count(*) FROM Suscriptores WHERE Situación = '%1'").arg(c.status));
        ASSERT_FALSE(count.isEmpty());
        const QString caption = gridCaption(shown, c.title);
        if (count == QLatin1String("0")) {
            EXPECT_TRUE(m_transcript.contains(QStringLiteral("No hay Registros de ") + c.title))
                << transcript();
            continue;
        }
        EXPECT_TRUE(caption.endsWith(QStringLiteral("  {") + count + u'}'))
            << caption.toStdString() << transcript();
    }
}

TEST_F(GridSession, theExpenseListsOfAPeriodShowTheirCounts)
{
    const QString count = query(
        QStringLiteral("SELECT Count(*) FROM Gastos WHERE Fecha >= #1/1/2020# AND Fecha <= #12/31/2030#"));
    QString script;
    for (int option : {3, 5, 7})
        script +=
            QStringLiteral("menu 7\nmenu %1\nanswer 01-Ene-2020 31-Dic-2030\npress Termina\n").arg(option);
    script += QStringLiteral("menu 98\n");
    QStringList shown;
    ASSERT_EQ(run(script, &shown), 0) << transcript();
    EXPECT_TRUE(gridCaption(shown, QStringLiteral("Gastos del 01-Ene-2020 al 31-Dic-2030"))
                    .endsWith(u'{' + count + u'}'))
        << transcript();
    EXPECT_TRUE(gridCaption(shown, QStringLiteral("Gastos por Cheques")).endsWith(u'{' + count + u'}'))
        << transcript();
    // The totals of the expenses per day: the sum of the total column under its heading.
    EXPECT_FALSE(gridCaption(shown, QStringLiteral("Total de Gastos")).isEmpty()) << transcript();
    const double sum = query(QStringLiteral("SELECT Sum(Monto) FROM Gastos")).toDouble();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("[grid] columnas | Fecha | Total / ") + shownTotal(sum)))
        << shownTotal(sum).toStdString() << transcript();
}

TEST_F(GridSession, theDailyPaymentsShowTheSumOfTheAmountsUnderTheirHeading)
{
    const QString day = query(
        QStringLiteral("SELECT TOP 1 Fecha FROM Pagos GROUP BY Fecha ORDER BY Count(*) DESC, Fecha DESC"));
    ASSERT_FALSE(day.isEmpty());
    const QString literal = QStringLiteral("#%1/%2/%3#").arg(day.mid(5, 2), day.mid(8, 2), day.left(4));
    const double sum =
        query(QStringLiteral("SELECT Sum(Cantidad) FROM Pagos WHERE Fecha = ") + literal).toDouble();
    const QString count = query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Fecha = ") + literal);
    QStringList shown;
    ASSERT_EQ(run(QStringLiteral("menu 2\nmenu 3\nmenu 1\nanswer %1\npress Termina\nmenu 98\n")
                      .arg(shownDate(QDate::fromString(day.left(10), Qt::ISODate))),
                  &shown),
              0)
        << transcript();
    EXPECT_TRUE(gridCaption(shown, QStringLiteral("Diario de Pagos ")).endsWith(u'{' + count + u'}'))
        << transcript();
    EXPECT_TRUE(
        m_transcript.contains(QStringLiteral("| Concepto | Cantidad / %1 | Ticket").arg(shownTotal(sum))))
        << shownTotal(sum).toStdString() << transcript();
}

TEST_F(GridSession, chequeNumbersAreAssignedInPlaceAndARefusedAmountIsNotWritten)
{
    const QString period = QStringLiteral("answer 01-Ene-2020 31-Dic-2030\n");
    const int status = run(QStringLiteral("menu 7\nmenu 4\n") + period +
                           QStringLiteral("expect [grid] Reposición de Caja: Asigna Num Cheque\n"
                                          "cell 1 Cheque 5001\n"
                                          "cell 2 Monto -5\n"
                                          "row 3\n"
                                          "expect No se pudieron registrar los Datos\n"
                                          "answer Cancel\n"
                                          "cell 2 Cheque 5002\n"
                                          "press Termina\n"
                                          "menu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Cheque IN ('5001', '5002')")),
              QStringLiteral("2"));
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Monto < 0")), QStringLiteral("0"));
}

TEST_F(GridSession, anExpenseTypeIsChosenFromTheClassifierList)
{
    const QString period = QStringLiteral("answer 01-Ene-2020 31-Dic-2030\n");
    const QString first = query(QStringLiteral("SELECT Descripción FROM Gastos WHERE Fecha >= #1/1/2020# AND "
                                               "Fecha <= #12/31/2030# ORDER BY Tipo"));
    const int status = run(QStringLiteral("menu 7\nmenu 6\n") + period +
                           QStringLiteral("row 1 Tipo\n"
                                          "click TabBoton 0\n"
                                          "expect Combustible\n"
                                          "choose \"Limpieza\"\n"
                                          "row 2\n"
                                          "press Termina\n"
                                          "menu 98\n"));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_FALSE(m_transcript.contains(QStringLiteral("| Tipo de gasto"))) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Tipo FROM Gastos WHERE Descripción = '%1'").arg(first)),
              QStringLiteral("Limpieza"));
}

TEST_F(GridSession, theContractChooserTakesTheRowChosenWithEnterAndNothingWithEsc)
{
    const QString first = query(QStringLiteral("SELECT Min(Contrato) FROM Suscriptores"));
    const QString second =
        query(QStringLiteral("SELECT Min(Contrato) FROM Suscriptores WHERE Contrato > ") + first);
    const QString name = query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Contrato = ") + second);
    const int status = run(QStringLiteral("menu 3\nmenu 4\nanswer C\nanswer %1\n"
                                          "expect [grid] Elija el Contrato (Doble click)\n"
                                          "key Esc\n"
                                          "expect [menu] QUELMAR\n"
                                          "menu 3\nmenu 4\nanswer C\nanswer %1\n"
                                          "row 2\nkey Enter\n"
                                          "expect | Nombre = %2 |\n"
                                          "press Termina\n"
                                          "menu 98\n")
                               .arg(first, name));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("[panel] Cambios de Situación | Registro 1 de")))
        << transcript();
}

} // namespace
