// The same statements of the system's SQL on an SQLite file and on a PostgreSQL server give the same rows.

#include "pgtestserver.h"

#include "testtables.h"

#include "db/database.h"
#include "db/jetsql.h"
#include "db/pgschema.h"
#include "db/sqlitestatement.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

namespace quelmar::db {
namespace {

using testing::ScratchPgDatabase;
using testing::testServerUri;

using testsupport::field;

QList<TableDef> schema()
{
    TableDef personas;
    personas.name = QStringLiteral("Personas");
    FieldDef clave = field("Clave", jettype::Long);
    clave.autoNumber = true;
    FieldDef nombre = field("Nombre", jettype::Text, 50);
    nombre.required = true;
    FieldDef hijos = field("Hijos", jettype::Integer);
    hijos.validationRule = QStringLiteral("Between 0 And 20");
    FieldDef activo = field("Activo", jettype::Boolean);
    activo.defaultValue = QStringLiteral("True");
    personas.fields = {clave,
                       nombre,
                       field("Ciudad", jettype::Text, 30),
                       field("Alta", jettype::Date),
                       field("Saldo", jettype::Currency),
                       activo,
                       hijos,
                       field("Documento", jettype::Text, 10)};
    personas.indexes = {{QStringLiteral("Nombre"), {QStringLiteral("Nombre")}, false, false},
                        {QStringLiteral("Documento"), {QStringLiteral("Documento")}, true, false}};

    TableDef pagos;
    pagos.name = QStringLiteral("Pagos");
    pagos.fields = {field("Numero", jettype::Long), field("Persona", jettype::Long),
                    field("Fecha", jettype::Date), field("Importe", jettype::Currency)};
    pagos.indexes = {{QStringLiteral("PrimaryKey"), {QStringLiteral("Numero")}, true, true}};
    return {personas, pagos};
}

// Rows written through the translator on both sides; Clave is numbered by the database (1 to 6 in order).
const char* const fill[] = {
    "INSERT INTO Personas (Nombre, Ciudad, Alta, Saldo, Activo, Hijos, Documento) "
    "VALUES ('Ana', 'Bogotá', #01/10/2024#, 150.5, True, 2, 'A1')",
    "INSERT INTO Personas (Nombre, Ciudad, Alta, Saldo, Activo, Hijos, Documento) "
    "VALUES ('ana maría', Null, #02/01/2024 10:30:00#, 80, False, 0, 'A2')",
    "INSERT INTO Personas (Nombre, Ciudad, Alta, Saldo, Activo, Hijos, Documento) "
    "VALUES ('Beatriz', 'cali', #12/31/2023#, 0, True, 3, 'B1')",
    "INSERT INTO Personas (Nombre, Ciudad, Alta, Saldo, Activo, Hijos, Documento) "
    "VALUES ('Carlos Pérez', 'Bogotá', #01/15/2024#, 1200.25, True, 1, 'C1')",
    "INSERT INTO Personas (Nombre, Ciudad, Alta, Saldo, Activo, Hijos, Documento) "
    "VALUES ('David_50%', 'Medellín', Null, -20, False, 0, 'D1')",
    "INSERT INTO Personas (Nombre, Ciudad, Alta, Saldo, Activo, Hijos, Documento) "
    "VALUES ('ÁLVARO', 'CALI', #03/05/2024#, 99.99, True, 4, 'E1')",
    "INSERT INTO Pagos VALUES (1, 1, #01/10/2024#, 50)",
    "INSERT INTO Pagos VALUES (2, 1, #02/10/2024#, 50.5)",
    "INSERT INTO Pagos VALUES (3, 3, #01/20/2024#, 30)",
    "INSERT INTO Pagos VALUES (4, 4, #01/15/2024#, 100)",
    "INSERT INTO Pagos VALUES (5, 4, #03/01/2024#, 200)",
    "INSERT INTO Pagos VALUES (6, 6, #03/05/2024#, 10)",
};

const char* const storedQueries[][2] = {
    {"Ricos", "SELECT Nombre, Saldo FROM Personas WHERE Saldo > 100"},
};

// A value as text for comparing: numbers by their value whatever their storage, Null as "Null".
QString shown(const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return QStringLiteral("Null");
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (number == std::trunc(number) && std::abs(number) < 1e15)
            return QString::number(qlonglong(number));
        return QString::number(number, 'g', 12);
    }
    default:
        return value.toString();
    }
}

