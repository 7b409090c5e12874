#include "office/receiptprinter.h"

#include "db/database.h"
#include "db/recordset.h"
#include "panels/errortrap.h"
#include "panels/mainform.h"
#include "panels/showmessage.h"
#include "panels/standardbox.h"
#include "session/session.h"
#include "subscribers/receipt.h"
#include "subscribers/statusrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSerialPort>
#include <QTcpSocket>
#include <QTimer>

#include <array>
#include <exception>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace quelmar::office {

namespace {

constexpr qsizetype PieceLength = 38;
constexpr int ConnectTimeoutMs = 10000; // a network printer that does not answer
constexpr int DrainTimeoutMs = 30000;   // a printer that stops taking bytes
constexpr int StatusPollMs = 500;
constexpr int PollsBeforeWarning = 16;

constexpr char Escape = '\x1b';
constexpr char Bell = '\x07';

// Run-time error numbers of the kept copies.
constexpr int PathNotFound = 76;
constexpr int FileAccessError = 75;
constexpr int DiskFull = 61;

// Code page 437, characters 128 to 255.
constexpr std::array<char16_t, 128> UpperHalf437{
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE,
    0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6,
    0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA,
    0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502,
    0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514,
    0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550,
    0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C,
    0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320,
    0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

char to437(QChar character)
{
    const char16_t code = character.unicode();
    if (code < 0x80)
        return static_cast<char>(code);
    for (std::size_t i = 0; i < UpperHalf437.size(); ++i) {
        if (UpperHalf437[i] == code)
            return static_cast<char>(0x80 + i);
    }
    const QString decomposed = QString(character).normalized(QString::NormalizationForm_D);
    if (!decomposed.isEmpty() && decomposed.at(0).unicode() < 0x80 && decomposed.at(0).isLetter())
        return static_cast<char>(decomposed.at(0).unicode());
    return '?';
}

// A failure of the receipt printer, shown as "Error en Impresora de Recibos.  " + description.
struct PrinterFailure
{
    QString description;
};

// The open receipt printer. Exactly one of file, serial and socket is set. The failure comes first so that it
// outlives the devices whose error signals write it.
struct PrinterConnection
{
    QString failure;          // what the device reported while bytes were on their way
    bool statusLines = false; // a serial port whose modem status lines can be read
    std::unique_ptr<QFile> file;
    std::unique_ptr<QSerialPort> serial;
    std::unique_ptr<QTcpSocket> socket;

    QIODevice* device() const
    {
        if (serial)
            return serial.get();
        if (socket)
            return socket.get();
        return file.get();
    }
    // A file takes the bytes at once; a printer needs the pauses between them.
    bool paced() const { return !file; }
};

// Waits through the one wait until done() holds or the milliseconds have passed; false when the time ran out.
bool waitAtMost(Session& session, int milliseconds, const std::function<bool()>& done)
{
    bool expired = false;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &timer, [&expired] { expired = true; });
    timer.start(milliseconds);
    session.wait.until([&] { return expired || done(); });
    return done();
}

void pause(Session& session, const PrinterConnection& printer, int milliseconds)
{
    if (printer.paced())
        panels::Pause(session, milliseconds);
}

void openFile(Session& session, PrinterConnection& printer, const QString& target)
{
    const QString path = session.shell.WorkingFolder.absoluteFilePath(target);
    printer.file = std::make_unique<QFile>(path);
    if (!printer.file->open(QIODevice::WriteOnly | QIODevice::Append))
        throw PrinterFailure{printer.file->errorString() + u" ("_s + QDir::toNativeSeparators(path) + u")"_s};
}

void openSerial(PrinterConnection& printer, const QString& target)
{
    printer.serial = std::make_unique<QSerialPort>();
    QSerialPort& port = *printer.serial;
    port.setPortName(target);
    port.setBaudRate(QSerialPort::Baud9600);
    port.setDataBits(QSerialPort::Data8);
    port.setParity(QSerialPort::NoParity);
    port.setStopBits(QSerialPort::OneStop);
    port.setFlowControl(QSerialPort::NoFlowControl);
    if (!port.open(QIODevice::WriteOnly))
        throw PrinterFailure{port.errorString() + u" ("_s + target + u")"_s};
    // A line without modem status lines (a pseudo-terminal, some adapters) refuses to report them: print
    // without the checks then.
    port.pinoutSignals();
    printer.statusLines = port.error() == QSerialPort::NoError;
    port.clearError();
    QObject::connect(&port, &QSerialPort::errorOccurred, &port,
                     [&printer, &port](QSerialPort::SerialPortError error) {
                         if (error != QSerialPort::NoError && printer.failure.isEmpty())
                             printer.failure = port.errorString();
                     });
}

void openSocket(Session& session, PrinterConnection& printer, const ReceiptDestination& destination)
{
    if (destination.target.isEmpty() || destination.port <= 0)
        throw PrinterFailure{u"Dirección de impresora de red no válida: "_s + destination.target + u":"_s +
                             QString::number(destination.port)};
    printer.socket = std::make_unique<QTcpSocket>();
    QTcpSocket& socket = *printer.socket;
    QObject::connect(&socket, &QTcpSocket::errorOccurred, &socket, [&printer, &socket] {
        if (printer.failure.isEmpty())
            printer.failure = socket.errorString();
    });
    socket.connectToHost(destination.target, static_cast<quint16>(destination.port));
    const bool connected = waitAtMost(session, ConnectTimeoutMs, [&] {
        return socket.state() == QAbstractSocket::ConnectedState || !printer.failure.isEmpty();
    });
    if (!printer.failure.isEmpty())
        throw PrinterFailure{printer.failure};
    if (!connected)
        throw PrinterFailure{u"La impresora "_s + destination.target + u":"_s +
                             QString::number(destination.port) + u" no contesta"_s};
}

void openPrinter(Session& session, PrinterConnection& printer)
{
    const ReceiptDestination destination = receiptDestination(session.shell.company(12));
    switch (destination.kind) {
    case ReceiptDestination::Kind::File:
        openFile(session, printer, destination.target);
        break;
    case ReceiptDestination::Kind::SerialPort:
        openSerial(printer, destination.target);
        break;
    case ReceiptDestination::Kind::Network:
        openSocket(session, printer, destination);
        break;
    }
}

// Sends the bytes and waits until the device has taken them all.
void send(Session& session, PrinterConnection& printer, const QByteArray& bytes)
{
    QIODevice& device = *printer.device();
    if (device.write(bytes) != bytes.size())
        throw PrinterFailure{device.errorString()};
    if (printer.file) {
        if (!printer.file->flush())
            throw PrinterFailure{printer.file->errorString()};
        return;
    }
    const bool drained = waitAtMost(session, DrainTimeoutMs,
                                    [&] { return device.bytesToWrite() == 0 || !printer.failure.isEmpty(); });
    if (!printer.failure.isEmpty())
        throw PrinterFailure{printer.failure};
    if (!drained)
        throw PrinterFailure{u"La impresora no recibe los datos"_s};
}

bool statusLineOn(PrinterConnection& printer, QSerialPort::PinoutSignal line)
{
    const QSerialPort::PinoutSignals lines = printer.serial->pinoutSignals();
    if (printer.serial->error() != QSerialPort::NoError)
        throw PrinterFailure{printer.serial->errorString()};
    return lines.testFlag(line);
}

// The printer's ready line; false when the user gave up waiting for it.
bool printerReady(Session& session, PrinterConnection& printer)
{
    if (!printer.statusLines)
        return true;
    while (!statusLineOn(printer, QSerialPort::ClearToSendSignal)) {
        const int answer = panels::MessageBox(
            session,
            u"La Impresora no responde.  Revise si está apagada o cable mas conectado"_s +
                session.shell.NewLine + u"¿Reintenta ó cancela?"_s,
            QMessageBox::Retry | QMessageBox::Cancel, QMessageBox::Critical, u"Impresión de Recibo"_s);
        panels::Pause(session, 400);
        if (answer != QMessageBox::Retry)
            return false;
    }
    return true;
}

// Waits for the printer's second status line, warning the user every 16 polls.
void waitUntilOnline(Session& session, PrinterConnection& printer)
{
    if (!printer.statusLines)
        return;
    int polls = 0;
    while (!statusLineOn(printer, QSerialPort::DataSetReadySignal)) {
        panels::Pause(session, StatusPollMs);
        if (++polls >= PollsBeforeWarning) {
            panels::MessageBox(session, u"La Impresora esta desactivada.  Activela para continuar"_s);
            polls = 0;
        }
    }
}

void closePrinter(Session& session, PrinterConnection& printer)
{
    if (printer.socket) {
        QTcpSocket& socket = *printer.socket;
        socket.disconnectFromHost();
        waitAtMost(session, DrainTimeoutMs,
                   [&socket] { return socket.state() == QAbstractSocket::UnconnectedState; });
        socket.abort();
    } else if (QIODevice* device = printer.device()) {
        device->close();
    }
}

void printLines(Session& session, PrinterConnection& printer, const QStringList& lines)
{
    openPrinter(session, printer);
    pause(session, printer, 400);
    if (!printerReady(session, printer)) {
        closePrinter(session, printer);
        return;
    }
    send(session, printer, QByteArray(1, Escape) + '@');
    pause(session, printer, 100);
    send(session, printer, QByteArray(1, Bell));
    pause(session, printer, 100);
    for (const QString& line : lines) {
        if (line.isEmpty())
            continue;
        session.transcript.write(u"receipt"_s, line);
        const QStringList pieces = receiptPieces(line);
        for (const QString& piece : pieces) {
            waitUntilOnline(session, printer);
            send(session, printer, printerText(piece) + "  ");
        }
        send(session, printer, "\n");
        pause(session, printer, 100);
    }
    QByteArray tearOff;
    for (int i = 0; i < 6; ++i)
        tearOff += " \n";
    send(session, printer, tearOff);
    closePrinter(session, printer);
}

// Sends the lines to the receipt printer; a failure is told to the user and ends the printing.
void sendToPrinter(Session& session, const QStringList& lines)
{
    QString failure;
    {
        PrinterConnection printer;
        try {
            printLines(session, printer, lines);
        } catch (const PrinterFailure& error) {
            failure = error.description;
        } catch (const RuntimeError& error) {
            failure = error.description;
        } catch (const std::exception& error) {
            failure = QString::fromLocal8Bit(error.what());
        }
    }
    if (failure.isEmpty())
        return;
    panels::MessageBox(session, u"Error en Impresora de Recibos.  "_s + failure);
    panels::Pause(session, 200);
}

void keepCopy(const Session& session, const QStringList& lines, int ticket)
{
    const QString path = keptReceiptPath(session, ticket);
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        throw RuntimeError{PathNotFound, u"Path not found"_s, QDir::toNativeSeparators(folder)};
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        throw RuntimeError{FileAccessError, u"Path/File access error: "_s + file.errorString(),
                           QDir::toNativeSeparators(path)};
    const QByteArray text = (subscribers::receiptText(lines) + QLatin1Char('\n')).toUtf8();
    if (file.write(text) != text.size() || !file.flush())
        throw RuntimeError{DiskFull, u"Disk full"_s, QDir::toNativeSeparators(path)};
}

// The kept copy's lines; false when there is none.
bool readCopy(const Session& session, int ticket, QStringList& lines)
{
    QFile file(keptReceiptPath(session, ticket));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    lines = subscribers::receiptTextLines(QString::fromUtf8(file.readAll()));
    return true;
}

// The ticket's receipt as it was stored with the payment; false when there is none (a payment recorded
// before receipts were kept with their payments).
bool readStored(db::Database& database, const QString& subscriber, int ticket, QStringList& lines)
{
    if (!database.hasTable(u"Recibos"_s))
        return false;
    db::DbError error;
    const auto rows = database.openRecordset(
        u"SELECT Texto FROM Recibos WHERE Suscriptor = %1 AND Ticket = %2 ORDER BY Fecha DESC"_s
            .arg(subscriber)
            .arg(ticket),
        db::RecordsetType::Snapshot, error);
    if (error)
        throw RuntimeError{error.number, error.description, {}};
    if (rows->eof())
        return false;
    lines = subscribers::receiptTextLines(rows->value(0).toString());
    return true;
}

// The ticket's receipt made again from what the office keeps of it: its payment rows (Pagos), the
// subscriber's name and contract, and the company's heading and closing lines; the time of the payment is not
// kept, so the ticket's line shows its date alone. False when the ticket has no payment row.
bool rebuildFromPayments(const Session& session, db::Database& database, const QString& subscriber,
                         int ticket, QStringList& lines)
{
    db::DbError error;
    const auto payments = database.openRecordset(
        u"SELECT Fecha, Cantidad, Concepto, Observaciones FROM Pagos WHERE Suscriptor = %1 AND Ticket = %2"_s
            .arg(subscriber)
            .arg(ticket),
        db::RecordsetType::Snapshot, error);
    if (error)
        throw RuntimeError{error.number, error.description, {}};
    subscribers::ReceiptContent content;
    QList<subscribers::PaymentRow> rows;
    for (; !payments->eof(); payments->moveNext()) {
        if (rows.isEmpty())
            content.when = QDateTime(payments->value(0).toDate(), QTime(0, 0));
        rows.append(
            {payments->value(2).toString(), payments->value(1).toDouble(), payments->value(3).toString()});
    }
    if (rows.isEmpty())
        return false;
    const auto holder =
        database.openRecordset(u"SELECT Nombre, Contrato FROM Suscriptores WHERE Clave = "_s + subscriber,
                               db::RecordsetType::Snapshot, error);
    if (error)
        throw RuntimeError{error.number, error.description, {}};
    if (!holder->eof()) {
        content.name = holder->value(0).toString();
        content.contract = holder->value(1).toString();
    }
    for (int entry = 5; entry <= 10; ++entry)
        content.heading.append(session.shell.company(entry));
    content.closing = session.shell.company(11);
    content.ticket = ticket;
    content.timeKnown = false;
    subscribers::addPayments(content, rows);
    lines = subscribers::receiptLines(content);
    return true;
}

} // namespace

