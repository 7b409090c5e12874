// The subscriber chooser: the range of contracts an answer lists, and the search by letters of the name.
#include "office/choosesubscriber.h"

#include "shell/shellfixture.h"

#include "db/database.h"
#include "session/sessiondatabase.h"

#include <QDate>

#include <gtest/gtest.h>

namespace quelmar::office {
namespace {

TEST(ContractRangeTest, theAnswerGivesThirtyContractsFromTheNumberTyped)
{
    struct Case
    {
        const char* typed;
        const char* bounds;
    };
    for (const Case& c : {Case{"120", ">= 120 AND Contrato <= 150"}, Case{"", ">= 1 AND Contrato <= 30"},
                          Case{"0", ">= 1 AND Contrato <= 30"}, Case{"-5", ">= 1 AND Contrato <= 25"},
                          Case{"abc", ">= 1 AND Contrato <= 30"}, Case{" 77 ", ">= 77 AND Contrato <= 107"},
                          Case{"12a", ">= 12 AND Contrato <= 42"}}) {
        EXPECT_EQ(
            office::contractRangeStatement(QString::fromLatin1(c.typed)),
            QStringLiteral("SELECT Contrato, Nombre,Clave, Clase, Situación,Vencimiento FROM Suscriptores "
                           "WHERE Contrato ") +
                QString::fromLatin1(c.bounds))
            << c.typed;
    }
}

// Three subscribers in a database with the fields the chooser shows.
class ChooseSubscriberTest : public shelltest::ShellTest
{
protected:
    void SetUp() override
    {
        ShellTest::SetUp();
        using namespace db;
        const auto field = [](const QString& name, int type, int size = 0) {
            FieldDef def;
            def.name = name;
            def.type = type;
            def.size = size;
            return def;
        };
        createDatabase(QStringLiteral("Oficina.mdb"), {});
        {
            DbError error;
            auto database = Database::open(path(QStringLiteral("Oficina.mdb")), {}, error);
            ASSERT_TRUE(database) << error.description.toStdString();
            TableDef subscribers;
            subscribers.name = QStringLiteral("Suscriptores");
            subscribers.fields = {field(QStringLiteral("Clave"), jettype::Long),
                                  field(QStringLiteral("Nombre"), jettype::Text, 50),
                                  field(QStringLiteral("Calle"), jettype::Text, 50),
                                  field(QStringLiteral("Contrato"), jettype::Long),
                                  field(QStringLiteral("Colonia"), jettype::Text, 40),
                                  field(QStringLiteral("Clase"), jettype::Text, 10),
                                  field(QStringLiteral("Situación"), jettype::Text, 20),
                                  field(QStringLiteral("Vencimiento"), jettype::Date)};
            ASSERT_FALSE(database->createTables({subscribers}));
            const QString insert =
                QStringLiteral("INSERT INTO Suscriptores (Clave, Nombre, Calle, Contrato, Colonia, Clase, "
                               "Situación, Vencimiento) "
                               "VALUES (?, ?, 'Hidalgo 5', ?, 'Centro', 'Básico', 'Conectado', ?)");
            ASSERT_FALSE(
                database->execute(insert, {17, QStringLiteral("Diego Ruiz"), 301, QDate(2024, 5, 1)}));
            ASSERT_FALSE(
                database->execute(insert, {23, QStringLiteral("Ana O'Neill"), 302, QDate(2024, 6, 1)}));
            ASSERT_FALSE(database->execute(insert, {41, QStringLiteral("Ana Paz"), 303, QVariant()}));
        }
        ASSERT_FALSE(
            startup::openSessionDatabase(session, path(QStringLiteral("Oficina.mdb")), false, false));
    }
};

TEST_F(ChooseSubscriberTest, byNameLeavesTheKeyAndNameOfTheSubscriberChosen)
{
    struct Case
    {
        const char* what;
        QStringList answers; // how, letters of the name, then the choices
        QString key;
        QString name;
        int status;
    };
    const Case cases[] = {
        {"the first match",
         {QStringLiteral("N"), QStringLiteral("o'ne"), QStringLiteral("E")},
         QStringLiteral("23"),
         QStringLiteral("Ana O'Neill"),
         0},
        {"the next match",
         {QStringLiteral("N"), QStringLiteral("ana"), QStringLiteral("S"), QStringLiteral("E")},
         QStringLiteral("41"),
         QStringLiteral("Ana Paz"),
         0},
        {"nothing chosen",
         {QStringLiteral("N"), QStringLiteral("ana"), QStringLiteral("C")},
         QString(),
         QString(),
         1},
        {"no name typed", {QStringLiteral("N"), QString(), QStringLiteral("OK")}, QString(), QString(), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const QString& answer : c.answers)
            user.answer(answer);
        QString key = QStringLiteral("stale");
        QString name = QStringLiteral("stale");
        office::ChooseSubscriber(session, key, name);
        EXPECT_TRUE(user.steps.isEmpty());
        EXPECT_TRUE(user.refused.isEmpty()) << user.refused.join(QLatin1Char(',')).toStdString();
        EXPECT_EQ(key, c.key);
        EXPECT_EQ(name, c.name);
        EXPECT_EQ(session.codes.EngineStatus, c.status);
        user.steps.clear();
    }
    EXPECT_EQ(user.waits.value(1), QStringLiteral("Deme algo de Nombre"));
}

} // namespace
} // namespace quelmar::office
