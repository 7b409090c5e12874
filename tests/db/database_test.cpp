#include "testdatabase.h"

#include "damagedfile.h"
#include "db/usersfile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

using namespace quelmar::db;
using quelmar::db::testing::TestDatabase;

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

namespace {

QByteArray contentOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(DatabaseOpen, RefusesWhatIsNotOneOfOurDatabasesWithTheEngineNumberAndLeavesItAsItIs)
{
    QTemporaryDir dir;
    QByteArray jetHeader(64, '\0');
    jetHeader.replace(4, 15, "Standard Jet DB");
    writeFile(dir.filePath(QStringLiteral("Viejo.mdb")), jetHeader);
    writeFile(dir.filePath(QStringLiteral("Texto.mdb")),
              "esto no es una base de datos, es un texto cualquiera");
    writeFile(dir.filePath(QStringLiteral("Vacio.mdb")), QByteArray());
    writeFile(dir.filePath(QStringLiteral("Corto.mdb")), "SQLite");

    const struct
    {
        const char* file;
        int number;
        const char* mentions;
        Database::FileKind kind;
    } cases[] = {
        {"NoExiste.mdb", jeterror::FileNotFound, "NoExiste.mdb", Database::FileKind::Missing},
        {"Viejo.mdb", jeterror::UnrecognizedFormat, "Jet", Database::FileKind::Jet},
        {"Texto.mdb", jeterror::UnrecognizedFormat, "Texto.mdb", Database::FileKind::Foreign},
        {"Vacio.mdb", jeterror::UnrecognizedFormat, "empty", Database::FileKind::Empty},
        {"Corto.mdb", jeterror::UnrecognizedFormat, "Corto.mdb", Database::FileKind::Foreign},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir.filePath(QString::fromUtf8(c.file));
        const QByteArray before = contentOf(path);
        EXPECT_EQ(Database::fileKind(path), c.kind);
        DbError error;
        const auto database = Database::open(path, {}, error);
        EXPECT_EQ(database, nullptr);
        EXPECT_EQ(error.number, c.number);
        EXPECT_TRUE(error.description.contains(QString::fromUtf8(c.mentions)))
            << error.description.toStdString();
        EXPECT_EQ(contentOf(path), before);
    }
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("NoExiste.mdb"))));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 4);
}

namespace {

// A database of its own, closed again, with a table of `rows` notes that take several pages.
QString databaseWithNotes(const QTemporaryDir& dir, int rows)
{
    const QString path = dir.filePath(QStringLiteral("Notas.mdb"));
    DbError error;
    auto database = Database::create(path, error);
    EXPECT_TRUE(error.ok()) << error.description.toStdString();
    FieldDef text;
    text.name = QStringLiteral("Texto");
    text.type = jettype::Text;
    text.size = 200;
    EXPECT_TRUE(database->createTables({TableDef{QStringLiteral("Notas"), {text}, {}}}).ok());
    Transaction transaction(*database);
    for (int i = 0; i < rows; ++i)
        database->execute(QStringLiteral("INSERT INTO Notas (Texto) VALUES (?)"),
                          {QStringLiteral("nota %1 ").arg(i).repeated(12)});
    EXPECT_TRUE(transaction.commit().ok());
    return path;
}

} // namespace

TEST(DatabaseQuickCheck, FindsDamagedPagesAndNothingInAGoodFile)
{
    QTemporaryDir dir;
    const QString path = databaseWithNotes(dir, 300);
    DbError error;
    {
        auto database = Database::open(path, {}, error);
        ASSERT_TRUE(database) << error.description.toStdString();
        EXPECT_TRUE(database->quickCheck(5000).ok());
    }
    quelmar::testsupport::damageLastPages(path, 2);
    auto database = Database::open(path, {}, error);
    ASSERT_TRUE(database) << error.description.toStdString();
    const DbError found = database->quickCheck(5000);
    EXPECT_EQ(found.number, jeterror::CorruptDatabase);
    EXPECT_TRUE(found.description.contains(QStringLiteral("Quick check: ")))
        << found.description.toStdString();
    // Without time to look, nothing is said.
    EXPECT_TRUE(database->quickCheck(0).ok());
}