ReceiptDestination receiptDestination(const QString& entry)
{
    const QString text = entry.trimmed();
    ReceiptDestination destination;
    if (text.startsWith(u"tcp:"_s, Qt::CaseInsensitive)) {
        destination.kind = ReceiptDestination::Kind::Network;
        const QString address = text.mid(4);
        const qsizetype colon = address.lastIndexOf(QLatin1Char(':'));
        destination.target = colon < 0 ? address : address.left(colon);
        if (colon >= 0) {
            bool ok = false;
            const int port = address.mid(colon + 1).toInt(&ok);
            destination.port = ok && port > 0 && port <= 65535 ? port : 0;
        }
        return destination;
    }
    if (text.startsWith(u"file:"_s, Qt::CaseInsensitive)) {
        destination.kind = ReceiptDestination::Kind::File;
        destination.target = text.mid(5);
        return destination;
    }
    if (QDir::isAbsolutePath(text)) {
        destination.target = text;
        return destination;
    }
    bool ok = false;
    int number = text.toInt(&ok);
    if (!ok || number <= 0)
        number = 1;
#ifdef Q_OS_WIN
    destination.target = u"COM"_s + QString::number(number);
#else
    destination.target = u"/dev/ttyS"_s + QString::number(number - 1);
#endif
    return destination;
}

