#pragma once

#include "db/dberror.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

namespace quelmar::subscribers {

struct DemoOptions
{
    int subscribers = 600;
    int years = 3; // of payments, status changes, complaints and expenses, back from today
    quint32 seed = 1;
    // When above 0, the history is made just long enough to give about this many payment rows per
    // subscriber on average, and `years` is not used.
    double paymentsPerSubscriber = 0;
    // Where the database goes: empty for Quelmar.mdb in the folder, otherwise a server's URI (or a file's
    // path), which the company file then names as the office's database.
    QString database;
};

struct DemoSummary
{
    QList<std::pair<QString, qint64>> rowCounts; // table and rows written, in the schema's order
    qint64 lastTicket = 0;                       // the "CDT" counter
};

// The files of an office folder made by createDemoOffice.
QString demoDatabaseFileName();    // "Quelmar.mdb"
QStringList demoOfficeFileNames(); // company, menu, order templates and notices

// The first file of an office already in the folder (a database, a company file, a menu file or one of the
// files the demonstration writes), with its path; empty when there is none.
QString existingOfficeFile(const QString& folder);

// Creates a complete working office in `folder` (made when absent): the database with the schema,
// parameters and made-up but consistent data (the same seed and day give the same data), the company file
// (receipts to "file:recibos.txt"), the menu definition file, the work-order templates and the notice
// file. The office is built in a folder beside it and moved in only once every file is written and read
// back, so that a failure leaves the folder as it was (and a server's database made for it is dropped).
// Refuses, touching nothing (3204), when the folder already holds an office file, when the database named
// elsewhere exists, or when the server's database holds an office.
db::DbError createDemoOffice(const QString& folder, const DemoOptions& options,
                             DemoSummary* summary = nullptr);

// The same office at the size of a large company, for measurements: `subscribers` subscribers and about
// `payments` payment rows.
db::DbError createLargeOffice(const QString& folder, int subscribers = 100000, qint64 payments = 2000000,
                              quint32 seed = 1, DemoSummary* summary = nullptr);

} // namespace quelmar::subscribers
