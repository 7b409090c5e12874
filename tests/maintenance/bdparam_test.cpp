// The parameters administration grids on a demonstration office: new rows take their class.
#include "engine/officefixture.h"

#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "maintenance/bdparam.h"

#include <QTableView>

namespace quelmar::maintenance {
namespace {

class BDParamTest : public engine::testing::EngineTest
{
protected:
    engine::GridModel& model() { return *engine::grid(session).model(); }

    // Types a row into the new row of the grid shown and leaves it.
    void addRow(const QStringList& texts)
    {
        const int row = static_cast<int>(model().recordCount());
        for (int column = 0; column < texts.size(); ++column)
            EXPECT_TRUE(model().setData(model().index(row, column), texts.at(column))) << column;
        engine::grid(session).setCurrent(0, 0);
    }
    QString count(const QString& condition)
    {
        return scalar(QStringLiteral("SELECT Count(*) FROM Parametros WHERE ") + condition).toString();
    }
};

TEST_F(BDParamTest, aNewCounterTakesItsClassWithoutBeingTyped)
{
    user.then([this](const WaitContext&) {
        EXPECT_EQ(engine::grid(session).caption(), QStringLiteral("Contador Documentos"));
        EXPECT_FALSE(model().flags(model().index(0, 2)) & Qt::ItemIsEditable); // Clase
        addRow({QStringLiteral("Recibos de instalación"), QStringLiteral("1")});
        press(QStringLiteral("&Termina"));
    });
    int flag = 0;
    BDParam(session, QStringLiteral("Doc"), flag);
    EXPECT_EQ(count(QStringLiteral("Clase = 'DOC' AND Nombre = 'Recibos de instalación'")),
              QStringLiteral("1"));
    EXPECT_FALSE(engine::grid(session).isShown());
}

TEST_F(BDParamTest, aClassifierChosenFromTheListGetsANewValue)
{
    user.then([](const WaitContext& context) {
        // The hidden classifier is not offered.
        ASSERT_FALSE(context.respond(QStringLiteral("choose"), QStringLiteral("\"Zonas de reparto\"")));
        ASSERT_TRUE(context.respond(QStringLiteral("choose"), QStringLiteral("\"Tipo de gasto\"")));
    });
    user.then([this](const WaitContext&) {
        EXPECT_EQ(engine::grid(session).caption(), QStringLiteral("Clasificadores de Tipo de gasto"));
        // The values only, without the classifier's heading.
        EXPECT_EQ(model().recordCount(), count(QStringLiteral("Clase = '!CGas' AND Clave IS NULL")).toInt());
        addRow({QStringLiteral("Viáticos")});
        press(QStringLiteral("&Termina"));
    });
    int flag = 0;
    BDParam(session, QStringLiteral("Clasifica"), flag);
    EXPECT_EQ(count(QStringLiteral("Clase = '!CGas' AND Nombre = 'Viáticos'")), QStringLiteral("1"));
    EXPECT_TRUE(
        transcript(QStringLiteral("list")).join(u'\n').contains(QStringLiteral("Elija Clasificador")));
}

} // namespace
} // namespace quelmar::maintenance
