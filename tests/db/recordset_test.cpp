#include "testdatabase.h"

#include "core/clock.h"

#include <gtest/gtest.h>

using namespace quelmar::db;
using quelmar::db::testing::rowsOf;
using quelmar::db::testing::TestDatabase;

namespace {

QStringList names(Recordset& rows)
{
    QStringList result;
    for (int i = 0; i < rows.fieldCount(); ++i)
        result.append(rows.field(i).name);
    return result;
}

} // namespace

TEST(RecordsetNavigation, MovesLikeTheEngineAndCountsExactly)
{
    TestDatabase fixture;
    for (RecordsetType type : {RecordsetType::Dynaset, RecordsetType::Snapshot}) {
        auto rows = fixture.open(QStringLiteral("SELECT Nombre FROM Clientes ORDER BY Nombre"), type);
        EXPECT_EQ(rows->recordCount(), 5);
        EXPECT_FALSE(rows->bof());
        EXPECT_EQ(rows->value(0).toString(), QStringLiteral("Ana López")); // ordering ignores case
        rows->moveNext();
        EXPECT_EQ(rows->value(0).toString(), QStringLiteral("ANA MARÍA Ruiz"));
        rows->moveLast();
        EXPECT_EQ(rows->absolutePosition(), 4);
        rows->moveNext();
        EXPECT_TRUE(rows->eof());
        rows->moveNext();
        EXPECT_EQ(rows->lastError().number, jeterror::NoCurrentRecord);
        rows->movePrevious();
        EXPECT_EQ(rows->value(0).toString(), QStringLiteral("Zoe 100% Díaz"));
        rows->moveFirst();
        rows->movePrevious();
        EXPECT_TRUE(rows->bof());
        EXPECT_TRUE(rows->setAbsolutePosition(2));
        EXPECT_EQ(rows->value(QStringLiteral("nombre")).toString(), QStringLiteral("José Pérez"));
        EXPECT_FALSE(rows->setAbsolutePosition(5));
    }
    auto none =
        fixture.open(QStringLiteral("SELECT * FROM Clientes WHERE Clave = 0"), RecordsetType::Dynaset);
    EXPECT_TRUE(none->bof());
    EXPECT_TRUE(none->eof());
    EXPECT_EQ(none->recordCount(), 0);
}

TEST(RecordsetFields, DescribeTheirOriginsTypesAndAliases)
{
    TestDatabase fixture;
    auto rows =
        fixture.open(QStringLiteral("SELECT Clientes.Nombre, Clave as Nivel, [Fecha de Alta], Situación, "
                                    "Unidades * 2, Cobros.Cliente FROM Clientes INNER JOIN Cobros ON "
                                    "Clientes.Clave = Cobros.Cliente"),
                     RecordsetType::Dynaset);
    EXPECT_EQ(names(*rows), (QStringList{QStringLiteral("Nombre"), QStringLiteral("Nivel"),
                                         QStringLiteral("Fecha de Alta"), QStringLiteral("Situación"),
                                         QStringLiteral("Expr1000"), QStringLiteral("Cliente")}));
    EXPECT_EQ(rows->field(1).sourceField, QStringLiteral("Clave"));
    EXPECT_EQ(rows->field(2).type(), jettype::Date);
    EXPECT_EQ(rows->field(3).typeCode(), jettype::Classifier);
    EXPECT_EQ(rows->field(5).typeCode(), jettype::Relation);
    EXPECT_TRUE(rows->field(0).writable);
    EXPECT_FALSE(rows->field(4).writable);
    EXPECT_EQ(rows->value(2).toDate(), QDate(2020, 1, 15));
    EXPECT_EQ(rows->fieldIndex(QStringLiteral("Clientes.[Fecha de Alta]")), 2);
    EXPECT_EQ(rows->fieldIndex(QStringLiteral("Cobros.Cliente")), 5);
    EXPECT_EQ(rows->fieldIndex(QStringLiteral("Clientes.Clave")), 1);
    EXPECT_EQ(rows->fieldIndex(QStringLiteral("Inexistente")), -1);
}

