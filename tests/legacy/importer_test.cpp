#include "legacy/importer.h"

#include "db/database.h"
#include "db/recordset.h"
#include "db/sqlitestatement.h"

#include "../filesizelimit.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace quelmar;
using namespace quelmar::legacy;

namespace {

// A Jet database described in the test: tables with their rows, queries with their SQL.
class FakeSource : public LegacySource
{
public:
    struct Table
    {
        LegacyTable definition;
        QList<QVariantList> rows;
        QString readFailure;        // told after the rows were given
        qsizetype cutShortRow = -1; // a row whose first value the reader could not give whole
    };
    QList<Table> data;
    QList<LegacyQuery> stored;
    QStringList linked;

    QList<LegacyTable> tables() override
    {
        QList<LegacyTable> list;
        for (const Table& table : std::as_const(data))
            list.append(table.definition);
        return list;
    }
    bool twoBytesPerCharacter() const override { return true; }
    QList<LegacyQuery> queries() override { return stored; }
    QStringList linkedTables() const override { return linked; }
    QString readRows(const LegacyTable& table, const RowVisitor& row) override
    {
        for (const Table& t : std::as_const(data)) {
            if (t.definition.name != table.name)
                continue;
            for (qsizetype r = 0; r < t.rows.size(); ++r) {
                QHash<int, QString> problems;
                if (r == t.cutShortRow)
                    problems.insert(0, u"se copió cortado"_s);
                if (!row(t.rows.at(r), problems))
                    break;
            }
            return t.readFailure;
        }
        return u"no existe"_s;
    }
};

LegacyColumn column(const QString& name, int type, int size = 0, QHash<QString, QString> properties = {},
                    bool autoNumber = false)
{
    return {name, type, size, autoNumber, properties};
}

// Subscribers and their payments, with the values an old office file holds.
FakeSource officeFile()
{
    FakeSource source;
    FakeSource::Table subscribers;
    subscribers.definition.name = u"Suscriptores"_s;
    subscribers.definition.columns = {
        column(u"Clave"_s, legacytype::Long, 4, {}, true),
        column(u"Nombre"_s, legacytype::Text, 100, {{u"Required"_s, u"yes"_s}}),
        column(u"Estado"_s, legacytype::Text, 40, {{u"DefaultValue"_s, u"!C/Estado"_s}}),
        column(u"Televisores"_s, legacytype::Integer, 2,
               {{u"ValidationRule"_s, u"Between 1 And 50"_s}, {u"ValidationText"_s, u"De 1 a 50"_s}}),
        column(u"Alta"_s, legacytype::DateTime, 8),
        column(u"Cuota"_s, legacytype::Currency, 8),
        column(u"Activo"_s, legacytype::Boolean, 1),
    };
    subscribers.definition.indexes = {{u"PrimaryKey"_s, {u"Clave"_s}, true, true},
                                      {u"PorNombre"_s, {u"Nombre"_s}, false, false}};
    subscribers.rows = {
        {1LL,
         QByteArray("Pe\xf1"
                    "a Luis"),
         QByteArray("Conectado"), 2LL, 45352.0, 1250000LL, true},
        {2LL, QByteArray("Ana L\xc3\xb3pez"), QByteArray(""), 1LL, -36522.0, 0LL, false},
        {3LL, QVariant(), QByteArray("Cortado"), 1LL, 1e9, 99999LL, true},
        {4LL, QByteArray("Muchos Televisores"), QVariant(), 70LL, 45000.0, 10000LL, true},
    };
    subscribers.definition.rowCount = subscribers.rows.size();
    FakeSource::Table payments;
    payments.definition.name = u"Pagos"_s;
    payments.definition.columns = {
        column(u"Ticket"_s, legacytype::Long, 4),
        column(u"Suscriptor"_s, legacytype::Long, 4, {{u"DefaultValue"_s, u"!R/Suscriptores"_s}}),
        column(u"Monto"_s, legacytype::Currency, 8)};
    payments.definition.indexes = {{u"PorTicket"_s, {u"Ticket"_s}, true, false}};
    payments.rows = {{100LL, 1LL, 120000LL}, {101LL, 2LL, 55000LL}};
    payments.cutShortRow = 1;
    payments.definition.rowCount = payments.rows.size();
    source.data = {subscribers, payments};
    source.stored = {
        {u"Morosos"_s, u"SELECT [Nombre] FROM [Suscriptores] WHERE [Activo] = False"_s, {}},
        // Uses the query above: made once the query it reads exists.
        {u"CuentaMorosos"_s, u"SELECT Count(*) AS Cuantos FROM [Morosos]"_s, {}},
        {u"Roto"_s, u"SELECT [NoExiste] FROM [Nada]"_s, {}},
        {u"Borrar"_s, {}, u"es una consulta de eliminación"_s},
        {u"Cruzada"_s,
         u"TRANSFORM Sum(Monto) SELECT Suscriptor FROM Pagos GROUP BY Suscriptor PIVOT Ticket"_s,
         {}},
    };
    // The first query is listed last, so that the one that reads it comes before it.
    source.stored.move(0, 2);
    return source;
}

QString rowsText(db::Database& database, const QString& sql)
{
    db::DbError error;
    const auto rows = database.openRecordset(sql, db::RecordsetType::Snapshot, error);
    EXPECT_TRUE(rows) << error.description.toStdString();
    if (!rows)
        return {};
    QStringList lines;
    for (rows->moveFirst(); !rows->eof(); rows->moveNext()) {
        QStringList values;
        for (int i = 0; i < rows->fieldCount(); ++i) {
            const QVariant value = rows->value(i);
            values.append(value.isValid() ? value.toString() : u"-"_s);
        }
        lines.append(values.join(u'|'));
    }
    return lines.join(u'\n');
}

class ImporterTest : public ::testing::Test
{
protected:
    QTemporaryDir folder;
    QString target() const { return folder.filePath(u"Quelmar.mdb"_s); }
};

} // namespace