struct Result
{
    QStringList columns; // lower case: the server folds names, the recordset shows them as the statement does
    QStringList rows;
    DbError error;
};

class DialectTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        if (testServerUri().isEmpty())
            return;
        folder = new QTemporaryDir;
        DbError error;
        sqlite = Database::create(folder->filePath(QStringLiteral("Dialecto.mdb")), error).release();
        ASSERT_TRUE(error.ok()) << error.description.toStdString();
        ASSERT_TRUE(sqlite->createTables(schema()).ok());

        server = new ScratchPgDatabase;
        ASSERT_TRUE(server->isReady()) << server->failure().toStdString();
        for (const TableDef& table : schema()) {
            ASSERT_TRUE(server->connection().execute(pgschema::createTableSql(table)).ok());
            ASSERT_TRUE(server->connection().executeAll(pgschema::createIndexSql(table)).ok());
        }
        for (const char* statement : fill) {
            const QString jet = QString::fromUtf8(statement);
            ASSERT_TRUE(sqlite->execute(jet).ok()) << statement;
            const DbError pgError = runOnServer(jet);
            ASSERT_TRUE(pgError.ok()) << statement << ": " << pgError.description.toStdString();
        }
        for (const auto& query : storedQueries) {
            const QString name = QString::fromUtf8(query[0]);
            const QString jet = QString::fromUtf8(query[1]);
            ASSERT_TRUE(sqlite->createStoredQuery(name, jet).ok());
            const QString select = jetsql::translate(jet, jetsql::Dialect::PostgreSQL).sql;
            ASSERT_TRUE(server->connection()
                            .execute(QStringLiteral("CREATE VIEW %1 AS %2")
                                         .arg(jetsql::identifier(name, jetsql::Dialect::PostgreSQL), select))
                            .ok());
        }
    }

    static void TearDownTestSuite()
    {
        delete sqlite;
        sqlite = nullptr;
        delete server;
        server = nullptr;
        delete folder;
        folder = nullptr;
    }

    void SetUp() override
    {
        if (testServerUri().isEmpty())
            GTEST_SKIP()
                << "no PostgreSQL test server: QUELMAR_TEST_PG_URI is not set (scripts/test.sh sets it)";
    }

    static DbError runOnServer(const QString& jet, qint64* rowsAffected = nullptr)
    {
        const jetsql::TranslatedStatement translated = jetsql::translate(jet, jetsql::Dialect::PostgreSQL);
        if (!translated.error.ok())
            return translated.error;
        return server->connection().execute(translated.sql, {}, nullptr, rowsAffected);
    }

    static Result onSqlite(const QString& jet)
    {
        Result result;
        const jetsql::TranslatedStatement translated = jetsql::translate(jet);
        result.error = translated.error;
        if (!result.error.ok())
            return result;
        QString sql = translated.sql;
        if (translated.kind == jetsql::StatementKind::Crosstab) {
            QVariantList values;
            SqliteStatement pivots(sqlite->handle(), jetsql::crosstabPivotValuesSql(translated.crosstab));
            while (pivots.step())
                values << pivots.value(0);
            sql = jetsql::crosstabSql(translated.crosstab, values);
        }
        SqliteStatement statement(sqlite->handle(), sql);
        if (!statement.isValid()) {
            result.error = statement.error();
            return result;
        }
        for (int c = 0; c < statement.columnCount(); ++c)
            result.columns << statement.columnName(c).toLower();
        while (statement.step()) {
            QStringList row;
            for (int c = 0; c < statement.columnCount(); ++c)
                row << shown(statement.value(c));
            result.rows << row.join(QLatin1Char('|'));
        }
        result.error = statement.error();
        return result;
    }

    static Result onServer(const QString& jet)
    {
        Result result;
        const jetsql::Dialect pg = jetsql::Dialect::PostgreSQL;
        const jetsql::TranslatedStatement translated = jetsql::translate(jet, pg);
        result.error = translated.error;
        if (!result.error.ok())
            return result;
        QString sql = translated.sql;
        PgRows rows;
        if (translated.kind == jetsql::StatementKind::Crosstab) {
            result.error = server->connection().execute(
                jetsql::crosstabPivotValuesSql(translated.crosstab, pg), {}, &rows);
            QVariantList values;
            for (const QVariantList& row : std::as_const(rows.rows))
                values << row.value(0);
            sql = jetsql::crosstabSql(translated.crosstab, values, pg);
        }
        if (result.error.ok())
            result.error = server->connection().execute(sql, {}, &rows);
        for (const QString& column : std::as_const(rows.columns))
            result.columns << column.toLower();
        for (const QVariantList& row : std::as_const(rows.rows)) {
            QStringList values;
            for (const QVariant& value : row)
                values << shown(value);
            result.rows << values.join(QLatin1Char('|'));
        }
        return result;
    }

    static inline QTemporaryDir* folder = nullptr;
    static inline Database* sqlite = nullptr;
    static inline ScratchPgDatabase* server = nullptr;
};

