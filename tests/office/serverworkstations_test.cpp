// Four workstations at the counter of one office kept on a database server, as four processes of their own:
// each one records payments with the real payment form and payment routine for a bounded time, all of them
// for the same subscribers. Afterwards no ticket is given twice, every receipt has its payment rows and no
// payment row is without its receipt, each subscriber's expiry moved by exactly the months paid for it, and
// the ticket counter stands at the highest ticket.
//
// The test runs this same executable four times, each run doing only the workstation's part
// (ServerWorkstation.recordsPaymentsUntilItsTimeIsUp), which is skipped when the test starts it by itself.
// Without a server (QUELMAR_TEST_PG_URI unset) the test is skipped.
#include "db/database.h"
#include "db/databasecopy.h"
#include "db/pgconnection.h"
#include "db/recordset.h"
#include "office/paymentform.h"
#include "office/payments.h"
#include "screenoffice.h"
#include "session/session.h"
#include "subscribers/demooffice.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QLabel>
#include <QMap>
#include <QMouseEvent>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <QUrl>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <stdexcept>

using namespace Qt::StringLiterals;

namespace quelmar::office {
namespace {

constexpr int Workstations = 4;
constexpr int WorkSeconds = 8;
constexpr qint64 RoundMs = 1000;
constexpr int RentOneTwo = 1; // the first line of the demonstration tariff
// The subscribers every workstation pays for in turn; the demonstration office leaves a notice waiting for
// subscriber 1, so it is left out.
constexpr int FirstPaid = 2;
constexpr int LastPaid = 7;
const QDate StartingExpiry(2026, 1, 15);

// The environment that makes a run of this executable one workstation: the office's URI, the workstation's
// number.
constexpr const char* OfficeVariable = "QUELMAR_WORKSTATION_OFFICE";
constexpr const char* StationVariable = "QUELMAR_WORKSTATION_NUMBER";

QString serverUri()
{
    return qEnvironmentVariable("QUELMAR_TEST_PG_URI");
}

QString uriOf(const QString& database)
{
    QUrl url(serverUri());
    url.setPath(u'/' + database);
    return url.toString();
}

// A cashier who, at the payment form, takes one month of rent and accepts; and who answers a lock question
// with another attempt. Anything else the program waits for is a fault.
class Cashier : public UserStandIn
{
public:
    explicit Cashier(Session& session) : m_session(session) {}

