// Two workstations at the counter, as two real programs on one database file: the office's folder, and a
// second folder whose company file names the office's database. While one cashier keeps the payment form of
// a subscriber open, the other pays for the same subscriber; then the first accepts. Neither blocks the
// other, and the months paid add up.
#include "officesession.h"

#include <QDate>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>

namespace {

using quelmar::automationtest::ProcessTimeout;

class Workstations : public quelmar::automationtest::OfficeSession
{
protected:
    Workstations() : OfficeSession(60) {}

    void SetUp() override
    {
        OfficeSession::SetUp();
        if (HasFatalFailure())
            return;
        // The second workstation's folder: the office's files, with a company file whose database (line 4)
        // is the office's own, named by its full path.
        ASSERT_TRUE(QDir().mkpath(second()));
        for (const char* name : {"Quelmar.men", "Avisos.txt"}) {
            const QString file = QString::fromLatin1(name);
            ASSERT_TRUE(QFile::copy(office() + u'/' + file, second() + u'/' + file)) << name;
        }
        // Every line kept, the empty ones too: each entry of the company file is known by its line.
        QFile original(office() + QStringLiteral("/Quelmar.emp"));
        ASSERT_TRUE(original.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(original.readAll());
        const QString separator =
            text.contains(QStringLiteral("\r\n")) ? QStringLiteral("\r\n") : QStringLiteral("\n");
        QStringList company = text.split(separator);
        ASSERT_GE(company.size(), 4);
        company[3] = office() + QStringLiteral("/Quelmar");
        QFile file(second() + QStringLiteral("/Quelmar.emp"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(company.join(separator).toUtf8());
    }

    QString second() const { return path(QStringLiteral("caja2")); }

    // Starts the program on the folder with the script; the transcript goes to the file named.
    void startOn(QProcess& program, const QString& folder, const QString& name, const QString& script)
    {
        QFile file(path(name + QStringLiteral(".txt")));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(script.toUtf8());
        file.close();
        startProgram(program, {QStringLiteral("--dir"), folder, QStringLiteral("--script"), file.fileName(),
                               QStringLiteral("--transcript"), transcriptOf(name)});
    }

    QString transcriptOf(const QString& name) const
    {
        return path(name + QStringLiteral("-transcripcion.txt"));
    }

    QString shown(const QString& name) const { return lines(transcriptOf(name)).join(u'\n'); }

    // Waits (at most the process timeout) until the transcript holds the text.
    bool waitForTranscript(const QString& name, const QString& text, QProcess& program)
    {
        QElapsedTimer elapsed;
        elapsed.start();
        while (!shown(name).contains(text)) {
            if (elapsed.hasExpired(ProcessTimeout) || program.state() == QProcess::NotRunning)
                return false;
            QThread::msleep(100);
        }
        return true;
    }

    // The expiry after paying months, as the office counts them: 31 January + 1 month is 3 March.
    static QDate paidMonths(const QDate& expiry, int months)
    {
        return QDate(expiry.year(), expiry.month(), 1).addMonths(months).addDays(expiry.day() - 1);
    }

    static QString paying(const QString& contract)
    {
        return QStringLiteral("menu 2\nmenu 1\nanswer C\nanswer %1\nrow 1\nkey Enter\n"
                              "expect [panel] Pagos de\nclick PCan 1\n")
            .arg(contract);
    }
};

TEST_F(Workstations, paymentsOfOneSubscriberAtTwoWorkstationsAddUp)
{
    const QString contract = query(QStringLiteral(
        "SELECT Min(Contrato) FROM Suscriptores WHERE Situación = 'Conectado' AND Clase = '1-2 TV' AND "
        "Vencimiento > #1/1/2000# AND (Observaciones Is Null OR Observaciones Not Like '*Aviso=*')"));
    ASSERT_FALSE(contract.isEmpty());
    const QString key = query(QStringLiteral("SELECT Clave FROM Suscriptores WHERE Contrato = ") + contract);
    const QDate expiry = QDate::fromString(
        query(QStringLiteral("SELECT Vencimiento FROM Suscriptores WHERE Clave = ") + key).left(10),
        Qt::ISODate);
    ASSERT_TRUE(expiry.isValid());
    const qint64 counter =
        query(QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'CDT'")).toLongLong();
    const QString goOn = path(QStringLiteral("acepta.flag"));

    // The central cashier opens the form, takes one month and waits.
    QProcess central;
    startOn(central, office(), QStringLiteral("central"),
            paying(contract) +
                QStringLiteral("await %1\npress Acepta\nexpect [receipt]\nmenu 98\n").arg(goOn));
    ASSERT_TRUE(waitForTranscript(QStringLiteral("central"), QStringLiteral("[panel] Pagos de"), central))
        << shown(QStringLiteral("central")).toStdString();

    // Meanwhile the second workstation pays one month for the same subscriber, start to end.
    QProcess remote;
    startOn(remote, second(), QStringLiteral("caja2"),
            paying(contract) + QStringLiteral("press Acepta\nexpect [receipt]\nmenu 98\n"));
    ASSERT_TRUE(remote.waitForFinished(ProcessTimeout));
    EXPECT_EQ(remote.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(remote.exitCode(), 0) << shown(QStringLiteral("caja2")).toStdString()
                                    << remote.readAllStandardError().toStdString();

    // Then the central cashier accepts.
    QFile flag(goOn);
    ASSERT_TRUE(flag.open(QIODevice::WriteOnly));
    flag.close();
    ASSERT_TRUE(central.waitForFinished(ProcessTimeout));
    EXPECT_EQ(central.exitCode(), 0) << shown(QStringLiteral("central")).toStdString()
                                     << central.readAllStandardError().toStdString();

    // Two tickets, two months: the second payment runs on from where the first one ended.
    const auto month = [](const QDate& from, const QDate& to) {
        return QStringLiteral("1 Mes  %1 a %2").arg(shownDate(from), shownDate(to));
    };
    const QDate once = paidMonths(expiry, 1);
    const QDate twice = paidMonths(once, 1);
    EXPECT_EQ(query(QStringLiteral("SELECT Vencimiento FROM Suscriptores WHERE Clave = ") + key).left(10),
              twice.toString(Qt::ISODate));
    EXPECT_EQ(query(QStringLiteral("SELECT Contenido FROM Parametros WHERE Clase = 'CDT'")).toLongLong(),
              counter + 2);
    EXPECT_EQ(query(QStringLiteral("SELECT Observaciones FROM Pagos WHERE Ticket = %1").arg(counter + 1)),
              month(expiry, once));
    EXPECT_EQ(query(QStringLiteral("SELECT Observaciones FROM Pagos WHERE Ticket = %1").arg(counter + 2)),
              month(once, twice));
    EXPECT_TRUE(
        shown(QStringLiteral("caja2")).contains(QStringLiteral("[receipt] Ticket = %1").arg(counter + 1)));
    EXPECT_TRUE(
        shown(QStringLiteral("central")).contains(QStringLiteral("[receipt] Ticket = %1").arg(counter + 2)));
}

} // namespace
