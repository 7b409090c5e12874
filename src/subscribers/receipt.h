#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// The receipt of a payment and the texts a payment records: the concept lines, the rent observation with the
// period paid, the receipt total. Pure: no database, no screen, no printer.
namespace quelmar::subscribers {

inline constexpr int ReceiptWidth = 38;      // characters of a printed receipt line
inline constexpr int ReceiptFixedLines = 17; // lines of a receipt besides its concept lines
inline constexpr int ObservationLength = 34; // characters of Pagos.Observaciones a rent concept fills
inline constexpr int ReceiptNameLength = 36; // characters of the subscriber's name on the receipt

// One paid line of the payment form: "line/quantity/concept/line total/".
struct PaidLine
{
    int line = 0;
    int quantity = 0;
    QString conceptName;
    QString total;       // the line total as the form wrote it ("360", "1200.5")
    double amount = 0.0; // the same as a number
};

// The record of a paid line; nothing for an empty entry or a record that is not one (a quantity that is not
// a whole number above 0, a total that is not a number). A concept name holding "/" keeps it: the line
// number and the quantity are the first two pieces, the total the last one.
std::optional<PaidLine> parsePaidLine(const QString& record);

// A rent concept extends the paid period: its name contains "Renta".
bool isRentConcept(const QString& conceptName);

// The period a rent payment covers: " 15-Ene-2026 a 15-Mar-2026", or " por instalar" for a subscriber not yet
// installed (an expiry before 1991), whose expiry does not move.
QString rentPeriod(const QDate& expiry, const QDate& newExpiry);
// What Pagos.Observaciones keeps of a rent payment: months + " Mes " + period, cut to 34 characters.
QString rentObservation(int months, const QString& period);

// A concept line of the receipt: "      CONCEPT = TOTAL (OBSERVATION)" for rent (six blanks), otherwise
// "     CONCEPT = TOTAL" (five blanks). Longer than a receipt line, it continues on the next printed line.
QString conceptLine(const QString& conceptName, const QString& lineTotal, const QString& observation,
                    bool rent);

// The receipt total is kept in whole currency units: each line total is added and the sum rounded to a whole
// number (half to even), in 64 bits so that a large payment never overflows.
qint64 addWholeAmount(qint64 total, double amount);
// "$###,##0.00": "$1,200.00".
QString receiptAmount(qint64 total);

// A line total as the payment form writes it into a paid line and the receipt: the amount to four decimals at
// most, without separators ("360", "1200.5").
QString lineTotalText(double amount);

// One payment row of a ticket (Pagos): its concept, amount and observation.
struct PaymentRow
{
    QString conceptName;
    double amount = 0.0; // a Null amount (a concept paid at no price) is 0
    QString observation;
};

struct ReceiptContent
{
    QStringList heading; // the six heading lines (company entries 5 to 10)
    QString closing;     // the closing line (company entry 11)
    qint64 ticket = 0;
    QDateTime when;
    bool timeKnown = true; // false: the ticket's line shows the date alone
    QString name;
    QString contract;
    qint64 total = 0;
    QStringList concepts; // the concept lines, in the order paid
};

// The concept lines and the total of a ticket's receipt, from its payment rows in the order they were
// recorded: the lines the payment printed.
void addPayments(ReceiptContent& content, const QList<PaymentRow>& rows);

// The receipt, line 1 first: heading, a rule of 38 underscores, ticket with date and time, name, contract and
// total, the concepts paid, another rule and the closing line; 17 + concepts lines.
QStringList receiptLines(const ReceiptContent& content);

// The receipt as one text, as it is kept (Recibos.Texto and the copy in "recibos/"): its lines joined by line
// feeds; and back. An empty line keeps its place.
QString receiptText(const QStringList& lines);
QStringList receiptTextLines(QString text);

} // namespace quelmar::subscribers
