// A whole office database copied from a file to a server and back.

#include "pgtestserver.h"
#include "testdatabase.h"

#include "db/databasecopy.h"

#include <QCoreApplication>
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
        EXPECT_EQ(tables, 3);
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

} // namespace
} // namespace quelmar::db
