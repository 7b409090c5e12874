#include "core/relationrules.h"

#include <gtest/gtest.h>

using namespace quelmar::relation;

namespace {

const RelationDef subscribers{QStringLiteral("Suscriptores"),
                              {QStringLiteral("Clave"), QStringLiteral("Nombre")},
                              QStringLiteral("Nombre")};

} // namespace

TEST(RelationRules, ReadsADefinitionAndIgnoresOneWithFewerThanThreeParts)
{
    const struct
    {
        const char* defaultValue;
        std::optional<RelationDef> expected;
    } cases[] = {
        {"!R/Suscriptores/Clave,Nombre/Nombre", subscribers},
        {"\"!R/Suscriptores/Clave,Nombre/Nombre\"", subscribers},
        {"!R/Suscriptores/Clave, Nombre/Nombre/", subscribers},
        {"!R/Técnicos/Clave,Nombre,Teléfono",
         RelationDef{QStringLiteral("Técnicos"),
                     {QStringLiteral("Clave"), QStringLiteral("Nombre"), QStringLiteral("Teléfono")},
                     QString()}},
        {"!R/Suscriptores WHERE Situación = 'Conectado'/Clave,Nombre",
         RelationDef{QStringLiteral("Suscriptores WHERE Situación = 'Conectado'"),
                     {QStringLiteral("Clave"), QStringLiteral("Nombre")},
                     QString()}},
        {"!R/Suscriptores", std::nullopt},
        {"!R/Suscriptores/", std::nullopt},
        {"!R", std::nullopt},
        {"\"!CGas\"", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseRelation(QString::fromUtf8(c.defaultValue)), c.expected) << c.defaultValue;
}

TEST(RelationRules, TakesTheKeyOfAFieldOnlyWhenItIsANumberOtherThanZero)
{
    const struct
    {
        const char* text;
        std::optional<QString> expected;
    } cases[] = {
        {"12", QStringLiteral("12")},
        {" 12 ", QStringLiteral("12")},
        {"12 · Juan Pérez", QStringLiteral("12")},
        {"007", QStringLiteral("7")},
        {"0", std::nullopt},
        {"", std::nullopt},
        {"abc", std::nullopt},
        {"12 OR 1=1", std::nullopt},
        {"1;DROP", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(relationKey(QString::fromUtf8(c.text)), c.expected) << c.text;
}

TEST(RelationRules, BuildsAndStripsTheShownValue)
{
    // Shown value: key, " · ", the descriptions separated by blanks; the key alone without any.
    EXPECT_EQ(shownValue(QStringLiteral("12"), {QStringLiteral("Juan Pérez")}),
              QStringLiteral("12 · Juan Pérez"));
    EXPECT_EQ(shownValue(QStringLiteral("3"), {QStringLiteral("Ana"), QStringLiteral("555-1234")}),
              QStringLiteral("3 · Ana 555-1234"));
    EXPECT_EQ(shownValue(QStringLiteral("12"), {}), QStringLiteral("12"));
    EXPECT_EQ(shownValue(QStringLiteral("12"), {QString(), QStringLiteral("  ")}), QStringLiteral("12"));

    const struct
    {
        const char* text;
        const char* expected;
    } cases[] = {
        {"12 · Juan Pérez", "12"},
        {"7 · Bar · Café del Centro", "7"}, // a description holding "·" is not cut inside
        {"12345 · Tienda «La · Esquina»", "12345"},
        {"12·Juan", "12"},
        {"12", "12"},
        {"", ""},
        {"· 12", "· 12"}, // no "·" beyond the second character
        {" 12  · Juan", "12"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(strippedValue(QString::fromUtf8(c.text)), QString::fromUtf8(c.expected)) << c.text;

    // What is shown comes back to the key, whatever the description holds.
    for (const char* description : {"Juan", "A · B · C", "··", "x ·"})
        EXPECT_EQ(strippedValue(shownValue(QStringLiteral("45"), {QString::fromUtf8(description)})),
                  QStringLiteral("45"))
            << description;
}

TEST(RelationRules, ReadsTheDescriptionWithOneKeyedStatement)
{
    const struct
    {
        RelationDef relation;
        const char* expected;
    } cases[] = {
        {subscribers, "Select Nombre FROM Suscriptores WHERE Clave = 12"},
        {RelationDef{QStringLiteral("Técnicos"),
                     {QStringLiteral("Clave"), QStringLiteral("Nombre"), QStringLiteral("Teléfono")},
                     QString()},
         "Select Nombre,Teléfono FROM Técnicos WHERE Clave = 12"},
        {RelationDef{QStringLiteral("Suscriptores WHERE Situación = 'Conectado'"),
                     {QStringLiteral("Clave"), QStringLiteral("Nombre")},
                     QString()},
         "Select Nombre FROM Suscriptores WHERE Situación = 'Conectado' AND Clave = 12"},
        {RelationDef{QStringLiteral("Suscriptores"), {QStringLiteral("Clave")}, QString()}, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(descriptionStatement(c.relation, QStringLiteral("12")), QString::fromUtf8(c.expected))
            << c.expected;
}

TEST(RelationRules, BuildsThePickStatementWithItsConditionAndOrder)
{
    const RelationDef conditioned{QStringLiteral("Suscriptores WHERE Situación = 'Conectado'"),
                                  {QStringLiteral("Clave"), QStringLiteral("Nombre")},
                                  QString()};
    const RelationDef keyOnly{QStringLiteral("Técnicos"), {QStringLiteral("Clave")}, QString()};
    const RelationDef twoDescriptions{
        QStringLiteral("Técnicos"),
        {QStringLiteral("Clave"), QStringLiteral("Nombre"), QStringLiteral("Zona")},
        QString()};
    const struct
    {
        RelationDef relation;
        const char* restriction;
        PickStatement expected;
    } cases[] = {
        {subscribers, "", {QStringLiteral("SELECT Clave,Nombre FROM Suscriptores Order by Nombre"), true}},
        {RelationDef{QStringLiteral("Suscriptores"),
                     {QStringLiteral("Clave"), QStringLiteral("Nombre")},
                     QStringLiteral("Contrato DESC")},
         "",
         {QStringLiteral("SELECT Clave,Nombre FROM Suscriptores Order by Contrato DESC"), true}},
        {twoDescriptions,
         "",
         {QStringLiteral("SELECT Clave,Nombre,Zona FROM Técnicos Order by Nombre,Zona"), true}},
        {keyOnly, "", {QStringLiteral("SELECT Clave FROM Técnicos"), false}},
        {subscribers,
         "Zona = 'Norte'",
         {QStringLiteral("SELECT Clave,Nombre FROM Suscriptores WHERE Zona = 'Norte' Order by Nombre"),
          true}},
        {conditioned,
         "",
         {QStringLiteral(
              "SELECT Clave,Nombre FROM Suscriptores WHERE Situación = 'Conectado' Order by Nombre"),
          true}},
        {conditioned,
         "Zona = 'Norte'",
         {QStringLiteral(
              "SELECT Clave,Nombre FROM Suscriptores WHERE Situación = 'Conectado' AND Zona = 'Norte' "
              "Order by Nombre"),
          true}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pickStatement(c.relation, QString::fromUtf8(c.restriction)).statement,
                  c.expected.statement);
    for (const auto& c : cases)
        EXPECT_EQ(pickStatement(c.relation, QString::fromUtf8(c.restriction)).ordered, c.expected.ordered)
            << c.expected.statement.toStdString();
    EXPECT_EQ(pickTitle(true, QStringLiteral("Cliente")),
              QStringLiteral("Define Cliente, con doble toque en Fila"));
    EXPECT_EQ(pickTitle(false, QStringLiteral("Cliente")),
              QStringLiteral("Cambia Cliente, con doble toque en Fila"));
}
