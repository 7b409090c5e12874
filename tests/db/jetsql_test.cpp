#include "db/jetfunctions.h"
#include "db/jetsql.h"

#include <QDate>
#include <QDateTime>
#include <QStringList>
#include <QTime>

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <vector>

// Readable QString values in failure messages.
inline void PrintTo(const QString& text, std::ostream* out)
{
    *out << '"' << text.toStdString() << '"';
}

namespace {

using namespace Qt::StringLiterals;
using namespace quelmar::db;
using namespace quelmar::db::jetsql;

struct Case
{
    QString jet;
    QString sqlite;
};

QString describeItems(const SelectParts& parts)
{
    QStringList lines;
    for (const SelectItem& item : parts.items) {
        QString line = item.name + u" = "_s + item.expression;
        if (!item.alias.isEmpty())
            line += u" alias "_s + item.alias;
        if (item.isAggregate)
            line += u" aggregate"_s;
        if (item.isStar)
            line += u" star"_s;
        lines << line;
    }
    return lines.join(u'\n');
}

QString describeTables(const SelectParts& parts)
{
    QStringList names;
    for (const TableReference& table : parts.tables)
        names << table.name + (table.reference == table.name ? QString() : u" as "_s + table.reference) +
                     (table.isSubquery ? u" (subquery)"_s : QString());
    return names.join(u", "_s);
}

TEST(JetSqlTranslate, translatesTheOfficeStatements)
{
    const std::vector<Case> cases = {
        {u"SELECT Nombre FROM Suscriptores WHERE Situación = 'conectado'"_s,
         u"SELECT \"Nombre\" FROM \"Suscriptores\" WHERE \"Situación\" = 'conectado' COLLATE NOCASE"_s},
        {u"SELECT DISTINCTROW Suscriptores.Vencimiento, Suscriptores.Nombre, Suscriptores.Teléfono, "
         "Suscriptores.Instalación, Calle, Colonia, Poste, Contrato FROM Suscriptores WHERE Situación "
         "='Conectado' "
         "AND Suscriptores.Vencimiento = #12-10-2026#"_s,
         u"SELECT \"Suscriptores\".\"Vencimiento\", \"Suscriptores\".\"Nombre\", "
         u"\"Suscriptores\".\"Teléfono\", "
         "\"Suscriptores\".\"Instalación\", \"Calle\", \"Colonia\", \"Poste\", \"Contrato\" FROM "
         "\"Suscriptores\" "
         "WHERE \"Situación\" = 'Conectado' COLLATE NOCASE AND \"Suscriptores\".\"Vencimiento\" = '2026-12-10'"_s},
        {u"SELECT Suscriptores.Nombre, [Situación "
         u"Anterior],Situación.Vencimiento,Situación.Clase,Situación.Unidades,"
         "[Cambiado por],Situación.Fecha, Situación.Nota FROM Situación, Suscriptores WHERE "
         "Suscriptores.Clave = "
         "Situación.Suscriptor AND Situación.Fecha >= #01-01-2026# AND Situación.Fecha <= #12-31-2026# ORDER "
         "BY "
         "Situación.Suscriptor,Situación.Fecha Desc"_s,
         u"SELECT \"Suscriptores\".\"Nombre\", \"Situación Anterior\", \"Situación\".\"Vencimiento\", "
         "\"Situación\".\"Clase\", \"Situación\".\"Unidades\", \"Cambiado por\", \"Situación\".\"Fecha\", "
         "\"Situación\".\"Nota\" FROM \"Situación\", \"Suscriptores\" WHERE \"Suscriptores\".\"Clave\" = "
         "\"Situación\".\"Suscriptor\" AND \"Situación\".\"Fecha\" >= '2026-01-01' AND "
         "\"Situación\".\"Fecha\" <= "
         "'2026-12-31' ORDER BY \"Situación\".\"Suscriptor\" COLLATE NOCASE, \"Situación\".\"Fecha\" COLLATE "
         "NOCASE DESC"_s},
        {u"SELECT DISTINCTROW Suscriptores.Nombre, Suscriptores.Contrato, Quejas.Descripción, "
         u"Quejas.Recibida, "
         "Quejas.Origen,Suscriptores.Calle,Suscriptores.Colonia,Suscriptores.Teléfono,Quejas.Clave FROM "
         "Suscriptores INNER JOIN Quejas ON Suscriptores.Clave = Quejas.Cliente WHERE Quejas.Solución = Null"_s,
         u"SELECT \"Suscriptores\".\"Nombre\", \"Suscriptores\".\"Contrato\", \"Quejas\".\"Descripción\", "
         "\"Quejas\".\"Recibida\", \"Quejas\".\"Origen\", \"Suscriptores\".\"Calle\", "
         "\"Suscriptores\".\"Colonia\", "
         "\"Suscriptores\".\"Teléfono\", \"Quejas\".\"Clave\" FROM \"Suscriptores\" INNER JOIN \"Quejas\" ON "
         "\"Suscriptores\".\"Clave\" = \"Quejas\".\"Cliente\" WHERE \"Quejas\".\"Solución\" IS NULL"_s},
        {u"Select Nombre,Clave as Nivel, Contenido as [Clave Acceso], Clase From Parametros WHERE Clase = 'LA' "_s,
         u"SELECT \"Nombre\", \"Clave\" AS \"Nivel\", \"Contenido\" AS \"Clave Acceso\", \"Clase\" FROM "
         "\"Parametros\" WHERE \"Clase\" = 'LA' COLLATE NOCASE"_s},
        {u"Select Nombre as Clasificador,Clase From Parametros WHERE Clase like '!C*' AND Clave like '*@*' "
         u"AND "
         "(Contenido = null OR Contenido <>'x')"_s,
         u"SELECT \"Nombre\" AS \"Clasificador\", \"Clase\" FROM \"Parametros\" WHERE \"Clase\" LIKE '!C*' "
         u"AND "
         "\"Clave\" LIKE '*@*' AND (\"Contenido\" IS NULL OR \"Contenido\" <> 'x' COLLATE NOCASE)"_s},
        {u"Select Nombre as Clasificador,Clase From Parametros WHERE Clase like '!CSit' and (Clave not like "
         u"'*@*' "
         "or Clave is null)"_s,
         u"SELECT \"Nombre\" AS \"Clasificador\", \"Clase\" FROM \"Parametros\" WHERE \"Clase\" LIKE '!CSit' "
         u"AND "
         "(\"Clave\" NOT LIKE '*@*' OR \"Clave\" IS NULL)"_s},
        {u"SELECT DISTINCTROW Situación.Fecha From Situación Where Situación.Nota Like 'Cortado*' And "
         "Situación.Suscriptor = 12 ORDER BY Situación.Fecha DESC"_s,
         u"SELECT \"Situación\".\"Fecha\" FROM \"Situación\" WHERE \"Situación\".\"Nota\" LIKE 'Cortado*' "
         u"AND "
         "\"Situación\".\"Suscriptor\" = 12 ORDER BY \"Situación\".\"Fecha\" COLLATE NOCASE DESC"_s},
        {u"SELECT Cheque,Descripción, Monto, Comprobante, Fecha FROM Gastos WHERE Fecha >= #01-01-2026# AND "
         "Fecha <= #12-31-2026# AND Cheque = NULL"_s,
         u"SELECT \"Cheque\", \"Descripción\", \"Monto\", \"Comprobante\", \"Fecha\" FROM \"Gastos\" WHERE "
         "\"Fecha\" >= '2026-01-01' AND \"Fecha\" <= '2026-12-31' AND \"Cheque\" IS NULL"_s},
        {u"SELECT * From Pagos WHERE Fecha = #12-10-2026#"_s,
         u"SELECT * FROM \"Pagos\" WHERE \"Fecha\" = '2026-12-10'"_s},
        {u"SELECT Suscriptores.Clase, Count(*) AS Total FROM Suscriptores GROUP BY Suscriptores.Clase"_s,
         u"SELECT \"Suscriptores\".\"Clase\", count(*) AS \"Total\" FROM \"Suscriptores\" GROUP BY "
         "\"Suscriptores\".\"Clase\""_s},
        {u"INSERT INTO Pagos (Suscriptor, Fecha, Cantidad) VALUES (12, #12-10-2026#, 150.5)"_s,
         u"INSERT INTO \"Pagos\" (\"Suscriptor\", \"Fecha\", \"Cantidad\") VALUES (12, '2026-12-10', 150.5)"_s},
        {u"UPDATE Suscriptores SET Situación = 'Conectado' WHERE Clave = 12"_s,
         u"UPDATE \"Suscriptores\" SET \"Situación\" = 'Conectado' WHERE \"Clave\" = 12"_s},
        {u"DELETE Pagos.* FROM Pagos WHERE Ticket = 5"_s, u"DELETE FROM \"Pagos\" WHERE \"Ticket\" = 5"_s},
        // Keywords inside strings and names are text; clause words in any letter case; a closing ";".
        {u"select Nota from Situación where Nota = 'FROM here' and [Order] <> 'x' oRdEr bY Nota;"_s,
         u"SELECT \"Nota\" FROM \"Situación\" WHERE \"Nota\" = 'FROM here' COLLATE NOCASE AND \"Order\" <> "
         u"'x' "
         "COLLATE NOCASE ORDER BY \"Nota\" COLLATE NOCASE"_s},
        // Jet's three-table join: the parentheses around the first join are dropped; aliases with and without
        // AS.
        {u"SELECT TOP 5 s.Nombre FROM (Suscriptores AS s INNER JOIN Pagos p ON s.Clave = p.Suscriptor) "
         "LEFT JOIN Quejas ON Quejas.Cliente = s.Clave ORDER BY s.Nombre & s.Calle"_s,
         u"SELECT \"s\".\"Nombre\" FROM \"Suscriptores\" AS \"s\" INNER JOIN \"Pagos\" AS \"p\" ON "
         u"\"s\".\"Clave\" = "
         "\"p\".\"Suscriptor\" LEFT JOIN \"Quejas\" ON \"Quejas\".\"Cliente\" = \"s\".\"Clave\" ORDER BY "
         "(ifnull(\"s\".\"Nombre\", '') || ifnull(\"s\".\"Calle\", '')) COLLATE NOCASE LIMIT 5"_s},
        // A join in parentheses on the right of another one keeps them.
        {u"SELECT * FROM Suscriptores LEFT OUTER JOIN (Pagos INNER JOIN Quejas ON Pagos.Suscriptor = "
         "Quejas.Cliente) ON Suscriptores.Clave = Pagos.Suscriptor"_s,
         u"SELECT * FROM \"Suscriptores\" LEFT JOIN (\"Pagos\" INNER JOIN \"Quejas\" ON "
         u"\"Pagos\".\"Suscriptor\" = "
         "\"Quejas\".\"Cliente\") ON \"Suscriptores\".\"Clave\" = \"Pagos\".\"Suscriptor\""_s},
        {u"SELECT x FROM t WHERE y IN (SELECT z FROM u WHERE w = 'q') AND EXISTS (SELECT * FROM u)"_s,
         u"SELECT \"x\" FROM \"t\" WHERE \"y\" IN (SELECT \"z\" FROM \"u\" WHERE \"w\" = 'q' COLLATE NOCASE) "
         u"AND "
         "EXISTS (SELECT * FROM \"u\")"_s},
        {u"INSERT INTO Pagos SELECT * FROM Pagos WHERE Fecha < #1/1/2020#"_s,
         u"INSERT INTO \"Pagos\" SELECT * FROM \"Pagos\" WHERE \"Fecha\" < '2020-01-01'"_s},
        {u"UPDATE Pagos SET Pagos.Cantidad = Cantidad * 2, Concepto = Null"_s,
         u"UPDATE \"Pagos\" SET \"Cantidad\" = \"Cantidad\" * 2, \"Concepto\" = NULL"_s},
        {u"DELETE * FROM Pagos"_s, u"DELETE FROM \"Pagos\""_s},
        {u"CREATE TABLE [Mi Tabla] (Clave LONG, Nombre TEXT(50), Activo BIT DEFAULT True);"_s,
         u"CREATE TABLE \"Mi Tabla\" (Clave LONG, Nombre TEXT(50), Activo BIT DEFAULT 1)"_s},
    };
    for (const Case& c : cases) {
        const TranslatedStatement statement = translate(c.jet);
        EXPECT_TRUE(statement.error.ok()) << c.jet.toStdString() << "\n"
                                          << statement.error.description.toStdString();
        EXPECT_EQ(statement.sql, c.sqlite);
    }
}

TEST(JetSqlTranslate, tellsTheKindAndTargetOfAStatement)
{
    struct KindCase
    {
        QString jet;
        StatementKind kind;
        QString target;
    };
    const std::vector<KindCase> cases = {
        {u"SELECT * FROM Pagos"_s, StatementKind::Select, {}},
        {u"TRANSFORM Count(*) SELECT a FROM t GROUP BY a PIVOT b"_s, StatementKind::Crosstab, {}},
        {u"INSERT INTO Pagos (Ticket) VALUES (1)"_s, StatementKind::Insert, u"Pagos"_s},
        {u"UPDATE [Situación] SET Nota = 'x'"_s, StatementKind::Update, u"Situación"_s},
        {u"DELETE FROM Quejas AS q WHERE q.Clave = 1"_s, StatementKind::Delete, u"Quejas"_s},
        {u"DROP TABLE Temporal"_s, StatementKind::Other, {}},
        {u"CREATE UNIQUE INDEX Clave ON Pagos (Ticket) WITH PRIMARY"_s, StatementKind::Other, {}},
    };
    for (const KindCase& c : cases) {
        const TranslatedStatement statement = translate(c.jet);
        EXPECT_TRUE(statement.error.ok()) << c.jet.toStdString();
        EXPECT_EQ(statement.kind, c.kind) << c.jet.toStdString();
        EXPECT_EQ(statement.targetTable, c.target);
    }
}

TEST(JetSqlTranslate, translatesExpressions)
{
    const std::vector<Case> cases = {
        // The query wizard's conditions
        {u"Suscriptores.Nombre like '*ANA*'"_s, u"\"Suscriptores\".\"Nombre\" LIKE '*ANA*'"_s},
        {u"Pagos.Fecha >= #01-31-2001#"_s, u"\"Pagos\".\"Fecha\" >= '2001-01-31'"_s},
        {u"Suscriptores.Activo = True"_s, u"\"Suscriptores\".\"Activo\" = 1"_s},
        {u"Activo <> False"_s, u"\"Activo\" <> 0"_s},
        {u"(Nombre is Null OR Nombre = '')"_s, u"(\"Nombre\" IS NULL OR \"Nombre\" = '' COLLATE NOCASE)"_s},
        {u"Pagos.Importe >= 100"_s, u"\"Pagos\".\"Importe\" >= 100"_s},
        // Null compared with = and <>, on either side
        {u"Null = Nombre"_s, u"\"Nombre\" IS NULL"_s},
        {u"Nombre <> Null"_s, u"\"Nombre\" IS NOT NULL"_s},
        {u"Nombre Is Not Null"_s, u"\"Nombre\" IS NOT NULL"_s},
        // Text literals compare without regard to case, also on the left and between bounds
        {u"'abc' < Nombre"_s, u"'abc' COLLATE NOCASE < \"Nombre\""_s},
        {u"Clave Not Between 'a' And 'm'"_s,
         u"\"Clave\" NOT BETWEEN 'a' COLLATE NOCASE AND 'm' COLLATE NOCASE"_s},
        {u"Clave In (1, 2, 3)"_s, u"\"Clave\" IN (1, 2, 3)"_s},
        {u"Clave Not In ('a','b')"_s, u"\"Clave\" NOT IN ('a', 'b')"_s},
        {u"Not Nombre Like 'a*'"_s, u"NOT \"Nombre\" LIKE 'a*'"_s},
        // LIKE patterns go through as written: the database's like() knows Jet's wildcards
        {u"Clave Like '100%_[*]#'"_s, u"\"Clave\" LIKE '100%_[*]#'"_s},
        // & treats Null as empty text and binds more loosely than + and -
        {u"Nombre & ' ' & Apellido"_s, u"ifnull(\"Nombre\", '') || ' ' || ifnull(\"Apellido\", '')"_s},
        {u"a & b + c"_s, u"ifnull(\"a\", '') || ifnull(\"b\" + \"c\", '')"_s},
        {u"a - 1 & b"_s, u"ifnull(\"a\" - 1, '') || ifnull(\"b\", '')"_s},
        {u"Nombre & 'x' = 'ax'"_s, u"(ifnull(\"Nombre\", '') || 'x') COLLATE NOCASE = 'ax' COLLATE NOCASE"_s},
        // + with a text operand joins texts
        {u"Nombre + ' ' + Apellido"_s, u"\"Nombre\" || ' ' || \"Apellido\""_s},
        // Jet's precedence where SQLite's differs
        {u"a = b < c"_s, u"(\"a\" = \"b\") < \"c\""_s},
        {u"a Mod b * c"_s, u"\"a\" % (\"b\" * \"c\")"_s},
        {u"a * b Mod c"_s, u"\"a\" * \"b\" % \"c\""_s},
        {u"a - (b - c)"_s, u"\"a\" - (\"b\" - \"c\")"_s},
        {u"- - a"_s, u"-(-\"a\")"_s},
        {u"a - -b"_s, u"\"a\" - -\"b\""_s},
        {u"-2 ^ 2"_s, u"-pow(2, 2)"_s},
        {u"a = b AND c = d OR NOT e = f"_s, u"\"a\" = \"b\" AND \"c\" = \"d\" OR NOT \"e\" = \"f\""_s},
        // Division: / always gives a fraction, \ divides whole numbers
        {u"7 / 2"_s, u"CAST(7 AS REAL) / 2"_s},
        {u"Monto \\ 2"_s, u"CAST(round(\"Monto\") AS INTEGER) / CAST(round(2) AS INTEGER)"_s},
        // Functions
        {u"UCase(Nombre) = LCase(Calle)"_s, u"upper(\"Nombre\") = lower(\"Calle\")"_s},
        {u"Len(Trim(Nombre)) > 3"_s, u"length(trim(\"Nombre\")) > 3"_s},
        {u"Mid(Nombre, 2, 3)"_s, u"substr(\"Nombre\", 2, 3)"_s},
        {u"Left(Nombre, 3)"_s, u"substr(\"Nombre\", 1, 3)"_s},
        {u"Right(Nombre, 2)"_s, u"substr(\"Nombre\", -2)"_s},
        {u"Right(Nombre, n + 1)"_s, u"substr(\"Nombre\", -(\"n\" + 1))"_s},
        {u"Nz(Monto, 0) + Nz(Nota)"_s, u"ifnull(\"Monto\", 0) + ifnull(\"Nota\", '')"_s},
        {u"IIf(a > 1, 'x', \"y\")"_s, u"iif(\"a\" > 1, 'x', 'y')"_s},
        {u"Year(Fecha) = 2026 AND Month(Fecha) = 12 AND Day(Fecha) = 10"_s,
         u"CAST(strftime('%Y', \"Fecha\") AS INTEGER) = 2026 AND CAST(strftime('%m', \"Fecha\") AS INTEGER) "
         u"= 12 "
         "AND CAST(strftime('%d', \"Fecha\") AS INTEGER) = 10"_s},
        {u"Val(Contenido) > 1"_s, u"CAST(\"Contenido\" AS REAL) > 1"_s},
        {u"SUM(Monto) > AVG(Monto)"_s, u"sum(\"Monto\") > avg(\"Monto\")"_s},
        {u"Count(*) > 1"_s, u"count(*) > 1"_s},
        {u"Format(Fecha, \"yyyy\")"_s, u"quelmar_format(\"Fecha\", 'yyyy')"_s},
        // Literals, names, placeholders
        {u"Fecha = #12/10/2026 2:30 PM#"_s, u"\"Fecha\" = '2026-12-10 14:30:00'"_s},
        {u"Fecha = #1-5-26#"_s, u"\"Fecha\" = '2026-01-05'"_s},
        {u"Nombre = \"O\"\"Brien\" OR Nombre = 'O''Brien'"_s,
         u"\"Nombre\" = 'O\"Brien' COLLATE NOCASE OR \"Nombre\" = 'O''Brien' COLLATE NOCASE"_s},
        {u"Situación.[Situación Anterior] = ?"_s, u"\"Situación\".\"Situación Anterior\" = ?"_s},
        {u"Pagos!Cantidad > .5"_s, u"\"Pagos\".\"Cantidad\" > .5"_s},
        {u"[Mi \"Campo\"] = 1e3"_s, u"\"Mi \"\"Campo\"\"\" = 1e3"_s},
        {u"Teléfono = Año"_s, u"\"Teléfono\" = \"Año\""_s},
    };
    for (const Case& c : cases) {
        DbError error;
        EXPECT_EQ(translateExpression(c.jet, &error), c.sqlite) << c.jet.toStdString();
        EXPECT_TRUE(error.ok()) << c.jet.toStdString() << "\n" << error.description.toStdString();
    }
}

TEST(JetSqlTranslate, namesResultColumnsAsJetDoes)
{
    const TranslatedStatement statement =
        translate(u"SELECT Count(*), t.Nombre, [Cambiado por], Nombre AS Nombre, Sum(x) AS Total, Clave + 1, "
                  "(Calle), t.*, * FROM t"_s);
    ASSERT_TRUE(statement.error.ok()) << statement.error.description.toStdString();
    EXPECT_EQ(describeItems(statement.select), u"Expr1000 = count(*) aggregate\n"
                                               "Nombre = \"t\".\"Nombre\"\n"
                                               "Cambiado por = \"Cambiado por\"\n"
                                               "Nombre = \"Nombre\" alias Nombre\n"
                                               "Total = sum(\"x\") alias Total aggregate\n"
                                               "Expr1001 = \"Clave\" + 1\n"
                                               "Expr1002 = (\"Calle\")\n"
                                               " = \"t\".* star\n"
                                               " = * star"_s);
    // Only names SQLite would not give by itself are written out.
    EXPECT_EQ(
        statement.select.selectList(),
        u"count(*) AS \"Expr1000\", \"t\".\"Nombre\", \"Cambiado por\", \"Nombre\", sum(\"x\") AS \"Total\", "
        "\"Clave\" + 1 AS \"Expr1001\", (\"Calle\") AS \"Expr1002\", \"t\".*, *"_s);
    EXPECT_TRUE(statement.select.hasAggregates);
}

TEST(JetSqlTranslate, readsTheClausesOfASelect)
{
    const TranslatedStatement statement = translate(
        u"SELECT DISTINCT TOP 3 Colonia, Count(*) AS N FROM Suscriptores AS s WHERE s.Clase = 'Hotel' "
        "GROUP BY Colonia HAVING Count(*) > 1 ORDER BY Colonia DESC, 2"_s);
    ASSERT_TRUE(statement.error.ok()) << statement.error.description.toStdString();
    const SelectParts& parts = statement.select;
    EXPECT_TRUE(parts.distinct);
    EXPECT_EQ(parts.top, 3);
    EXPECT_EQ(parts.from, u"\"Suscriptores\" AS \"s\""_s);
    EXPECT_EQ(parts.where, u"\"s\".\"Clase\" = 'Hotel' COLLATE NOCASE"_s);
    EXPECT_EQ(parts.groupBy, u"\"Colonia\""_s);
    EXPECT_EQ(parts.having, u"count(*) > 1"_s);
    EXPECT_EQ(parts.orderBy, u"\"Colonia\" COLLATE NOCASE DESC, 2 COLLATE NOCASE"_s);
    EXPECT_TRUE(parts.hasAggregates);
    EXPECT_FALSE(parts.hasUnion);
    EXPECT_EQ(statement.sql,
              u"SELECT DISTINCT \"Colonia\", count(*) AS \"N\" FROM \"Suscriptores\" AS \"s\" WHERE "
              "\"s\".\"Clase\" = 'Hotel' COLLATE NOCASE GROUP BY \"Colonia\" HAVING count(*) > 1 "
              "ORDER BY \"Colonia\" COLLATE NOCASE DESC, 2 COLLATE NOCASE LIMIT 3"_s);

    const TranslatedStatement plain = translate(u"SELECT Nombre FROM Suscriptores"_s);
    EXPECT_FALSE(plain.select.hasAggregates);
    EXPECT_EQ(plain.select.top, -1);
    EXPECT_FALSE(plain.select.distinct);
}

TEST(JetSqlTranslate, listsTheTablesOfFrom)
{
    const std::vector<Case> cases = {
        {u"SELECT * FROM Pagos"_s, u"Pagos"_s},
        {u"SELECT * FROM Situación, Suscriptores"_s, u"Situación, Suscriptores"_s},
        {u"SELECT * FROM Suscriptores INNER JOIN Quejas ON Suscriptores.Clave = Quejas.Cliente"_s,
         u"Suscriptores, Quejas"_s},
        {u"SELECT * FROM (Suscriptores AS s INNER JOIN Pagos p ON s.Clave = p.Suscriptor) RIGHT JOIN [Mis "
         u"Quejas] "
         "ON [Mis Quejas].Cliente = s.Clave, Gastos g"_s,
         u"Suscriptores as s, Pagos as p, Mis Quejas, Gastos as g"_s},
        {u"SELECT q.n FROM (SELECT Count(*) AS n FROM Pagos) AS q"_s, u"q (subquery)"_s},
    };
    for (const Case& c : cases) {
        const TranslatedStatement statement = translate(c.jet);
        EXPECT_TRUE(statement.error.ok()) << c.jet.toStdString();
        EXPECT_EQ(describeTables(statement.select), c.sqlite);
    }
}

TEST(JetSqlTranslate, joinsUnionsUnderOneOrderBy)
{
    const TranslatedStatement statement =
        translate(u"SELECT a FROM t WHERE b = 1 UNION ALL SELECT TOP 2 c FROM u ORDER BY c DESC "
                  "UNION SELECT d FROM v ORDER BY a"_s);
    ASSERT_TRUE(statement.error.ok()) << statement.error.description.toStdString();
    EXPECT_TRUE(statement.select.hasUnion);
    EXPECT_EQ(statement.sql,
              u"SELECT \"a\" FROM \"t\" WHERE \"b\" = 1 UNION ALL SELECT * FROM (SELECT \"c\" FROM "
              "\"u\" ORDER BY \"c\" COLLATE NOCASE DESC LIMIT 2) UNION SELECT \"d\" FROM \"v\" "
              "ORDER BY \"a\" COLLATE NOCASE"_s);
}

TEST(JetSqlCrosstab, takesTheCrosstabApart)
{
    const TranslatedStatement statement = translate(
        u"TRANSFORM Sum(Gastos.Monto) AS Valor SELECT Gastos.Fecha, Sum(Gastos.Monto) AS [Total] FROM "
        "Gastos WHERE (Gastos.Fecha >= #01-01-2026# AND Gastos.Fecha <= #12-31-2026#) GROUP BY "
        "Gastos.Fecha ORDER BY Gastos.Fecha DESC PIVOT Gastos.Tipo"_s);
    ASSERT_TRUE(statement.error.ok()) << statement.error.description.toStdString();
    EXPECT_EQ(statement.kind, StatementKind::Crosstab);
    EXPECT_TRUE(statement.sql.isEmpty());
    const CrosstabParts& crosstab = statement.crosstab;
    EXPECT_EQ(crosstab.aggregateFunction, u"sum"_s);
    EXPECT_EQ(crosstab.aggregateArgument, u"\"Gastos\".\"Monto\""_s);
    EXPECT_EQ(crosstab.pivot, u"\"Gastos\".\"Tipo\""_s);
    EXPECT_TRUE(crosstab.fixedValues.isEmpty());
    EXPECT_EQ(describeItems(crosstab.select), u"Fecha = \"Gastos\".\"Fecha\"\n"
                                              "Total = sum(\"Gastos\".\"Monto\") alias Total aggregate"_s);

    EXPECT_EQ(
        crosstabPivotValuesSql(crosstab),
        u"SELECT DISTINCT \"Gastos\".\"Tipo\" COLLATE NOCASE FROM \"Gastos\" WHERE (\"Gastos\".\"Fecha\" >= "
        "'2026-01-01' AND \"Gastos\".\"Fecha\" <= '2026-12-31') ORDER BY 1 COLLATE NOCASE"_s);

    // Row headings and other columns first, then one column per value in the order given.
    const QVariantList values = {QVariant(), u"Luz d'Oro"_s, 12, 2.5, QDate(2026, 12, 10)};
    EXPECT_EQ(
        crosstabSql(crosstab, values),
        u"SELECT \"Gastos\".\"Fecha\", sum(\"Gastos\".\"Monto\") AS \"Total\", "
        "sum(CASE WHEN \"Gastos\".\"Tipo\" IS NULL THEN \"Gastos\".\"Monto\" END) AS \"<>\", "
        "sum(CASE WHEN \"Gastos\".\"Tipo\" = 'Luz d''Oro' COLLATE NOCASE THEN \"Gastos\".\"Monto\" END) "
        "AS \"Luz d'Oro\", "
        "sum(CASE WHEN \"Gastos\".\"Tipo\" = 12 THEN \"Gastos\".\"Monto\" END) AS \"12\", "
        "sum(CASE WHEN \"Gastos\".\"Tipo\" = 2.5 THEN \"Gastos\".\"Monto\" END) AS \"2.5\", "
        "sum(CASE WHEN \"Gastos\".\"Tipo\" = '2026-12-10' THEN \"Gastos\".\"Monto\" END) AS \"2026-12-10\" "
        "FROM \"Gastos\" WHERE (\"Gastos\".\"Fecha\" >= '2026-01-01' AND \"Gastos\".\"Fecha\" <= "
        "'2026-12-31') GROUP BY \"Gastos\".\"Fecha\" ORDER BY \"Gastos\".\"Fecha\" COLLATE NOCASE DESC"_s);
}

TEST(JetSqlCrosstab, countsAndSortsByTheRowHeadings)
{
    const TranslatedStatement counted = translate(
        u"TRANSFORM Count(*) AS Suma SELECT Suscriptores.Colonia, Count(*) AS Total FROM Suscriptores "
        "GROUP BY Suscriptores.Colonia PIVOT Suscriptores.Clase"_s);
    ASSERT_TRUE(counted.error.ok()) << counted.error.description.toStdString();
    EXPECT_EQ(counted.crosstab.aggregateFunction, u"count"_s);
    EXPECT_EQ(counted.crosstab.aggregateArgument, u"*"_s);
    EXPECT_EQ(
        crosstabSql(counted.crosstab, {u"Hotel"_s}),
        u"SELECT \"Suscriptores\".\"Colonia\", count(*) AS \"Total\", count(CASE WHEN "
        "\"Suscriptores\".\"Clase\" = 'Hotel' COLLATE NOCASE THEN 1 END) AS \"Hotel\" FROM \"Suscriptores\" "
        "GROUP BY \"Suscriptores\".\"Colonia\" ORDER BY \"Suscriptores\".\"Colonia\" COLLATE NOCASE"_s);

    const TranslatedStatement tickets = translate(
        u"TRANSFORM COUNT(Pagos.Cantidad) SELECT Pagos.Fecha, COUNT(Pagos.Cantidad) AS Total From Pagos "
        "WHERE Fecha = #12-10-2026# GROUP BY Pagos.Fecha, Year(Pagos.Fecha) PIVOT Pagos.Concepto"_s);
    ASSERT_TRUE(tickets.error.ok()) << tickets.error.description.toStdString();
    EXPECT_EQ(
        crosstabSql(tickets.crosstab, {}),
        u"SELECT \"Pagos\".\"Fecha\", count(\"Pagos\".\"Cantidad\") AS \"Total\" FROM \"Pagos\" WHERE "
        "\"Fecha\" = '2026-12-10' GROUP BY \"Pagos\".\"Fecha\", CAST(strftime('%Y', \"Pagos\".\"Fecha\") AS "
        "INTEGER) ORDER BY \"Pagos\".\"Fecha\" COLLATE NOCASE, CAST(strftime('%Y', \"Pagos\".\"Fecha\") AS "
        "INTEGER) COLLATE NOCASE"_s);
}

TEST(JetSqlCrosstab, usesTheValuesListedAfterPivot)
{
    const TranslatedStatement statement =
        translate(u"TRANSFORM Avg(Monto) SELECT Tipo FROM Gastos GROUP BY Tipo "
                  "PIVOT Format(Fecha, 'mmm') IN ('Ene', \"Feb\", Null, 3)"_s);
    ASSERT_TRUE(statement.error.ok()) << statement.error.description.toStdString();
    EXPECT_EQ(statement.crosstab.pivot, u"quelmar_format(\"Fecha\", 'mmm')"_s);
    EXPECT_EQ(statement.crosstab.fixedValues, QStringList({u"'Ene'"_s, u"'Feb'"_s, u"NULL"_s, u"3"_s}));
    EXPECT_EQ(
        crosstabSql(statement.crosstab, {u"ignored"_s}),
        u"SELECT \"Tipo\", avg(CASE WHEN quelmar_format(\"Fecha\", 'mmm') = 'Ene' COLLATE NOCASE THEN "
        "\"Monto\" END) AS \"Ene\", avg(CASE WHEN quelmar_format(\"Fecha\", 'mmm') = 'Feb' COLLATE NOCASE "
        "THEN "
        "\"Monto\" END) AS \"Feb\", avg(CASE WHEN quelmar_format(\"Fecha\", 'mmm') IS NULL THEN \"Monto\" "
        "END) "
        "AS \"<>\", avg(CASE WHEN quelmar_format(\"Fecha\", 'mmm') = 3 THEN \"Monto\" END) AS \"3\" FROM "
        "\"Gastos\" "
        "GROUP BY \"Tipo\" ORDER BY \"Tipo\" COLLATE NOCASE"_s);
}

TEST(JetSqlTranslate, rejectsWhatDoesNotParse)
{
    const QString invalidStatement =
        u"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."_s;
    const std::vector<Case> cases = {
        {QString(), invalidStatement},
        {u"   "_s, invalidStatement},
        {u" ; "_s, invalidStatement},
        {u"SELECT a FROM t WHERE (a = 1"_s, u"Missing ), ], or Item in query expression '(a = 1'."_s},
        {u"SELECT a FROM t WHERE a = 1)"_s,
         u"Syntax error (missing operator) in query expression 'a = 1)'."_s},
        {u"SELECT a FROM [t"_s, u"Missing ), ], or Item in query expression '[t'."_s},
        {u"SELECT a FROM t WHERE b = 'abc"_s, u"Syntax error in string in query expression ''abc'."_s},
        {u"SELECT a FROM t WHERE d = #02-30-2026#"_s,
         u"Syntax error in date in query expression '#02-30-2026#'."_s},
        {u"SELECT a FROM t WHERE d = #12-10-2026"_s,
         u"Syntax error in date in query expression '#12-10-2026'."_s},
        {u"SELECT a b FROM t"_s, u"Syntax error (missing operator) in query expression 'a b'."_s},
        {u"SELECT a FROM t u v"_s, u"Syntax error in FROM clause."_s},
        {u"SELECT a FROM"_s, u"Syntax error in FROM clause."_s},
        {u"SELECT a FROM t WHERE"_s, u"Syntax error in query expression 'SELECT a FROM t WHERE'."_s},
        {u"SELECT a FROM t; DELETE FROM t"_s, u"Characters found after end of SQL statement."_s},
        {u"SELECT a FROM t INNER JOIN u WHERE a = 1"_s, u"Syntax error in JOIN operation."_s},
        {u"TRANSFORM Sum(Monto) SELECT Tipo FROM Gastos GROUP BY Tipo"_s,
         u"Syntax error in TRANSFORM statement."_s},
        {u"TRANSFORM Sum(Monto) + 1 SELECT Tipo FROM Gastos GROUP BY Tipo PIVOT Clase"_s,
         u"Syntax error in TRANSFORM statement."_s},
        {u"INSERT Pagos VALUES (1)"_s, u"Syntax error in INSERT INTO statement."_s},
        {u"DELETE FROM"_s, u"Syntax error in DELETE statement."_s},
        {u"CREATE TABLE t (a TEXT(5)"_s,
         u"Missing ), ], or Item in query expression 'CREATE TABLE t (a TEXT(5)'."_s},
    };
    for (const Case& c : cases) {
        const TranslatedStatement statement = translate(c.jet);
        EXPECT_EQ(statement.error.number, jeterror::TooFewParameters) << c.jet.toStdString();
        EXPECT_EQ(statement.error.description, c.sqlite);
        EXPECT_EQ(statement.error.statement, c.jet);
        EXPECT_TRUE(statement.sql.isEmpty());
    }
}

TEST(JetSqlTranslate, reportsExpressionsThatDoNotParse)
{
    DbError error = DbError::make(jeterror::DuplicateKey, u"left over"_s);
    EXPECT_EQ(translateExpression(u"Nombre ="_s, &error), QString());
    EXPECT_EQ(error.number, jeterror::TooFewParameters);
    EXPECT_EQ(error.description, u"Syntax error in query expression 'Nombre ='."_s);
    EXPECT_EQ(error.statement, u"Nombre ="_s);

    EXPECT_EQ(translateExpression(u"Nombre = 'x' Clave"_s, &error), QString());
    EXPECT_EQ(error.description,
              u"Syntax error (missing operator) in query expression 'Nombre = 'x' Clave'."_s);

    EXPECT_EQ(translateExpression(u"Clave = 1"_s, &error), u"\"Clave\" = 1"_s);
    EXPECT_TRUE(error.ok());
    EXPECT_EQ(translateExpression(u"Sum(*)"_s), QString());
}

// Jet's functions that SQLite lacks go to the layer's own functions, with the format or interval as written;
// an interval or format that is not a text of the statement, or one not known, is refused when translating.
TEST(JetSqlTranslate, callsTheLayersOwnFunctionsForJetsOthers)
{
    const std::vector<Case> cases = {
        {u"Format(Fecha, 'dd-mmm-yyyy')"_s, u"quelmar_format(\"Fecha\", 'dd-mmm-yyyy')"_s},
        {u"Format(Monto, \"Currency\") = '$1.00'"_s,
         u"quelmar_format(\"Monto\", 'Currency') COLLATE NOCASE = '$1.00' COLLATE NOCASE"_s},
        {u"Str(Clave) & 'x'"_s, u"ifnull(quelmar_str(\"Clave\"), '') || 'x'"_s},
        {u"DateAdd('m', 1, Vencimiento)"_s, u"quelmar_dateadd('m', 1, \"Vencimiento\")"_s},
        {u"DateDiff(\"D\", Fecha, #12-10-2026#) > 30"_s,
         u"quelmar_datediff('D', \"Fecha\", '2026-12-10') > 30"_s},
        {u"DatePart('ww', Fecha)"_s, u"quelmar_datepart('ww', \"Fecha\")"_s},
        // The text forms of the functions are the same functions.
        {u"Format$(Fecha, 'yyyy') & Left$ (Nombre, 2) & UCase$(Nombre)"_s,
         u"ifnull(quelmar_format(\"Fecha\", 'yyyy'), '') || ifnull(substr(\"Nombre\", 1, 2), '') || "
         "ifnull(upper(\"Nombre\"), '')"_s},
        {u"First(Nombre) & Last(Nombre)"_s,
         u"ifnull(quelmar_first(\"Nombre\"), '') || ifnull(quelmar_last(\"Nombre\"), '')"_s},
        {u"Int(-2.5) + Sgn(Monto)"_s,
         u"(CASE WHEN (-2.5) < CAST((-2.5) AS INTEGER) THEN CAST((-2.5) AS INTEGER) - 1 ELSE CAST((-2.5) AS "
         "INTEGER) END) + "
         "(CASE WHEN \"Monto\" > 0 THEN 1 WHEN \"Monto\" < 0 THEN -1 WHEN \"Monto\" = 0 THEN 0 END)"_s},
    };
    for (const Case& c : cases) {
        DbError error;
        EXPECT_EQ(translateExpression(c.jet, &error), c.sqlite) << c.jet.toStdString();
        EXPECT_TRUE(error.ok()) << c.jet.toStdString() << "\n" << error.description.toStdString();
    }
    const TranslatedStatement grouped =
        translate(u"SELECT Suscriptor, Last(Fecha) FROM Pagos GROUP BY Suscriptor"_s);
    ASSERT_TRUE(grouped.error.ok());
    EXPECT_TRUE(grouped.select.items.at(1).isAggregate);
}

// A name that is not one of Jet's functions never reaches the database, where a function of the same name
// would answer something else (or run what it should not).
TEST(JetSqlTranslate, refusesFunctionsJetDoesNotHave)
{
    struct Refusal
    {
        QString jet;
        int number;
        QString description;
    };
    const std::vector<Refusal> cases = {
        {u"SELECT printf('%d', Clave) FROM Pagos"_s, jeterror::UndefinedFunction,
         u"Undefined function 'printf' in expression."_s},
        {u"SELECT Nombre FROM Suscriptores WHERE randomblob(4) <> ''"_s, jeterror::UndefinedFunction,
         u"Undefined function 'randomblob' in expression."_s},
        {u"SELECT quelmar_format(Fecha, 'yyyy') FROM Pagos"_s, jeterror::UndefinedFunction,
         u"Undefined function 'quelmar_format' in expression."_s},
        {u"SELECT string_agg(Nombre, ',') FROM Suscriptores"_s, jeterror::UndefinedFunction,
         u"Undefined function 'string_agg' in expression."_s},
        {u"UPDATE Pagos SET Concepto = Upper(Concepto)"_s, jeterror::UndefinedFunction,
         u"Undefined function 'Upper' in expression."_s},
        {u"SELECT Date$() FROM Pagos"_s, jeterror::UndefinedFunction,
         u"Undefined function 'Date$' in expression."_s},
        {u"SELECT Format(Fecha) FROM Pagos"_s, jeterror::SyntaxErrorInExpression,
         u"Wrong number of arguments used with function in query expression 'Format(Fecha)'."_s},
        {u"SELECT Format(Fecha, Concepto) FROM Pagos"_s, jeterror::SyntaxErrorInExpression,
         u"Invalid format in query expression 'Format(Fecha, Concepto)'."_s},
        {u"SELECT Format(Fecha, 'dd x mm') FROM Pagos"_s, jeterror::SyntaxErrorInExpression,
         u"Invalid format in query expression 'Format(Fecha, 'dd x mm')'."_s},
        {u"SELECT DateAdd('x', 1, Fecha) FROM Pagos"_s, jeterror::SyntaxErrorInExpression,
         u"Invalid interval in query expression 'DateAdd('x', 1, Fecha)'."_s},
        {u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n) SELECT i FROM n"_s,
         jeterror::InvalidStatement,
         u"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."_s},
        {u"CREATE TABLE t AS WITH n(i) AS (SELECT 1) SELECT i FROM n"_s, jeterror::InvalidStatement,
         u"Invalid SQL statement; expected 'DELETE', 'INSERT', 'PROCEDURE', 'SELECT', or 'UPDATE'."_s},
    };
    for (const Refusal& c : cases) {
        for (const Dialect dialect : {Dialect::Sqlite, Dialect::PostgreSQL}) {
            const TranslatedStatement statement = translate(c.jet, dialect);
            EXPECT_EQ(statement.error.number, c.number) << c.jet.toStdString();
            EXPECT_EQ(statement.error.description, c.description);
            EXPECT_TRUE(statement.sql.isEmpty());
        }
    }
}