    void act(const WaitContext& context) override
    {
        if (context.kind == WaitKind::MessageBox && context.respond &&
            (context.respond(u"answer"_s, u"Yes"_s) || context.respond(u"answer"_s, u"Retry"_s))) {
            ++lockQuestions;
            return;
        }
        PaymentForm* form = m_session.Pagos;
        if (context.kind != WaitKind::Screen || form == nullptr || form->isHidden() || !context.respond)
            throw std::runtime_error("unexpected wait: " + context.description.toStdString());
        QLabel* quantity = form->quantityLabel(RentOneTwo);
        if (quantity == nullptr)
            throw std::runtime_error("the payment form has no rent line");
        QMouseEvent press(QEvent::MouseButtonPress, QPointF(2, 2), quantity->mapToGlobal(QPointF(2, 2)),
                          Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(quantity, &press);
        // The cashiers press Acepta together, on the next whole round of the clock, so that every payment
        // races with the other workstations' payments.
        const qint64 now = QDateTime::currentMSecsSinceEpoch();
        QThread::msleep(static_cast<unsigned long>(RoundMs - now % RoundMs));
        if (!context.respond(u"answer"_s, u"Acepta"_s))
            throw std::runtime_error("the payment form did not take Acepta");
    }

    int lockQuestions = 0;

private:
    Session& m_session;
};

class ServerWorkstation : public testsupport::ScreenOfficeTest
{
protected:
    QString errorLog() const
    {
        QFile file(folderPath(u"Que_Err.log"_s));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    void TearDown() override
    {
        session.wait.setStandIn(nullptr);
        session.Pagos = nullptr; // a window of the main form, which goes with it
        ScreenOfficeTest::TearDown();
    }
};

// One workstation's part, run by FourWorkstationsOnOneServer in a process of its own; it prints how many
// payments it recorded.
TEST_F(ServerWorkstation, recordsPaymentsUntilItsTimeIsUp)
{
    const QString office = qEnvironmentVariable(OfficeVariable);
    if (office.isEmpty())
        GTEST_SKIP() << "run by FourWorkstationsOnOneServer as one of its workstations";
    const int station = qEnvironmentVariableIntValue(StationVariable);
    ASSERT_TRUE(folderIsValid());
    session.shell.WorkingFolder = QDir(folderPath(u"."_s));
    session.shell.CompanyData = {u"Cablevisión del Valle"_s,
                                 u"Caja %1"_s.arg(station),
                                 QString(),
                                 office,
                                 u"CABLEVISIÓN DEL VALLE"_s,
                                 QString(),
                                 QString(),
                                 QString(),
                                 QString(),
                                 QString(),
                                 u"Gracias por su pago."_s,
                                 u"file:"_s + folderPath(u"recibos.txt"_s)};
    ASSERT_NO_FATAL_FAILURE(showOffice(office));
    LoadTariffs(session, u"P"_s);
    ASSERT_NE(session.Pagos, nullptr);
    ASSERT_EQ(session.Pagos->conceptName(RentOneTwo), u"Renta (1-2 TV)"_s);
    Cashier cashier(session);
    session.wait.setStandIn(&cashier);

    int recorded = 0;
    // Workstations 1 and 2 start with one subscriber, 3 and 4 with the next, and all move on together: in
    // every round two payments race for each subscriber's expiry as well as for the ticket.
    int subscriber = FirstPaid + (station - 1) / 2;
    const QDeadlineTimer deadline(WorkSeconds * 1000);
    while (!deadline.hasExpired()) {
        try {
            RegisterPayment(session, QString::number(subscriber), u"Suscriptor %1"_s.arg(subscriber));
        } catch (const std::exception& unexpected) {
            FAIL() << unexpected.what() << '\n' << errorLog().toStdString();
        }
        ASSERT_EQ(session.codes.EngineStatus, 0) << "subscriber " << subscriber << '\n'
                                                 << errorLog().toStdString();
        ++recorded;
        subscriber = subscriber == LastPaid ? FirstPaid : subscriber + 1;
    }
    std::printf("recorded=%d lock-questions=%d\n", recorded, cashier.lockQuestions);
    std::fflush(stdout);
}

class FourWorkstationsOnOneServer : public ::testing::Test
{
protected:
    void SetUp() override
    {
        if (serverUri().isEmpty())
            GTEST_SKIP() << "no database server: QUELMAR_TEST_PG_URI is not set (scripts/test.sh sets it)";
        if (!qEnvironmentVariableIsEmpty(OfficeVariable))
            GTEST_SKIP() << "a workstation's own run";
        // A fresh office on the server: a small demonstration office, copied there by the database layer.
        ASSERT_TRUE(m_folder.isValid());
        subscribers::DemoOptions options;
        options.subscribers = 12;
        options.years = 1;
        ASSERT_FALSE(subscribers::createDemoOffice(m_folder.path(), options));
        m_name = u"quelmar_workstations_%1"_s.arg(QCoreApplication::applicationPid());
        dropOffice();
        const db::DbError copied =
            db::copyDatabase(m_folder.filePath(subscribers::demoDatabaseFileName()), uriOf(m_name));
        ASSERT_FALSE(copied) << copied.description.toStdString();
        m_made = true;

        db::DbError error;
        m_office = db::Database::open(uriOf(m_name), {}, error);
        ASSERT_TRUE(m_office) << error.description.toStdString();
        // The subscribers paid for: connected, expiring on one day, without notes or payments yet.
        execute(u"UPDATE Suscriptores SET Situación = 'Conectado', Vencimiento = ?, Clase = '1-2 TV', "
                u"Unidades = 1, Observaciones = Null WHERE Clave BETWEEN ? AND ?"_s,
                {StartingExpiry, FirstPaid, LastPaid});
        execute(u"DELETE FROM Pagos WHERE Suscriptor BETWEEN ? AND ?"_s, {FirstPaid, LastPaid});
    }

    void TearDown() override
    {
        m_office.reset();
        if (m_made)
            dropOffice();
    }

    void dropOffice()
    {
        db::DbError error;
        if (auto admin = db::PgConnection::open(serverUri(), error))
            admin->execute(u"DROP DATABASE IF EXISTS %1 WITH (FORCE)"_s.arg(m_name));
    }

    void execute(const QString& sql, const QVariantList& values = {})
    {
        const db::DbError error = m_office->execute(sql, values);
        ASSERT_FALSE(error) << error.description.toStdString();
    }

    std::unique_ptr<db::Recordset> rows(const QString& sql)
    {
        db::DbError error;
        auto found = m_office->openRecordset(sql, db::RecordsetType::Snapshot, error);
        EXPECT_FALSE(error) << error.description.toStdString();
        return found;
    }

