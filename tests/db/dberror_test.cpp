#include "db/dberror.h"

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace quelmar::db;

TEST(DbError, SqliteFailuresBecomeEngineNumbersWithTheTextsTheProgramMatches)
{
    const struct
    {
        int code;
        const char* message;
        int number;
        const char* inDescription;
    } cases[] = {
        {SQLITE_CONSTRAINT_UNIQUE, "UNIQUE constraint failed: Pagos.Ticket", jeterror::DuplicateKey,
         "create duplicate values in the index, primary key, or relationship"},
        {SQLITE_CONSTRAINT_NOTNULL, "NOT NULL constraint failed: Suscriptores.Nombre",
         jeterror::RequiredFieldNull, "The field 'Suscriptores.Nombre' can't contain a Null value"},
        {SQLITE_BUSY, "database is locked", jeterror::RecordLocked, "locked"},
        {SQLITE_LOCKED, "database table is locked", jeterror::TableLocked, "lock"},
        {SQLITE_READONLY, "attempt to write a readonly database", jeterror::ReadOnly, "read-only"},
        {SQLITE_ERROR, "no such table: Pagoz", jeterror::TableNotFound, "'Pagoz'"},
        {SQLITE_ERROR, "no such column: Nombrr", jeterror::TooFewParameters, "Too few parameters"},
        {SQLITE_ERROR, "near \"FORM\": syntax error", jeterror::TooFewParameters, "syntax error"},
        {SQLITE_NOTADB, "file is not a database", jeterror::UnrecognizedFormat,
         "Unrecognized database format"},
    };
    for (const auto& c : cases) {
        const DbError error = fromSqlite(c.code, QString::fromUtf8(c.message), QStringLiteral("SELECT 1"));
        EXPECT_EQ(error.number, c.number) << c.message;
        EXPECT_TRUE(error.description.contains(QString::fromUtf8(c.inDescription)))
            << error.description.toStdString();
    }
    EXPECT_TRUE(fromSqlite(SQLITE_BUSY, QString(), QString()).isLock());
    EXPECT_FALSE(DbError::make(jeterror::DuplicateKey).isLock());
    EXPECT_TRUE(DbError().ok());
}