TEST(RecordsetFind, FindsWithTheSystemsCriteriaInEveryDirection)
{
    TestDatabase fixture;
    for (RecordsetType type : {RecordsetType::Dynaset, RecordsetType::Snapshot}) {
        auto rows = fixture.open(QStringLiteral("SELECT Nombre, Clave FROM Clientes ORDER BY Clave"), type);
        const QString ana = QStringLiteral("Nombre like '*ana*'");
        EXPECT_TRUE(rows->findFirst(ana));
        EXPECT_EQ(rows->value(1).toLongLong(), 1);
        EXPECT_TRUE(rows->findNext(ana));
        EXPECT_EQ(rows->value(1).toLongLong(), 3);
        EXPECT_FALSE(rows->findNext(ana));
        EXPECT_TRUE(rows->noMatch());
        EXPECT_EQ(rows->value(1).toLongLong(), 3); // stays where it was
        EXPECT_TRUE(rows->findPrevious(ana));
        EXPECT_EQ(rows->value(1).toLongLong(), 1);
        EXPECT_TRUE(rows->findLast(QStringLiteral("Clave < 5")));
        EXPECT_EQ(rows->value(1).toLongLong(), 4);
        // A literal % or an apostrophe in the value stays literal.
        EXPECT_TRUE(rows->findFirst(QStringLiteral("Nombre like '*100%*'")));
        EXPECT_EQ(rows->value(1).toLongLong(), 5);
        EXPECT_FALSE(rows->findFirst(QStringLiteral("Nombre like '*1000*'")));
        EXPECT_TRUE(rows->findFirst(QStringLiteral("Nombre like '*o''b*'")));
        EXPECT_EQ(rows->value(1).toLongLong(), 4);
        EXPECT_FALSE(rows->findFirst(QStringLiteral("Nombre like '*(")));
        EXPECT_EQ(rows->lastError().number, jeterror::TooFewParameters);
    }
}

TEST(RecordsetEdit, AddsNewRowsWithRealDefaultsOnly)
{
    quelmar::Clock::setToday(QDate(2026, 12, 10));
    TestDatabase fixture;
    auto rows = fixture.open(
        QStringLiteral("SELECT Nombre, Unidades, Situación, [Fecha de Alta], Activo FROM Clientes"),
        RecordsetType::Dynaset);
    ASSERT_TRUE(rows->isUpdatable());
    ASSERT_TRUE(rows->addNew().ok());
    EXPECT_EQ(rows->value(1).toLongLong(), 1);
    EXPECT_FALSE(rows->value(2).isValid()); // a classifier marker is not a value
    EXPECT_EQ(rows->value(3).toDate(), QDate(2026, 12, 10));
    EXPECT_EQ(rows->value(4).toBool(), true);
    ASSERT_TRUE(rows->setValue(QStringLiteral("Nombre"), QStringLiteral("Nueva Persona")).ok());
    ASSERT_TRUE(rows->update().ok()) << rows->lastError().description.toStdString();
    EXPECT_EQ(rows->value(0).toString(), QStringLiteral("Nueva Persona"));
    EXPECT_EQ(rows->recordCount(), 6);
    EXPECT_EQ(fixture.rows(QStringLiteral(
                  "SELECT Clave, Situación, [Fecha de Alta] FROM Clientes WHERE Nombre = 'Nueva Persona'")),
              QStringLiteral("6||2026-12-10"));
    quelmar::Clock::setToday({});
}