// Whatever is typed, the translator answers with a statement or an error: it neither crashes nor hangs.
TEST(JetSqlTranslate, survivesGarbage)
{
    const QStringList pieces = {
        u"SELECT"_s, u"FROM"_s,  u"WHERE"_s, u"TRANSFORM"_s, u"PIVOT"_s, u"IN"_s,         u"ORDER"_s,
        u"BY"_s,     u"GROUP"_s, u"UNION"_s, u"INNER"_s,     u"JOIN"_s,  u"ON"_s,         u"AS"_s,
        u"Not"_s,    u"Like"_s,  u"Is"_s,    u"Null"_s,      u"And"_s,   u"Between"_s,    u"Count"_s,
        u"Left"_s,   u"a"_s,     u"[b c]"_s, u"'x'"_s,       u"\"y\""_s, u"#1/2/2026#"_s, u"12"_s,
        u"("_s,      u")"_s,     u","_s,     u"."_s,         u"*"_s,     u"&"_s,          u"="_s,
        u"<>"_s,     u"-"_s,     u"\\"_s,    u"^"_s,         u";"_s,     u"?"_s,          u"!"_s,
        u"["_s,      u"'"_s,     u"#"_s,     u"@"_s};
    std::mt19937 random(20261210);
    std::uniform_int_distribution<qsizetype> piece(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 14);
    for (int i = 0; i < 10000; ++i) {
        QStringList words;
        for (int n = length(random); n > 0; --n)
            words << pieces.at(piece(random));
        const QString text = words.join(u' ');
        const TranslatedStatement statement = translate(text);
        EXPECT_TRUE(!statement.error.ok() || !statement.sql.isEmpty() ||
                    statement.kind == StatementKind::Crosstab)
            << text.toStdString();
        translateExpression(text);
    }

    const QString deep = u"SELECT a FROM t WHERE "_s + QString(100000, u'(') + u"a"_s;
    EXPECT_FALSE(translate(deep).error.ok());
    EXPECT_FALSE(translate(u"SELECT "_s + QString(100000, u'-') + u"a FROM t"_s).error.ok());
    EXPECT_FALSE(
        translate(u"SELECT a FROM t WHERE "_s + QString(100000, u'N').replace(u"N"_s, u"NOT "_s) + u"a"_s)
            .error.ok());
}

