// Whole scripted sessions of the subscriber administration: reports with their date bounds, the statistics,
// the daily income, the history screens, the subscriber chooser and the status update.
#include "officesession.h"

#include <QDate>
#include <QRegularExpression>

namespace {

class OfficeRun : public quelmar::automationtest::OfficeSession
{
protected:
    OfficeRun() : OfficeSession(60) {}

    // A date as a literal of the program's SQL.
    static QString literal(const QDate& date)
    {
        return QStringLiteral("#%1/%2/%3#").arg(date.month()).arg(date.day()).arg(date.year());
    }
    static QDate stored(const QString& text) { return QDate::fromString(text.left(10), Qt::ISODate); }

    // The count a grid's caption shows ("title  {n}"), -1 when no grid caption begins with the title.
    static int gridCount(const QStringList& shown, const QString& title)
    {
        for (const QString& line : shown) {
            if (!line.startsWith(QStringLiteral("[grid] ") + title))
                continue;
            const qsizetype open = line.lastIndexOf(u'{');
            return line.mid(open + 1, line.lastIndexOf(u'}') - open - 1).toInt();
        }
        return -1;
    }
};

TEST_F(OfficeRun, aPeriodReportTakesBothBoundsAndExpectedPaymentsNeither)
{
    // Two days with payments: the report over exactly those days counts the payments of both.
    const QDate first = stored(query(QStringLiteral("SELECT Min(Fecha) FROM Pagos")));
    const QDate last = stored(
        query(QStringLiteral("SELECT Min(Fecha) FROM Pagos WHERE Fecha > ") + literal(first.addDays(20))));
    ASSERT_TRUE(first.isValid() && last.isValid());
    const int inclusive = query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Fecha >= %1 AND Fecha <= %2")
                                    .arg(literal(first), literal(last)))
                              .toInt();
    const int strictlyInside =
        query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Fecha > %1 AND Fecha < %2")
                  .arg(literal(first), literal(last)))
            .toInt();
    ASSERT_GT(inclusive, strictlyInside);

    // Two expiry days: the expected payments leave out the subscribers whose expiry falls on either.
    const QDate low =
        stored(query(QStringLiteral("SELECT Min(Vencimiento) FROM Suscriptores WHERE Vencimiento > "
                                    "#1/1/2000#")));
    const QDate high = stored(query(QStringLiteral("SELECT Max(Vencimiento) FROM Suscriptores")));
    const int expected =
        query(QStringLiteral("SELECT Count(*) FROM Suscriptores WHERE Vencimiento > %1 AND Vencimiento < %2")
                  .arg(literal(low), literal(high)))
            .toInt();
    const int withBounds =
        query(
            QStringLiteral("SELECT Count(*) FROM Suscriptores WHERE Vencimiento >= %1 AND Vencimiento <= %2")
                .arg(literal(low), literal(high)))
            .toInt();
    ASSERT_GT(withBounds, expected);

    QStringList shown;
    const int status = run(QStringLiteral("menu 2\nmenu 3\nmenu 2\nanswer %1 %2\npress Termina\n"
                                          "menu 2\nmenu 3\nmenu 3\nanswer %3 %4\npress Termina\nmenu 98\n")
                               .arg(shownDate(first), shownDate(last), shownDate(low), shownDate(high)),
                           &shown);
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(gridCount(shown, QStringLiteral("Pagos  del ")), inclusive) << transcript();
    EXPECT_EQ(gridCount(shown, QStringLiteral("Pagos previstos ")), expected) << transcript();
}

TEST_F(OfficeRun, theDistrictStatisticsAreACrosstabByClass)
{
    const int districts =
        query(QStringLiteral("SELECT Count(*) FROM (SELECT DISTINCT Colonia FROM Suscriptores)")).toInt();
    QStringList shown;
    const int status =
        run(QStringLiteral("menu 1\nmenu 6\nmenu 1\n"
                           "expect [grid] columnas | Colonia | Total | 1-2 TV | 3-4 TV | Hotel\n"
                           "press Termina\nmenu 98\n"),
            &shown);
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(gridCount(shown, QStringLiteral("Estadisticas de  Colonia")), districts) << transcript();
}

