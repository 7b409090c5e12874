#include "office/listings.h"

#include "shell/shellfixture.h"

#include "db/database.h"
#include "shell/startup.h"

#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

namespace quelmar::office {
namespace {

using namespace Qt::StringLiterals;

// The dates as the menu loop hands them over: today, a period and a day as AskPeriod returns them.
ListingDates someDates()
{
    ListingDates dates;
    dates.todayText = u"15-Mar-2026"_s;
    dates.todayLiteral = u"#03-15-2026#"_s;
    dates.periodText = u" del 01-Ene-2026 al 31-Ene-2026"_s;
    dates.from = u"#1/1/2026#"_s;
    dates.to = u"#1/31/2026#"_s;
    dates.dayText = u" 10-Feb-2026 "_s;
    dates.dayLiteral = u"#2/10/2026#"_s;
    return dates;
}

const char* questionName(office::DateQuestion question)
{
    switch (question) {
    case DateQuestion::None:
        return "none";
    case DateQuestion::Period:
        return "period";
    case DateQuestion::Day:
        return "day";
    }
    return "?";
}

TEST(Listings, GiveTheCallOfTheirOption)
{
    const QString alphabetical =
        u"SELECT Suscriptores.Nombre, Suscriptores.Contrato, Suscriptores.Clase, Suscriptores.Situación, "
        u"Suscriptores.Instalación, Suscriptores.Vencimiento, Suscriptores.Calle, Suscriptores.Colonia, "
        u"Suscriptores.Teléfono, Suscriptores.Observaciones FROM Suscriptores ORDER BY Suscriptores.Nombre"_s;
    const struct
    {
        const char* option;
        DateQuestion question;
        QString mode;
        int sourceKind;
        QString title;
        QString statement;
        QString options;
    } cases[]{
        {"144", DateQuestion::None, u"TabPre"_s, 2, u"Suscriptores Conectados 15-Mar-2026"_s,
         u"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase FROM Suscriptores WHERE Situación = "
         u"'Conectado'"_s,
         QString()},
        // In the subscriber lists every number outside 2 to 9 is the alphabetical list.
        {"141", DateQuestion::None, u"TabPre"_s, 1, u"Alfabético Suscriptores"_s, alphabetical, QString()},
        {"1410", DateQuestion::None, u"TabPre"_s, 1, u"Alfabético Suscriptores"_s, alphabetical, QString()},
        {"1499", DateQuestion::None, u"TabPre"_s, 1, u"Alfabético Suscriptores"_s, alphabetical, QString()},
        {"143", DateQuestion::None, u"TabPre"_s, 1, QString(),
         u"SELECT DISTINCTROW Suscriptores.Contrato, Suscriptores.Nombre, Suscriptores.Teléfono, "
         u"Suscriptores.Situación, Suscriptores.Vencimiento FROM Suscriptores ORDER BY Suscriptores.Contrato "
         u"Desc"_s,
         u"Contrato"_s},
        {"151", DateQuestion::None, u"TabPre"_s, 1, u"Diario de Vencimientos 15-Mar-2026"_s,
         u"SELECT DISTINCTROW Suscriptores.Vencimiento, Suscriptores.Nombre, Suscriptores.Teléfono, "
         u"Suscriptores.Instalación, Calle, Colonia, Poste, Contrato FROM Suscriptores WHERE Situación "
         u"='Conectado' AND Suscriptores.Vencimiento = #03-15-2026#"_s,
         QString()},
        {"152", DateQuestion::Period, u"TabPre"_s, 1, u"Vencimientos  del 01-Ene-2026 al 31-Ene-2026"_s,
         u"SELECT Vencimiento, Nombre, Teléfono, Contrato, Instalación, Calle, Colonia, Poste FROM "
         u"Suscriptores "
         u"WHERE Situación ='Conectado' AND Suscriptores.Vencimiento >= #1/1/2026# AND "
         u"Suscriptores.Vencimiento <= #1/31/2026#"_s,
         QString()},
        {"161", DateQuestion::None, u"TabPre"_s, 2, u"Estadisticas de  Colonia"_s,
         u"TRANSFORM Count(*) AS Suma SELECT Suscriptores.Colonia, Count(*) AS Total FROM Suscriptores GROUP "
         u"BY Suscriptores.Colonia PIVOT Suscriptores.Clase"_s,
         u"E"_s},
        {"231", DateQuestion::Day, u"TabPre"_s, 2, u"Diario de Pagos  10-Feb-2026 "_s,
         u"SELECT Suscriptores.Nombre,Suscriptores.Contrato, Suscriptores.Vencimiento, "
         u"Suscriptores.Situación, "
         u"Pagos.Fecha, Pagos.Concepto, Pagos.Cantidad, Pagos.Ticket,Pagos.Observaciones FROM Suscriptores "
         u"INNER JOIN Pagos ON Suscriptores.Clave = Pagos.Suscriptor WHERE Pagos.Fecha = #2/10/2026#"_s,
         u"ET 6 NoG"_s},
        // Expected payments leave out the subscribers whose expiry falls on either bound.
        {"233", DateQuestion::Period, u"TabPre"_s, 2, u"Pagos previstos  del 01-Ene-2026 al 31-Ene-2026"_s,
         u"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase FROM Suscriptores WHERE Vencimiento "
         u"> "
         u"#1/1/2026# AND Vencimiento < #1/31/2026#"_s,
         QString()},
        {"242", DateQuestion::Period, u"TabPre"_s, 2, u"Pagos Totales por Suscriptor "_s,
         u"SELECT Suscriptores.Nombre, Sum(Pagos.Cantidad) as Total FROM Suscriptores INNER JOIN Pagos ON "
         u"Suscriptores.Clave = Pagos.Suscriptor WHERE Pagos.Fecha >= #1/1/2026# AND Pagos.Fecha <= "
         u"#1/31/2026# GROUP BY Suscriptores.Nombre"_s,
         u"ET 1"_s},
        {"33", DateQuestion::Period, u"TabPre"_s, 1, u"Cambios de Situación"_s,
         u"SELECT Suscriptores.Nombre, [Situación Anterior],Situación.Vencimiento,Situación.Clase,"
         u"Situación.Unidades,[Cambiado por],Situación.Fecha, Situación.Nota FROM Situación, Suscriptores "
         u"WHERE Suscriptores.Clave = Situación.Suscriptor AND Situación.Fecha >= #1/1/2026# AND "
         u"Situación.Fecha <= #1/31/2026# ORDER BY Situación.Suscriptor,Situación.Fecha Desc"_s,
         QString()},
        {"64", DateQuestion::Period, u"TabPre"_s, 1, u"Reporte de Quejas del 01-Ene-2026 al 31-Ene-2026"_s,
         u"SELECT DISTINCTROW Suscriptores.Nombre, Suscriptores.Contrato, Quejas.Recibida, "
         u"Quejas.Descripción, Quejas.Origen, Quejas.Solución, Quejas.Fecha FROM Suscriptores INNER JOIN "
         u"Quejas ON Suscriptores.Clave = Quejas.Cliente WHERE Quejas.Recibida >= #1/1/2026# AND "
         u"Quejas.Recibida <= #1/31/2026#"_s,
         QString()},
        {"74", DateQuestion::Period, u"TabEdi"_s, 2,
         u"Reposición de Caja: Asigna Num Cheque del 01-Ene-2026 al 31-Ene-2026"_s,
         u"SELECT Cheque,Descripción, Monto, Comprobante, Fecha FROM Gastos WHERE Fecha >= #1/1/2026# AND "
         u"Fecha <= #1/31/2026# AND Cheque = NULL"_s,
         QString()},
        {"77", DateQuestion::Period, u"TabPre"_s, 2, u"Total de Gastos del 01-Ene-2026 al 31-Ene-2026"_s,
         u"TRANSFORM Sum(Gastos.Monto) AS Valor SELECT Gastos.Fecha, Sum(Gastos.Monto) AS [Total] FROM "
         u"Gastos "
         u"WHERE (Gastos.Fecha >= #1/1/2026# AND Gastos.Fecha <= #1/31/2026#) GROUP BY Gastos.Fecha ORDER BY "
         u"Gastos.Fecha DESC PIVOT Gastos.Tipo"_s,
         u"ET 1"_s},
    };
    const ListingDates dates = someDates();
    for (const auto& c : cases) {
        const std::optional<office::Listing> listing = office::listingFor(QString::fromLatin1(c.option));
        ASSERT_TRUE(listing) << c.option;
        EXPECT_STREQ(questionName(listing->question), questionName(c.question)) << c.option;
        const ListingCall call = listing->call(dates);
        EXPECT_EQ(call.mode, c.mode) << c.option;
        EXPECT_EQ(call.sourceKind, c.sourceKind) << c.option;
        EXPECT_EQ(call.title, c.title) << c.option;
        EXPECT_EQ(call.statement, c.statement) << c.option;
        EXPECT_EQ(call.options, c.options) << c.option;
    }
}

TEST(Listings, LeaveOutOptionsThatAreNotOnePlainListing)
{
    // Screens of other kinds (panels, capture, the daily income sequence), numbers without an action, and
    // submenu codes themselves.
    for (const char* option :
         {"",    "1",  "13", "14", "15", "150", "153", "166", "21", "23", "230", "236", "244",
          "245", "31", "34", "63", "65", "71",  "72",  "78",  "5",  "57", "8",   "81",  "9"})
        EXPECT_FALSE(office::listingFor(QString::fromLatin1(option))) << option;
}

// Every listing of the menus asks for exactly the dates it uses and leaves no placeholder behind.
TEST(Listings, UseTheDatesTheyAskFor)
{
    const ListingDates dates = someDates();
    int found = 0;
    for (const char* submenu : {"14", "15", "16", "23", "24", "3", "6", "7"}) {
        for (int number = 1; number <= 9; ++number) {
            const QString option = QString::fromLatin1(submenu) + QString::number(number);
            const std::optional<office::Listing> listing = office::listingFor(option);
            if (!listing)
                continue;
            ++found;
            const ListingCall call = listing->call(dates);
            const QString text = call.title + QLatin1Char('|') + call.statement;
            EXPECT_FALSE(text.contains(u'{') || text.contains(u'}')) << option.toStdString();
            const bool period = listing->question == DateQuestion::Period;
            const bool day = listing->question == DateQuestion::Day;
            EXPECT_EQ(call.statement.contains(dates.from), period) << option.toStdString();
            EXPECT_EQ(call.statement.contains(dates.to), period) << option.toStdString();
            EXPECT_EQ(call.statement.contains(dates.dayLiteral), day) << option.toStdString();
            EXPECT_EQ(text.contains(dates.dayText.trimmed()), day) << option.toStdString();
            EXPECT_TRUE(call.mode == u"TabPre" || call.mode == u"TabEdi") << option.toStdString();
        }
    }
    // 14: 9 rows, 15: 2, 16: 5, 23: 5, 24: 3, 3: 1, 6: 1, 7: 5.
    EXPECT_EQ(found, 31);
}

TEST(Listings, DailyIncomeCountsAndTotalsTheDayByConcept)
{
    const ListingDates dates = someDates();
    EXPECT_EQ(office::dailyIncomeStatement(dates), u"SELECT * From Pagos WHERE Fecha = #2/10/2026#"_s);

    const ListingCall amounts = dailyIncomeAmounts(7, dates);
    EXPECT_EQ(amounts.mode, u"TabPre"_s);
    EXPECT_EQ(amounts.sourceKind, 2);
    EXPECT_EQ(amounts.title, u"Ingreso por 7 Tickets en  10-Feb-2026 "_s);
    EXPECT_EQ(
        amounts.statement,
        u"TRANSFORM SUM(Pagos.Cantidad) SELECT Pagos.Fecha, SUM(Pagos.Cantidad) AS Total From Pagos WHERE "
        u"Fecha = #2/10/2026# GROUP BY Pagos.Fecha PIVOT Pagos.Concepto"_s);
    EXPECT_EQ(amounts.options, u"E"_s);

    const ListingCall tickets = dailyIncomeTickets(7, dates);
    EXPECT_EQ(tickets.mode, u"TabPre"_s);
    EXPECT_EQ(tickets.sourceKind, 2);
    EXPECT_EQ(tickets.title, u"7 Tickets cobrado en  10-Feb-2026 "_s);
    EXPECT_EQ(
        tickets.statement,
        u"TRANSFORM COUNT(Pagos.Cantidad) SELECT Pagos.Fecha, COUNT(Pagos.Cantidad) AS Total From Pagos "
        u"WHERE Fecha = #2/10/2026# GROUP BY Pagos.Fecha PIVOT Pagos.Concepto"_s);
    EXPECT_EQ(tickets.options, u"E"_s);
}

} // namespace
} // namespace quelmar::office