TEST(JetSqlQuote, quotesValuesForStatements)
{
    EXPECT_EQ(quote(u"O'Brien"_s), u"'O''Brien'"_s);
    EXPECT_EQ(quote(QString()), u"''"_s);

    struct LiteralCase
    {
        QVariant value;
        QString jet;
    };
    const std::vector<LiteralCase> cases = {
        {QVariant(), u"NULL"_s},
        {QVariant(QMetaType::fromType<QString>()), u"NULL"_s},
        {true, u"True"_s},
        {false, u"False"_s},
        {12, u"12"_s},
        {qlonglong(-9000000000), u"-9000000000"_s},
        {150.5, u"150.5"_s},
        {0.1, u"0.1"_s},
        {-2.0, u"-2"_s},
        {123456789012.25, u"123456789012.25"_s},
        {QDate(2026, 12, 10), u"#12-10-2026#"_s},
        {QDate(), u"NULL"_s},
        {QDateTime(QDate(2026, 1, 5), QTime(14, 30, 5)), u"#01-05-2026 14:30:05#"_s},
        {u"O'Brien"_s, u"'O''Brien'"_s},
        {u"Situación \"A\""_s, u"'Situación \"A\"'"_s},
    };
    for (const LiteralCase& c : cases)
        EXPECT_EQ(literal(c.value), c.jet) << c.value.toString().toStdString();
}

