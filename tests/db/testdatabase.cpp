#include "testdatabase.h"

#include "testtables.h"

#include "db/jetsql.h"

#include <gtest/gtest.h>

namespace quelmar::db::testing {

namespace {

using testsupport::field;

QList<TableDef> schema()
{
    TableDef clientes;
    clientes.name = QStringLiteral("Clientes");
    FieldDef clave = field("Clave", jettype::Long);
    clave.autoNumber = true;
    FieldDef nombre = field("Nombre", jettype::Text, 40);
    nombre.required = true;
    nombre.allowZeroLength = false;
    FieldDef unidades = field("Unidades", jettype::Integer);
    unidades.validationRule = QStringLiteral("Between 1 And 50");
    unidades.validationText = QStringLiteral("Las unidades van de 1 a 50");
    unidades.defaultValue = QStringLiteral("1");
    FieldDef situacion = field("Situación", jettype::Text, 20);
    situacion.defaultValue = QStringLiteral("\"!CSit\"");
    FieldDef alta = field("Fecha de Alta", jettype::Date);
    alta.defaultValue = QStringLiteral("Date()");
    FieldDef activo = field("Activo", jettype::Boolean);
    activo.defaultValue = QStringLiteral("True");
    clientes.fields = {clave, nombre, unidades, situacion, alta, activo, field("Notas", jettype::Memo)};
    clientes.indexes = {{QStringLiteral("Nombre"), {QStringLiteral("Nombre")}, false, false}};

    TableDef cobros;
    cobros.name = QStringLiteral("Cobros");
    FieldDef cliente = field("Cliente", jettype::Long);
    cliente.defaultValue = QStringLiteral("!R/Clientes/Clave,Nombre/Nombre");
    FieldDef monto = field("Monto", jettype::Currency);
    monto.validationRule = QStringLiteral(">0");
    FieldDef ticket = field("Ticket", jettype::Long);
    cobros.fields = {cliente, field("Fecha", jettype::Date), monto, field("Concepto", jettype::Text, 40),
                     ticket};
    cobros.indexes = {
        {QStringLiteral("Ticket"), {QStringLiteral("Ticket"), QStringLiteral("Concepto")}, true, false}};

    TableDef parametros;
    parametros.name = QStringLiteral("Parametros");
    parametros.fields = {field("Clase", jettype::Text, 20), field("Secuen", jettype::Long),
                         field("Nombre", jettype::Text, 50), field("Clave", jettype::Text, 20),
                         field("Contenido", jettype::Text, 255)};
    parametros.indexes = {
        {QStringLiteral("Clase"), {QStringLiteral("Clase"), QStringLiteral("Secuen")}, false, false}};
    return {clientes, cobros, parametros};
}

} // namespace

TestDatabase::TestDatabase()
{
    DbError error;
    m_database = Database::create(path(), error);
    EXPECT_TRUE(error.ok()) << error.description.toStdString();
    error = m_database->createTables(schema());
    EXPECT_TRUE(error.ok()) << error.description.toStdString();
    const char* clientes[][3] = {{"Ana López", "2", "Conectado"},
                                 {"José Pérez", "1", "Vencido"},
                                 {"ANA MARÍA Ruiz", "3", "Conectado"},
                                 {"Luis O'Brien", "1", "Cortado"},
                                 {"Zoe 100% Díaz", "4", "Baja"}};
    for (const auto& c : clientes)
        exec(QStringLiteral("INSERT INTO Clientes (Nombre, Unidades, Situación, [Fecha de Alta], Activo) "
                            "VALUES (?, ?, ?, #01-15-2020#, True)"),
             {QString::fromUtf8(c[0]), QString::fromUtf8(c[1]).toInt(), QString::fromUtf8(c[2])});
    const char* cobros[][5] = {{"1", "2026-11-10", "150.5", "Renta", "1"},
                               {"1", "2026-12-10", "150.5", "Renta", "2"},
                               {"2", "2026-12-10", "80", "Reconexión", "3"},
                               {"2", "2026-12-10", "150.5", "Renta", "3"},
                               {"3", "2026-12-09", "20", "Cable", "4"}};
    for (const auto& c : cobros)
        exec(QStringLiteral(
                 "INSERT INTO Cobros (Cliente, Fecha, Monto, Concepto, Ticket) VALUES (?, ?, ?, ?, ?)"),
             {QString::fromUtf8(c[0]).toInt(), QDate::fromString(QString::fromUtf8(c[1]), Qt::ISODate),
              QString::fromUtf8(c[2]).toDouble(), QString::fromUtf8(c[3]), QString::fromUtf8(c[4]).toInt()});
    const char* parametros[][5] = {
        {"P", "2", "Renta (3-4 TV)", "", "200"}, {"P", "1", "Renta (1-2 TV)", "", "150"},
        {"LA", "1", "Gerente", "3", "clave"},    {"CDT", "1", "Tickets", "", "41"},
        {"!CSit", "0", "Situación", "@", ""},    {"!CSit", "1", "Conectado", "", ""}};
    for (const auto& p : parametros)
        exec(QStringLiteral(
                 "INSERT INTO Parametros (Clase, Secuen, Nombre, Clave, Contenido) VALUES (?, ?, ?, ?, ?)"),
             {QString::fromUtf8(p[0]), QString::fromUtf8(p[1]).toInt(), QString::fromUtf8(p[2]),
              QString::fromUtf8(p[3]), QString::fromUtf8(p[4])});
}

void TestDatabase::exec(const QString& jetSql, const QVariantList& values)
{
    const DbError error = m_database->execute(jetSql, values);
    ASSERT_TRUE(error.ok()) << error.number << " " << error.description.toStdString() << "\n"
                            << jetSql.toStdString();
}

std::unique_ptr<Recordset> TestDatabase::open(const QString& sql, RecordsetType type)
{
    DbError error;
    auto recordset = m_database->openRecordset(sql, type, error);
    EXPECT_TRUE(error.ok()) << error.number << " " << error.description.toStdString() << "\n"
                            << sql.toStdString();
    return recordset;
}

QString rowsOf(Recordset& recordset)
{
    QStringList lines;
    for (recordset.moveFirst(); !recordset.eof(); recordset.moveNext()) {
        QStringList values;
        for (int i = 0; i < recordset.fieldCount(); ++i) {
            const QVariant v = recordset.value(i);
            values.append(v.typeId() == QMetaType::QDate ? v.toDate().toString(Qt::ISODate) : v.toString());
        }
        lines.append(values.join(QLatin1Char('|')));
    }
    return lines.join(QLatin1Char('\n'));
}

QString TestDatabase::rows(const QString& sql)
{
    auto recordset = open(sql, RecordsetType::Snapshot);
    return recordset ? rowsOf(*recordset) : QStringLiteral("<error>");
}

} // namespace quelmar::db::testing
