#include "office/receiptprinter.h"

#include "db/database.h"
#include "shell/shellfixture.h"

#include <QFile>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace quelmar::shelltest {
namespace {

using office::ReceiptDestination;

// ---- Where entry 12 sends the receipts ----

struct DestinationCase
{
    QString entry;
    ReceiptDestination::Kind kind;
    QString target;
    int port;
};

QString serialPort(int number)
{
#ifdef Q_OS_WIN
    return u"COM"_s + QString::number(number);
#else
    return u"/dev/ttyS"_s + QString::number(number - 1);
#endif
}

TEST(ReceiptDestinationTest, readsTheCompanyFilesEntry)
{
    using Kind = ReceiptDestination::Kind;
    const QList<DestinationCase> cases{
        {u"3"_s, Kind::SerialPort, serialPort(3), 0},
        {u" 2 "_s, Kind::SerialPort, serialPort(2), 0},
        {u""_s, Kind::SerialPort, serialPort(1), 0},
        {u"0"_s, Kind::SerialPort, serialPort(1), 0},
        {u"-4"_s, Kind::SerialPort, serialPort(1), 0},
        {u"COM"_s, Kind::SerialPort, serialPort(1), 0},
        {u"/dev/ttyUSB0"_s, Kind::SerialPort, u"/dev/ttyUSB0"_s, 0},
        {u"/dev/pts/3"_s, Kind::SerialPort, u"/dev/pts/3"_s, 0},
        {u"tcp:192.168.1.50:9100"_s, Kind::Network, u"192.168.1.50"_s, 9100},
        {u"TCP:impresora.local:9100"_s, Kind::Network, u"impresora.local"_s, 9100},
        {u"tcp:impresora"_s, Kind::Network, u"impresora"_s, 0},
        {u"tcp:impresora:70000"_s, Kind::Network, u"impresora"_s, 0},
        {u"tcp:impresora:x"_s, Kind::Network, u"impresora"_s, 0},
        {u"file:recibos.txt"_s, Kind::File, u"recibos.txt"_s, 0},
        {u"file:/var/tmp/recibos.txt"_s, Kind::File, u"/var/tmp/recibos.txt"_s, 0},
    };
    for (const DestinationCase& c : cases) {
        const ReceiptDestination destination = office::receiptDestination(c.entry);
        EXPECT_EQ(destination.kind, c.kind) << c.entry.toStdString();
        EXPECT_EQ(destination.target, c.target) << c.entry.toStdString();
        EXPECT_EQ(destination.port, c.port) << c.entry.toStdString();
    }
}

// ---- The bytes of a receipt ----

TEST(ReceiptPiecesTest, cutsLinesIntoPiecesOf38Characters)
{
    const QString a38(38, u'a');
    const QString b38(38, u'b');
    const struct
    {
        QString line;
        QStringList pieces;
    } cases[] = {
        {u""_s, {}},
        {u"Renta"_s, {u"Renta"_s}},
        {a38, {a38}},
        {a38 + u"c"_s, {a38, u"c"_s}},
        {a38 + b38 + QString(14, u'c'), {a38, b38, QString(14, u'c')}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(office::receiptPieces(c.line), c.pieces) << c.line.toStdString();
}

TEST(PrinterTextTest, writesCodePage437KeepingTheSpanishLetters)
{
    const struct
    {
        QString text;
        QByteArray bytes;
    } cases[] = {
        {u"Total: $1,200.00"_s, "Total: $1,200.00"},
        {u"Reconexión"_s, "Reconexi\xa2n"},
        {u"áéíóú ñÑ üÜ É"_s, "\xa0\x82\xa1\xa2\xa3 \xa4\xa5 \x81\x9a \x90"},
        {u"¿Sí? ¡Ya! nº 5ª"_s, "\xa8S\xa1? \xadYa! n\xa7 5\xa6"},
        // Capitals the code page lacks keep their letter; what it cannot show at all becomes "?".
        {u"MARÍA ÁNGEL ÚRSULA ÓSCAR"_s, "MARIA ANGEL URSULA OSCAR"},
        {u"10 €"_s, "10 ?"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(office::printerText(c.text), c.bytes) << c.text.toStdString();
}

// ---- Printing ----

const QString LongConcept = u"      Renta (1-2 TV) = 1,200.00 (2 Mes  15-Ene-2026 a 15-Mar-2026)"_s;

// A short receipt: an empty line (skipped), an accent, and a line of 67 characters (two pieces).
QStringList shortReceipt()
{
    return {u"CABLE DEL VALLE"_s, QString(), u"Ticket = 7"_s, u"     Reconexión = 150"_s, LongConcept};
}

QByteArray shortReceiptBytes()
{
    QByteArray bytes = "\x1b@\x07";
    bytes += "CABLE DEL VALLE  \n";
    bytes += "Ticket = 7  \n";
    bytes += "     Reconexi\xa2n = 150  \n";
    bytes += LongConcept.left(38).toLatin1() + "  " + LongConcept.mid(38).toLatin1() + "  \n";
    bytes += " \n \n \n \n \n \n";
    return bytes;
}

class ReceiptPrinterTest : public ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        session.shell.CompanyData = QStringList(13, QString());
    }

    void setPrinter(const QString& entry) { session.shell.CompanyData[11] = entry; }

    QByteArray fileBytes(const QString& name) const
    {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList receiptTranscript()
    {
        QStringList lines = transcriptLines();
        lines.removeIf([](const QString& line) { return !line.startsWith(u"[receipt] "_s); });
        return lines;
    }

    // Lets events run until done() holds, for at most five seconds.
    void waitFor(const std::function<bool()>& done)
    {
        bool expired = false;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &timer, [&expired] { expired = true; });
        timer.start(5000);
        session.wait.until([&] { return expired || done(); });
    }

    // An office database holding payments (Suscriptor, Ticket; their Fecha, Cantidad, Concepto and
    // Observaciones empty) and its subscribers (Clave, Nombre, Contrato; none yet), in the folder "datos".
    void openPayments(const QList<QList<int>>& payments)
    {
        using namespace db;
        ASSERT_TRUE(QDir(folder.path()).mkpath(u"datos"_s));
        DbError error;
        std::unique_ptr<Database> database = Database::create(path(u"datos/quelmar.mdb"_s), error);
        ASSERT_TRUE(database) << error.description.toStdString();
        const auto field = [](const QString& name, int type = jettype::Long) {
            FieldDef def;
            def.name = name;
            def.type = type;
            def.size = type == jettype::Text ? 50 : 0;
            return def;
        };
        TableDef table;
        table.name = u"Pagos"_s;
        table.fields = {field(u"Suscriptor"_s),
                        field(u"Ticket"_s),
                        field(u"Fecha"_s, jettype::Date),
                        field(u"Cantidad"_s, jettype::Currency),
                        field(u"Concepto"_s, jettype::Text),
                        field(u"Observaciones"_s, jettype::Text)};
        TableDef subscribers;
        subscribers.name = u"Suscriptores"_s;
        subscribers.fields = {field(u"Clave"_s), field(u"Nombre"_s, jettype::Text), field(u"Contrato"_s)};
        ASSERT_TRUE(database->createTables({table, subscribers}).ok());
        for (const QList<int>& payment : payments) {
            error = database->execute(u"INSERT INTO Pagos (Suscriptor, Ticket) VALUES (?, ?)"_s,
                                      {payment.value(0), payment.value(1)});
            ASSERT_TRUE(error.ok()) << error.description.toStdString();
        }
        session.database.CurrentDatabase = std::move(database);
    }
};

TEST_F(ReceiptPrinterTest, sendsTheReceiptToAFileAndKeepsItsCopy)
{
    setPrinter(u"file:impresora.bin"_s);
    office::PrintReceipt(session, shortReceipt(), 7);

    EXPECT_EQ(fileBytes(u"impresora.bin"_s), shortReceiptBytes());
    EXPECT_EQ(receiptTranscript(),
              QStringList({u"[receipt] CABLE DEL VALLE"_s, u"[receipt] Ticket = 7"_s,
                           u"[receipt]      Reconexión = 150"_s, u"[receipt] "_s + LongConcept}));
    EXPECT_EQ(QString::fromUtf8(fileBytes(u"recibos/recibo-7.txt"_s)), shortReceipt().join(u'\n') + u'\n');
    EXPECT_EQ(session.payments.LastReceipt, shortReceipt());
    EXPECT_TRUE(user.waits.isEmpty());

    // The next receipt is added after the first.
    office::PrintReceipt(session, {u"Ticket = 8"_s}, 8);
    EXPECT_EQ(fileBytes(u"impresora.bin"_s),
              shortReceiptBytes() + "\x1b@\x07Ticket = 8  \n \n \n \n \n \n \n");
    EXPECT_EQ(session.payments.LastReceipt, QStringList{u"Ticket = 8"_s});
}

TEST_F(ReceiptPrinterTest, keepsTheCopyBesideTheDatabase)
{
    openPayments({});
    setPrinter(u"file:impresora.bin"_s);
    office::PrintReceipt(session, shortReceipt(), 12);

    EXPECT_EQ(QString::fromUtf8(fileBytes(u"datos/recibos/recibo-12.txt"_s)),
              shortReceipt().join(u'\n') + u'\n');
    EXPECT_FALSE(QFile::exists(path(u"recibos/recibo-12.txt"_s)));
}

TEST_F(ReceiptPrinterTest, sendsTheReceiptToANetworkPrinter)
{
    QTcpServer printer;
    ASSERT_TRUE(printer.listen(QHostAddress::LocalHost));
    QByteArray received;
    bool closed = false;
    QObject::connect(&printer, &QTcpServer::newConnection, &printer, [&] {
        QTcpSocket* connection = printer.nextPendingConnection();
        QObject::connect(connection, &QTcpSocket::readyRead, connection,
                         [&received, connection] { received += connection->readAll(); });
        QObject::connect(connection, &QTcpSocket::disconnected, connection, [&closed, &received, connection] {
            received += connection->readAll();
            closed = true;
        });
    });
    setPrinter(u"tcp:127.0.0.1:"_s + QString::number(printer.serverPort()));

    office::PrintReceipt(session, shortReceipt(), 7);
    waitFor([&closed] { return closed; });

    EXPECT_TRUE(closed);
    EXPECT_EQ(received, shortReceiptBytes());
    EXPECT_EQ(receiptTranscript().size(), 4);
    EXPECT_TRUE(user.waits.isEmpty());
}

#ifndef Q_OS_WIN
TEST_F(ReceiptPrinterTest, sendsTheReceiptToASerialDeviceWithoutStatusLines)
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    ASSERT_EQ(fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK), 0);
    setPrinter(QString::fromLocal8Bit(ptsname(master)));

    office::PrintReceipt(session, shortReceipt(), 7);

    QByteArray received;
    char buffer[4096];
    for (ssize_t count = 0; (count = read(master, buffer, sizeof buffer)) > 0;)
        received.append(buffer, count);
    close(master);
    EXPECT_EQ(received, shortReceiptBytes());
    EXPECT_EQ(receiptTranscript().size(), 4);
    EXPECT_TRUE(user.waits.isEmpty()) << user.waits.join(u" | "_s).toStdString();
}
#endif

TEST_F(ReceiptPrinterTest, aPrinterThatCannotBeReachedIsToldAndTheCopyStillKept)
{
    QTcpServer closedPort;
    ASSERT_TRUE(closedPort.listen(QHostAddress::LocalHost));
    const QString refused = u"tcp:127.0.0.1:"_s + QString::number(closedPort.serverPort());
    closedPort.close();
    const QStringList destinations{u"/dev/no-existe/ttyQ9"_s, refused, u"tcp:127.0.0.1"_s,
                                   u"file:no-existe/impresora.bin"_s};
    int ticket = 20;
    for (const QString& destination : destinations) {
        SCOPED_TRACE(destination.toStdString());
        setPrinter(destination);
        QString shown;
        user.answer(u"OK"_s, [&shown](const WaitContext& wait) { shown = wait.description; });

        office::PrintReceipt(session, shortReceipt(), ++ticket);

        EXPECT_TRUE(shown.contains(u"Error en Impresora de Recibos.  "_s)) << shown.toStdString();
        EXPECT_TRUE(user.steps.isEmpty());
        EXPECT_EQ(receiptTranscript(), QStringList());
        EXPECT_EQ(QString::fromUtf8(fileBytes(u"recibos/recibo-"_s + QString::number(ticket) + u".txt"_s)),
                  shortReceipt().join(u'\n') + u'\n');
        EXPECT_EQ(session.payments.LastReceipt, shortReceipt());
    }
}

// ---- Printing again ----

TEST_F(ReceiptPrinterTest, reprintsTheSubscribersLastReceiptFromItsCopy)
{
    openPayments({{5, 3}, {5, 8}, {5, 8}, {6, 2}});
    setPrinter(u"file:impresora.bin"_s);
    office::PrintReceipt(session, {u"Ticket = 3"_s}, 3);
    office::PrintReceipt(session, shortReceipt(), 8);
    QFile::remove(path(u"impresora.bin"_s));
    transcriptLines();

    office::ReprintReceipt(session, u"5"_s, u"Ana Ruiz"_s);

    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(fileBytes(u"impresora.bin"_s), shortReceiptBytes());
    EXPECT_EQ(receiptTranscript().size(), 4);
    EXPECT_EQ(form->windowTitle(), u"Impresión del Ticket"_s);
    EXPECT_TRUE(user.waits.isEmpty());
}

TEST_F(ReceiptPrinterTest, reprintTellsWhatIsMissing)
{
    openPayments({{6, 9}});
    setPrinter(u"file:impresora.bin"_s);
    const struct
    {
        QString key;
        QString message; // empty: nothing is shown
    } cases[] = {
        {u"7"_s, u"No hay pagos registrados de Luis Gil"_s},
        {u"7 OR 1=1"_s, QString()},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.key.toStdString());
        QString shown;
        if (!c.message.isEmpty())
            user.answer(u"OK"_s, [&shown](const WaitContext& wait) { shown = wait.description; });

        office::ReprintReceipt(session, c.key, u"Luis Gil"_s);

        EXPECT_TRUE(user.steps.isEmpty());
        EXPECT_TRUE(shown.endsWith(c.message)) << shown.toStdString();
        EXPECT_EQ(session.codes.EngineStatus, 1);
        EXPECT_FALSE(QFile::exists(path(u"impresora.bin"_s)));
    }
}