// What literal() writes is read back by the translator as the same value.
TEST(JetSqlQuote, literalsTranslateBackToTheirValues)
{
    const std::vector<std::pair<QVariant, QString>> cases = {
        {QVariant(), u"\"x\" IS NULL"_s},
        {true, u"\"x\" = 1"_s},
        {-150.25, u"\"x\" = -150.25"_s},
        {1e20, u"\"x\" = 1e+20"_s},
        {QDate(2026, 2, 28), u"\"x\" = '2026-02-28'"_s},
        {QDateTime(QDate(2026, 12, 10), QTime(23, 59, 0)), u"\"x\" = '2026-12-10 23:59:00'"_s},
        {u"it's \"here\""_s, u"\"x\" = 'it''s \"here\"' COLLATE NOCASE"_s},
    };
    for (const auto& [value, sqlite] : cases)
        EXPECT_EQ(translateExpression(u"x = "_s + literal(value)), sqlite) << literal(value).toStdString();
}

// Format's rule, as the file's function applies it to values as the file keeps them.
TEST(JetFunctions, FormatShowsValuesAsJetDoes)
{
    struct FormatCase
    {
        QVariant value;
        QString format;
        QVariant shown;
    };
    const std::vector<FormatCase> cases = {
        // Dates, kept as ISO text; months and days by their Spanish names.
        {u"2025-12-06"_s, u"dd-mmm-yyyy"_s, u"06-Dic-2025"_s},
        {u"2025-12-06"_s, u"DD-MMM-YY"_s, u"06-Dic-25"_s},
        {u"2025-01-05"_s, u"d/m/yy"_s, u"5/1/25"_s},
        {u"2025-12-06"_s, u"dddd d \"de\" mmmm"_s, u"Sábado 6 de Diciembre"_s},
        {u"2025-12-06"_s, u"ddd \\d dd"_s, u"Sáb d 06"_s},
        {u"2025-12-06"_s, u"yyyy q y w"_s, u"2025 4 340 7"_s},
        {u"2025-12-06 14:05:09"_s, u"hh:mm:ss"_s, u"14:05:09"_s},
        {u"2025-12-06 09:05:00"_s, u"h:nn mm"_s, u"9:05 12"_s},
        {u"2025-12-06 09:05:07"_s, u"h:m:s"_s, u"9:5:7"_s},
        {QDate(2025, 12, 6), u"yyyy-mm-dd"_s, u"2025-12-06"_s},
        // Named formats.
        {u"2025-12-06"_s, u"General Date"_s, u"06/12/2025"_s},
        {u"2025-12-06 14:05:09"_s, u"general date"_s, u"06/12/2025 14:05:09"_s},
        {u"2025-12-06"_s, u"Long Date"_s, u"Sábado, 6 de Diciembre de 2025"_s},
        {u"2025-12-06"_s, u"Medium Date"_s, u"06-Dic-25"_s},
        {u"2025-12-06"_s, u"Short Date"_s, u"06/12/2025"_s},
        {u"2025-12-06 14:05:09"_s, u"Short Time"_s, u"14:05"_s},
        {1234.5, u"Currency"_s, u"$1,234.50"_s},
        {-1234.5, u"Currency"_s, u"-$1,234.50"_s},
        {1234.5, u"Fixed"_s, u"1234.50"_s},
        {qlonglong(1234567), u"Standard"_s, u"1,234,567.00"_s},
        {0.125, u"Percent"_s, u"12.50%"_s},
        {1234.5, u"General Number"_s, u"1234.5"_s},
        {1.0 / 3, u"General Number"_s, u"0.333333333333333"_s},
        {qlonglong(-1), u"Yes/No"_s, u"Sí"_s},
        {qlonglong(0), u"Yes/No"_s, u"No"_s},
        // Number patterns: rounded half away from zero from 15 digits, optional digits, the point left out.
        {2.675, u"0.00"_s, u"2.68"_s},
        {-2.675, u"0.00"_s, u"-2.68"_s},
        {-0.001, u"0.00"_s, u"0.00"_s},
        {5.0, u"#,##0.##"_s, u"5"_s},
        {1234.5, u"#,##0.##"_s, u"1,234.5"_s},
        {0.5, u"#.##"_s, u".5"_s},
        {qlonglong(7), u"000"_s, u"007"_s},
        {12.0, u"$###,##0.00 \"c/u\""_s, u"$12.00 c/u"_s},
        {u"1250"_s, u"#,##0"_s, u"1,250"_s},
        // Null stays Null; what does not fit is given back.
        {QVariant(), u"dd-mm-yyyy"_s, QVariant()},
        {u"sin fecha"_s, u"dd-mm-yyyy"_s, u"sin fecha"_s},
        {u"abc"_s, u"0.00"_s, u"abc"_s},
    };
    for (const FormatCase& c : cases) {
        const std::optional<jetfunctions::FormatSpec> spec = jetfunctions::readFormat(c.format);
        ASSERT_TRUE(spec) << c.format.toStdString();
        EXPECT_EQ(jetfunctions::format(c.value, *spec), c.shown)
            << c.value.toString().toStdString() << " / " << c.format.toStdString();
    }
    for (const QString& unknown : {u"Scientific"_s, u"@@@"_s, u"0.00;(0.00)"_s, u"dd x mm"_s, u"hh AM/PM"_s,
                                   u"\"texto\""_s, u"0.0.0"_s})
        EXPECT_FALSE(jetfunctions::readFormat(unknown)) << unknown.toStdString();
}

