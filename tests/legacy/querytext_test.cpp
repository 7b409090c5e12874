#include "legacy/querytext.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace quelmar::legacy::querytext;

namespace {

QueryRow part(int attribute, int flag = 0, const QString& expression = {}, const QString& name1 = {},
              const QString& name2 = {})
{
    return {attribute, flag, expression, name1, name2};
}

} // namespace

TEST(QueryText, SelectQueriesAreRebuiltFromTheirParts)
{
    const struct
    {
        const char* what;
        QList<QueryRow> rows;
        QString sql;
    } cases[]{
        {"all fields of a table",
         {part(0), part(1, 1), part(3, 1), part(5, 0, {}, u"Suscriptores"_s), part(255)},
         u"SELECT * FROM [Suscriptores]"_s},
        {"columns, alias, condition and descending order",
         {part(1, 1), part(5, 0, {}, u"Pagos"_s), part(6, 0, u"[Pagos].[Ticket]"_s),
          part(6, 0, u"[Monto]*2"_s, u"Doble"_s), part(8, 0, u"[Fecha]>=#01-01-2024#"_s),
          part(11, 0, u"[Fecha]"_s, u"D"_s), part(11, 0, u"[Ticket]"_s)},
         u"SELECT [Pagos].[Ticket], [Monto]*2 AS [Doble] FROM [Pagos] WHERE [Fecha]>=#01-01-2024# "
         u"ORDER BY [Fecha] DESC, [Ticket]"_s},
        {"distinct rows and top",
         {part(1, 1), part(3, 0x08 | 0x10, {}, u"10"_s), part(5, 0, {}, u"Quejas"_s),
          part(6, 0, u"[Cliente]"_s)},
         u"SELECT DISTINCTROW TOP 10 [Cliente] FROM [Quejas]"_s},
        {"totals with grouping and a condition on them",
         {part(1, 1), part(3, 0x02), part(5, 0, {}, u"Pagos"_s), part(6, 0, u"[Suscriptor]"_s),
          part(6, 0, u"Sum([Monto])"_s, u"Total"_s), part(9, 0, u"[Suscriptor]"_s),
          part(10, 0, u"Sum([Monto])>100"_s)},
         u"SELECT DISTINCT [Suscriptor], Sum([Monto]) AS [Total] FROM [Pagos] GROUP BY [Suscriptor] "
         u"HAVING Sum([Monto])>100"_s},
        {"two joins, one of them through an alias",
         {part(1, 1), part(5, 0, {}, u"Suscriptores"_s), part(5, 0, {}, u"Pagos"_s, u"P"_s),
          part(5, 0, {}, u"Quejas"_s), part(6, 0, u"[Nombre]"_s),
          part(7, 1, u"[Suscriptores].[Clave]=[P].[Suscriptor]"_s, u"Suscriptores"_s, u"P"_s),
          part(7, 2, u"[Suscriptores].[Clave]=[Quejas].[Cliente]"_s, u"Suscriptores"_s, u"Quejas"_s)},
         u"SELECT [Nombre] FROM ([Suscriptores] INNER JOIN [Pagos] AS [P] ON "
         u"[Suscriptores].[Clave]=[P].[Suscriptor]) LEFT JOIN [Quejas] ON "
         u"[Suscriptores].[Clave]=[Quejas].[Cliente]"_s},
        {"crosstab",
         {part(1, 6), part(5, 0, {}, u"Pagos"_s), part(6, 2, u"[Suscriptor]"_s),
          part(6, 0, u"Sum([Monto])"_s, u"Total"_s), part(6, 1, u"Year([Fecha])"_s),
          part(9, 2, u"[Suscriptor]"_s)},
         u"TRANSFORM Sum([Monto]) AS [Total] SELECT [Suscriptor] FROM [Pagos] GROUP BY [Suscriptor] "
         u"PIVOT Year([Fecha])"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Rebuilt rebuilt = rebuild(c.rows);
        EXPECT_EQ(rebuilt.sql, c.sql);
        EXPECT_TRUE(rebuilt.problem.isEmpty()) << rebuilt.problem.toStdString();
    }
}

TEST(QueryText, QueriesThatAreNotSelectionsAreToldNotRebuilt)
{
    const struct
    {
        const char* what;
        QList<QueryRow> rows;
        QString problem;
    } cases[]{
        {"update", {part(1, 4), part(5, 0, {}, u"Pagos"_s)}, u"de actualización"_s},
        {"delete", {part(1, 5), part(5, 0, {}, u"Pagos"_s)}, u"de eliminación"_s},
        {"append", {part(1, 3)}, u"de datos anexados"_s},
        {"union", {part(1, 9)}, u"de unión"_s},
        {"no type row", {part(5, 0, {}, u"Pagos"_s)}, u"desconocido"_s},
        {"parameters",
         {part(1, 1), part(2, 10, {}, u"Desde"_s), part(5, 0, {}, u"Pagos"_s), part(6, 0, u"[Monto]"_s)},
         u"parámetros"_s},
        {"no columns", {part(1, 1), part(5, 0, {}, u"Pagos"_s)}, u"no tiene columnas"_s},
        {"crosstab without pivot",
         {part(1, 6), part(5, 0, {}, u"Pagos"_s), part(6, 0, u"Sum([Monto])"_s)},
         u"incompleta"_s},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Rebuilt rebuilt = rebuild(c.rows);
        EXPECT_TRUE(rebuilt.sql.isEmpty()) << rebuilt.sql.toStdString();
        EXPECT_TRUE(rebuilt.problem.contains(c.problem)) << rebuilt.problem.toStdString();
    }
}