// A receipt neither stored with its payment nor copied (a payment recorded before either was kept) is made
// again from the ticket's rows, printed and kept as its copy.
TEST_F(ReceiptPrinterTest, reprintMakesAgainAReceiptNeitherStoredNorCopied)
{
    openPayments({});
    db::Database& database = *session.database.CurrentDatabase;
    ASSERT_TRUE(
        database.execute(u"INSERT INTO Suscriptores (Clave, Nombre, Contrato) VALUES (6, 'Luis Gil', 4821)"_s)
            .ok());
    const QString insert =
        u"INSERT INTO Pagos (Suscriptor, Ticket, Fecha, Cantidad, Concepto, Observaciones) VALUES (?, ?, ?, ?, ?, ?)"_s;
    const QDate paidOn(2026, 1, 15);
    ASSERT_TRUE(
        database.execute(insert, {6, 5, paidOn.addMonths(-1), 180.0, u"Renta (1-2 TV)"_s, QVariant()}).ok());
    ASSERT_TRUE(database
                    .execute(insert, {6, 9, paidOn, 360.0, u"Renta (1-2 TV)"_s,
                                      u"2 Mes  15-Ene-2026 a 15-Mar-2026"_s})
                    .ok());
    ASSERT_TRUE(database.execute(insert, {6, 9, paidOn, 60.5, u"Cable adicional"_s, QVariant()}).ok());
    session.shell.CompanyData[4] = u"CABLE DEL VALLE"_s;
    session.shell.CompanyData[10] = u"Gracias por su pago"_s;
    setPrinter(u"file:impresora.bin"_s);
    transcriptLines();

    office::ReprintReceipt(session, u"6"_s, u"Luis Gil"_s);

    EXPECT_EQ(session.codes.EngineStatus, 0);
    const QStringList expected{u"CABLE DEL VALLE"_s,
                               QString(),
                               QString(),
                               QString(),
                               QString(),
                               QString(),
                               QString(38, u'_'),
                               u"Ticket = 9   15-Ene-2026"_s,
                               u" "_s,
                               u"Luis Gil   "_s,
                               u"   Contrato 4821       Total: $420.00"_s,
                               u" "_s,
                               u"   Conceptos pagados:"_s,
                               u"      Renta (1-2 TV) = 360 (2 Mes  15-Ene-2026 a 15-Mar-2026)"_s,
                               u"     Cable adicional = 60.5"_s,
                               u" "_s,
                               QString(38, u'_'),
                               u" "_s,
                               u"Gracias por su pago"_s};
    EXPECT_EQ(QString::fromUtf8(fileBytes(u"datos/recibos/recibo-9.txt"_s)), expected.join(u'\n') + u'\n');
    QStringList printed = receiptTranscript();
    for (QString& line : printed)
        line.remove(0, u"[receipt] "_s.size());
    QStringList shown = expected;
    shown.removeAll(QString());
    EXPECT_EQ(printed, shown);
    EXPECT_TRUE(user.waits.isEmpty());
}

} // namespace
} // namespace quelmar::shelltest