    QString m_name;
    bool m_made = false;
    std::unique_ptr<db::Database> m_office;
    QTemporaryDir m_folder;
};

TEST_F(FourWorkstationsOnOneServer, payingTheSameSubscribersTheyNeverShareATicketNorLoseAMonth)
{
    const qint64 counterBefore = [&] {
        auto counter = rows(u"SELECT Contenido FROM Parametros WHERE Clase = 'CDT' ORDER BY Secuen"_s);
        return counter && !counter->eof() ? counter->value(0).toString().toLongLong() : -1;
    }();
    ASSERT_GE(counterBefore, 0);
    const qint64 receiptsBefore = [&] {
        auto count = rows(u"SELECT Count(*) FROM Recibos"_s);
        return count && !count->eof() ? count->value(0).toLongLong() : 0;
    }();

    // The four workstations start together and work for the same bounded time.
    std::vector<std::unique_ptr<QProcess>> stations;
    for (int station = 1; station <= Workstations; ++station) {
        auto program = std::make_unique<QProcess>();
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QString::fromLatin1(OfficeVariable), uriOf(m_name));
        environment.insert(QString::fromLatin1(StationVariable), QString::number(station));
        environment.insert(u"QT_QPA_PLATFORM"_s, u"offscreen"_s);
        program->setProcessEnvironment(environment);
        program->setWorkingDirectory(m_folder.path());
        program->start(QCoreApplication::applicationFilePath(),
                       {u"--gtest_filter=ServerWorkstation.recordsPaymentsUntilItsTimeIsUp"_s});
        stations.push_back(std::move(program));
    }
    int recorded = 0;
    for (int station = 1; station <= Workstations; ++station) {
        QProcess& program = *stations[station - 1];
        if (!program.waitForFinished(60000)) {
            program.kill();
            program.waitForFinished();
            ADD_FAILURE() << "workstation " << station << " did not end";
            continue;
        }
        const QString output = QString::fromUtf8(program.readAllStandardOutput());
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "workstation " << station;
        EXPECT_EQ(program.exitCode(), 0)
            << "workstation " << station << '\n'
            << output.toStdString() << program.readAllStandardError().toStdString();
        const qsizetype at = output.indexOf(u"recorded="_s);
        if (at < 0) {
            ADD_FAILURE() << "workstation " << station << " did not say what it recorded";
            continue;
        }
        const int own = output.mid(at + 9).section(u' ', 0, 0).toInt();
        EXPECT_GT(own, 0) << "workstation " << station << " recorded nothing";
        std::printf("workstation %d: %s\n", station, qPrintable(output.mid(at).section(u'\n', 0, 0)));
        recorded += own;
    }

    // Every payment a workstation recorded has its receipt, under a ticket of its own, consecutive from the
    // counter's value before.
    auto receipts =
        rows(u"SELECT Ticket FROM Recibos WHERE Ticket > %1 ORDER BY Ticket"_s.arg(counterBefore));
    ASSERT_TRUE(receipts);
    QSet<qint64> tickets;
    qint64 highest = counterBefore;
    for (; !receipts->eof(); receipts->moveNext()) {
        const qint64 ticket = receipts->value(0).toLongLong();
        EXPECT_FALSE(tickets.contains(ticket)) << "ticket " << ticket << " given twice";
        tickets.insert(ticket);
        highest = std::max(highest, ticket);
    }
    EXPECT_EQ(tickets.size(), recorded);
    EXPECT_EQ(highest, counterBefore + recorded);
    auto allReceipts = rows(u"SELECT Count(*) FROM Recibos"_s);
    ASSERT_TRUE(allReceipts);
    EXPECT_EQ(allReceipts->value(0).toLongLong(), receiptsBefore + recorded);

    // One rent row per receipt, each with its receipt's ticket and subscriber: nothing partial.
    auto unmatched = rows(u"SELECT Count(*) FROM Pagos LEFT JOIN Recibos ON Pagos.Ticket = Recibos.Ticket "
                          u"WHERE Pagos.Suscriptor BETWEEN %1 AND %2 AND (Recibos.Ticket Is Null OR "
                          u"Recibos.Suscriptor <> Pagos.Suscriptor)"_s.arg(FirstPaid)
                              .arg(LastPaid));
    ASSERT_TRUE(unmatched);
    EXPECT_EQ(unmatched->value(0).toLongLong(), 0);
    auto paid = rows(u"SELECT Suscriptor, Count(*) FROM Pagos WHERE Suscriptor BETWEEN %1 AND %2 GROUP BY "
                     u"Suscriptor"_s.arg(FirstPaid)
                         .arg(LastPaid));
    ASSERT_TRUE(paid);
    QMap<int, int> months;
    int rentRows = 0;
    for (; !paid->eof(); paid->moveNext()) {
        months[paid->value(0).toInt()] = paid->value(1).toInt();
        rentRows += paid->value(1).toInt();
    }
    EXPECT_EQ(rentRows, recorded);

    // Each subscriber's expiry moved by the months paid for it, whichever workstation took them.
    auto expiries = rows(u"SELECT Clave, Vencimiento FROM Suscriptores WHERE Clave BETWEEN %1 AND %2 ORDER "
                         u"BY Clave"_s.arg(FirstPaid)
                             .arg(LastPaid));
    ASSERT_TRUE(expiries);
    for (; !expiries->eof(); expiries->moveNext()) {
        const int key = expiries->value(0).toInt();
        EXPECT_EQ(expiries->value(1).toDate(), StartingExpiry.addMonths(months.value(key)))
            << "subscriber " << key << " with " << months.value(key) << " months paid";
    }

    // The counter stands at the highest ticket.
    auto counter = rows(u"SELECT Contenido FROM Parametros WHERE Clase = 'CDT' ORDER BY Secuen"_s);
    ASSERT_TRUE(counter && !counter->eof());
    EXPECT_EQ(counter->value(0).toString().toLongLong(), highest);
}

} // namespace
} // namespace quelmar::office
