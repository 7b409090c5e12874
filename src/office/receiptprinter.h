#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace quelmar {
class Session;
}

// The receipt printer at the counter, and the copy of every receipt the office keeps beside the database.
namespace quelmar::office {

// Where the receipts go, from the company file's entry 12.
struct ReceiptDestination
{
    enum class Kind
    {
        SerialPort, // target: the port's system name (COMn, /dev/ttyS(n-1) or the device path given)
        Network,    // target: the host; port: its TCP port (0 when the entry gives no valid one)
        File,       // target: the file the bytes are appended to (relative to the working folder)
    };
    Kind kind = Kind::SerialPort;
    QString target;
    int port = 0;
};

// Entry 12 as a destination: "tcp:host:port" a network printer, "file:path" a file, a device path that serial
// device, a number n above 0 serial port n (COMn on Windows, /dev/ttyS(n-1) elsewhere); anything else port 1.
ReceiptDestination receiptDestination(const QString& entry);

// A receipt line as the printer gets it: pieces of at most 38 characters (none for an empty line).
QStringList receiptPieces(const QString& line);

// Text in the printer's character set, code page 437 (what an ESC/POS printer uses after its reset "ESC @").
// The Spanish letters it has (á é í ó ú ü ñ Ñ É Ü ¿ ¡ º ª) keep their accents; a letter it lacks (Á Í Ó Ú)
// is printed as its base letter, and anything else it cannot show as "?".
QByteArray printerText(const QString& text);

// The kept copy of a receipt: "recibo-<ticket>.txt" in the folder "recibos" beside the database (of the
// working folder when no database is open).
QString keptReceiptPath(const Session& session, int ticket);

// Prints the receipt on the receipt printer (entry 12 of CompanyData) as ESC/POS bytes: the reset, a bell,
// each non-empty line cut into pieces of 38 characters each followed by two blanks and the line by a line
// feed, and six blank lines to tear the paper off. On a serial port with status lines the printer's ready
// line (CTS) is asked for before printing (Retry/Cancel) and its second line (DSR) before every piece. Each
// line sent is written to the transcript as "[receipt] LINE". A printer failure is shown as "Error en
// Impresora de Recibos.  " + its description and ends the printing; the payment stays recorded.
// Before printing, the lines are kept as the ticket's copy (UTF-8, keptReceiptPath) and in
// session.payments.LastReceipt, so that a receipt the printer failed to print can be printed again.
void PrintReceipt(Session& session, const QStringList& lines, int ticket);

// Prints again the receipt of the subscriber's last ticket (payments option 7) from the receipt stored with
// the payment (Recibos), making its copy again when the copy is missing, or, for a payment recorded before
// receipts were stored, from its kept copy, or else made again from the ticket's payment rows (Pagos) and the
// company's heading, and kept as its copy: "No hay pagos registrados de " + name when the subscriber has no
// payment. EngineStatus: 0 when the receipt was sent to the printing, 1 when there was nothing to print (a
// key that is not a number included), or the number of a database failure (reported).
void ReprintReceipt(Session& session, const QString& key, const QString& name);

} // namespace quelmar::office