TEST_F(ImporterTest, TablesRowsAndPropertiesArriveAndWhatCouldNotBeCopiedIsReported)
{
    FakeSource source = officeFile();
    ImportReport report;
    QStringList progress;
    ASSERT_TRUE(importDatabase(source, target(), report,
                               [&](const QString& table, qint64 done, qint64 total) {
                                   progress.append(u"%1 %2/%3"_s.arg(table).arg(done).arg(total));
                               }))
        << report.failure.toStdString();
    EXPECT_TRUE(progress.contains(u"Suscriptores 4/4"_s));
    EXPECT_TRUE(progress.contains(u"Pagos 0/2"_s));
    EXPECT_FALSE(QFileInfo::exists(temporaryPathFor(target())));

    db::DbError error;
    auto database = db::Database::open(target(), {}, error);
    ASSERT_TRUE(database) << error.description.toStdString();
    // Old code page text converted, an empty text kept apart from a null, a date before 1900 kept, money as
    // REAL, the unusable date told and left empty, the required name that was empty kept empty.
    EXPECT_EQ(rowsText(*database, u"SELECT Clave, Nombre, Estado, Televisores, Alta, Cuota, Activo FROM "
                                  u"Suscriptores ORDER BY Clave"_s),
              u"1|Peña Luis|Conectado|2|2024-03-01|125|true\n"
              u"2|Ana López||1|1800-01-01|0|false\n"
              u"3|-|Cortado|1|-|9.9999|true"_s);
    // How the file keeps the value: asked in the file's own SQL (typeof is no function of the office's SQL).
    db::SqliteStatement stored(database->handle(),
                               u"SELECT typeof(\"Cuota\") FROM \"Suscriptores\" WHERE \"Clave\" = 1"_s);
    ASSERT_TRUE(stored.step());
    EXPECT_EQ(stored.value(0).toString(), u"real"_s);
    EXPECT_EQ(rowsText(*database, u"SELECT Ticket, Suscriptor, Monto FROM Pagos ORDER BY Ticket"_s),
              u"100|1|12\n101|2|5.5"_s);

    const db::FieldDef name = database->field(u"Suscriptores"_s, u"Nombre"_s);
    EXPECT_TRUE(name.required);
    EXPECT_EQ(name.size, 50);
    EXPECT_EQ(database->field(u"Suscriptores"_s, u"Estado"_s).typeCode(), db::jettype::Classifier);
    EXPECT_EQ(database->field(u"Pagos"_s, u"Suscriptor"_s).typeCode(), db::jettype::Relation);
    const db::FieldDef sets = database->field(u"Suscriptores"_s, u"Televisores"_s);
    EXPECT_EQ(sets.validationRule, u"Between 1 And 50"_s);
    EXPECT_EQ(sets.validationText, u"De 1 a 50"_s);
    EXPECT_TRUE(database->field(u"Suscriptores"_s, u"Clave"_s).autoNumber);
    // The counter goes on numbering new rows, and the unique index refuses a repeated ticket.
    EXPECT_TRUE(
        database->execute(u"INSERT INTO Suscriptores (Nombre, Televisores) VALUES ('Nuevo', 1)"_s).ok());
    EXPECT_EQ(rowsText(*database, u"SELECT Clave FROM Suscriptores WHERE Nombre = 'Nuevo'"_s), u"4"_s);
    EXPECT_EQ(database->execute(u"INSERT INTO Pagos (Ticket, Suscriptor, Monto) VALUES (100, 1, 1)"_s).number,
              db::jeterror::DuplicateKey);

    // Queries: made in the order they need, the broken and the action ones listed with their reason.
    EXPECT_EQ(rowsText(*database, u"SELECT Cuantos FROM CuentaMorosos"_s), u"1"_s);
    ASSERT_EQ(report.queries.size(), 5);
    QStringList outcomes;
    for (const QueryOutcome& query : std::as_const(report.queries))
        outcomes.append(query.query + (query.made ? u" made"_s : u" skipped"_s));
    outcomes.sort();
    EXPECT_EQ(outcomes, (QStringList{u"Borrar skipped"_s, u"Cruzada skipped"_s, u"CuentaMorosos made"_s,
                                     u"Morosos made"_s, u"Roto skipped"_s}));

    ASSERT_EQ(report.tables.size(), 2);
    EXPECT_EQ(report.tables.at(0).rowsRead, 4);
    EXPECT_EQ(report.tables.at(0).rowsWritten, 3);
    EXPECT_EQ(report.tables.at(1).rowsWritten, 2);
    QStringList problems;
    for (const ValueProblem& value : std::as_const(report.values))
        problems.append(u"%1 %2 %3"_s.arg(value.table, value.rowKey, value.column));
    EXPECT_EQ(problems, (QStringList{u"Suscriptores Clave=3 Nombre"_s, u"Suscriptores Clave=3 Alta"_s,
                                     u"Suscriptores Clave=4 "_s, u"Pagos fila 2 Ticket"_s}));
    EXPECT_TRUE(report.values.at(2).value.contains(u"Televisores=70; Alta=2023-03-15; Cuota=1;"_s))
        << report.values.at(2).value.toStdString();
    const QString text = report.text();
    EXPECT_TRUE(text.contains(u"Suscriptores\t4\t3"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"Roto\tNO creada"_s)) << text.toStdString();
    EXPECT_TRUE(text.contains(u"Cruzada\tNO creada: es una consulta de referencias cruzadas"_s))
        << text.toStdString();
}

