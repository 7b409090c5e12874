// The decomposition of statements: clause starts, placeholders and the tables of the FROM clause, on a table
// of statements written as the office writes them.
#include "query/decosql.h"

#include <gtest/gtest.h>

namespace quelmar::query {
namespace {

const QStringList Catalogue = {QStringLiteral("MSysObjects"),  QStringLiteral("Pagos"),
                               QStringLiteral("Suscriptores"), QStringLiteral("Situación"),
                               QStringLiteral("Quejas"),       QStringLiteral("PagosViejos")};

QString tablesText(const QList<FromTable>& tables)
{
    QStringList parts;
    for (const FromTable& table : tables)
        parts.append(table.reference + u':' + table.number);
    return parts.join(u'|');
}

QString placeholdersText(const QList<SqlPiece>& pieces)
{
    QStringList parts;
    for (const SqlPiece& piece : pieces)
        parts.append(piece.placeholder);
    return parts.join(u'|');
}

TEST(DecoSqlTest, findsTheTablesOfTheFromClause)
{
    struct Case
    {
        const char* statement;
        const char* tables;
    };
    const Case cases[] = {
        {"SELECT * FROM Pagos", "Pagos: 2"},
        {"select * from pagos where Importe > 10", "pagos: 2"},
        {"SELECT Suscriptores.Nombre, Pagos.Importe FROM Suscriptores INNER JOIN Pagos ON "
         "(Suscriptores.Clave = Pagos.Suscriptor) ORDER BY Pagos.Fecha",
         "Suscriptores: 3|Pagos: 2"},
        // Brackets of nested joins are taken away.
        {"SELECT * FROM (Suscriptores INNER JOIN Pagos ON Suscriptores.Clave = Pagos.Suscriptor) INNER JOIN "
         "Quejas ON Quejas.Suscriptor = Suscriptores.Clave",
         "Suscriptores: 3|Pagos: 2|Quejas: 5"},
        // A LEFT JOIN's table is not collected.
        {"SELECT * FROM Suscriptores LEFT JOIN Quejas ON Quejas.Suscriptor = Suscriptores.Clave",
         "Suscriptores: 3"},
        // Every table of a comma list, named without its comma, with or without a blank after it.
        {"SELECT Situación.Fecha, Suscriptores.Nombre FROM Situación, Suscriptores WHERE Suscriptores.Clave "
         "= "
         "Situación.Suscriptor ORDER BY Situación.Fecha",
         "Situación: 4|Suscriptores: 3"},
        {"SELECT * FROM Pagos,Quejas", "Pagos: 2|Quejas: 5"},
        // A comma list after a join, in the order written.
        {"SELECT * FROM (Suscriptores INNER JOIN Pagos ON Suscriptores.Clave = Pagos.Suscriptor), Quejas "
         "WHERE Quejas.Suscriptor = Suscriptores.Clave",
         "Suscriptores: 3|Pagos: 2|Quejas: 5"},
        // An alias follows the table and is not a table.
        {"SELECT P.Importe FROM Pagos AS P WHERE P.Importe > 0", "Pagos: 2"},
        // A sub-select in the WHERE does not add its tables.
        {"SELECT * FROM Suscriptores WHERE Clave IN (SELECT Suscriptor FROM Quejas) ORDER BY Nombre",
         "Suscriptores: 3"},
        // A word that holds two catalogue names gives an entry for each.
        {"SELECT * FROM PagosViejos", "PagosViejos: 2|PagosViejos: 6"},
        {"TRANSFORM Sum(Importe) SELECT Suscriptor FROM Pagos GROUP BY Suscriptor PIVOT Año", "Pagos: 2"},
        {"SELECT Clave FROM Tarifas", ""},
    };
    for (const Case& c : cases) {
        QList<SqlPiece> pieces;
        QList<FromTable> tables;
        EXPECT_EQ(DecoSQL(QString::fromUtf8(c.statement), Catalogue, pieces, tables), DecoFailure::None)
            << c.statement;
        EXPECT_EQ(tablesText(tables), QString::fromUtf8(c.tables)) << c.statement;
        ASSERT_EQ(pieces.size(), 5);
        EXPECT_EQ(pieces[3].keyword, QStringLiteral("ORDER BY "));
        EXPECT_TRUE(pieces[4].keyword.isEmpty());
    }
}

TEST(DecoSqlTest, placesThePlaceholderInItsClause)
{
    struct Case
    {
        const char* statement;
        const char* placeholders;
    };
    const Case cases[] = {
        {"SELECT * FROM Pagos", "||||"},
        {"SELECT * FROM Pagos WHERE Nombre = '?\?'", "|| 36||"},
        // Two in one clause: the rightmost is kept.
        {"SELECT * FROM Pagos WHERE A = '?\?' OR B = '?\?'", "|| 43||"},
        // Without WHERE a placeholder after ORDER BY belongs to ORDER BY only.
        {"SELECT * FROM Pagos ORDER BY '?\?'", "||| 30|"},
        {"SELECT '?\?' FROM Pagos WHERE X = '?\?'", " 8|| 34||"},
        {"select * from Pagos where x = '?\?' order by y", "|| 31||"},
    };
    for (const Case& c : cases) {
        QList<SqlPiece> pieces;
        QList<FromTable> tables;
        DecoSQL(QString::fromUtf8(c.statement), Catalogue, pieces, tables);
        EXPECT_EQ(placeholdersText(pieces), QString::fromUtf8(c.placeholders)) << c.statement;
    }
}

TEST(DecoSqlTest, clauseStartsFollowTheKeywords)
{
    struct Case
    {
        const char* statement;
        QList<int> starts;
    };
    const Case cases[] = {
        {"SELECT * FROM Pagos", {1, 10, 20, 20, 20}},
        {"SELECT DISTINCTROW Nombre FROM Suscriptores", {12, 27, 44, 44, 44}},
        {"SELECT * FROM Pagos WHERE A = 1 ORDER BY A", {1, 10, 21, 33, 43}},
        {"SELECT * FROM Pagos order by A", {1, 10, 21, 21, 31}},
        // Plain text search: a quoted "FROM " before the clause is taken as its start.
        {"SELECT 'FROM ' AS X FROM Pagos", {1, 9, 31, 31, 31}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(clauseStarts(QString::fromUtf8(c.statement)), c.starts) << c.statement;
}

TEST(DecoSqlTest, emptyStatementLeavesTheOutputsAlone)
{
    QList<SqlPiece> pieces{{QStringLiteral("x"), QStringLiteral("y")}};
    QList<FromTable> tables{{QStringLiteral("T"), QStringLiteral(" 9")}};
    EXPECT_EQ(DecoSQL(QString(), Catalogue, pieces, tables), DecoFailure::None);
    EXPECT_EQ(pieces.size(), 1);
    EXPECT_EQ(tablesText(tables), QStringLiteral("T: 9"));
}

TEST(DecoSqlTest, statementsThatCannotBeCutFail)
{
    struct Case
    {
        QString statement;
        DecoFailure failure;
    };
    QString many = QStringLiteral("SELECT * FROM Pagos");
    for (int i = 0; i < 30; ++i)
        many += QStringLiteral(" INNER JOIN Pagos ON 1=1");
    const Case cases[] = {
        {QStringLiteral("SELECT 1 WHERE 1 = 1"), DecoFailure::NoFromBody},
        {QStringLiteral("SELECT * FROM Suscriptores INNER JOIN Pagos"), DecoFailure::JoinWithoutEnd},
        {many, DecoFailure::TooManyTables},
    };
    for (const Case& c : cases) {
        QList<SqlPiece> pieces;
        QList<FromTable> tables;
        EXPECT_EQ(DecoSQL(c.statement, Catalogue, pieces, tables), c.failure) << c.statement.toStdString();
        EXPECT_EQ(pieces.size(), 5);
        EXPECT_LE(tables.size(), MaxFromTables);
    }
}

} // namespace
} // namespace quelmar::query
