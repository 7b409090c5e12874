// The statements and titles of the steps of relation following.
#include "query/arrel.h"

#include <gtest/gtest.h>

namespace quelmar::query {
namespace {

TEST(ArRelSteps, aStepReadsTheTableWithItsKeyLastAndNoRelationFieldLeftOut)
{
    const struct
    {
        const char* fields;
        bool hasKey;
        const char* table;
        const char* expected;
    } cases[] = {
        // The complaint's first field is its subscriber: it stays, the key goes last.
        {"Cliente,Descripción,Recibida,Clave,Técnico", true, "Quejas",
         "SELECT Cliente,Descripción,Recibida,Técnico,Clave FROM Quejas"},
        {"Clave,Nombre,Teléfono,Zona,Jefe", true, "Técnicos",
         "SELECT Nombre,Teléfono,Zona,Jefe,Clave FROM Técnicos"},
        // A table without a key of its own is read without one.
        {"Suscriptor,Fecha,Cantidad,Concepto", false, "Pagos",
         "SELECT Suscriptor,Fecha,Cantidad,Concepto FROM Pagos"},
        {"Suscriptor,[Situación Anterior],Fecha", false, "Situación",
         "SELECT Suscriptor,[Situación Anterior],Fecha FROM Situación"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(arrel::stepStatement(QString::fromUtf8(c.fields), c.hasKey, QString::fromUtf8(c.table)),
                  QString::fromUtf8(c.expected))
            << c.expected;
}

TEST(ArRelSteps, aLaterStepIsTitledByTheRelatedTableAndTheStepLeft)
{
    EXPECT_EQ(arrel::stepTitle(QStringLiteral("Suscriptores"), false, QStringLiteral("Quejas"),
                               QStringLiteral("17")),
              QStringLiteral("Suscriptores de Quejas-17"));
    EXPECT_EQ(arrel::stepTitle(QStringLiteral("Técnicos"), true, QStringLiteral("Técnicos"),
                               QStringLiteral("Luis Hernández Cruz")),
              QStringLiteral("Técnicos - Técnicos-Luis Hernández Cruz"));
    EXPECT_EQ(arrel::tableOnly(QStringLiteral("Suscriptores WHERE Situación = 'Conectado'")),
              QStringLiteral("Suscriptores"));
    EXPECT_EQ(arrel::tableOnly(QStringLiteral(" Técnicos ")), QStringLiteral("Técnicos"));
}

} // namespace
} // namespace quelmar::query