TEST(DatabaseOpen, KeepsTheUsersFileWhileOpenAndHonoursExclusiveUse)
{
    TestDatabase fixture;
    const QString ldb = UsersFile::pathFor(fixture.path());
    EXPECT_TRUE(QFileInfo::exists(ldb));

    // Another program (simulated by a line of another computer) has it open.
    {
        QFile file(ldb);
        ASSERT_TRUE(file.open(QIODevice::Append | QIODevice::Text));
        file.write("OTRA-PC\tcajero\t4242\t\n");
    }
    DbError error;
    EXPECT_EQ(Database::open(fixture.path(), {.exclusive = true, .readOnly = false}, error), nullptr);
    EXPECT_EQ(error.number, jeterror::FileInUse);

    {
        QFile file(ldb);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text));
        file.write("OTRA-PC\tcajero\t4242\tX\n");
    }
    EXPECT_EQ(Database::open(fixture.path(), {}, error), nullptr);
    EXPECT_EQ(error.number, jeterror::OpenedExclusively);
}

TEST(DatabaseOpen, ReadOnlyRefusesWritesWithoutChangingAnything)
{
    TestDatabase fixture;
    DbError error;
    auto reader = Database::open(fixture.path(), {.exclusive = false, .readOnly = true}, error);
    ASSERT_TRUE(error.ok()) << error.description.toStdString();
    EXPECT_EQ(reader->execute(QStringLiteral("DELETE FROM Cobros")).number, jeterror::ReadOnly);
    auto rows = reader->openRecordset(QStringLiteral("SELECT * FROM Cobros"), RecordsetType::Dynaset, error);
    ASSERT_TRUE(rows);
    EXPECT_FALSE(rows->isUpdatable());
    EXPECT_EQ(rows->recordCount(), 5);
}

TEST(DatabaseExecute, MapsFailuresToEngineNumbersAndKeepsTheStatement)
{
    TestDatabase fixture;
    const struct
    {
        const char* sql;
        int number;
        const char* inDescription;
    } cases[] = {
        {"SELEC * FROM Clientes", jeterror::TooFewParameters, ""},
        {"DELETE FROM Pagoz", jeterror::TableNotFound, "Pagoz"},
        {"UPDATE Clientes SET Nombrr = 'x'", jeterror::TooFewParameters, ""},
        {"UPDATE Clientes SET Notas = Nada", jeterror::TooFewParameters, ""},
        {"INSERT INTO Clientes (Unidades) VALUES (2)", jeterror::RequiredFieldNull, "'Clientes.Nombre'"},
        {"UPDATE Clientes SET Unidades = 99", jeterror::ValidationRuleViolated, "Las unidades van de 1 a 50"},
        {"INSERT INTO Cobros (Cliente, Monto, Concepto, Ticket) VALUES (1, 5, 'Renta', 1)",
         jeterror::DuplicateKey, "duplicate values in the index, primary key, or relationship"},
        {"UPDATE Cobros SET Monto = 0", jeterror::ValidationRuleViolated, ">0"},
    };
    for (const auto& c : cases) {
        const QString sql = QString::fromUtf8(c.sql);
        const DbError error = fixture.db().execute(sql);
        EXPECT_EQ(error.number, c.number) << c.sql << " -> " << error.description.toStdString();
        EXPECT_TRUE(error.description.contains(QString::fromUtf8(c.inDescription)))
            << error.description.toStdString();
        EXPECT_EQ(error.statement, sql);
    }
    // Nothing was written by the failed statements.
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Count(*) AS N, Sum(Unidades) AS U FROM Clientes")),
              QStringLiteral("5|11"));
}

TEST(DatabaseExecute, ValuesWithQuotesReachTheDatabaseIntact)
{
    TestDatabase fixture;
    fixture.exec(QStringLiteral("UPDATE Clientes SET Notas = ? WHERE Nombre = ?"),
                 {QStringLiteral("dijo 'hola'; DROP TABLE Cobros"), QStringLiteral("Luis O'Brien")});
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Notas FROM Clientes WHERE Nombre = 'luis o''brien'")),
              QStringLiteral("dijo 'hola'; DROP TABLE Cobros"));
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Count(*) FROM Cobros")), QStringLiteral("5"));
}

TEST(DatabaseTransactions, RollBackEverythingUnlessCommitted)
{
    TestDatabase fixture;
    {
        Transaction transaction(fixture.db());
        fixture.exec(QStringLiteral("DELETE FROM Cobros WHERE Ticket = 3"));
        fixture.exec(QStringLiteral("UPDATE Clientes SET Situación = 'Conectado' WHERE Clave = 2"));
    }
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Count(*) FROM Cobros WHERE Ticket = 3")),
              QStringLiteral("2"));
    {
        Transaction transaction(fixture.db());
        fixture.exec(QStringLiteral("DELETE FROM Cobros WHERE Ticket = 3"));
        EXPECT_TRUE(transaction.commit().ok());
    }
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Count(*) FROM Cobros WHERE Ticket = 3")),
              QStringLiteral("0"));
}