TEST_F(OfficeRun, theDailyIncomeOfADayWithoutPaymentsSaysSo)
{
    QStringList shown;
    const int status = run(QStringLiteral("menu 2\nmenu 4\nmenu 4\nanswer 01-Ene-2001\n"
                                          "expect No hay Pagos registrados en  01-Ene-2001\n"
                                          "answer OK\nmenu 98\n"),
                           &shown);
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_FALSE(anyStartsWith(shown, QStringLiteral("[grid]"))) << transcript();
}

TEST_F(OfficeRun, theDailyIncomeOfADayWithPaymentsShowsAmountsThenTickets)
{
    const QDate day =
        stored(query(QStringLiteral("SELECT TOP 1 Fecha FROM Pagos GROUP BY Fecha ORDER BY Count(*) DESC")));
    const QString count = query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Fecha = ") + literal(day));
    QStringList shown;
    const int status = run(QStringLiteral("menu 2\nmenu 4\nmenu 4\nanswer %1\n"
                                          "expect [grid] Ingreso por %2 Tickets en  %1 \n"
                                          "press Termina\n"
                                          "expect [grid] %2 Tickets cobrado en  %1 \n"
                                          "press Termina\nmenu 98\n")
                               .arg(shownDate(day), count),
                           &shown);
    EXPECT_EQ(status, 0) << transcript();
}

TEST_F(OfficeRun, thePaymentHistoryFollowsThePanelsRecord)
{
    const QString firstKey = query(QStringLiteral("SELECT Clave FROM Suscriptores ORDER BY Clave"));
    const QString secondKey =
        query(QStringLiteral("SELECT Clave FROM Suscriptores WHERE Clave > %1 ORDER BY Clave").arg(firstKey));
    const int firstPayments =
        query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Suscriptor = ") + firstKey).toInt();
    const int secondPayments =
        query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Suscriptor = ") + secondKey).toInt();
    QStringList shown;
    const int status = run(QStringLiteral("menu 2\nmenu 2\n"
                                          "expect [panel] SUSCRIPTORES | Registro 1 de\n"
                                          "record next\n"
                                          "expect [panel] SUSCRIPTORES | Registro 2 de\n"
                                          "press Termina\nmenu 98\n"),
                           &shown);
    EXPECT_EQ(status, 0) << transcript();
    // The payments grid is shown for the first subscriber, then again for the second.
    const QRegularExpression row(QStringLiteral("^\\[grid\\] \\d+ \\| "));
    QList<int> rowsShown;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        if (!shown.at(i).startsWith(QStringLiteral("[grid] columnas | Fecha | Concepto | Cantidad")))
            continue;
        int rows = 0;
        for (qsizetype j = i + 1; j < shown.size() && row.match(shown.at(j)).hasMatch(); ++j)
            ++rows;
        rowsShown.append(rows);
    }
    ASSERT_GE(rowsShown.size(), 2) << transcript();
    EXPECT_EQ(rowsShown.at(0), std::min(firstPayments, 50)) << transcript();
    EXPECT_EQ(rowsShown.constLast(), std::min(secondPayments, 50)) << transcript();
}