QStringList receiptPieces(const QString& line)
{
    QStringList pieces;
    for (qsizetype start = 0; start < line.size(); start += PieceLength)
        pieces.append(line.mid(start, PieceLength));
    return pieces;
}

QByteArray printerText(const QString& text)
{
    QByteArray bytes;
    bytes.reserve(text.size());
    for (const QChar character : text)
        bytes.append(to437(character));
    return bytes;
}

QString keptReceiptPath(const Session& session, int ticket)
{
    const db::Database* database = session.database.CurrentDatabase.get();
    const QDir beside = database ? QFileInfo(database->path()).absoluteDir() : session.shell.WorkingFolder;
    return beside.absoluteFilePath(u"recibos/recibo-"_s + QString::number(ticket) + u".txt"_s);
}

void PrintReceipt(Session& session, const QStringList& lines, int ticket)
{
    ErrorTrap trap(session, u"PrintReceipt"_s);
    session.payments.LastReceipt = lines;
    trap.step([&] { keepCopy(session, lines, ticket); });
    session.errors.RoutineName = u"PrintReceipt"_s;
    sendToPrinter(session, lines);
}

void ReprintReceipt(Session& session, const QString& key, const QString& name)
{
    const QString routine = u"ReprintReceipt"_s;
    ErrorTrap trap(session, routine, 3);
    session.codes.EngineStatus = 0;
    const QString subscriber = subscribers::subscriberKey(key);
    if (subscriber.isEmpty()) {
        session.codes.EngineStatus = 1;
        return;
    }
    bool paid = false;
    int ticket = 0;
    QStringList lines;
    bool stored = false;
    if (!trap.step([&] {
            db::Database* database = session.database.CurrentDatabase.get();
            if (!database)
                throw RuntimeError{91, u"Object variable or With block variable not set"_s, {}};
            db::DbError error;
            const auto rows =
                database->openRecordset(u"SELECT Max(Ticket) FROM Pagos WHERE Suscriptor = "_s + subscriber,
                                        db::RecordsetType::Snapshot, error);
            if (error)
                throw RuntimeError{error.number, error.description, {}};
            const QVariant last = rows->eof() ? QVariant() : rows->value(0);
            paid = last.isValid() && !last.isNull();
            ticket = last.toInt();
            if (paid)
                stored = readStored(*database, subscriber, ticket, lines);
        }))
        return;
    if (!paid) {
        panels::MessageBox(session, u"No hay pagos registrados de "_s + name);
        session.codes.EngineStatus = 1;
        return;
    }
    if (stored) {
        // A copy lost to a failure right after the payment is made again from the receipt kept with it.
        if (!QFileInfo::exists(keptReceiptPath(session, ticket)))
            trap.step([&] { keepCopy(session, lines, ticket); });
        session.errors.RoutineName = routine;
    } else if (!readCopy(session, ticket, lines)) {
        // A payment recorded before receipts were kept with their payments (an imported office, say): its
        // receipt is made again from its rows, and kept as its copy.
        bool rebuilt = false;
        if (!trap.step([&] {
                rebuilt = rebuildFromPayments(session, *session.database.CurrentDatabase, subscriber, ticket,
                                              lines);
            }))
            return;
        if (!rebuilt) {
            panels::MessageBox(session, u"No se encontró la copia del recibo "_s + QString::number(ticket));
            session.codes.EngineStatus = 1;
            return;
        }
        trap.step([&] { keepCopy(session, lines, ticket); });
    }
    if (session.k)
        session.k->setWindowTitle(u"Impresión del Ticket"_s);
    session.errors.RoutineName = routine;
    sendToPrinter(session, lines);
}

} // namespace quelmar::office
