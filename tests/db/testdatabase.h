#pragma once

#include "db/database.h"
#include "db/recordset.h"

#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace quelmar::db::testing {

// A fresh database in a temporary folder, with a small schema that has what the layer must handle:
// accents and blanks in names, a required field, range rules, a classifier and a relation field, money,
// dates and yes/no, and the parameters table with its "Clase" index.
class TestDatabase
{
public:
    TestDatabase();

    Database& db() { return *m_database; }
    QString path() const { return m_dir.filePath(QStringLiteral("Prueba.mdb")); }
    QString folder() const { return m_dir.path(); }

    // Opens a recordset and fails the test when it cannot.
    std::unique_ptr<Recordset> open(const QString& sql, RecordsetType type);
    // The rows of a statement as text: values separated by "|", rows by "\n".
    QString rows(const QString& sql);

    void exec(const QString& jetSql, const QVariantList& values = {});

private:
    QTemporaryDir m_dir;
    std::unique_ptr<Database> m_database;
};

QString rowsOf(Recordset& recordset);

} // namespace quelmar::db::testing