TEST_F(OfficeRun, aSubscriberIsChosenByPartOfTheNameAndSiguientePassesTheLastMatch)
{
    // Two subscribers whose names hold the same letters: the search steps to the second, past it, and stays.
    const QString matches =
        query(QStringLiteral("SELECT Count(*) FROM Suscriptores WHERE Nombre LIKE '*Rosa*'"));
    ASSERT_EQ(matches, QStringLiteral("2")) << "the demo office has two names with 'Rosa'";
    const QString last = query(
        QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Nombre LIKE '*Rosa*' ORDER BY Clave DESC"));
    const int status = run(QStringLiteral("menu 3\nmenu 4\nanswer N\nanswer rosa\n"
                                          "answer S\n"
                                          "expect | Nombre = %1 |\n"
                                          "answer S\n"
                                          "expect No hay mas\n"
                                          "answer OK\n"
                                          "answer E\n"
                                          "expect [panel] Cambios de Situación | Registro 1 de\n"
                                          "press Termina\nmenu 98\n")
                               .arg(last));
    EXPECT_EQ(status, 0) << transcript();
    const qsizetype chosen = m_transcript.lastIndexOf(QStringLiteral("[panel] Cambios de Situación"));
    ASSERT_GE(chosen, 0) << transcript();
    EXPECT_TRUE(m_transcript.mid(chosen).section(u'\n', 0, 0).contains(QStringLiteral("Nombre = ") + last))
        << transcript();
}

TEST_F(OfficeRun, aNameWithAnApostropheIsFound)
{
    const QString name = query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Nombre LIKE '*''*'"));
    ASSERT_FALSE(name.isEmpty());
    const QString part = name.mid(name.indexOf(u'\'') - 1, 4); // "O'Fa"
    const int status = run(QStringLiteral("menu 3\nmenu 4\nanswer N\nanswer %1\n"
                                          "expect | Nombre = %2 |\n"
                                          "answer C\nmenu 98\n")
                               .arg(part, name));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_FALSE(m_transcript.contains(QStringLiteral("3075"))) << transcript();
}

TEST_F(OfficeRun, aStatusUpdateLeavesAHistoryRowBeginningWithTheNewStatus)
{
    const QString contract =
        query(QStringLiteral("SELECT Min(Contrato) FROM Suscriptores WHERE Situación = 'Conectado'"));
    const QString key = query(QStringLiteral("SELECT Clave FROM Suscriptores WHERE Contrato = ") + contract);
    const int before =
        query(QStringLiteral("SELECT Count(*) FROM Situación WHERE Suscriptor = ") + key).toInt();
    const int status = run(QStringLiteral("menu 3\nmenu 1\nanswer C\nanswer %1\n"
                                          "row 1\nkey Enter\n"
                                          "expect [panel] ACTUALIZA DATOS SUSCRIPTOR\n"
                                          "pick Situación 3\n"
                                          "press Termina\n"
                                          "expect Nota\n"
                                          "answer falta de pago\n"
                                          "expect [menu] QUELMAR\nmenu 98\n")
                               .arg(contract));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Situación FROM Suscriptores WHERE Clave = ") + key),
              QStringLiteral("Cortado"));
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Situación WHERE Suscriptor = ") + key).toInt(),
              before + 1);
    EXPECT_EQ(query(QStringLiteral(
                        "SELECT Count(*) FROM Situación WHERE Suscriptor = %1 AND Nota = 'Cortado-falta de "
                        "pago' AND [Situación Anterior] = 'Conectado'")
                        .arg(key)),
              QStringLiteral("1"));
}

TEST_F(OfficeRun, aTariffAddedInItsGridTakesTheTariffClass)
{
    const int tariffs = query(QStringLiteral("SELECT Count(*) FROM Parametros WHERE Clase = 'P'")).toInt();
    const int status = run(QStringLiteral("menu 5\nmenu 5\n"
                                          "expect [grid] Tarifas de Servicios\n"
                                          "cell %1 Nombre Decodificador\n"
                                          "cell %1 Cuota 95\n"
                                          "row 1\n"
                                          "press Termina\nmenu 98\n")
                               .arg(tariffs + 1));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Clase FROM Parametros WHERE Nombre = 'Decodificador'")),
              QStringLiteral("P"));
    EXPECT_EQ(query(QStringLiteral("SELECT Contenido FROM Parametros WHERE Nombre = 'Decodificador'")),
              QStringLiteral("95"));
}

TEST_F(OfficeRun, aTariffAddedInItsGridComesLastAndThePaymentLinesKeepTheirPlaces)
{
    const int tariffs = query(QStringLiteral("SELECT Count(*) FROM Parametros WHERE Clase = 'P'")).toInt();
    const int last = query(QStringLiteral("SELECT Max(Secuen) FROM Parametros WHERE Clase = 'P'")).toInt();
    const QString places =
        QStringLiteral("SELECT Sum(Secuen) FROM Parametros WHERE Clase = 'P' AND Nombre <> "
                       "'Decodificador'");
    const QString before = query(places);
    int status = run(QStringLiteral("menu 5\nmenu 5\n"
                                    "cell %1 Nombre Decodificador\ncell %1 Cuota 95\nrow 1\n"
                                    "press Termina\nmenu 98\n")
                         .arg(tariffs + 1));
    ASSERT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Secuen FROM Parametros WHERE Nombre = 'Decodificador'")).toInt(),
              last + 1);
    EXPECT_EQ(query(places), before);

    // At the next start the payment form still has the rent on its first line: an expired subscriber who pays
    // it is connected.
    const QString contract =
        query(QStringLiteral("SELECT Min(Contrato) FROM Suscriptores WHERE Situación = 'Vencido' AND Clase = "
                             "'1-2 TV' AND (Observaciones Is Null OR Observaciones Not Like '*Aviso=*')"));
    ASSERT_FALSE(contract.isEmpty());
    status = run(QStringLiteral("menu 2\nmenu 1\nanswer C\nanswer %1\nrow 1\nkey Enter\n"
                                "click PCan 1\npress Acepta\n"
                                "expect [receipt]       Renta (1-2 TV) = \nmenu 98\n")
                     .arg(contract));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Situación FROM Suscriptores WHERE Contrato = ") + contract),
              QStringLiteral("Conectado"));
}

