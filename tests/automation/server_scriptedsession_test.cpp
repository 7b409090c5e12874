// One office, twice: the demonstration office on its database file, and the same office with its database
// copied to a database server. The same sessions at the counter, of status changes, lists and statistics run
// on both, one after the other, and must show the same, screen by screen, and leave the same rows behind.
// Skipped without a test server (QUELMAR_TEST_PG_URI, which scripts/test.sh sets).
#include "officesession.h"

#include <QDir>
#include <QRegularExpression>
#include <QUrl>
#include <QUuid>

namespace {

using namespace Qt::StringLiterals;
using quelmar::automationtest::ProcessTimeout;

class ServerOffice : public quelmar::automationtest::OfficeSession
{
protected:
    ServerOffice() : OfficeSession(40) {}

    void SetUp() override
    {
        const QString server = qEnvironmentVariable("QUELMAR_TEST_PG_URI");
        if (server.isEmpty())
            GTEST_SKIP() << "QUELMAR_TEST_PG_URI is not set: no database server to run the office on";
        OfficeSession::SetUp();
        if (HasFatalFailure())
            return;
        QUrl url(server);
        url.setPath(u"/oficina_"_s + QUuid::createUuid().toString(QUuid::Id128).left(16));
        m_uri = url.toString();
        m_maintenanceUri = server;

        // The server's office: the same files, its company file naming the server's database.
        ASSERT_TRUE(QDir().mkpath(serverOffice()));
        const QDir files(office());
        for (const QString& name : files.entryList(QDir::Files)) {
            if (name.startsWith(u"Quelmar.mdb"_s))
                continue;
            ASSERT_TRUE(QFile::copy(files.filePath(name), serverOffice() + u'/' + name)) << qPrintable(name);
        }
        ASSERT_EQ(admin({u"copy"_s, office() + u"/Quelmar.mdb"_s, m_uri}), 0) << m_adminErrors.toStdString();
        m_copied = true;
        QFile company(serverOffice() + u"/Quelmar.emp"_s);
        ASSERT_TRUE(company.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(company.readAll());
        company.close();
        const QString separator = text.contains(u"\r\n"_s) ? u"\r\n"_s : u"\n"_s;
        QStringList lines = text.split(separator);
        ASSERT_GE(lines.size(), 4);
        lines[3] = m_uri;
        ASSERT_TRUE(company.open(QIODevice::WriteOnly | QIODevice::Truncate));
        company.write(lines.join(separator).toUtf8());
    }

    void TearDown() override
    {
        if (!m_copied)
            return;
        QProcess psql;
        psql.start(u"psql"_s,
                   {m_maintenanceUri, u"-q"_s, u"-c"_s,
                    u"DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)"_s.arg(QUrl(m_uri).path().mid(1))});
        psql.waitForFinished(ProcessTimeout);
    }

    QString serverOffice() const { return path(u"servidor"_s); }

    int admin(const QStringList& arguments, QString* output = nullptr)
    {
        QProcess process;
        process.start(QStringLiteral(QUELMAR_ADMIN), arguments);
        if (!process.waitForFinished(ProcessTimeout))
            return -1;
        m_adminErrors = QString::fromUtf8(process.readAllStandardError());
        if (output != nullptr)
            *output = QString::fromUtf8(process.readAllStandardOutput());
        return process.exitCode();
    }

    // Every row the statement gives, as the companion command prints them.
    QString rows(const QString& database, const QString& statement)
    {
        QString printed;
        EXPECT_EQ(admin({u"query"_s, database, statement}, &printed), 0) << m_adminErrors.toStdString();
        return printed;
    }

    // Runs the script on the office in the folder; what it showed, with the folder's name taken out.
    QStringList shownOn(const QString& folder, const QString& script)
    {
        QStringList shown;
        runIn(folder, script, &shown);
        // What tells the two runs apart: the folder, and the minute a file or receipt was printed.
        static const QRegularExpression printedAt(u"impresion-\\d{8}-\\d{6}"_s);
        static const QRegularExpression receiptTime(u"^(\\[receipt\\] Ticket = .*)\\d\\d:\\d\\d$"_s);
        for (QString& line : shown) {
            line.replace(folder, u"<oficina>"_s);
            line.replace(printedAt, u"impresion"_s);
            line.replace(receiptTime, u"\\1hh:mm"_s);
        }
        return shown;
    }

    // The grids' rows in one order, for a statement that leaves the order of its rows to the database
    // engine: what must be the same is which rows, and how many.
    static QStringList inAnyOrder(QStringList shown)
    {
        static const QRegularExpression gridRow(u"^\\[grid\\] \\d+ \\| "_s);
        for (QString& line : shown)
            line.replace(gridRow, u"[grid] # | "_s);
        qsizetype begin = 0;
        while (begin < shown.size()) {
            qsizetype end = begin;
            while (end < shown.size() && shown.at(end).startsWith(u"[grid] # | "_s))
                ++end;
            std::sort(shown.begin() + begin, shown.begin() + end);
            begin = end + 1;
        }
        return shown;
    }

    QString m_uri;
    QString m_maintenanceUri;
    QString m_adminErrors;
    bool m_copied = false;
};

TEST_F(ServerOffice, theCounterStatusListsAndStatisticsShowTheSameAsOnTheFile)
{
    const QString office = this->office() + u"/Quelmar.mdb"_s;
    const auto firstContract = [&](const QString& condition) {
        const QStringList found =
            rows(office,
                 u"SELECT TOP 1 Contrato FROM Suscriptores WHERE %1 ORDER BY Contrato"_s.arg(condition))
                .split(u'\n', Qt::SkipEmptyParts);
        return found.value(1).trimmed();
    };
    const QString expired = firstContract(u"Situación = 'Vencido' AND Clase = '1-2 TV'"_s);
    const QString cut = firstContract(u"Situación = 'Cortado' AND Clase = '3-4 TV' AND Clave IN (SELECT "
                                      "Suscriptor FROM Situación WHERE Nota LIKE 'Cortado*')"_s);
    const QString hotel = firstContract(u"Clase = 'Hotel' AND Situación IN ('Conectado', 'Vencido')"_s);
    const QString connected = firstContract(u"Situación = 'Conectado' AND Clase <> 'Hotel'"_s);
    ASSERT_FALSE(expired.isEmpty() || cut.isEmpty() || hotel.isEmpty() || connected.isEmpty());

    const QDate today = QDate::currentDate();
    const QString year = u"answer %1 %2\n"_s.arg(shownDate(today.addYears(-1)), shownDate(today));
    // Few enough payments for every row to be shown.
    const QString fortnight = u"answer %1 %2\n"_s.arg(shownDate(today.addDays(-14)), shownDate(today));
    const auto choose = [](const QString& contract) {
        return u"menu 2\nmenu 1\nanswer C\nanswer %1\nrow 1\nkey Enter\nexpect [panel] Pagos de\n"_s.arg(
            contract);
    };

    struct Case
    {
        const char* what;
        QString script;
        bool rowsInAnyOrder = false;
    };
    const Case cases[] = {
        // At the counter: rent lines 1 (1-2 TV) and 2 (3-4 TV), 3 an extra cable, 6 the 3-4 TV reconnection.
        {"an expired subscriber pays two months and a cable",
         choose(expired) +
             u"click PCan 1\nclick PCan 1\nclick PCan 3\npress Acepta\nexpect [receipt]\nmenu 98\n"_s},
        {"a cut subscriber pays rent and reconnection with the cut days bonified",
         choose(cut) +
             u"click PCan 2\nclick PCan 6\npress Acepta\nexpect ¿Bonifica Días de Corte?\nanswer Yes\n"
             "expect [receipt]\nmenu 98\n"_s},
        {"a hotel pays its rent times its units",
         choose(hotel) + u"click PCan 1\npress Acepta\nexpect [receipt]\nmenu 98\n"_s},
        {"the payment history", u"menu 2\nmenu 2\npress Termina\nmenu 98\n"_s},
        {"the daily payments",
         u"menu 2\nmenu 3\nmenu 1\nanswer %1\npress Termina\nmenu 98\n"_s.arg(shownDate(today)), true},
        {"the daily income",
         u"menu 2\nmenu 4\nmenu 4\nanswer %1\npress Termina\npress Termina\nmenu 98\n"_s.arg(
             shownDate(today))},
        // Status.
        {"a status update",
         u"menu 3\nmenu 1\nanswer C\nanswer %1\nrow 1\nkey Enter\nexpect [panel] ACTUALIZA DATOS SUSCRIPTOR\n"
         "pick Situación 3\npress Termina\nexpect Nota\nanswer falta de pago\nexpect [menu] QUELMAR\nmenu 98\n"_s
             .arg(connected)},
        {"the status history", u"menu 3\nmenu 2\npress Termina\nmenu 98\n"_s},
        {"the status changes of the year", u"menu 3\nmenu 3\n"_s + year + u"press Termina\nmenu 98\n"_s},
        // Lists of subscribers and of payments.
        {"subscribers by name", u"menu 1\nmenu 4\nmenu 1\npress Termina\nmenu 98\n"_s},
        {"subscribers by installation", u"menu 1\nmenu 4\nmenu 2\npress Termina\nmenu 98\n"_s},
        {"expired subscribers", u"menu 1\nmenu 4\nmenu 5\npress Termina\nmenu 98\n"_s},
        {"cut subscribers", u"menu 1\nmenu 4\nmenu 6\npress Termina\nmenu 98\n"_s},
        {"subscribers to reconnect", u"menu 1\nmenu 4\nmenu 9\npress Termina\nmenu 98\n"_s},
        {"expiries of the year", u"menu 1\nmenu 5\nmenu 2\n"_s + year + u"press Termina\nmenu 98\n"_s},
        {"payments of a fortnight", u"menu 2\nmenu 3\nmenu 2\n"_s + fortnight + u"press Termina\nmenu 98\n"_s,
         true},
        {"expected payments", u"menu 2\nmenu 3\nmenu 3\n"_s + year + u"press Termina\nmenu 98\n"_s},
        {"payments by street", u"menu 2\nmenu 3\nmenu 4\n"_s + year + u"press Termina\nmenu 98\n"_s},
        {"payments by subscriber", u"menu 2\nmenu 3\nmenu 5\n"_s + year + u"press Termina\nmenu 98\n"_s},
        // Statistics, and a chart drawn from them.
        {"subscribers by colony and class, as bars and as a pie",
         u"menu 1\nmenu 6\nmenu 1\npress Gráfica\nexpect Opciones para la Gráfica\nanswer E\nchoose 11\n"
         "answer s\nanswer i\nanswer I\nanswer F\npress Termina\nmenu 98\n"_s},
        {"subscribers by class", u"menu 1\nmenu 6\nmenu 2\npress Termina\nmenu 98\n"_s},
        {"installations of the year", u"menu 1\nmenu 6\nmenu 3\n"_s + year + u"press Termina\nmenu 98\n"_s},
        {"expiries by class", u"menu 1\nmenu 6\nmenu 4\n"_s + year + u"press Termina\nmenu 98\n"_s},
        {"subscribers by status and class", u"menu 1\nmenu 6\nmenu 5\npress Termina\nmenu 98\n"_s},
        {"payment totals by day", u"menu 2\nmenu 4\nmenu 1\n"_s + year + u"press Termina\nmenu 98\n"_s},
        {"payment totals by subscriber",
         u"menu 2\nmenu 4\nmenu 2\n"_s + year + u"press Termina\nmenu 98\n"_s},
        {"payment totals by colony", u"menu 2\nmenu 4\nmenu 3\n"_s + year + u"press Termina\nmenu 98\n"_s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QStringList onFile = shownOn(this->office(), c.script);
        QStringList onServer = shownOn(serverOffice(), c.script);
        ASSERT_FALSE(onFile.isEmpty());
        EXPECT_FALSE(onFile.join(u'\n').contains(u"[error]"_s)) << onFile.join(u'\n').toStdString();
        if (c.rowsInAnyOrder) {
            onFile = inAnyOrder(onFile);
            onServer = inAnyOrder(onServer);
        }
        EXPECT_EQ(onServer.join(u'\n').toStdString(), onFile.join(u'\n').toStdString());
    }

    // What the sessions wrote is the same on both.
    for (const QString& table :
         {u"Pagos ORDER BY Ticket, Concepto"_s, u"Suscriptores ORDER BY Clave"_s,
          u"Situación ORDER BY Suscriptor, Fecha, Nota"_s, u"Parametros ORDER BY Clase, Contenido"_s}) {
        SCOPED_TRACE(table.toStdString());
        const QString statement = u"SELECT * FROM "_s + table;
        EXPECT_EQ(rows(m_uri, statement).toStdString(), rows(office, statement).toStdString());
    }
}

} // namespace