namespace quelmar::shelltest {
namespace {

using namespace Qt::StringLiterals;

// The office of the demo, whose database holds one payment on 09-Dic-2026, or no payments table at all.
class DailyIncomeTest : public ShellTest
{
protected:
    void makeOffice(bool withPayments)
    {
        ASSERT_TRUE(QFile::copy(repositoryData(u"Quelmar.men"_s), path(u"Quelmar.men"_s)));
        writeLines(u"Quelmar.emp"_s, {u"Cablevisión del Valle"_s, u"Sucursal Centro"_s, u""_s, u"Quelmar"_s});
        createDatabase(u"Quelmar.mdb"_s, {{u"LA"_s, u"Gerente"_s, u"3"_s, u"gerencia"_s},
                                          {u"P"_s, u"Renta (1-2 TV)"_s, u"mensual"_s, u"180"_s}});
        if (!withPayments)
            return;
        db::DbError error;
        std::unique_ptr<db::Database> database = db::Database::open(path(u"Quelmar.mdb"_s), {}, error);
        ASSERT_TRUE(database) << error.description.toStdString();
        const auto field = [](const QString& name, int type, int size = 0) {
            db::FieldDef def;
            def.name = name;
            def.type = type;
            def.size = size;
            return def;
        };
        db::TableDef payments;
        payments.name = u"Pagos"_s;
        payments.fields = {
            field(u"Suscriptor"_s, db::jettype::Long),         field(u"Fecha"_s, db::jettype::Date),
            field(u"Cantidad"_s, db::jettype::Currency),       field(u"Concepto"_s, db::jettype::Text, 50),
            field(u"Observaciones"_s, db::jettype::Text, 100), field(u"Ticket"_s, db::jettype::Long)};
        error = database->createTables({payments});
        ASSERT_TRUE(error.ok()) << error.description.toStdString();
        error = database->execute(u"INSERT INTO Pagos (Suscriptor, Fecha, Cantidad, Concepto, Ticket) VALUES "
                                  u"(1, #12-09-2026#, 180, "
                                  u"'Renta', 1)"_s);
        ASSERT_TRUE(error.ok()) << error.description.toStdString();
    }