TEST(RecordsetEdit, NewRowsTakeTheDefaultsOfTheFieldsTheStatementLeavesOut)
{
    quelmar::Clock::setToday(QDate(2026, 12, 10));
    TestDatabase fixture;
    // The date of registration is not among the fields captured: the engine still gives it its Date().
    auto rows = fixture.open(QStringLiteral("SELECT Nombre FROM Clientes"), RecordsetType::Dynaset);
    ASSERT_TRUE(rows->addNew().ok());
    ASSERT_TRUE(rows->setValue(0, QStringLiteral("Sin Fecha")).ok());
    ASSERT_TRUE(rows->update().ok()) << rows->lastError().description.toStdString();
    EXPECT_EQ(fixture.rows(QStringLiteral(
                  "SELECT Unidades, [Fecha de Alta], Activo FROM Clientes WHERE Nombre = 'Sin Fecha'")),
              QStringLiteral("1|2026-12-10|true"));
    // A field the statement has keeps what the row was given, even an empty value over its default.
    auto captured =
        fixture.open(QStringLiteral("SELECT Nombre, [Fecha de Alta] FROM Clientes"), RecordsetType::Dynaset);
    ASSERT_TRUE(captured->addNew().ok());
    ASSERT_TRUE(captured->setValue(0, QStringLiteral("Fecha Vacía")).ok());
    ASSERT_TRUE(captured->setValue(1, QVariant()).ok());
    ASSERT_TRUE(captured->update().ok()) << captured->lastError().description.toStdString();
    EXPECT_EQ(
        fixture.rows(QStringLiteral("SELECT [Fecha de Alta] FROM Clientes WHERE Nombre = 'Fecha Vacía'")),
        QString());
    // A catalogue without the default (an office made before it had one) adds rows as before.
    fixture.exec(QStringLiteral("UPDATE MSysFields SET DefaultValue = '' WHERE TableName = 'Clientes' AND "
                                "FieldName = 'Fecha de Alta'"));
    fixture.db().reloadCatalogue();
    auto older = fixture.open(QStringLiteral("SELECT Nombre FROM Clientes"), RecordsetType::Dynaset);
    ASSERT_TRUE(older->addNew().ok());
    ASSERT_TRUE(older->setValue(0, QStringLiteral("Oficina Antigua")).ok());
    ASSERT_TRUE(older->update().ok()) << older->lastError().description.toStdString();
    EXPECT_EQ(
        fixture.rows(QStringLiteral("SELECT Count(*) FROM Clientes WHERE Nombre = 'Oficina Antigua' AND "
                                    "[Fecha de Alta] Is Null")),
        QStringLiteral("1"));
    quelmar::Clock::setToday({});
}

TEST(RecordsetEdit, RefusesBadValuesWithTheEngineErrorAndWritesNothing)
{
    TestDatabase fixture;
    auto rows =
        fixture.open(QStringLiteral("SELECT Nombre, Unidades, [Fecha de Alta] FROM Clientes ORDER BY Clave"),
                     RecordsetType::Dynaset);
    ASSERT_TRUE(rows->edit().ok());
    const DbError conversion = rows->setValue(1, QStringLiteral("muchas"));
    EXPECT_EQ(conversion.number, jeterror::DataTypeConversion);
    // The description names the field, so that the message built from it says which one to correct.
    EXPECT_TRUE(conversion.description.contains(QStringLiteral("'Unidades'")))
        << conversion.description.toStdString();
    EXPECT_EQ(rows->setValue(1, 40000).number, jeterror::DataTypeConversion);
    EXPECT_EQ(rows->setValue(2, QStringLiteral("31-02-99")).number, jeterror::DataTypeConversion);
    ASSERT_TRUE(rows->setValue(2, QStringLiteral("10-Dic-2026")).ok());
    EXPECT_EQ(rows->value(2).toDate(), QDate(2026, 12, 10));

    const struct
    {
        int field;
        QVariant value;
        int number;
        const char* inDescription;
    } cases[] = {
        {1, 51, jeterror::ValidationRuleViolated, "Las unidades van de 1 a 50"},
        {0, QVariant(), jeterror::RequiredFieldNull, "'Clientes.Nombre'"},
        {0, QString(), jeterror::ZeroLengthString, "'Clientes.Nombre'"},
        {0, QString(41, QLatin1Char('x')), 3163, "too small"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(rows->edit().ok());
        ASSERT_TRUE(rows->setValue(c.field, c.value).ok());
        const DbError error = rows->update();
        EXPECT_EQ(error.number, c.number);
        EXPECT_TRUE(error.description.contains(QString::fromUtf8(c.inDescription)))
            << error.description.toStdString();
        rows->cancelUpdate();
    }
    EXPECT_EQ(fixture.rows(
                  QStringLiteral("SELECT Nombre, Unidades, [Fecha de Alta] FROM Clientes WHERE Clave = 1")),
              QStringLiteral("Ana López|2|2020-01-15"));
}

TEST(RecordsetEdit, WritesThroughAliasesAndJoinsToTheOriginColumns)
{
    TestDatabase fixture;
    auto rows =
        fixture.open(QStringLiteral("Select Nombre, Clave as Nivel, Contenido as [Clave Acceso], Clase From "
                                    "Parametros WHERE Clase = 'LA' "),
                     RecordsetType::Dynaset);
    ASSERT_TRUE(rows->edit().ok());
    rows->setValue(QStringLiteral("Nivel"), QStringLiteral("2"));
    rows->setValue(QStringLiteral("Clave Acceso"), QStringLiteral("nueva"));
    ASSERT_TRUE(rows->update().ok()) << rows->lastError().description.toStdString();
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Clave, Contenido FROM Parametros WHERE Clase = 'LA'")),
              QStringLiteral("2|nueva"));

    auto joined =
        fixture.open(QStringLiteral("SELECT Clientes.Nombre, Cobros.Monto FROM Clientes INNER JOIN Cobros ON "
                                    "Clientes.Clave = Cobros.Cliente WHERE Cobros.Ticket = 4"),
                     RecordsetType::Dynaset);
    ASSERT_TRUE(joined->edit().ok());
    joined->setValue(0, QStringLiteral("Ana María Ruiz"));
    joined->setValue(1, QStringLiteral("$1,234.50"));
    ASSERT_TRUE(joined->update().ok()) << joined->lastError().description.toStdString();
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Clientes.Nombre, Cobros.Monto FROM Clientes, Cobros WHERE "
                                          "Clientes.Clave = Cobros.Cliente AND Ticket = 4")),
              QStringLiteral("Ana María Ruiz|1234.5"));
}

