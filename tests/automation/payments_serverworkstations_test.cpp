// Four workstations at the counter of an office kept on a database server: four real programs, each in a
// folder of its own whose company file names the same server database, pay for the same few subscribers
// through the menus and the payment form. In every round the four cashiers press Acepta together, two by two
// for the same subscriber, so that the payments race for the ticket counter and for the subscriber's expiry.
// Afterwards every receipt the transcripts show is in the database once, with its rows and its months; no
// ticket is given twice, none is skipped, the months of each subscriber run on one from the other, and the
// ticket counter stands at the highest ticket.
//
// Without a server (QUELMAR_TEST_PG_URI unset) the test is skipped.
#include "officesession.h"

#include "db/pgconnection.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QMap>
#include <QRegularExpression>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

using quelmar::automationtest::ProcessTimeout;

constexpr int Stations = 4;
constexpr int Rounds = 5;
constexpr int Subscribers = 3;

// The months a station's cashier takes at every payment: one at cajas 1 and 3, two at cajas 2 and 4, so that
// the two payments that race for one subscriber differ.
int monthsAt(int station)
{
    return station % 2 == 0 ? 1 : 2;
}

// The subscriber (0 to Subscribers - 1) a station pays for in a round: stations 0 and 1 pay for one, 2 and 3
// for the next, and every round moves on by one.
int subscriberAt(int station, int round)
{
    return (round + station / 2) % Subscribers;
}

// Text as the test's messages show it.
std::string text(const QString& value)
{
    return value.toStdString();
}

// A receipt as a transcript shows it.
struct Receipt
{
    qint64 ticket = 0;
    QString contract;
    double amount = 0;
    QString period; // "2 Mes  18-Dic-2026 a 18-Feb-2027"
};

QList<Receipt> receiptsIn(const QStringList& transcript)
{
    static const QRegularExpression ticketLine(QStringLiteral("^\\[receipt\\] Ticket = (\\d+) "));
    static const QRegularExpression contractLine(QStringLiteral("^\\[receipt\\] +Contrato (\\d+) "));
    static const QRegularExpression rentLine(
        QStringLiteral("^\\[receipt\\] +Renta \\(1-2 TV\\) = ([\\d.,]+) \\((.*)\\)$"));
    QList<Receipt> found;
    for (const QString& line : transcript) {
        if (const QRegularExpressionMatch match = ticketLine.match(line); match.hasMatch()) {
            found.append(Receipt{match.captured(1).toLongLong(), {}, 0, {}});
        } else if (found.isEmpty()) {
            continue;
        } else if (const QRegularExpressionMatch contract = contractLine.match(line); contract.hasMatch()) {
            found.last().contract = contract.captured(1);
        } else if (const QRegularExpressionMatch rent = rentLine.match(line); rent.hasMatch()) {
            found.last().amount = rent.captured(1).remove(QLatin1Char(',')).toDouble();
            found.last().period = rent.captured(2);
        }
    }
    return found;
}

class ServerWorkstations : public quelmar::automationtest::OfficeSession
{
protected:
    ServerWorkstations() : OfficeSession(30) {}

    static QString serverUri() { return qEnvironmentVariable("QUELMAR_TEST_PG_URI"); }

    void SetUp() override
    {
        if (serverUri().isEmpty())
            GTEST_SKIP() << "no database server: QUELMAR_TEST_PG_URI is not set (scripts/test.sh sets it)";
        OfficeSession::SetUp();
        if (HasFatalFailure())
            return;

        // A fresh database of this run's own on the server, copied from the demonstration office.
        m_name = QStringLiteral("quelmar_estaciones_%1").arg(QCoreApplication::applicationPid());
        QUrl url(serverUri());
        url.setPath(QLatin1Char('/') + m_name);
        m_uri = url.toString();
        dropDatabase();
        m_made = true;
        ASSERT_EQ(admin({QStringLiteral("copy"), office() + QStringLiteral("/Quelmar.mdb"), m_uri}), 0)
            << m_adminOutput.toStdString();

        // Each workstation's folder: the office's menu and notices, and a company file whose database (line
        // 4) is the server's.
        QFile demoCompany(office() + QStringLiteral("/Quelmar.emp"));
        ASSERT_TRUE(demoCompany.open(QIODevice::ReadOnly));
        // Every line counts, the empty ones too: the company file's entries are known by their place.
        QStringList company =
            QString::fromUtf8(demoCompany.readAll()).remove(QLatin1Char('\r')).split(QLatin1Char('\n'));
        ASSERT_GE(company.size(), 12);
        company[3] = m_uri;
        for (int station = 0; station < Stations; ++station) {
            const QString folder = stationFolder(station);
            ASSERT_TRUE(QDir().mkpath(folder));
            for (const char* name : {"Quelmar.men", "Avisos.txt"}) {
                const QString file = QString::fromLatin1(name);
                ASSERT_TRUE(QFile::copy(office() + QLatin1Char('/') + file, folder + QLatin1Char('/') + file))
                    << name;
            }
            QFile file(folder + QStringLiteral("/Quelmar.emp"));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(company.join(QStringLiteral("\r\n")).toUtf8());
        }
    }