TEST_F(OfficeRun, aNewSubscriberIsRegisteredToBeInstalled)
{
    const int before = query(QStringLiteral("SELECT Count(*) FROM Suscriptores")).toInt();
    const int contract = query(QStringLiteral("SELECT Max(Contrato) FROM Suscriptores")).toInt() + 1;
    const int status = run(QStringLiteral("menu 1\nmenu 1\n"
                                          "expect [panel] REGISTRA SUSCRIPTOR NUEVO | Registro nuevo\n"
                                          "set Nombre Marisol Ángeles Téllez\n"
                                          "set Contrato %1\n"
                                          "pick Clase 2\n"
                                          "set Unidades 3\n"
                                          "set Calle Hidalgo 12\n"
                                          "set Colonia Centro\n"
                                          "press Termina\n"
                                          "expect [menu] QUELMAR\nmenu 98\n")
                               .arg(contract));
    EXPECT_EQ(status, 0) << transcript();
    EXPECT_EQ(query(QStringLiteral("SELECT Count(*) FROM Suscriptores")).toInt(), before + 1);
    const QString where = QStringLiteral(" FROM Suscriptores WHERE Contrato = %1").arg(contract);
    EXPECT_EQ(query(QStringLiteral("SELECT Situación") + where), QStringLiteral("Por Instalar"));
    EXPECT_EQ(query(QStringLiteral("SELECT Clase") + where), QStringLiteral("3-4 TV"));
    EXPECT_TRUE(query(QStringLiteral("SELECT Vencimiento") + where).startsWith(QStringLiteral("1990-")));
    EXPECT_FALSE(query(QStringLiteral("SELECT Clave") + where).isEmpty());
}

// The companion command reads the office's SQL as the program does: '#' in LIKE is a digit, Format shows
// dates with the office's months, a function Jet lacks and a WITH (here one that would never end) are refused
// at once.
TEST_F(OfficeRun, theCompanionQueryAnswersJetSqlAndRefusesWhatJetLacks)
{
    const QString notes =
        query(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Comprobante Like 'Nota ###'"));
    EXPECT_EQ(notes, query(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Len(Comprobante) = 8 AND "
                                          "Comprobante >= 'Nota 100' AND Comprobante <= 'Nota 999'")));
    EXPECT_GT(notes.toInt(), 0);

    const QString day = query(QStringLiteral("SELECT Min(Fecha) FROM Gastos"));
    const QDate date = stored(day);
    ASSERT_TRUE(date.isValid()) << day.toStdString();
    EXPECT_EQ(query(QStringLiteral("SELECT Format(Fecha, 'dd-mmm-yyyy') FROM Gastos WHERE Fecha = ") +
                    literal(date)),
              shownDate(date));

    struct Refusal
    {
        QString statement;
        QString message;
    };
    const Refusal refusals[] = {
        {QStringLiteral(
             "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT Count(*) FROM n"),
         QStringLiteral("La instrucción no es válida")},
        {QStringLiteral("SELECT printf('%d', Clave) FROM Suscriptores"),
         QStringLiteral("La consulta usa una función no definida")},
        {QStringLiteral("DELETE FROM Pagos WHERE randomblob(1) <> ''"),
         QStringLiteral("La consulta usa una función no definida")},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.statement.toStdString());
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("query"), office() + QStringLiteral("/Quelmar.mdb"), refusal.statement});
        ASSERT_TRUE(admin.waitForFinished(10000));
        EXPECT_NE(admin.exitCode(), 0);
        EXPECT_TRUE(QString::fromUtf8(admin.readAllStandardError()).contains(refusal.message));
    }
    EXPECT_NE(query(QStringLiteral("SELECT Count(*) FROM Pagos")), QStringLiteral("0"));
}

} // namespace