TEST(RecordsetEdit, NoticesChangesAndDeletionsByOthers)
{
    TestDatabase fixture;
    DbError error;
    auto other = Database::open(fixture.path(), {}, error);
    auto rows =
        fixture.open(QStringLiteral("SELECT Nombre FROM Clientes ORDER BY Clave"), RecordsetType::Dynaset);

    ASSERT_TRUE(rows->edit().ok());
    other->execute(QStringLiteral("UPDATE Clientes SET Nombre = 'Cambiado' WHERE Clave = 1"));
    rows->setValue(0, QStringLiteral("Mío"));
    EXPECT_EQ(rows->update().number, jeterror::ConcurrentChange);
    rows->cancelUpdate();
    EXPECT_EQ(rows->value(0).toString(), QStringLiteral("Cambiado"));

    rows->moveNext();
    other->execute(QStringLiteral("DELETE FROM Clientes WHERE Clave = 2"));
    EXPECT_EQ(rows->edit().number, jeterror::RecordDeleted);
}

TEST(RecordsetEdit, DeletesAndMovesOnToTheFollowingRow)
{
    TestDatabase fixture;
    auto rows =
        fixture.open(QStringLiteral("SELECT Clave FROM Clientes ORDER BY Clave"), RecordsetType::Dynaset);
    rows->moveNext();
    ASSERT_TRUE(rows->remove().ok());
    EXPECT_EQ(rows->absolutePosition(), -1);
    rows->moveNext();
    EXPECT_EQ(rows->value(0).toLongLong(), 3);
    rows->movePrevious();
    EXPECT_EQ(rows->value(0).toLongLong(), 1);
    EXPECT_EQ(rows->recordCount(), 4);
    EXPECT_EQ(fixture.rows(QStringLiteral("SELECT Count(*) FROM Clientes")), QStringLiteral("4"));
}

TEST(RecordsetEdit, SnapshotsAndTotalsAreReadOnly)
{
    TestDatabase fixture;
    auto snapshot = fixture.open(QStringLiteral("SELECT Nombre FROM Clientes"), RecordsetType::Snapshot);
    EXPECT_FALSE(snapshot->isUpdatable());
    EXPECT_EQ(snapshot->edit().number, jeterror::ReadOnly);
    auto totals =
        fixture.open(QStringLiteral("SELECT Cliente, Sum(Monto) AS Total FROM Cobros GROUP BY Cliente"),
                     RecordsetType::Dynaset);
    EXPECT_FALSE(totals->isUpdatable());
    EXPECT_EQ(rowsOf(*totals), QStringLiteral("1|301\n2|230.5\n3|20"));
    EXPECT_EQ(totals->field(1).type(), jettype::Double);
}