// Each statement uses one piece of the dialect; the expected rows are written down so that both backends are
// held to the same answer, not only to each other's.
TEST_F(DialectTest, EveryStatementGivesTheSameRowsOnBothBackends)
{
    struct Case
    {
        const char* jet;
        const char* rows; // rows joined by "\n", values by "|"
    };
    const Case cases[] = {
        // Text compares without regard to case; names too.
        {"SELECT Clave FROM Personas WHERE Nombre = 'ANA'", "1"},
        {"SELECT NOMBRE FROM personas WHERE [clave] = 3", "Beatriz"},
        {"SELECT Clave FROM Personas WHERE Ciudad > 'BOGOTA' ORDER BY Clave", "1\n3\n4\n5\n6"},
        // LIKE with Jet's wildcards; % and _ are plain characters.
        {"SELECT Clave FROM Personas WHERE Nombre Like 'ana*' ORDER BY Clave", "1\n2"},
        {"SELECT Clave FROM Personas WHERE Nombre Like '?na' ORDER BY Clave", "1"},
        {"SELECT Clave FROM Personas WHERE Nombre Like '[a-c]*' ORDER BY Clave", "1\n2\n3\n4"},
        {"SELECT Clave FROM Personas WHERE Nombre Like '[!a-c]*' ORDER BY Clave", "5\n6"},
        {"SELECT Clave FROM Personas WHERE Nombre Like '*50%' OR Nombre Like 'b_*' ORDER BY Clave", "5"},
        {"SELECT Clave FROM Personas WHERE Nombre Like '*[_]*' ORDER BY Clave", "5"},
        {"SELECT Clave FROM Personas WHERE Ciudad Not Like 'b*' ORDER BY Clave", "3\n5\n6"},
        {"SELECT Clave FROM Personas WHERE Nombre Like '*' & 'PÉREZ' ORDER BY Clave", "4"},
        // Date literals, with and without a time.
        {"SELECT Clave FROM Personas WHERE Alta >= #01/15/2024# ORDER BY Clave", "2\n4\n6"},
        {"SELECT Clave FROM Personas WHERE Alta = #02/01/2024 10:30:00#", "2"},
        {"SELECT Alta FROM Personas WHERE Clave IN (1, 2) ORDER BY Clave", "2024-01-10\n2024-02-01 10:30:00"},
        // & treats Null as empty text; + with text gives Null.
        {"SELECT Nombre & ' - ' & Ciudad AS Texto, 'x' + Ciudad FROM Personas WHERE Clave IN (1, 2) ORDER BY "
         "Clave",
         "Ana - Bogotá|xBogotá\nana maría - |Null"},
        {"SELECT Clave & '' FROM Personas WHERE Clave = 1", "1"},
        // = Null and <> Null; True and False.
        {"SELECT Clave FROM Personas WHERE Ciudad = Null", "2"},
        {"SELECT Count(*) FROM Personas WHERE Alta <> Null", "5"},
        {"SELECT Clave FROM Personas WHERE Activo = False ORDER BY Clave", "2\n5"},
        {"SELECT Count(*) FROM Personas WHERE Activo = True", "4"},
        // TOP, DISTINCT, DISTINCTROW.
        {"SELECT TOP 2 Nombre FROM Personas ORDER BY Saldo DESC", "Carlos Pérez\nAna"},
        {"SELECT DISTINCT Activo FROM Personas ORDER BY Activo", "0\n1"},
        {"SELECT DISTINCTROW Personas.Clave FROM Personas INNER JOIN Pagos ON Personas.Clave = Pagos.Persona "
         "WHERE Pagos.Importe > 40 ORDER BY Personas.Clave",
         "1\n1\n4\n4"},
        // Order: Null first, text without regard to case, descending with Null last.
        {"SELECT Clave FROM Personas ORDER BY Ciudad, Clave", "2\n1\n4\n3\n6\n5"},
        {"SELECT Clave FROM Personas ORDER BY Alta DESC", "6\n2\n4\n1\n3\n5"},
        // Functions.
        {"SELECT Year(Alta), Month(Alta), Day(Alta), Weekday(Alta) FROM Personas WHERE Clave = 4",
         "2024|1|15|2"},
        {"SELECT Hour(Alta), Minute(Alta), Second(Alta) FROM Personas WHERE Clave = 2", "10|30|0"},
        {"SELECT UCase(Nombre), LCase(Nombre), Len(Nombre), Left(Nombre, 3), Right(Nombre, 3), Mid(Nombre, "
         "2, 3), "
         "Mid(Nombre, 4), InStr(Nombre, 'i'), Replace(Nombre, 'a', 'o'), Trim('  x  ') & '|' FROM Personas "
         "WHERE Clave = 3",
         "BEATRIZ|beatriz|7|Bea|riz|eat|triz|6|Beotriz|x|"},
        {"SELECT 7 / 2, 7 \\ 2, 7 Mod 3, 2 ^ 3, Fix(-2.7), CInt(2.5), CLng(-2.5), Abs(Saldo), Round(Saldo, "
         "1) FROM "
         "Personas WHERE Clave = 4",
         "3.5|3|1|8|-2|3|-3|1200.25|1200.3"},
        {"SELECT Val('12.5abc'), Val('abc'), CStr(Hijos), CCur(Saldo / 3), CDbl('2.5') FROM Personas WHERE "
         "Clave = 1",
         "12.5|0|2|50.1667|2.5"},
        {"SELECT Clave, IIf(Saldo > 100, 'alto', 'bajo'), IIf(Activo, 'sí', 'no'), Nz(Ciudad, '-') FROM "
         "Personas "
         "ORDER BY Clave",
         "1|alto|sí|Bogotá\n2|bajo|no|-\n3|bajo|sí|cali\n4|alto|sí|Bogotá\n5|bajo|no|Medellín\n6|bajo|sí|"
         "CALI"},
        {"SELECT IsNull(Ciudad), Chr(65) FROM Personas WHERE Clave = 2", "1|A"},
        // '#' in LIKE is one digit (and itself inside brackets).
        {"SELECT Clave FROM Personas WHERE Nombre Like '*##%' OR Documento Like '[#]*' OR Documento Like "
         "'B#' "
         "ORDER BY Clave",
         "3\n5"},
        // Format with the office's month and day names, and the number patterns.
        {"SELECT Format(Alta, 'dd-mmm-yyyy'), Format(Alta, 'dddd d \"de\" mmmm yy'), Format(Alta, 'General "
         "Date'), "
         "Format(Alta, 'hh:nn:ss q y w'), Format(Alta, 'Medium Date') FROM Personas WHERE Clave IN (2, 5) "
         "ORDER BY "
         "Clave",
         "01-Feb-2024|Jueves 1 de Febrero 24|01/02/2024 10:30:00|10:30:00 1 32 "
         "5|01-Feb-24\nNull|Null|Null|Null|Null"},
        {"SELECT Format(Saldo, 'Currency'), Format(Saldo, '#,##0.##'), Format(Saldo / 1000, 'Percent'), "
         "Format(Saldo, '0.0'), Format(Hijos, '000'), Format(Activo, 'Yes/No'), Format(Saldo, 'General "
         "Number') "
         "FROM Personas ORDER BY Clave",
         "$150.50|150.5|15.05%|150.5|002|Sí|150.5\n"
         "$80.00|80|8.00%|80.0|000|No|80\n"
         "$0.00|0|0.00%|0.0|003|Sí|0\n"
         "$1,200.25|1,200.25|120.03%|1200.3|001|Sí|1200.25\n"
         "-$20.00|-20|-2.00%|-20.0|000|No|-20\n"
         "$99.99|99.99|10.00%|100.0|004|Sí|99.99"},
        {"SELECT Str(Saldo), Str(Hijos - 1), Str(Saldo / 1000), Int(Saldo / 100), Int(-2.5), Sgn(Saldo) FROM "
         "Personas WHERE Clave IN (1, 5) ORDER BY Clave",
         " 150.5| 1| .1505|1|-3|1\n-20|-1|-.02|-1|-3|-1"},
        // Date arithmetic: months end on the last day, boundaries of the calendar and of the clock are
        // counted.
        {"SELECT DateAdd('m', 1, Alta), DateAdd('yyyy', -1, Alta), DateAdd('h', 14, Alta), DateAdd('ww', 1, "
         "Alta), "
         "DateAdd('m', 1, #01/31/2024#) FROM Personas WHERE Clave IN (1, 2) ORDER BY Clave",
         "2024-02-10|2023-01-10|2024-01-10 14:00:00|2024-01-17|2024-02-29\n"
         "2024-03-01 10:30:00|2023-02-01 10:30:00|2024-02-02 00:30:00|2024-02-08 10:30:00|2024-02-29"},
        {"SELECT DateDiff('d', Alta, #03/01/2024#), DateDiff('m', Alta, #03/01/2024#), DateDiff('ww', Alta, "
         "#03/01/2024#), DateDiff('h', Alta, #02/02/2024#), DateDiff('yyyy', Alta, #01/01/2025#), "
         "DateDiff('q', "
         "Alta, #04/01/2024#) FROM Personas WHERE Clave IN (2, 3) ORDER BY Clave",
         "29|1|4|14|1|1\n61|3|8|792|2|2"},
        {"SELECT DatePart('yyyy', Alta), DatePart('q', Alta), DatePart('y', Alta), DatePart('w', Alta), "
         "DatePart('ww', Alta), DatePart('n', Alta) FROM Personas WHERE Clave IN (2, 3) ORDER BY Clave",
         "2024|1|32|5|5|30\n2023|4|365|1|53|0"},
        {"SELECT Persona, First(Importe), Last(Importe), First(Numero) FROM Pagos GROUP BY Persona",
         "1|50|50.5|1\n3|30|30|3\n4|100|200|4\n6|10|10|6"},
        {"SELECT Persona, Var(Importe), VarP(Importe), StDev(Importe), StDevP(Importe) FROM Pagos GROUP BY "
         "Persona",
         "1|0.125|0.0625|0.353553390593|0.25\n3|Null|0|Null|0\n4|5000|2500|70.7106781187|50\n6|Null|0|Null|"
         "0"},
        // Aggregates, joins, subqueries, unions.
        {"SELECT Activo, Count(*), Sum(Saldo), Avg(Hijos), Min(Nombre), Max(Alta) FROM Personas GROUP BY "
         "Activo "
         "ORDER BY Activo",
         "0|2|60|0|ana maría|2024-02-01 10:30:00\n1|4|1450.74|2.5|Ana|2024-03-05"},
        // Groups without an order come in the order of their groups.
        {"SELECT Persona, Count(*), Sum(Importe) FROM Pagos GROUP BY Persona",
         "1|2|100.5\n3|1|30\n4|2|300\n6|1|10"},
        {"SELECT p.Nombre, Sum(g.Importe) AS Total FROM Personas AS p INNER JOIN Pagos AS g ON p.Clave = "
         "g.Persona "
         "GROUP BY p.Nombre HAVING Sum(g.Importe) > 20 ORDER BY p.Nombre",
         "Ana|100.5\nBeatriz|30\nCarlos Pérez|300"},
        {"SELECT Personas.Clave, Pagos.Numero FROM Personas LEFT JOIN Pagos ON Personas.Clave = "
         "Pagos.Persona "
         "WHERE Personas.Clave < 4 ORDER BY Personas.Clave, Pagos.Numero",
         "1|1\n1|2\n2|Null\n3|3"},
        {"SELECT Clave FROM Personas WHERE Clave IN (SELECT Persona FROM Pagos WHERE Importe >= 100) ORDER "
         "BY Clave",
         "4"},
        {"SELECT Clave FROM Personas WHERE NOT EXISTS (SELECT * FROM Pagos WHERE Pagos.Persona = "
         "Personas.Clave) "
         "ORDER BY Clave",
         "2\n5"},
        {"SELECT Count(*) FROM (SELECT DISTINCT Persona FROM Pagos)", "4"},
        {"SELECT Nombre FROM Personas WHERE Clave = 3 UNION SELECT Nombre FROM Personas WHERE Clave = 1 "
         "ORDER BY "
         "Nombre",
         "Ana\nBeatriz"},
        {"SELECT TOP 1 Nombre FROM Personas ORDER BY Saldo UNION ALL SELECT Nombre FROM Personas WHERE Clave "
         "= 3",
         "David_50%\nBeatriz"},
        // A crosstab, and a stored query read as a table.
        {"TRANSFORM Sum(Importe) SELECT Persona FROM Pagos GROUP BY Persona PIVOT Month(Fecha)",
         "1|50|50.5|Null\n3|30|Null|Null\n4|100|Null|200\n6|Null|Null|10"},
        {"TRANSFORM Count(*) SELECT Activo FROM Personas GROUP BY Activo PIVOT Year(Alta)",
         "0|1|0|1\n1|0|1|3"},
        {"SELECT * FROM Ricos ORDER BY Saldo", "Ana|150.5\nCarlos Pérez|1200.25"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jet);
        const QString jet = QString::fromUtf8(c.jet);
        const Result onFile = onSqlite(jet);
        const Result onPg = onServer(jet);
        ASSERT_TRUE(onFile.error.ok()) << onFile.error.description.toStdString();
        ASSERT_TRUE(onPg.error.ok()) << onPg.error.description.toStdString() << "\n"
                                     << server->connection().lastServerMessage().toStdString() << "\n"
                                     << jetsql::translate(jet, jetsql::Dialect::PostgreSQL).sql.toStdString();
        EXPECT_EQ(onFile.rows.join(QLatin1Char('\n')).toStdString(), c.rows);
        EXPECT_EQ(onPg.rows.join(QLatin1Char('\n')).toStdString(), c.rows);
        EXPECT_EQ(onFile.columns, onPg.columns);
    }
}