    void TearDown() override
    {
        for (const std::unique_ptr<QProcess>& program : m_programs) {
            if (program->state() != QProcess::NotRunning) {
                program->kill();
                program->waitForFinished();
            }
        }
        if (m_made)
            dropDatabase();
        OfficeSession::TearDown();
    }

    void dropDatabase()
    {
        quelmar::db::DbError error;
        auto server = quelmar::db::PgConnection::open(serverUri(), error);
        ASSERT_TRUE(server) << error.description.toStdString();
        const quelmar::db::DbError dropped =
            server->execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
        EXPECT_FALSE(dropped) << dropped.description.toStdString();
    }

    // Runs the companion command; its output goes to m_adminOutput.
    int admin(const QStringList& arguments)
    {
        QProcess command;
        command.start(QStringLiteral(QUELMAR_ADMIN), arguments);
        if (!command.waitForFinished(ProcessTimeout)) {
            command.kill();
            command.waitForFinished();
            return -1;
        }
        m_adminOutput = QString::fromUtf8(command.readAllStandardOutput()) +
                        QString::fromUtf8(command.readAllStandardError());
        return command.exitStatus() == QProcess::NormalExit ? command.exitCode() : -1;
    }

    // The rows of a statement on the server database, each a list of its values (the header left out).
    QList<QStringList> serverRows(const QString& statement)
    {
        const int status = admin({QStringLiteral("query"), m_uri, statement});
        EXPECT_EQ(status, 0) << statement.toStdString() << '\n' << m_adminOutput.toStdString();
        QList<QStringList> rows;
        const QStringList printed = m_adminOutput.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype at = 1; at < printed.size(); ++at)
            rows.append(printed.at(at).split(QLatin1Char('\t')));
        return rows;
    }

    // Runs an action statement on the server database; false (with the output) unless it wrote the rows.
    ::testing::AssertionResult serverWrite(const QString& statement, int written)
    {
        if (admin({QStringLiteral("query"), m_uri, statement}) != 0 ||
            !m_adminOutput.contains(QStringLiteral("Registros afectados: %1").arg(written)))
            return ::testing::AssertionFailure() << statement.toStdString() << '\n'
                                                 << m_adminOutput.toStdString();
        return ::testing::AssertionSuccess();
    }

    QString serverValue(const QString& statement)
    {
        const QList<QStringList> rows = serverRows(statement);
        return rows.isEmpty() ? QString() : rows.constFirst().value(0).trimmed();
    }

    QString stationFolder(int station) const { return path(QStringLiteral("caja%1").arg(station + 1)); }
    QString transcriptOf(int station) const
    {
        return path(QStringLiteral("caja%1-transcripcion.txt").arg(station + 1));
    }
    QString roundFlag(int round) const { return path(QStringLiteral("ronda%1.flag").arg(round + 1)); }

    // A station's script: in every round it finds its subscriber by contract, takes its months of rent, waits
    // for the round's flag and accepts; at the end it leaves through the menu.
    QString scriptOf(int station, const QStringList& contracts) const
    {
        QString script;
        for (int round = 0; round < Rounds; ++round) {
            script += QStringLiteral("menu 2\nmenu 1\nanswer C\nanswer %1\nrow 1\nkey Enter\n"
                                     "expect [panel] Pagos de\n")
                          .arg(contracts.at(subscriberAt(station, round)));
            for (int month = 0; month < monthsAt(station); ++month)
                script += QStringLiteral("click PCan 1\n");
            script +=
                QStringLiteral("await %1\npress Acepta\nexpect [receipt] Ticket =\n").arg(roundFlag(round));
        }
        return script + QStringLiteral("menu 98\n");
    }

    // Starts the four programs at once and lets each round's payments go when every station still running has
    // its payment form filled in for the round. False when the time ran out.
    bool runStations(const QStringList& contracts)
    {
        for (int station = 0; station < Stations; ++station) {
            QFile file(path(QStringLiteral("caja%1-guion.txt").arg(station + 1)));
            EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
            file.write(scriptOf(station, contracts).toUtf8());
            file.close();
            m_programs.push_back(std::make_unique<QProcess>());
            startProgram(*m_programs.back(),
                         {QStringLiteral("--dir"), stationFolder(station), QStringLiteral("--script"),
                          file.fileName(), QStringLiteral("--transcript"), transcriptOf(station)});
        }
        QElapsedTimer elapsed;
        elapsed.start();
        for (int round = 0; round < Rounds; ++round) {
            // A form filled in for the round shows one panel per month taken, after the one it opened with.
            const auto ready = [&](int station) {
                if (m_programs[station]->state() == QProcess::NotRunning)
                    return true;
                const QStringList shown = lines(transcriptOf(station));
                const auto panels = std::count_if(shown.begin(), shown.end(), [](const QString& line) {
                    return line.startsWith(QLatin1String("[panel] Pagos de"));
                });
                return panels >= (round + 1) * (monthsAt(station) + 1);
            };
            for (int station = 0; station < Stations; ++station) {
                // Waiting for the process to end is what lets it be seen ending, so that a station that
                // stopped early does not hold the others.
                while (!ready(station)) {
                    if (elapsed.hasExpired(ProcessTimeout))
                        return false;
                    m_programs[station]->waitForFinished(20);
                }
            }
            QFile flag(roundFlag(round));
            EXPECT_TRUE(flag.open(QIODevice::WriteOnly));
        }
        for (const std::unique_ptr<QProcess>& program : m_programs) {
            if (!program->waitForFinished(
                    static_cast<int>(std::max<qint64>(ProcessTimeout - elapsed.elapsed(), 1))))
                return false;
        }
        return true;
    }

    QString m_name;
    QString m_uri;
    bool m_made = false;
    QString m_adminOutput;
    std::vector<std::unique_ptr<QProcess>> m_programs;
};

