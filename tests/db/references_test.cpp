// Relation fields kept as references, on a file and on a server: keys the related table lacks are refused
// (3201), rows others still refer to are not deleted or rekeyed (3200), empty and 0 keys refer to nothing,
// and rows stored before the references were kept go on loading and are listed.
#include "pgtestserver.h"
#include "testtables.h"

#include "db/database.h"
#include "db/databasecopy.h"
#include "db/recordset.h"
#include "db/references.h"
#include "db/sqlitestatement.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace quelmar::db {
namespace {

using testsupport::field;

FieldDef counterKey()
{
    FieldDef key = field("Clave", jettype::Long);
    key.autoNumber = true;
    return key;
}

// Subscribers in zones (a text key, offered only when the zone is active), their charges, and technicians who
// name their chief, who names none or himself.
QList<TableDef> schema()
{
    TableDef zonas;
    zonas.name = QStringLiteral("Zonas");
    zonas.fields = {field("Código", jettype::Text, 10), field("Nombre", jettype::Text, 30),
                    field("Activa", jettype::Boolean)};
    zonas.indexes = {{QStringLiteral("Código"), {QStringLiteral("Código")}, true, true}};

    TableDef clientes;
    clientes.name = QStringLiteral("Clientes");
    clientes.fields = {counterKey(), field("Nombre", jettype::Text, 40),
                       field(QStringLiteral("Zona"), jettype::Text, 10,
                             QStringLiteral("!R/Zonas WHERE Activa <> 0/Código,Nombre/Nombre"))};

    TableDef cobros;
    cobros.name = QStringLiteral("Cobros");
    cobros.fields = {
        field(QStringLiteral("Cliente"), jettype::Long, 0, QStringLiteral("!R/Clientes/Clave,Nombre")),
        field("Monto", jettype::Currency)};

    TableDef tecnicos;
    tecnicos.name = QStringLiteral("Técnicos");
    tecnicos.fields = {
        counterKey(), field("Nombre", jettype::Text, 40),
        field(QStringLiteral("Jefe"), jettype::Long, 0, QStringLiteral("!R/Técnicos/Clave,Nombre/Nombre"))};
    return {zonas, clientes, cobros, tecnicos};
}

// The schema's rows, with a charge whose subscriber is not there, as one stored before the references were
// kept.
void fill(Database& database)
{
    for (const char* statement :
         {"INSERT INTO Zonas (Código, Nombre, Activa) VALUES ('Norte', 'Zona norte', True)",
          "INSERT INTO Zonas (Código, Nombre, Activa) VALUES ('Sur', 'Zona sur', False)",
          "INSERT INTO Clientes (Nombre, Zona) VALUES ('Ana', 'Norte')",
          "INSERT INTO Clientes (Nombre, Zona) VALUES ('Beto', 'sur')",
          "INSERT INTO Clientes (Nombre, Zona) VALUES ('Caro', Null)",
          "INSERT INTO Cobros (Cliente, Monto) VALUES (1, 10)",
          "INSERT INTO Cobros (Cliente, Monto) VALUES (2, 20)",
          "INSERT INTO Cobros (Cliente, Monto) VALUES (77, 5)",
          "INSERT INTO Técnicos (Nombre, Jefe) VALUES ('Jorge', Null)",
          "INSERT INTO Técnicos (Nombre, Jefe) VALUES ('Luis', 1)",
          "INSERT INTO Técnicos (Nombre, Jefe) VALUES ('Mario', 3)"}) {
        const DbError error = database.execute(QString::fromUtf8(statement));
        ASSERT_TRUE(error.ok()) << statement << ": " << error.description.toStdString();
    }
}

QString uriFor(const QString& database)
{
    QUrl url(testing::testServerUri());
    url.setPath(QLatin1Char('/') + database);
    return url.toString();
}

class ReferencesTest : public ::testing::TestWithParam<bool>
{
protected:
    bool onServer() const { return GetParam(); }

    void SetUp() override
    {
        DbError error;
        if (onServer()) {
            if (testing::testServerUri().isEmpty())
                GTEST_SKIP() << "no PostgreSQL test server: QUELMAR_TEST_PG_URI is not set";
            static int serial = 0;
            m_name = QStringLiteral("quelmar_references_%1_%2")
                         .arg(QCoreApplication::applicationPid())
                         .arg(++serial);
            m_db = Database::create(uriFor(m_name), error);
        } else {
            m_db = Database::create(m_dir.filePath(QStringLiteral("Referencias.mdb")), error);
        }
        ASSERT_TRUE(m_db) << error.description.toStdString();
        ASSERT_TRUE(m_db->createTables(schema()).ok());
        fill(*m_db);
        ASSERT_TRUE(m_db->ensureReferences().ok());
    }

    void TearDown() override
    {
        m_db.reset();
        if (m_name.isEmpty())
            return;
        DbError error;
        if (auto admin = PgConnection::open(testing::testServerUri(), error))
            admin->execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    }