// Writes: numbering, the rules kept as constraints, and the engine numbers of what the database refuses.
TEST_F(DialectTest, WritesAndRefusalsAgreeOnBothBackends)
{
    struct Case
    {
        const char* jet;
        int error;
        qint64 rows;
    };
    const Case cases[] = {
        {"UPDATE Personas SET Saldo = Saldo + 1 WHERE Ciudad Like 'b*'", 0, 2},
        {"UPDATE Personas SET Saldo = Saldo - 1 WHERE Ciudad Like 'b*'", 0, 2},
        {"INSERT INTO Personas (Nombre, Documento) VALUES ('Nueva', 'A1')", jeterror::DuplicateKey, 0},
        {"INSERT INTO Personas (Nombre, Documento, Hijos) VALUES ('Nueva', 'N1', 30)",
         jeterror::ValidationRuleViolated, 0},
        {"INSERT INTO Personas (Documento) VALUES ('N2')", jeterror::RequiredFieldNull, 0},
        {"INSERT INTO Pagos VALUES (1, 2, #01/01/2024#, 5)", jeterror::DuplicateKey, 0},
        {"INSERT INTO Personas (Nombre, Documento) VALUES ('Nueva', 'N3')", 0, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.jet);
        const QString jet = QString::fromUtf8(c.jet);
        qint64 onFile = 0;
        qint64 onPg = 0;
        const DbError fileError = sqlite->execute(jet, {}, &onFile);
        const DbError pgError = runOnServer(jet, &onPg);
        EXPECT_EQ(fileError.number, c.error) << fileError.description.toStdString();
        EXPECT_EQ(pgError.number, c.error) << pgError.description.toStdString();
        if (c.error == 0) {
            EXPECT_EQ(onFile, c.rows);
            EXPECT_EQ(onPg, c.rows);
        }
    }
    // The new row was numbered after the others (a refused row may use a number up on the server, as in Jet)
    // and given the default of Activo; then it goes, so the rows are as they were.
    const QString check =
        QStringLiteral("SELECT Nombre, Activo, Clave > 6 FROM Personas WHERE Documento = 'N3'");
    EXPECT_EQ(onSqlite(check).rows, QStringList{QStringLiteral("Nueva|1|1")});
    EXPECT_EQ(onServer(check).rows, QStringList{QStringLiteral("Nueva|1|1")});
    const QString remove = QStringLiteral("DELETE FROM Personas WHERE Documento = 'N3'");
    EXPECT_TRUE(sqlite->execute(remove).ok());
    EXPECT_TRUE(runOnServer(remove).ok());
}

} // namespace
} // namespace quelmar::db