TEST(DatabaseCounters, TwoWorkstationsNeverTakeTheSameNumber)
{
    TestDatabase fixture;
    DbError error;
    auto other = Database::open(fixture.path(), {}, error);
    ASSERT_TRUE(error.ok());
    QList<qint64> taken;
    for (int i = 0; i < 10; ++i) {
        qint64 value = 0;
        ASSERT_TRUE((i % 2 ? *other : fixture.db()).takeCounter(QStringLiteral("CDT"), value).ok());
        taken.append(value);
    }
    EXPECT_EQ(taken, (QList<qint64>{42, 43, 44, 45, 46, 47, 48, 49, 50, 51}));
    qint64 none = -1;
    EXPECT_TRUE(fixture.db().takeCounter(QStringLiteral("NOHAY"), none).ok());
    EXPECT_EQ(none, 0);
}

TEST(DatabaseCounters, ALockHeldByAnotherProgramIsALockError)
{
    TestDatabase fixture;
    DbError error;
    auto other = Database::open(fixture.path(), {}, error);
    ASSERT_TRUE(other->beginTransaction().ok());
    other->execute(QStringLiteral("UPDATE Clientes SET Notas = 'ocupado' WHERE Clave = 1"));
    qint64 value = 0;
    error = fixture.db().takeCounter(QStringLiteral("CDT"), value);
    EXPECT_TRUE(error.isLock()) << error.number;
    other->rollback();
    EXPECT_TRUE(fixture.db().takeCounter(QStringLiteral("CDT"), value).ok());
    EXPECT_EQ(value, 42);
}

// A parameters table whose Secuen numbers a row added without one within its Clase; and a table of notes.
QList<TableDef> numberedTables()
{
    const auto field = [](const char* name, int type, int size = 0) {
        FieldDef def;
        def.name = QString::fromUtf8(name);
        def.type = type;
        def.size = size;
        return def;
    };
    TableDef parametros;
    parametros.name = QStringLiteral("Parametros");
    parametros.fields = {field("Clase", jettype::Text, 20), field("Secuen", jettype::Long),
                         field("Nombre", jettype::Text, 50), field("Clave", jettype::Text, 20),
                         field("Contenido", jettype::Text, 255)};
    parametros.fields[1].numberedWithin = QStringLiteral("Clase");
    TableDef notas;
    notas.name = QStringLiteral("Notas");
    notas.fields = {field("Texto", jettype::Memo), field("Orden", jettype::Long)};
    notas.fields[1].numberedWithin = QStringLiteral("Texto");
    return {parametros, notas};
}

