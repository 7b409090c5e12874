#include "session/fieldtable.h"

#include "contractsdatabase.h"
#include "db/fielddef.h"
#include "qtprinters.h"

#include <gtest/gtest.h>

namespace quelmar::engine {
namespace {

namespace jettype = db::jettype;

// The rows of a field table as text: one line per row, the seven columns separated by "|".
QString rowsText(const QList<FieldRow>& rows)
{
    QStringList lines;
    for (const FieldRow& row : rows)
        lines.append(QStringList{row.title, row.name, QString::number(row.type), QString::number(row.size),
                                 row.format, row.defaultValue, QString::number(row.editable)}
                         .join(QLatin1Char('|')));
    return lines.join(QLatin1Char('\n'));
}

TEST(BuildFieldTableTest, DescribesEveryColumnOfTheResult)
{
    testing::ContractsDatabase database;
    const auto recordset = database.open(QStringLiteral("SELECT * FROM Contratos"));
    ASSERT_TRUE(recordset);
    const QStringList titles = {
        QStringLiteral("Contratos.TitularAnterior:Quien lo tuvo antes"),
        QStringLiteral("Contratos.Titular: Nombre del titular"),
        QStringLiteral("contratos.fecha de alta:Día de la conexión"),
        QStringLiteral("Contratos.Titular:Segundo título, no se usa"),
        QStringLiteral("Sin dos puntos Contratos.Clave"),
    };
    EXPECT_EQ(rowsText(buildFieldTable(*recordset, titles)),
              QStringLiteral("|Clave|4|4|###,###,##0||0\n"
                             "Nombre del titular|Titular|10|120|||0\n"
                             "Día de la conexión|[Fecha de Alta]|8|8|dd-mmm-yy||0\n"
                             "|[Hora de Visita]|8|8|hh:mm||0\n"
                             "|Servicio|20|10||\"!CServ\"|0\n"
                             "|Cliente|21|4||!R/Clientes/Clave,Nombre/Nombre|0\n"
                             "|Activo|1|1||True|0\n"
                             "|Unidades|2|1|#0||0\n"
                             "|Cantidad|3|2|#,##0||0\n"
                             "|Saldo|5|8|###,###,###,##0.00||0\n"
                             "|Factor|6|4|###,###,###,##0.######||0\n"
                             "|Tasa|7|8|###,###,###,###,##0.#####||0\n"
                             "|Notas|12|0|||0"));
}

TEST(BuildFieldTableTest, NamesColumnsAsTheResultDoesAndTitlesThemByTheirSource)
{
    testing::ContractsDatabase database;
    const auto recordset = database.open(
        QStringLiteral("SELECT Titular AS [Nombre completo], [Fecha de Alta] AS Alta, Unidades * 2 AS Doble, "
                       "[Hora de Visita] AS [Hora Pactada] FROM Contratos"));
    ASSERT_TRUE(recordset);
    const QStringList titles = {QStringLiteral("Contratos.Titular:Nombre del titular"),
                                QStringLiteral("Contratos.Fecha de Alta:Día de la conexión")};
    const QList<FieldRow> rows = buildFieldTable(*recordset, titles);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(rows.at(0).name, QStringLiteral("[Nombre completo]"));
    EXPECT_EQ(rows.at(0).title, QStringLiteral("Nombre del titular"));
    EXPECT_EQ(rows.at(1).name, QStringLiteral("Alta"));
    EXPECT_EQ(rows.at(1).title, QStringLiteral("Día de la conexión"));
    EXPECT_EQ(rows.at(1).format, QStringLiteral("dd-mmm-yy"));
    EXPECT_EQ(rows.at(2).name, QStringLiteral("Doble"));
    EXPECT_EQ(rows.at(2).title, QString());
    // The hour format follows the name the result gives the column.
    EXPECT_EQ(rows.at(3).format, QStringLiteral("hh:mm"));
}

TEST(FieldTableNameTest, BracketsNamesWithBlanks)
{
    const std::pair<const char*, const char*> cases[] = {
        {"Nombre", "Nombre"},
        {"Fecha de Alta", "[Fecha de Alta]"},
        {"[Fecha de Alta]", "[Fecha de Alta]"},
        {"Suma de [Monto]", "Suma de [Monto]"},
        {"", ""},
    };
    for (const auto& [name, stored] : cases)
        EXPECT_EQ(fieldTableName(QString::fromUtf8(name)), QString::fromUtf8(stored)) << name;
}

TEST(FieldTitleTest, TakesTheFirstEntryNamingTheSourceField)
{
    const QStringList titles = {
        QStringLiteral("Pagos.Fecha:Día del pago"), QStringLiteral("Pagos.FechaVence:Vence"),
        QStringLiteral("Pagos.Monto:Importe: con IVA"), QStringLiteral("Pagos.Monto:Segundo")};
    struct Case
    {
        const char* table;
        const char* field;
        const char* title;
    };
    const Case cases[] = {
        {"Pagos", "Fecha", "Día del pago"},
        {"Pagos", "FechaVence", "Vence"},
        {"PAGOS", "monto", "Importe: con IVA"},
        {"Pagos", "Fech", ""},
        {"Gastos", "Fecha", ""},
        {"", "Fecha", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fieldTitle(titles, QString::fromUtf8(c.table), QString::fromUtf8(c.field)),
                  QString::fromUtf8(c.title))
            << c.table << "." << c.field;
}

TEST(DisplayFormatTest, FollowsTheTypeCode)
{
    struct Case
    {
        int type;
        const char* name;
        const char* format;
    };
    const Case cases[] = {
        {jettype::Boolean, "Activo", ""},
        {jettype::Byte, "Unidades", "#0"},
        {jettype::Integer, "Cantidad", "#,##0"},
        {jettype::Long, "Clave", "###,###,##0"},
        {jettype::Currency, "Monto", "###,###,###,##0.00"},
        {jettype::Single, "Factor", "###,###,###,##0.######"},
        {jettype::Double, "Tasa", "###,###,###,###,##0.#####"},
        {jettype::Date, "Fecha", "dd-mmm-yy"},
        {jettype::Date, "Hora de Visita", "hh:mm"},
        {jettype::Date, "Fecha y Hora", "hh:mm"},
        {jettype::Date, "Ahora", "dd-mmm-yy"},
        {jettype::Integer, "Horas", "#,##0"},
        {jettype::Text, "Nombre", ""},
        {jettype::Memo, "Notas", ""},
        {jettype::Classifier, "Situación", ""},
        {jettype::Relation, "Cliente", ""},
        {99, "Otro", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(displayFormat(c.type, QString::fromUtf8(c.name)), QString::fromUtf8(c.format))
            << c.type << " " << c.name;
}

TEST(LayoutSizeTest, TextCountsAsAtMostSeventyCharacters)
{
    struct Case
    {
        int type;
        int size;
        int laidOut;
    };
    const Case cases[] = {
        {jettype::Text, 50, 50}, {jettype::Text, 70, 70}, {jettype::Text, 255, 70},
        {jettype::Memo, 0, 0},   {jettype::Long, 4, 4},   {jettype::Classifier, 120, 120},
    };
    for (const Case& c : cases)
        EXPECT_EQ(layoutSize(c.type, c.size), c.laidOut) << c.type << " " << c.size;
}

} // namespace
} // namespace quelmar::engine