TEST(JetFunctions, StrPutsABlankBeforeNumbersNotNegative)
{
    const std::vector<std::pair<QVariant, QVariant>> cases = {
        {qlonglong(123), u" 123"_s}, {-5.0, u"-5"_s},         {1.5, u" 1.5"_s},    {0.25, u" .25"_s},
        {-0.25, u"-.25"_s},          {qlonglong(0), u" 0"_s}, {u"12"_s, u" 12"_s}, {QVariant(), QVariant()},
    };
    for (const auto& [value, text] : cases)
        EXPECT_EQ(jetfunctions::str(value), text) << value.toString().toStdString();
}

// DateAdd, DateDiff and DatePart, interval by interval.
TEST(JetFunctions, DateArithmeticFollowsTheCalendarAndTheClock)
{
    using jetfunctions::Interval;
    struct AddCase
    {
        QString interval;
        QVariant number;
        QString date;
        QVariant result;
    };
    const std::vector<AddCase> adds = {
        {u"yyyy"_s, 1, u"2024-02-29"_s, u"2025-02-28"_s},
        {u"q"_s, 1, u"2025-11-30"_s, u"2026-02-28"_s},
        {u"m"_s, 1, u"2024-01-31"_s, u"2024-02-29"_s},
        {u"M"_s, -13, u"2024-01-31"_s, u"2022-12-31"_s},
        {u"d"_s, 30, u"2025-12-06"_s, u"2026-01-05"_s},
        {u"y"_s, 1.6, u"2025-12-06"_s, u"2025-12-08"_s},
        {u"w"_s, -1, u"2025-12-06"_s, u"2025-12-05"_s},
        {u"ww"_s, 2, u"2025-12-06"_s, u"2025-12-20"_s},
        {u"h"_s, 25, u"2025-12-06 10:30:00"_s, u"2025-12-07 11:30:00"_s},
        {u"n"_s, -30, u"2025-12-06 00:10:00"_s, u"2025-12-05 23:40:00"_s},
        {u"s"_s, 60, u"2025-12-06 23:59:00"_s, u"2025-12-07"_s},
        {u"d"_s, QVariant(), u"2025-12-06"_s, QVariant()},
    };
    for (const AddCase& c : adds) {
        const std::optional<Interval> interval = jetfunctions::readInterval(c.interval);
        ASSERT_TRUE(interval) << c.interval.toStdString();
        EXPECT_EQ(jetfunctions::dateAdd(*interval, c.number, c.date), c.result)
            << c.interval.toStdString() << " " << c.number.toString().toStdString() << " "
            << c.date.toStdString();
    }

    struct DiffCase
    {
        QString interval;
        QString first;
        QString second;
        qlonglong difference;
    };
    const std::vector<DiffCase> diffs = {
        {u"yyyy"_s, u"2025-12-31"_s, u"2026-01-01"_s, 1},
        {u"q"_s, u"2025-03-31"_s, u"2025-04-01"_s, 1},
        {u"m"_s, u"2025-01-31"_s, u"2025-03-01"_s, 2},
        {u"m"_s, u"2025-03-01"_s, u"2025-01-31"_s, -2},
        {u"d"_s, u"2025-12-06 23:00:00"_s, u"2025-12-07 01:00:00"_s, 1},
        {u"y"_s, u"2025-01-01"_s, u"2026-01-01"_s, 365},
        {u"w"_s, u"2025-12-06"_s, u"2025-12-19"_s, 1},
        {u"w"_s, u"2025-12-19"_s, u"2025-12-06"_s, -1},
        // Sundays between Saturday 6 and Sunday 14 December: the 7th and the 14th.
        {u"ww"_s, u"2025-12-06"_s, u"2025-12-14"_s, 2},
        {u"h"_s, u"2025-12-06 10:59:00"_s, u"2025-12-06 11:00:00"_s, 1},
        {u"n"_s, u"2025-12-06"_s, u"2025-12-05 23:59:30"_s, -1},
        {u"s"_s, u"2025-12-06"_s, u"2025-12-07"_s, 86400},
    };
    for (const DiffCase& c : diffs) {
        const Interval interval = *jetfunctions::readInterval(c.interval);
        EXPECT_EQ(jetfunctions::dateDiff(interval, c.first, c.second), QVariant(c.difference))
            << c.interval.toStdString() << " " << c.first.toStdString() << " " << c.second.toStdString();
    }

    const QString saturday = u"2025-12-06 14:05:09"_s;
    const std::vector<std::pair<QString, int>> parts = {
        {u"yyyy"_s, 2025}, {u"q"_s, 4},   {u"m"_s, 12}, {u"y"_s, 340}, {u"d"_s, 6},
        {u"w"_s, 7},       {u"ww"_s, 49}, {u"h"_s, 14}, {u"n"_s, 5},   {u"s"_s, 9},
    };
    for (const auto& [code, part] : parts)
        EXPECT_EQ(jetfunctions::datePart(*jetfunctions::readInterval(code), saturday), QVariant(part))
            << code.toStdString();
    // 1 January 2022 was a Saturday: the 2nd is already in week 2.
    EXPECT_EQ(jetfunctions::datePart(Interval::Week, u"2022-01-02"_s), QVariant(2));
    EXPECT_FALSE(jetfunctions::readInterval(u"dd"_s));
}