TEST(DatabaseStructure, AnOlderDatabaseGetsWhatItLacksAndANewRowItsPlaceInItsGroup)
{
    TestDatabase fixture;
    const QString places =
        QStringLiteral("SELECT Clase, Secuen, Nombre FROM Parametros ORDER BY Clase, Secuen");
    // Made before the numbering: a row added without its place has none.
    fixture.exec(QStringLiteral("INSERT INTO Parametros (Clase, Nombre) VALUES ('P', 'Sin lugar')"));
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Count(*) FROM Parametros WHERE Secuen Is Null")),
              QStringLiteral("1"));
    fixture.exec(QStringLiteral("DELETE FROM Parametros WHERE Secuen Is Null"));
    const QString before = fixture.rows(places);

    ASSERT_FALSE(fixture.db().ensureTables(numberedTables()));
    EXPECT_TRUE(fixture.db().hasTable(QStringLiteral("Notas")));
    EXPECT_EQ(
        fixture.rows(QStringLiteral("SELECT FieldName FROM MSysFields WHERE TableName = 'Notas' ORDER BY "
                                    "Position")),
        QStringLiteral("Texto\nOrden"));
    EXPECT_EQ(fixture.rows(places), before); // the rows there keep their places

    // Added as the grid adds rows (the place is not among its fields), and by a statement.
    auto grid = fixture.open(QStringLiteral("SELECT Nombre, Clase FROM Parametros WHERE Clase = 'P'"),
                             RecordsetType::Dynaset);
    ASSERT_FALSE(grid->addNew());
    ASSERT_FALSE(grid->setValue(QStringLiteral("Nombre"), QStringLiteral("Decodificador")));
    ASSERT_FALSE(grid->setValue(QStringLiteral("Clase"), QStringLiteral("P")));
    ASSERT_FALSE(grid->update());
    fixture.exec(QStringLiteral("INSERT INTO Parametros (Clase, Nombre) VALUES ('Nueva', 'Primera')"));
    fixture.exec(
        QStringLiteral("INSERT INTO Parametros (Clase, Secuen, Nombre) VALUES ('Nueva', 7, 'Dada')"));
    fixture.exec(QStringLiteral("INSERT INTO Parametros (Clase, Nombre) VALUES ('Nueva', 'Tras la dada')"));
    const qint64 lastOfP =
        fixture
            .rows(QStringLiteral("SELECT Max(Secuen) FROM Parametros WHERE Clase = 'P' AND Nombre <> "
                                 "'Decodificador'"))
            .toLongLong();
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Secuen FROM Parametros WHERE Nombre = 'Decodificador'"))
                  .toLongLong(),
              lastOfP + 1);
    EXPECT_EQ(
        fixture.rows(QStringLiteral("SELECT Nombre, Secuen FROM Parametros WHERE Clase = 'Nueva' ORDER BY "
                                    "Secuen")),
        QStringLiteral("Primera|1\nDada|7\nTras la dada|8"));

    // Up to date, it writes nothing: not even another workstation's lock stops it.
    DbError error;
    auto other = Database::open(fixture.path(), {}, error);
    ASSERT_TRUE(other);
    ASSERT_FALSE(other->beginTransaction());
    EXPECT_FALSE(fixture.db().ensureTables(numberedTables()));
    other->rollback();
}

TEST(DatabaseStructure, ListsTablesAndStoredQueriesAndTheCatalogue)
{
    TestDatabase fixture;
    QStringList names;
    for (const TableInfo& t : fixture.db().tables())
        names.append(t.name);
    EXPECT_EQ(names, (QStringList{QStringLiteral("Clientes"), QStringLiteral("Cobros"),
                                  QStringLiteral("MSysFields"), QStringLiteral("Parametros")}));

    const QString jet =
        QStringLiteral("SELECT Nombre, [Fecha de Alta] FROM Clientes WHERE Situación = \"Conectado\"");
    ASSERT_TRUE(fixture.db().createStoredQuery(QStringLiteral("Conectados"), jet).ok());
    EXPECT_EQ(fixture.db().storedQuerySql(QStringLiteral("conectados")), jet);
    EXPECT_EQ(fixture.rows(QStringLiteral("&Conectados")),
              QStringLiteral("Ana López|2020-01-15\nANA MARÍA Ruiz|2020-01-15"));

    const FieldDef situacion = fixture.db().field(QStringLiteral("Clientes"), QStringLiteral("situación"));
    EXPECT_EQ(situacion.typeCode(), jettype::Classifier);
    EXPECT_EQ(fixture.db().field(QStringLiteral("Cobros"), QStringLiteral("Cliente")).typeCode(),
              jettype::Relation);
    EXPECT_EQ(fixture.db().field(QStringLiteral("Cobros"), QStringLiteral("Monto")).type, jettype::Currency);
    const FieldDef nombre = fixture.db().field(QStringLiteral("Clientes"), QStringLiteral("Nombre"));
    EXPECT_TRUE(nombre.required);
    EXPECT_EQ(nombre.size, 40);
    EXPECT_TRUE(fixture.db().field(QStringLiteral("Clientes"), QStringLiteral("Clave")).autoNumber);
}

TEST(DatabaseValues, MoneyKeepsItsCentsAndDatesStayDates)
{
    TestDatabase fixture;
    fixture.exec(
        QStringLiteral(
            "INSERT INTO Cobros (Cliente, Fecha, Monto, Concepto, Ticket) VALUES (1, ?, 12.00, 'x', 9)"),
        {QDate(2026, 12, 31)});
    auto rows = fixture.open(QStringLiteral("SELECT Monto, Fecha FROM Cobros WHERE Ticket = 9"),
                             RecordsetType::Snapshot);
    EXPECT_EQ(rows->value(0).typeId(), QMetaType::Double);
    EXPECT_EQ(rows->value(1).toDate(), QDate(2026, 12, 31));
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Sum(Monto) FROM Cobros WHERE Monto > 100")),
              QStringLiteral("451.5"));
}
