#include "contractsdatabase.h"

#include "testtables.h"

#include <gtest/gtest.h>

namespace quelmar::engine::testing {

namespace {

namespace jettype = db::jettype;
using testsupport::field;

db::TableDef contracts()
{
    db::TableDef table;
    table.name = QStringLiteral("Contratos");
    db::FieldDef key = field(QStringLiteral("Clave"), jettype::Long, 4);
    key.autoNumber = true;
    table.fields = {
        key,
        field(QStringLiteral("Titular"), jettype::Text, 120),
        field(QStringLiteral("Fecha de Alta"), jettype::Date, 8),
        field(QStringLiteral("Hora de Visita"), jettype::Date, 8),
        field(QStringLiteral("Servicio"), jettype::Text, 10, QStringLiteral("\"!CServ\"")),
        field(QStringLiteral("Cliente"), jettype::Long, 4, QStringLiteral("!R/Clientes/Clave,Nombre/Nombre")),
        field(QStringLiteral("Activo"), jettype::Boolean, 1, QStringLiteral("True")),
        field(QStringLiteral("Unidades"), jettype::Byte, 1),
        field(QStringLiteral("Cantidad"), jettype::Integer, 2),
        field(QStringLiteral("Saldo"), jettype::Currency, 8),
        field(QStringLiteral("Factor"), jettype::Single, 4),
        field(QStringLiteral("Tasa"), jettype::Double, 8),
        field(QStringLiteral("Notas"), jettype::Memo),
    };
    return table;
}

} // namespace

ContractsDatabase::ContractsDatabase()
{
    db::DbError error;
    m_database = db::Database::create(m_dir.filePath(QStringLiteral("Oficina.mdb")), error);
    EXPECT_TRUE(error.ok()) << error.description.toStdString();
    error = m_database->createTables({contracts()});
    EXPECT_TRUE(error.ok()) << error.description.toStdString();
    error = m_database->execute(QStringLiteral("INSERT INTO Contratos (Titular, [Fecha de Alta], Unidades) "
                                               "VALUES ('Ana López', #12-10-2026#, 2)"));
    EXPECT_TRUE(error.ok()) << error.description.toStdString();
}

std::unique_ptr<db::Recordset> ContractsDatabase::open(const QString& sql)
{
    db::DbError error;
    auto recordset = m_database->openRecordset(sql, db::RecordsetType::Snapshot, error);
    EXPECT_TRUE(error.ok()) << error.number << " " << error.description.toStdString();
    return recordset;
}

} // namespace quelmar::engine::testing
