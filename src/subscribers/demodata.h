#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

// The rows of a demonstration office, made up from a seed: subscribers with their status history, payments
// with their tickets and receipts, complaints, expenses and the parameters the program needs. Pure: the rows
// go to a sink, which writes them wherever it likes (the database, or nowhere when only counting).
namespace quelmar::subscribers::demodata {

enum class Table
{
    Subscribers,
    Payments,
    StatusHistory,
    Complaints,
    Expenses,
    Parameters,
    Technicians,
    Receipts
};
inline constexpr int TableCount = 8;

// The table's name and the fields that add() receives, in that order.
QString tableName(Table table);
QStringList fieldNames(Table table);

class RowSink
{
public:
    virtual ~RowSink() = default;
    // False stops the generation (the sink keeps its own error).
    virtual bool add(Table table, const QVariantList& values) = 0;
};

struct Settings
{
    int subscribers = 600;
    int historyMonths = 36; // payments, complaints and expenses reach this far back from today
    quint32 seed = 1;
    QDate today; // the clock's day when invalid
    // The company's receipt heading (its six lines) and closing line, printed on the receipt of every
    // payment, which is kept with the payment.
    QStringList receiptHeading;
    QString receiptClosing;
};

struct Result
{
    bool completed = false;
    qint64 lastTicket = 0; // kept in the "CDT" counter
};

// The months of history that give about this many payment rows per subscriber.
int monthsForPaymentsPerSubscriber(double paymentsPerSubscriber);

// Sends every row to the sink: subscribers with their history, payments in the order of their tickets (each
// ticket's rows followed by its receipt), the technicians, complaints (the solved ones with the technician
// who solved them), expenses, and last the parameters (whose ticket counter needs the last ticket).
Result generate(const Settings& settings, RowSink& sink);

} // namespace quelmar::subscribers::demodata
