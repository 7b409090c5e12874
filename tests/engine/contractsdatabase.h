#pragma once

#include "db/database.h"
#include "db/recordset.h"

#include <QTemporaryDir>

#include <memory>

namespace quelmar::engine::testing {

// A fresh database in a temporary folder with one table, Contratos, that has a field of every type the
// engine lays out: blanks and accents in names, an hour field, a long text, a classifier and a relation
// field, and one row.
class ContractsDatabase
{
public:
    ContractsDatabase();

    db::Database& db() { return *m_database; }
    // Opens a snapshot of the statement and fails the test when it cannot.
    std::unique_ptr<db::Recordset> open(const QString& sql);

private:
    QTemporaryDir m_dir;
    std::unique_ptr<db::Database> m_database;
};

} // namespace quelmar::engine::testing
