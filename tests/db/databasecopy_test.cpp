// A whole office database copied from a file to a server and back.

#include "pgtestserver.h"
#include "testdatabase.h"
#include "testtables.h"

#include "../filesizelimit.h"

#include "db/databasecopy.h"
#include "db/sqlitestatement.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>

namespace quelmar::db {
namespace {

// A table's rows as lines, sorted: the copy keeps rows, not the order a statement without ORDER BY shows.
QStringList sortedRows(Database& database, const QString& source)
{
    DbError error;
    auto rows = database.openRecordset(source, RecordsetType::Snapshot, error);
    EXPECT_TRUE(rows) << source.toStdString() << ": " << error.description.toStdString();
    if (!rows)
        return {};
    QStringList lines = testing::rowsOf(*rows).split(QLatin1Char('\n'));
    std::sort(lines.begin(), lines.end());
    return lines;
}

// A table whose rows the database numbers within their group, with an index named after no field.
TableDef numberedTable()
{
    TableDef turnos;
    turnos.name = QStringLiteral("Turnos");
    FieldDef grupo = testsupport::field("Grupo", jettype::Text, 10);
    FieldDef numero = testsupport::field("Numero", jettype::Long);
    numero.numberedWithin = grupo.name;
    turnos.fields = {grupo, numero, testsupport::field("Nota", jettype::Text, 40)};
    turnos.indexes = {{QStringLiteral("PorGrupoYNumero"), {grupo.name, numero.name}, true, false}};
    return turnos;
}

// The database's own names of its indexes, sorted.
QStringList indexNames(Database& database)
{
    DbError error;
    QStringList names;
    if (database.isServer()) {
        PgRows rows;
        database.server()->execute(
            QStringLiteral(
                "SELECT coalesce(obj_description(c.oid, 'pg_class'), c.relname) FROM pg_class c JOIN "
                "pg_namespace n ON n.oid = c.relnamespace WHERE c.relkind = 'i' AND n.nspname = "
                "current_schema() AND c.relname NOT LIKE '%pkey' AND c.relname NOT LIKE 'msys%'"),
            {}, &rows);
        for (const QVariantList& row : std::as_const(rows.rows))
            names << row.value(0).toString();
    } else {
        SqliteStatement list(
            database.handle(),
            QStringLiteral("SELECT substr(name, instr(name, '.') + 1) FROM sqlite_master WHERE "
                           "type = 'index' AND sql IS NOT NULL AND tbl_name NOT LIKE 'MSys%'"));
        while (list.step())
            names << list.value(0).toString();
    }
    names.sort();
    return names;
}

// A row written without its number gets the next of its group.
QString numberedRows(Database& database)
{
    for (const char* grupo : {"A", "A", "B"})
        EXPECT_TRUE(database
                        .execute(QStringLiteral("INSERT INTO Turnos (Grupo, Nota) VALUES (?, 'nuevo')"),
                                 {QString::fromLatin1(grupo)})
                        .ok());
    const QStringList rows =
        sortedRows(database, QStringLiteral("SELECT Grupo, Numero FROM Turnos WHERE Nota = 'nuevo'"));
    return rows.join(QLatin1Char(' '));
}

TEST(DatabaseCopy, AFileCopiedToAServerAndBackHasEveryTableRowForRow)
{
    if (testing::testServerUri().isEmpty())
        GTEST_SKIP() << "no PostgreSQL test server: QUELMAR_TEST_PG_URI is not set (scripts/test.sh sets it)";
    testing::TestDatabase original;
    ASSERT_TRUE(
        original.db()
            .createStoredQuery(QStringLiteral("Conectados"),
                               QStringLiteral("SELECT Nombre FROM Clientes WHERE Situación = 'Conectado'"))
            .ok());
    ASSERT_TRUE(original.db().createTables({numberedTable()}).ok());
    original.exec(QStringLiteral("INSERT INTO Turnos (Grupo, Numero, Nota) VALUES ('A', 7, 'viejo')"));
    const QString name = QStringLiteral("quelmar_copy_%1").arg(QCoreApplication::applicationPid());
    QUrl url(testing::testServerUri());
    url.setPath(QLatin1Char('/') + name + QStringLiteral(".mdb")); // as an office names its database
    const QString server = url.toString();
    const QString back = original.folder() + QStringLiteral("/Copia.mdb");

    QList<std::pair<QString, qint64>> counts;
    DbError error = copyDatabase(original.path(), server, &counts);
    ASSERT_TRUE(error.ok()) << error.description.toStdString();
    EXPECT_TRUE(counts.contains({QStringLiteral("Clientes"), 5}));
    error = copyDatabase(server, back);
    ASSERT_TRUE(error.ok()) << error.description.toStdString();
    // The target must be new.
    EXPECT_EQ(copyDatabase(original.path(), server).number, 3204);

    {
        auto onServer = Database::open(server, {}, error);
        ASSERT_TRUE(onServer) << error.description.toStdString();
        auto copied = Database::open(back, {}, error);
        ASSERT_TRUE(copied) << error.description.toStdString();
        int tables = 0;
        for (const TableInfo& table : original.db().tables()) {
            if (table.name.startsWith(QLatin1String("MSys")))
                continue;
            ++tables;
            SCOPED_TRACE(table.name.toStdString());
            const QStringList rows = sortedRows(original.db(), table.name);
            EXPECT_EQ(sortedRows(*onServer, table.name), rows);
            EXPECT_EQ(sortedRows(*copied, table.name), rows);
            EXPECT_EQ(copied->fields(table.name).size(), original.db().fields(table.name).size());
            for (const FieldDef& field : original.db().fields(table.name)) {
                const FieldDef kept = copied->field(table.name, field.name);
                EXPECT_EQ(kept.type, field.type) << field.name.toStdString();
                EXPECT_EQ(kept.validationRule, field.validationRule) << field.name.toStdString();
                EXPECT_EQ(kept.defaultValue, field.defaultValue) << field.name.toStdString();
                EXPECT_EQ(kept.autoNumber, field.autoNumber) << field.name.toStdString();
            }
        }
        EXPECT_EQ(tables, 4);
        // Indexes keep their names as they were given, and numbered fields their numbering, both ways.
        EXPECT_EQ(indexNames(*onServer), indexNames(original.db()));
        EXPECT_EQ(indexNames(*copied), indexNames(original.db()));
        EXPECT_EQ(numberedRows(*onServer), QStringLiteral("A|8 A|9 B|1"));
        EXPECT_EQ(numberedRows(*copied), QStringLiteral("A|8 A|9 B|1"));
        EXPECT_EQ(sortedRows(*copied, QStringLiteral("&Conectados")),
                  sortedRows(original.db(), QStringLiteral("&Conectados")));
        // The server's AutoNumber goes on after the rows copied.
        ASSERT_TRUE(onServer->execute(QStringLiteral("INSERT INTO Clientes (Nombre) VALUES ('Nueva')")).ok());
        EXPECT_EQ(sortedRows(*onServer, QStringLiteral("SELECT Clave FROM Clientes WHERE Nombre = 'Nueva'")),
                  QStringList{QStringLiteral("6")});
    }
    if (auto admin = PgConnection::open(testing::testServerUri(), error))
        admin->execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
}

// A copy that fails half-way leaves no file under the target's name, nor any part of one, and can be done
// again once the disk has room.
TEST(DatabaseCopy, AFailedCopyToAFileLeavesNothingAndCanBeDoneAgain)
{
    testing::TestDatabase original;
    Transaction notes(original.db());
    for (int i = 0; i < 4000; ++i)
        original.exec(
            QStringLiteral("INSERT INTO Parametros (Clase, Secuen, Nombre, Contenido) VALUES ('N', ?, "
                           "'nota', ?)"),
            {i, QStringLiteral("contenido de la nota %1 ").arg(i).repeated(4)});
    ASSERT_TRUE(notes.commit().ok());
    QTemporaryDir folder;
    const QString target = folder.filePath(QStringLiteral("Quelmar.mdb"));
    for (const rlim_t bytesLeft : {rlim_t(8 * 1024), rlim_t(128 * 1024), rlim_t(512 * 1024)}) {
        SCOPED_TRACE(bytesLeft);
        DbError error;
        {
            const testsupport::FileSizeLimit full(bytesLeft);
            error = copyDatabase(original.path(), target);
        }
        EXPECT_EQ(error.number, jeterror::DiskError) << error.description.toStdString();
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
    const DbError again = copyDatabase(original.path(), target);
    ASSERT_TRUE(again.ok()) << again.description.toStdString();
    DbError openError;
    auto copied = Database::open(target, {}, openError);
    ASSERT_TRUE(copied) << openError.description.toStdString();
    EXPECT_EQ(sortedRows(*copied, QStringLiteral("SELECT Count(*) FROM Parametros WHERE Clase = 'N'")),
              QStringList{QStringLiteral("4000")});
}

// A copy to a server that fails half-way leaves the server as it found it: the database the copy made is
// dropped, and one that was there before holds no office again; either way the copy can be done again.
TEST(DatabaseCopy, AFailedCopyToAServerLeavesItAsItWasAndCanBeDoneAgain)
{
    if (testing::testServerUri().isEmpty())
        GTEST_SKIP() << "no PostgreSQL test server: QUELMAR_TEST_PG_URI is not set (scripts/test.sh sets it)";
    testing::TestDatabase original;
    // A row the server's rule refuses, which the file took before its rule was there.
    runSql(original.db().handle(), QStringLiteral("PRAGMA ignore_check_constraints = ON"));
    original.exec(QStringLiteral("INSERT INTO Clientes (Nombre, Unidades) VALUES ('Fuera de regla', 99)"));
    DbError error;
    auto admin = PgConnection::open(testing::testServerUri(), error);
    ASSERT_TRUE(admin) << error.description.toStdString();
    for (const bool thereBefore : {false, true}) {
        SCOPED_TRACE(thereBefore ? "a database that was there" : "a database the copy makes");
        const QString name = QStringLiteral("quelmar_copy_failed_%1_%2")
                                 .arg(QCoreApplication::applicationPid())
                                 .arg(int(thereBefore));
        QUrl url(testing::testServerUri());
        url.setPath(QLatin1Char('/') + name);
        const QString server = url.toString();
        if (thereBefore) {
            ASSERT_TRUE(admin->execute(QStringLiteral("CREATE DATABASE %1").arg(name)).ok());
        }

        error = copyDatabase(original.path(), server);
        EXPECT_EQ(error.number, jeterror::ValidationRuleViolated) << error.description.toStdString();
        PgRows found;
        admin->execute(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"), {name}, &found);
        EXPECT_EQ(found.rows.size(), thereBefore ? 1 : 0);
        if (thereBefore) {
            DbError openError;
            auto left = PgConnection::open(server, openError);
            ASSERT_TRUE(left) << openError.description.toStdString();
            PgRows tables;
            left->execute(
                QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = current_schema()"), {},
                &tables);
            EXPECT_EQ(tables.rows.value(0).value(0).toLongLong(), 0);
        }

        original.exec(QStringLiteral("DELETE FROM Clientes WHERE Unidades = 99"));
        error = copyDatabase(original.path(), server);
        EXPECT_TRUE(error.ok()) << error.description.toStdString();
        original.exec(
            QStringLiteral("INSERT INTO Clientes (Nombre, Unidades) VALUES ('Fuera de regla', 99)"));
        admin->execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name));
    }
}

} // namespace
} // namespace quelmar::db