    // Payments, payment statistics, daily income, the day asked; what the screen showed from the question on.
    QStringList dailyIncomeOf(const QString& day, bool messageExpected)
    {
        for (int option : {2, 4, 4})
            user.menu(option);
        user.answer(day);
        if (messageExpected)
            user.answer(u"OK"_s);
        user.menu(98);
        EXPECT_THROW(startup::ProgramStart(session), ProgramEnded);
        EXPECT_TRUE(user.steps.isEmpty());
        EXPECT_TRUE(user.refused.isEmpty()) << user.refused.join(u" | "_s).toStdString();
        QStringList shown = transcriptLines();
        shown.removeIf([](const QString& line) { return line.startsWith(u"[footer]"_s); });
        while (!shown.isEmpty() && !shown.constFirst().startsWith(u"[input]"_s))
            shown.removeFirst();
        return shown;
    }
};

TEST_F(DailyIncomeTest, ADayWithoutPaymentsShowsOnlyThatThereAreNone)
{
    makeOffice(true);
    const QStringList shown = dailyIncomeOf(u"25-Dic-2026"_s, true);
    ASSERT_EQ(shown.size(), 3) << shown.join(u'\n').toStdString();
    EXPECT_EQ(shown.at(1), u"[message] MENSAJE: No hay Pagos registrados en  25-Dic-2026 [Aceptar]"_s);
    EXPECT_TRUE(shown.at(2).startsWith(u"[menu] QUELMAR"_s));
}

TEST_F(DailyIncomeTest, APaymentsTableThatCannotBeReadIsToldAndLogged)
{
    makeOffice(false);
    const QStringList shown = dailyIncomeOf(u"09-Dic-2026"_s, true);
    ASSERT_EQ(shown.size(), 3) << shown.join(u'\n').toStdString();
    EXPECT_EQ(shown.at(1), u"[message] Quelmar: Ha ocurrido un error.  Conviene que grabe y anote el tipo de "
                           u"problema:  /  4  No se encuentra una tabla o consulta en la Base de Datos.  "
                           u"Revise que la Base de Datos sea la de este Programa. [Aceptar]"_s);
    EXPECT_TRUE(shown.at(2).startsWith(u"[menu] QUELMAR"_s));
    const QStringList log = fileLines(u"Que_Err.log"_s);
    ASSERT_EQ(log.size(), 2) << log.join(u'\n').toStdString();
    EXPECT_TRUE(
        log.at(1).startsWith(u" 3078\tThe Microsoft Jet database engine cannot find the input table or "
                             u"query 'Pagos'."_s))
        << log.at(1).toStdString();
}

} // namespace
} // namespace quelmar::shelltest