    void exec(const char* jet)
    {
        const DbError error = m_db->execute(QString::fromUtf8(jet));
        ASSERT_TRUE(error.ok()) << jet << ": " << error.description.toStdString();
    }

    QString value(const char* jet)
    {
        DbError error;
        auto rows = m_db->openRecordset(QString::fromUtf8(jet), RecordsetType::Snapshot, error);
        EXPECT_TRUE(rows) << jet << ": " << error.description.toStdString();
        return rows && !rows->eof() ? rows->value(0).toString() : QString();
    }

    QTemporaryDir m_dir;
    QString m_name;
    std::unique_ptr<Database> m_db;
};

TEST_P(ReferencesTest, KeysTheRelatedTableLacksAndRowsStillReferredToAreRefused)
{
    // In this order: each write that goes through changes what the next ones find.
    const struct
    {
        const char* statement;
        int number;
        const char* table; // named by the error
    } cases[] = {
        {"INSERT INTO Cobros (Cliente, Monto) VALUES (1, 30)", 0, ""},
        {"INSERT INTO Cobros (Cliente, Monto) VALUES (999, 30)", jeterror::RelatedRecordRequired, "Clientes"},
        {"INSERT INTO Cobros (Cliente, Monto) VALUES (0, 30)", 0, ""},
        {"INSERT INTO Cobros (Cliente, Monto) VALUES (Null, 30)", 0, ""},
        {"UPDATE Cobros SET Cliente = 999 WHERE Cliente = 2", jeterror::RelatedRecordRequired, "Clientes"},
        // A text key: compared without regard to case, empty refers to nothing, and the zone need not be
        // active (the condition only narrows the choice).
        {"INSERT INTO Clientes (Nombre, Zona) VALUES ('Eva', 'NORTE')", 0, ""},
        {"INSERT INTO Clientes (Nombre, Zona) VALUES ('Eva', 'Oeste')", jeterror::RelatedRecordRequired,
         "Zonas"},
        {"INSERT INTO Clientes (Nombre, Zona) VALUES ('Eva', '')", 0, ""},
        {"DELETE FROM Clientes WHERE Clave = 1", jeterror::RelatedRecordsExist, "Cobros"},
        {"UPDATE Clientes SET Clave = 50 WHERE Clave = 1", jeterror::RelatedRecordsExist, "Cobros"},
        {"UPDATE Clientes SET Nombre = 'Ana María' WHERE Clave = 1", 0, ""},
        {"DELETE FROM Clientes WHERE Clave = 3", 0, ""},
        {"DELETE FROM Zonas WHERE Código = 'Norte'", jeterror::RelatedRecordsExist, "Clientes"},
        // A chief with a crew stays; a technician who names himself can go.
        {"DELETE FROM Técnicos WHERE Clave = 1", jeterror::RelatedRecordsExist, "Técnicos"},
        {"UPDATE Técnicos SET Jefe = 99 WHERE Clave = 2", jeterror::RelatedRecordRequired, "Técnicos"},
        {"DELETE FROM Técnicos WHERE Clave = 3", 0, ""},
    };
    for (const auto& c : cases) {
        const DbError error = m_db->execute(QString::fromUtf8(c.statement));
        EXPECT_EQ(error.number, c.number) << c.statement << ": " << error.description.toStdString();
        if (c.number != 0) {
            EXPECT_EQ(error.description, jetDescription(c.number, {QString::fromUtf8(c.table)}))
                << c.statement;
        }
    }
    EXPECT_EQ(value("SELECT Count(*) FROM Cobros WHERE Cliente = 999"), QStringLiteral("0"));
    EXPECT_EQ(value("SELECT Nombre FROM Clientes WHERE Clave = 1"), QStringLiteral("Ana María"));
    EXPECT_EQ(value("SELECT Count(*) FROM Técnicos"), QStringLiteral("2"));
}

TEST_P(ReferencesTest, RowsStoredBeforeKeepLoadingAndChangingAndAreListed)
{
    EXPECT_EQ(value("SELECT Monto FROM Cobros WHERE Cliente = 77"), QStringLiteral("5"));
    // Its other fields change; its key does not become another missing one.
    exec("UPDATE Cobros SET Monto = 6, Cliente = 77 WHERE Cliente = 77");
    EXPECT_EQ(m_db->execute(QStringLiteral("UPDATE Cobros SET Cliente = 78 WHERE Cliente = 77")).number,
              jeterror::RelatedRecordRequired);

    DbError error;
    const QList<BrokenReference> broken = brokenReferences(*m_db, error);
    ASSERT_TRUE(error.ok()) << error.description.toStdString();
    ASSERT_EQ(broken.size(), 1);
    EXPECT_EQ(broken.at(0).table, QStringLiteral("Cobros"));
    EXPECT_TRUE(broken.at(0).row.startsWith(QStringLiteral("fila "))) << broken.at(0).row.toStdString();
    EXPECT_EQ(broken.at(0).field, QStringLiteral("Cliente"));
    EXPECT_EQ(broken.at(0).value, QStringLiteral("77"));
    EXPECT_EQ(broken.at(0).related, QStringLiteral("Clientes"));

    // A table with a counter key names the row by it.
    exec("INSERT INTO Clientes (Nombre) VALUES ('Dora')");
    exec("UPDATE MSysFields SET DefaultValue = Null WHERE TableName = 'Clientes' AND FieldName = 'Zona'");
    m_db->reloadCatalogue();
    ASSERT_TRUE(m_db->ensureReferences().ok());
    exec("UPDATE Clientes SET Zona = 'Oeste' WHERE Nombre = 'Dora'");
    exec("UPDATE MSysFields SET DefaultValue = '!R/Zonas/Código,Nombre' WHERE TableName = 'Clientes' AND "
         "FieldName = 'Zona'");
    m_db->reloadCatalogue();
    ASSERT_TRUE(m_db->ensureReferences().ok());
    QStringList listed;
    for (const BrokenReference& row : brokenReferences(*m_db, error))
        listed << row.table + QLatin1Char('/') + row.row + QLatin1Char('/') + row.value;
    EXPECT_TRUE(listed.contains(QStringLiteral("Clientes/Clave = 4/Oeste")))
        << listed.join(u' ').toStdString();
    EXPECT_EQ(listed.size(), 2) << listed.join(u' ').toStdString();
}

TEST_P(ReferencesTest, TheReferencesFollowTheCatalogueAndAreMadeOnce)
{
    // The chief is no longer a relation field: any number goes.
    exec("UPDATE MSysFields SET DefaultValue = Null WHERE TableName = 'Técnicos' AND FieldName = 'Jefe'");
    m_db->reloadCatalogue();
    ASSERT_TRUE(m_db->ensureReferences().ok());
    exec("UPDATE Técnicos SET Jefe = 99 WHERE Clave = 2");
    exec("DELETE FROM Técnicos WHERE Clave = 1");
    // The others stay.
    EXPECT_EQ(m_db->execute(QStringLiteral("INSERT INTO Cobros (Cliente, Monto) VALUES (999, 1)")).number,
              jeterror::RelatedRecordRequired);

    if (onServer())
        return;
    // Nothing is written when everything is in place.
    const auto schemaVersion = [this] {
        SqliteStatement version(m_db->handle(), QStringLiteral("PRAGMA schema_version"));
        return version.step() ? version.int64(0) : -1;
    };
    const qint64 before = schemaVersion();
    ASSERT_TRUE(m_db->ensureReferences().ok());
    EXPECT_EQ(schemaVersion(), before);
}

// A copy of an office takes every row, also one that breaks a reference, and keeps the references from then
// on.
TEST(ReferencesCopyTest, ACopyKeepsRowsThatBreakAReferenceAndTheReferencesFromThen)
{
    QTemporaryDir dir;
    DbError error;
    const QString source = dir.filePath(QStringLiteral("Origen.mdb"));
    {
        auto original = Database::create(source, error);
        ASSERT_TRUE(original) << error.description.toStdString();
        ASSERT_TRUE(original->createTables(schema()).ok());
        fill(*original);
        ASSERT_TRUE(original->ensureReferences().ok());
    }
    QStringList targets{dir.filePath(QStringLiteral("Copia.mdb"))};
    const QString serverName =
        QStringLiteral("quelmar_references_copy_%1").arg(QCoreApplication::applicationPid());
    if (!testing::testServerUri().isEmpty())
        targets << uriFor(serverName);
    for (const QString& target : targets) {
        error = copyDatabase(source, target);
        ASSERT_TRUE(error.ok()) << target.toStdString() << ": " << error.description.toStdString();
        auto copy = Database::open(target, {}, error);
        ASSERT_TRUE(copy) << error.description.toStdString();
        auto kept = copy->openRecordset(QStringLiteral("SELECT Monto FROM Cobros WHERE Cliente = 77"),
                                        RecordsetType::Snapshot, error);
        ASSERT_TRUE(kept && !kept->eof()) << target.toStdString();
        EXPECT_EQ(copy->execute(QStringLiteral("INSERT INTO Cobros (Cliente, Monto) VALUES (999, 1)")).number,
                  jeterror::RelatedRecordRequired)
            << target.toStdString();
        EXPECT_EQ(copy->execute(QStringLiteral("DELETE FROM Clientes WHERE Clave = 1")).number,
                  jeterror::RelatedRecordsExist)
            << target.toStdString();
    }
    if (targets.size() > 1) {
        if (auto admin = PgConnection::open(testing::testServerUri(), error))
            admin->execute(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(serverName));
    }
}

INSTANTIATE_TEST_SUITE_P(Backends, ReferencesTest, ::testing::Values(false, true),
                         [](const ::testing::TestParamInfo<bool>& backend) {
                             return backend.param ? std::string("Server") : std::string("File");
                         });

} // namespace
} // namespace quelmar::db