TEST_F(ImporterTest, AFailureLeavesNoDatabaseBehind)
{
    const struct
    {
        const char* what;
        std::function<void(FakeSource&)> spoil;
        QString failure;
    } cases[]{
        {"a column of a type we do not keep",
         [](FakeSource& s) { s.data[1].definition.columns.append(column(u"Foto"_s, legacytype::OleObject)); },
         u"Objeto OLE"_s},
        {"a table the file cannot give whole",
         [](FakeSource& s) { s.data[1].readFailure = u"página ilegible"_s; }, u"página ilegible"_s},
        {"fewer rows than the file records", [](FakeSource& s) { s.data[1].definition.rowCount = 5; },
         u"solo se pudieron leer 2"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        FakeSource source = officeFile();
        c.spoil(source);
        ImportReport report;
        EXPECT_FALSE(importDatabase(source, target(), report));
        EXPECT_TRUE(report.failure.contains(c.failure)) << report.failure.toStdString();
        EXPECT_FALSE(QFileInfo::exists(target()));
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files), QStringList());
    }
}

// A disk that fills up during the import is no row's fault: the import stops, says so, and leaves neither the
// new database nor its journal, whether the disk fills while the rows go in or while the journal is written
// back.
TEST_F(ImporterTest, AFullDiskStopsTheImportAndLeavesNothing)
{
    FakeSource source;
    FakeSource::Table notes;
    notes.definition.name = u"Notas"_s;
    notes.definition.columns = {column(u"Numero"_s, legacytype::Long, 4),
                                column(u"Texto"_s, legacytype::Text, 200)};
    for (qint64 i = 1; i <= 20000; ++i)
        notes.rows.append({i, QByteArray("nota de la oficina ").repeated(6)});
    notes.definition.rowCount = notes.rows.size();
    source.data = {notes};

    for (const rlim_t bytesLeft : {rlim_t(8 * 1024), rlim_t(256 * 1024), rlim_t(2 * 1024 * 1024)}) {
        SCOPED_TRACE(bytesLeft);
        ImportReport report;
        bool imported = false;
        {
            const testsupport::FileSizeLimit full(bytesLeft);
            imported = importDatabase(source, target(), report);
        }
        EXPECT_FALSE(imported);
        EXPECT_TRUE(report.failure.contains(u"espacio libre en el disco"_s)) << report.failure.toStdString();
        EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
}

TEST_F(ImporterTest, ACounterThatIsNotThePrimaryKeyAndALinkedTableAreTold)
{
    FakeSource source;
    FakeSource::Table table;
    table.definition.name = u"Gastos"_s;
    table.definition.columns = {column(u"Numero"_s, legacytype::Long, 4, {}, true),
                                column(u"Cheque"_s, legacytype::Text, 20)};
    table.definition.indexes = {{u"PrimaryKey"_s, {u"Cheque"_s}, true, true}};
    table.rows = {{7LL, QByteArray("A-1")}, {9LL, QByteArray("A-2")}};
    table.definition.rowCount = 2;
    source.data = {table};
    source.linked = {u"Afiliados"_s};
    ImportReport report;
    ASSERT_TRUE(importDatabase(source, target(), report)) << report.failure.toStdString();
    db::DbError error;
    auto database = db::Database::open(target(), {}, error);
    ASSERT_TRUE(database);
    EXPECT_EQ(rowsText(*database, u"SELECT Numero, Cheque FROM Gastos ORDER BY Numero"_s), u"7|A-1\n9|A-2"_s);
    EXPECT_EQ(database->execute(u"INSERT INTO Gastos (Numero, Cheque) VALUES (10, 'A-1')"_s).number,
              db::jeterror::DuplicateKey);
    ASSERT_EQ(report.notes.size(), 2);
    // Nothing is left out unsaid: a table whose rows live in another file is named.
    EXPECT_TRUE(report.notes.at(0).startsWith(u"Afiliados: es una tabla vinculada"_s));
    EXPECT_TRUE(report.notes.at(1).contains(u"Gastos.Numero"_s));
}

TEST_F(ImporterTest, AnExistingDatabaseIsNeverReplaced)
{
    QFile existing(target());
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("datos");
    existing.close();
    FakeSource source = officeFile();
    ImportReport report;
    EXPECT_FALSE(importDatabase(source, target(), report));
    EXPECT_TRUE(report.failure.contains(u"ya existe"_s));
    ASSERT_TRUE(existing.open(QIODevice::ReadOnly));
    EXPECT_EQ(existing.readAll(), QByteArray("datos"));
}
