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
    // A failure of the file itself names the file, never the statement that met it.
    for (const int code : {SQLITE_CANTOPEN, SQLITE_NOTADB, SQLITE_CORRUPT, SQLITE_FULL}) {
        const DbError error =
            fromSqlite(code, QStringLiteral("database disk image is malformed"),
                       QStringLiteral("PRAGMA integrity_check(100)"), QStringLiteral("/oficina/Quelmar.mdb"));
        EXPECT_TRUE(error.description.contains(QStringLiteral("'/oficina/Quelmar.mdb'")))
            << error.description.toStdString();
        EXPECT_FALSE(error.description.contains(QStringLiteral("PRAGMA"))) << error.description.toStdString();
        EXPECT_EQ(error.statement, QStringLiteral("PRAGMA integrity_check(100)"));
    }
    EXPECT_TRUE(fromSqlite(SQLITE_BUSY, QString(), QString()).isLock());
    EXPECT_FALSE(DbError::make(jeterror::DuplicateKey).isLock());
    EXPECT_TRUE(DbError().ok());
}

TEST(DbError, ServerFailuresBecomeEngineNumbersAndLockFailuresAreRetried)
{
    const struct
    {
        const char* sqlState;
        int number;
        bool lock;
    } cases[] = {
        {"23505", jeterror::DuplicateKey, false},
        {"23514", jeterror::ValidationRuleViolated, false},
        {"23502", jeterror::RequiredFieldNull, false},
        {"40001", jeterror::RecordLocked, true}, // serialization failure
        {"40P01", jeterror::RecordLocked, true}, // deadlock
        {"55P03", jeterror::RecordLocked, true}, // lock not available, lock_timeout
        {"28P01", jeterror::InvalidPassword, false},
        {"3D000", jeterror::FileNotFound, false},
        {"08006", jeterror::DiskError, false}, // connection lost
        {"57P01", jeterror::DiskError, false}, // server shut down
        {"42P01", jeterror::TableNotFound, false},
        {"42703", jeterror::TooFewParameters, false},
        {"22P02", jeterror::DataTypeConversion, false},
        {"25006", jeterror::ReadOnly, false},
    };
    for (const auto& c : cases) {
        const DbError error = fromPostgres(QString::fromLatin1(c.sqlState), QStringLiteral("raw server text"),
                                           QStringLiteral("SELECT 1"), QStringLiteral("pagos.importe"));
        EXPECT_EQ(error.number, c.number) << c.sqlState;
        EXPECT_EQ(error.isLock(), c.lock) << c.sqlState;
    }
    EXPECT_TRUE(fromPostgres(QStringLiteral("23502"), {}, {}, QStringLiteral("nombre"))
                    .description.contains(QLatin1String("'nombre'")));
}

// The references' own triggers (and, on a server, foreign keys) become the engine's relation errors: 3201
// naming the related table, 3200 naming the table whose rows still refer to the one deleted.
TEST(DbError, RefusedReferencesBecomeTheRelationErrorsWithTheTableTheyName)
{
    const struct
    {
        bool server;
        const char* message;
        int number;
        const char* table;
    } cases[] = {
        {false, "You cannot add or change a record because a related record is required in table 'Técnicos'.",
         jeterror::RelatedRecordRequired, "Técnicos"},
        {false, "The record cannot be deleted or changed because table 'Pagos' includes related records.",
         jeterror::RelatedRecordsExist, "Pagos"},
        {true,
         "ERROR:  You cannot add or change a record because a related record is required in table "
         "'Suscriptores'.\nCONTEXT:  PL/pgSQL function \"pagos.suscriptor reference\"() line 1 at RAISE",
         jeterror::RelatedRecordRequired, "Suscriptores"},
        {true,
         "ERROR:  The record cannot be deleted or changed because table 'Situación' includes related "
         "records.\nCONTEXT:  PL/pgSQL function \"situación.suscriptor referenced\"() line 1 at RAISE",
         jeterror::RelatedRecordsExist, "Situación"},
        {true,
         "ERROR:  insert or update on table \"pagos\" violates foreign key constraint \"pagos_fk\"\n"
         "DETAIL:  Key (suscriptor)=(999) is not present in table \"suscriptores\".",
         jeterror::RelatedRecordRequired, "suscriptores"},
        {true,
         "ERROR:  update or delete on table \"suscriptores\" violates foreign key constraint \"pagos_fk\" on "
         "table \"pagos\"\nDETAIL:  Key (clave)=(1) is still referenced from table \"pagos\".",
         jeterror::RelatedRecordsExist, "pagos"},
    };
    for (const auto& c : cases) {
        const QString message = QString::fromUtf8(c.message);
        const DbError error = c.server
                                  ? fromPostgres(QStringLiteral("23503"), message, QStringLiteral("DELETE"))
                                  : fromSqlite(SQLITE_CONSTRAINT_TRIGGER, message, QStringLiteral("DELETE"));
        EXPECT_EQ(error.number, c.number) << c.message;
        EXPECT_EQ(error.description, jetDescription(c.number, {QString::fromUtf8(c.table)}))
            << error.description.toStdString();
        EXPECT_EQ(error.statement, QStringLiteral("DELETE"));
    }
    // Another trigger's refusal is still a broken rule.
    EXPECT_EQ(fromSqlite(SQLITE_CONSTRAINT_TRIGGER, QStringLiteral("disk I/O error"), {}).number,
              jeterror::ValidationRuleViolated);
}