TEST_F(ServerWorkstations, fourProgramsPayingForTheSameSubscribersNeverShareATicketNorLoseAMonth)
{
    // The subscribers paid for: connected, one rent line, no notice waiting, no payments yet, all expiring on
    // the 15th of next month (a day every month has).
    const QList<QStringList> chosen = serverRows(
        QStringLiteral("SELECT TOP %1 Clave, Contrato FROM Suscriptores ORDER BY Contrato").arg(Subscribers));
    ASSERT_EQ(chosen.size(), Subscribers);
    QStringList keys;
    QStringList contracts;
    for (const QStringList& row : chosen) {
        keys.append(row.value(0).trimmed());
        contracts.append(row.value(1).trimmed());
    }
    const QString keyList = keys.join(QStringLiteral(", "));
    const QDate today = QDate::currentDate();
    const QDate startingExpiry = QDate(today.year(), today.month(), 15).addMonths(1);
    ASSERT_TRUE(
        serverWrite(QStringLiteral("UPDATE Suscriptores SET Situación = 'Conectado', Clase = '1-2 TV', "
                                   "Unidades = 1, Observaciones = Null, Vencimiento = #%1# WHERE Clave "
                                   "IN (%2)")
                        .arg(startingExpiry.toString(QStringLiteral("M/d/yyyy")), keyList),
                    Subscribers));
    ASSERT_EQ(admin({QStringLiteral("query"), m_uri,
                     QStringLiteral("DELETE FROM Pagos WHERE Suscriptor IN (%1)").arg(keyList)}),
              0)
        << m_adminOutput.toStdString();
    const qint64 counterBefore =
        serverValue(QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'CDT' ORDER BY Secuen"))
            .toLongLong();
    ASSERT_GT(counterBefore, 0);

    const bool ended = runStations(contracts);
    QList<QList<Receipt>> shown;
    for (int station = 0; station < Stations; ++station) {
        QProcess& program = *m_programs[station];
        const bool running = program.state() != QProcess::NotRunning;
        if (running) {
            program.kill();
            program.waitForFinished();
        }
        const QStringList transcript = lines(transcriptOf(station));
        const std::string seen = transcript.join(QLatin1Char('\n')).toStdString() + '\n' +
                                 program.readAllStandardError().toStdString();
        EXPECT_FALSE(running) << "station " << station + 1 << " did not end\n" << seen;
        EXPECT_EQ(program.exitStatus(), QProcess::NormalExit) << "station " << station + 1;
        EXPECT_EQ(program.exitCode(), 0) << "station " << station + 1 << '\n' << seen;
        shown.append(receiptsIn(transcript));
    }
    ASSERT_TRUE(ended) << "the workstations did not end in " << ProcessTimeout / 1000 << " seconds";

    // Each station's receipts are the payments its cashier made, in order: its subscriber, its months.
    QMap<qint64, Receipt> receipts;
    for (int station = 0; station < Stations; ++station) {
        ASSERT_EQ(shown[station].size(), Rounds) << "station " << station + 1;
        for (int round = 0; round < Rounds; ++round) {
            const Receipt& receipt = shown[station][round];
            EXPECT_EQ(text(receipt.contract), text(contracts.at(subscriberAt(station, round))))
                << "station " << station + 1 << ", round " << round + 1;
            EXPECT_TRUE(receipt.period.startsWith(QStringLiteral("%1 Mes  ").arg(monthsAt(station))))
                << "station " << station + 1 << ", round " << round + 1 << ": "
                << receipt.period.toStdString();
            EXPECT_FALSE(receipts.contains(receipt.ticket)) << "ticket " << receipt.ticket << " shown twice";
            receipts.insert(receipt.ticket, receipt);
        }
    }

    // The tickets run on from the counter without a gap, and the counter stands at the highest.
    const qint64 payments = Stations * Rounds;
    ASSERT_EQ(receipts.size(), payments);
    EXPECT_EQ(receipts.firstKey(), counterBefore + 1);
    EXPECT_EQ(receipts.lastKey(), counterBefore + payments);
    EXPECT_EQ(
        serverValue(QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'CDT' ORDER BY Secuen"))
            .toLongLong(),
        counterBefore + payments);

    // The database keeps each shown receipt once, and one rent row for it, with the receipt's subscriber,
    // amount and months; nothing else was written for the subscribers or under a new ticket.
    QMap<QString, QString> contractOfKey;
    for (int at = 0; at < Subscribers; ++at)
        contractOfKey.insert(keys.at(at), contracts.at(at));
    QMap<qint64, int> stored;
    for (const QStringList& row :
         serverRows(QStringLiteral("SELECT Ticket, Suscriptor FROM Recibos WHERE Ticket > %1 ORDER BY Ticket")
                        .arg(counterBefore))) {
        const qint64 ticket = row.value(0).toLongLong();
        ++stored[ticket];
        ASSERT_TRUE(receipts.contains(ticket)) << "receipt " << ticket << " in the database, on no screen";
        EXPECT_EQ(text(contractOfKey.value(row.value(1).trimmed())), text(receipts[ticket].contract))
            << "ticket " << ticket;
    }
    for (auto receipt = receipts.cbegin(); receipt != receipts.cend(); ++receipt)
        EXPECT_EQ(stored.value(receipt.key()), 1) << "receipt " << receipt.key() << " in the database";

    // The subscribers' rent rows, by key, in the order of the tickets.
    QMap<QString, QList<QStringList>> rentOf;
    QMap<qint64, int> rows;
    for (const QStringList& row :
         serverRows(QStringLiteral("SELECT Ticket, Suscriptor, Concepto, Cantidad, Observaciones FROM Pagos "
                                   "WHERE Suscriptor IN (%1) OR Ticket > %2 ORDER BY Ticket")
                        .arg(keyList)
                        .arg(counterBefore))) {
        const qint64 ticket = row.value(0).toLongLong();
        ++rows[ticket];
        ASSERT_TRUE(receipts.contains(ticket))
            << "a payment row under ticket " << row.value(0).toStdString() << ", on no receipt";
        const Receipt& receipt = receipts[ticket];
        EXPECT_EQ(text(contractOfKey.value(row.value(1).trimmed())), text(receipt.contract))
            << "ticket " << ticket;
        EXPECT_EQ(text(row.value(2)), "Renta (1-2 TV)") << "ticket " << ticket;
        EXPECT_EQ(row.value(3).toDouble(), receipt.amount) << "ticket " << ticket;
        EXPECT_EQ(text(row.value(4)), text(receipt.period)) << "ticket " << ticket;
        rentOf[row.value(1).trimmed()].append(row);
    }
    for (auto receipt = receipts.cbegin(); receipt != receipts.cend(); ++receipt)
        EXPECT_EQ(rows.value(receipt.key()), 1) << "payment rows of ticket " << receipt.key();

    // Each subscriber's payments run on one from the other, ticket after ticket, and its expiry is where the
    // last one ended: no month was paid twice nor lost.
    static const QRegularExpression period(QStringLiteral("^(\\d+) Mes  (\\S+) a (\\S+)$"));
    for (int at = 0; at < Subscribers; ++at) {
        const QString key = keys.at(at);
        QDate from = startingExpiry;
        for (const QStringList& row : rentOf.value(key)) {
            const QRegularExpressionMatch match = period.match(row.value(4));
            ASSERT_TRUE(match.hasMatch()) << row.value(4).toStdString();
            EXPECT_EQ(text(match.captured(2)), text(shownDate(from)))
                << "subscriber " << key.toStdString() << ", ticket " << row.value(0).toStdString();
            from = from.addMonths(match.captured(1).toInt());
            EXPECT_EQ(text(match.captured(3)), text(shownDate(from)))
                << "subscriber " << key.toStdString() << ", ticket " << row.value(0).toStdString();
        }
        EXPECT_EQ(
            text(serverValue(QStringLiteral("SELECT Vencimiento FROM Suscriptores WHERE Clave = ") + key)
                     .left(10)),
            text(from.toString(Qt::ISODate)))
            << "subscriber " << key.toStdString();
    }
}

} // namespace