TEST(JetLike, matchesAsJetDoes)
{
    struct LikeCase
    {
        QString pattern;
        QString text;
        bool matches;
    };
    const std::vector<LikeCase> cases = {
        {u"*ana*"_s, u"Mariana López"_s, true},
        {u"*ANA*"_s, u"mariana"_s, true},
        {u"josé"_s, u"JOSÉ"_s, true},
        {u"*ñ*"_s, u"PEÑA"_s, true},
        {u"jose"_s, u"josé"_s, false},
        {u"Cortado*"_s, u"Cortado por falta de pago"_s, true},
        {u"Cortado*"_s, u"Reconectado"_s, false},
        {u"ab"_s, u"abc"_s, false},
        {u"bc"_s, u"abc"_s, false},
        {u"*"_s, QString(), true},
        {QString(), QString(), true},
        {QString(), u"a"_s, false},
        {u"a*"_s, QString(), false},
        {u"a?c"_s, u"abc"_s, true},
        {u"a?c"_s, u"ac"_s, false},
        {u"*a*b*c"_s, u"xaxbxc"_s, true},
        {u"*a*b*c"_s, u"xaxbxcx"_s, false},
        {u"*@*"_s, u"juan@correo"_s, true},
        {u"*Aviso=3*"_s, u"Ver Aviso=3 pendiente"_s, true},
        {u"!C*"_s, u"!CSit"_s, true},
        {u"!C*"_s, u"CSit"_s, false},
        {u"[a-c]x"_s, u"Bx"_s, true},
        {u"[A-C]x"_s, u"bx"_s, true},
        {u"[a-c]x"_s, u"dx"_s, false},
        {u"[!a-c]x"_s, u"dx"_s, true},
        {u"[!a-c]x"_s, u"Bx"_s, false},
        {u"[xyz]1"_s, u"Y1"_s, true},
        {u"[*]"_s, u"*"_s, true},
        {u"[*]"_s, u"a"_s, false},
        {u"[?]x"_s, u"?x"_s, true},
        {u"[[]1]"_s, u"[1]"_s, true},
        {u"a[]b"_s, u"ab"_s, true},
        {u"[abc"_s, u"[abc"_s, true},
        // '#' is one digit; in a class it stands for itself
        {u"Nota ###"_s, u"Nota 057"_s, true},
        {u"Nota ###"_s, u"nota 5a7"_s, false},
        {u"Nota ###"_s, u"Nota 0577"_s, false},
        {u"#12"_s, u"512"_s, true},
        {u"#12"_s, u"#12"_s, false},
        {u"[#]12"_s, u"#12"_s, true},
        {u"*#"_s, u"Calle 9"_s, true},
        {u"*#*"_s, u"sin número"_s, false},
        {u"#"_s, QString(), false},
        {u"100%"_s, u"100%"_s, true},
        {u"100%"_s, u"1000"_s, false},
        {u"a_b"_s, u"a_b"_s, true},
        {u"a_b"_s, u"axb"_s, false},
        {u"*x"_s, u"xxxxxxxxy"_s, false},
    };
    for (const LikeCase& c : cases)
        EXPECT_EQ(likeMatches(c.pattern, c.text), c.matches)
            << c.pattern.toStdString() << " / " << c.text.toStdString();
}