TEST(RecordsetTable, SeeksOnTheIndexInItsOrder)
{
    TestDatabase fixture;
    DbError error;
    auto table = fixture.db().openTable(QStringLiteral("Parametros"), QStringLiteral("Clase"), error);
    ASSERT_TRUE(table) << error.description.toStdString();
    EXPECT_EQ(table->index(), QStringLiteral("Clase"));
    EXPECT_TRUE(table->seek(QStringLiteral("="), {QStringLiteral("p")}));
    EXPECT_EQ(table->value(QStringLiteral("Nombre")).toString(), QStringLiteral("Renta (1-2 TV)"));
    table->moveNext();
    EXPECT_EQ(table->value(QStringLiteral("Nombre")).toString(), QStringLiteral("Renta (3-4 TV)"));
    table->moveNext();
    EXPECT_TRUE(table->eof());
    EXPECT_FALSE(table->seek(QStringLiteral("="), {QStringLiteral("X")}));
    EXPECT_TRUE(table->noMatch());
    EXPECT_TRUE(table->seek(QStringLiteral(">="), {QStringLiteral("M")}));
    EXPECT_EQ(table->value(QStringLiteral("Clase")).toString(), QStringLiteral("P"));
    EXPECT_TRUE(table->seek(QStringLiteral("<"), {QStringLiteral("CDT")}));
    EXPECT_EQ(table->value(QStringLiteral("Clase")).toString(), QStringLiteral("!CSit"));
    EXPECT_EQ(table->value(QStringLiteral("Secuen")).toLongLong(), 1);

    auto dynaset = fixture.open(QStringLiteral("SELECT * FROM Parametros"), RecordsetType::Dynaset);
    EXPECT_FALSE(dynaset->seek(QStringLiteral("="), {QStringLiteral("P")}));
    EXPECT_EQ(dynaset->lastError().number, jeterror::OperationNotSupported);
}

TEST(RecordsetCrosstab, ColumnsInTheEnginesOrderWithANullColumn)
{
    TestDatabase fixture;
    fixture.exec(
        QStringLiteral("INSERT INTO Cobros (Cliente, Fecha, Monto, Ticket) VALUES (3, #12-10-2026#, 5, 7)"));
    auto rows = fixture.open(
        QStringLiteral("TRANSFORM Sum(Cobros.Monto) AS Suma SELECT Cobros.Fecha, Count(*) AS Total "
                       "FROM Cobros GROUP BY Cobros.Fecha PIVOT Cobros.Concepto"),
        RecordsetType::Snapshot);
    EXPECT_EQ(names(*rows),
              (QStringList{QStringLiteral("Fecha"), QStringLiteral("Total"), QStringLiteral("<>"),
                           QStringLiteral("Cable"), QStringLiteral("Reconexión"), QStringLiteral("Renta")}));
    EXPECT_EQ(rowsOf(*rows), QStringLiteral("2026-11-10|1||||150.5\n"
                                            "2026-12-09|1||20||\n"
                                            "2026-12-10|4|5||80|301"));
}

TEST(RecordsetScale, LongStatementsAreSteppedThroughWithoutKeepingThemWhole)
{
    TestDatabase fixture;
    {
        Transaction transaction(fixture.db());
        DbError error;
        auto insert = fixture.db().prepare(
            QStringLiteral("INSERT INTO Cobros (Cliente, Monto, Concepto, Ticket) VALUES (1, ?, 'Serie', ?)"),
            error);
        ASSERT_TRUE(insert) << error.description.toStdString();
        for (int i = 1; i <= 40000; ++i)
            ASSERT_TRUE(insert->run({i, i + 100}).ok());
        ASSERT_TRUE(transaction.commit().ok());
    }
    auto rows =
        fixture.open(QStringLiteral("SELECT DISTINCT Ticket FROM Cobros WHERE Ticket > 100 ORDER BY Ticket"),
                     RecordsetType::Snapshot);
    EXPECT_EQ(rows->recordCount(), 40000);
    rows->moveLast();
    EXPECT_EQ(rows->value(0).toLongLong(), 40100);
    EXPECT_TRUE(rows->setAbsolutePosition(5));
    EXPECT_EQ(rows->value(0).toLongLong(), 106);
    EXPECT_TRUE(rows->findFirst(QStringLiteral("Ticket = 30000")));
    EXPECT_EQ(rows->absolutePosition(), 29899);

    auto keyed =
        fixture.open(QStringLiteral("SELECT Ticket FROM Cobros WHERE Concepto = 'serie' ORDER BY Monto DESC"),
                     RecordsetType::Dynaset);
    EXPECT_EQ(keyed->recordCount(), 40000);
    EXPECT_EQ(keyed->value(0).toLongLong(), 40100);
    EXPECT_TRUE(keyed->findFirst(QStringLiteral("Ticket = 101")));
    EXPECT_EQ(keyed->absolutePosition(), 39999);
}