// Many stars against a long text that almost matches: a backtracking matcher that recursed at every star
// would not finish.
TEST(JetLike, staysFastOnPatternsWithManyStars)
{
    const QString text = QString(5000, u'a');
    EXPECT_FALSE(likeMatches(QString(u"*a"_s).repeated(30) + u"b"_s, text));
    EXPECT_TRUE(likeMatches(QString(u"*a"_s).repeated(30) + u"*"_s, text));
}

} // namespace

// The server's dialect, where it differs from SQLite's: what the rows of both are compared for lives in the
// database tests; these are the texts that make the server's rules hold without a server.
TEST(JetSqlPostgres, StatementsTakeTheServersDialect)
{
    const struct
    {
        const char* jet;
        const char* sql;
    } cases[] = {
        // Names fold to lower case; text columns are citext, so no COLLATE; Null first as in SQLite.
        {"SELECT [Nombre] FROM Suscriptores ORDER BY Nombre, Clave DESC",
         R"(SELECT "nombre" FROM "suscriptores" ORDER BY "nombre" NULLS FIRST, "clave" DESC NULLS LAST)"},
        {"SELECT Clave FROM T WHERE Nombre Like 'A*'",
         R"(SELECT "clave" FROM "t" WHERE CAST("nombre" AS text) ~* quelmar_like_regex(CAST('A*' AS text)))"},
        {"SELECT Clave FROM T WHERE Nombre Not Like ?",
         R"(SELECT "clave" FROM "t" WHERE CAST("nombre" AS text) !~* quelmar_like_regex(CAST(? AS text)))"},
        {"SELECT Nombre & Ciudad FROM T",
         R"(SELECT coalesce(CAST("nombre" AS text), '') || coalesce(CAST("ciudad" AS text), '') AS "expr1000" FROM "t")"},
        {"SELECT Clave FROM T WHERE Nombre & 'x' = 'ax'",
         R"(SELECT "clave" FROM "t" WHERE CAST(coalesce(CAST("nombre" AS text), '') || 'x' AS citext) = 'ax')"},
        {"SELECT 7 / 2, Year(Alta) FROM T",
         R"(SELECT CAST(7 AS double precision) / 2 AS "expr1000", CAST(EXTRACT(YEAR FROM CAST("alta" AS timestamp)) AS integer) AS "expr1001" FROM "t")"},
        {"SELECT * FROM (SELECT Clave FROM T)", R"(SELECT * FROM (SELECT "clave" FROM "t") AS "subquery1")"},
        {"SELECT TOP 3 Clave FROM T WHERE Activo = True AND Alta = #03/01/2024#",
         R"(SELECT "clave" FROM "t" WHERE "activo" = 1 AND "alta" = '2024-03-01' LIMIT 3)"},
    };
    for (const auto& c : cases) {
        const TranslatedStatement translated = translate(QString::fromUtf8(c.jet), Dialect::PostgreSQL);
        EXPECT_TRUE(translated.error.ok()) << c.jet;
        EXPECT_EQ(translated.sql.toStdString(), c.sql) << c.jet;
    }
}
