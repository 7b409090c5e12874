// The wizard on a small payments database, answered by a stand-in user: what it does to the grid when the
// database refuses the rewritten statement, when it is cancelled and when the statement names no table; and
// the structure lists it reads its fields from.
#include "query/presaut.h"
#include "query/structurelists.h"

#include "actinguser.h"
#include "screenoffice.h"
#include "testtables.h"

#include "db/database.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/gridmodel.h"
#include "engine/gridrules.h"
#include "engine/gridview.h"
#include "panels/mainform.h"
#include "query/queryservices.h"
#include "session/errorlog.h"
#include "session/session.h"

#include <QApplication>
#include <QFile>
#include <QKeyEvent>

#include <gtest/gtest.h>

namespace quelmar::query {
namespace {

namespace jettype = db::jettype;
using testsupport::field;

QList<db::TableDef> schema()
{
    db::TableDef pagos;
    pagos.name = QStringLiteral("Pagos");
    pagos.fields = {field(QStringLiteral("Clave"), jettype::Long),
                    field(QStringLiteral("Nombre"), jettype::Text, 40),
                    field(QStringLiteral("Importe"), jettype::Currency)};
    return {pagos, testsupport::parametersTable()};
}

class WizardTest : public testsupport::ScreenOfficeTest
{
protected:
    void SetUp() override
    {
        session.engine.services = std::make_shared<QueryServices>();
        ASSERT_NO_FATAL_FAILURE(openOffice(schema(), [](db::Database& office) {
            for (int i = 1; i <= 6; ++i)
                EXPECT_FALSE(office.execute(
                    QStringLiteral("INSERT INTO Pagos (Clave, Nombre, Importe) VALUES (?, ?, ?)"),
                    {i, QStringLiteral("Cliente %1").arg(i), i * 10}));
        }));
    }

    // Shows the statement in a presentation grid whose command (1 Selecciona, 2 Ordena, 3 Original) the user
    // takes first; then the steps the test gave, and "&Termina".
    void presentWith(const QString& statement, const QList<int>& commands, const std::function<void()>& steps)
    {
        for (int command : commands) {
            user.then([this, command](const WaitContext&) {
                session.codes.TableCommand = engine::FirstGridCommand + command;
            });
            steps();
        }
        user.then([this](const WaitContext&) { session.codes.CommandCode = -1; });
        session.transcript.mark();
        engine::BDats(session, QStringLiteral("TabPre"), 2, QStringLiteral("Pagos"), statement);
        EXPECT_TRUE(user.actions.isEmpty()) << user.waits.join(u'\n').toStdString();
        EXPECT_TRUE(user.refused.isEmpty()) << user.refused.join(u',').toStdString();
    }

    void choose(const QString& entry)
    {
        user.then([this, entry](const WaitContext& context) {
            if (!context.respond || !context.respond(QStringLiteral("choose"), u'"' + entry + u'"'))
                user.refused.append(entry);
        });
    }

    engine::GridView& grid() { return engine::grid(session); }
};

TEST_F(WizardTest, aStatementTheDatabaseRefusesLeavesTheGridAsItWas)
{
    // The alias hides the table's name, which the wizard's condition uses.
    const QString statement = QStringLiteral("SELECT P.Nombre, P.Importe FROM Pagos AS P");
    presentWith(statement, {1}, [this] {
        choose(QStringLiteral("Importe"));
        choose(QStringLiteral("Mayor"));
        user.answer(QStringLiteral("30"));
        user.answer(QStringLiteral("Acepta"));
        user.answer(QStringLiteral("No"));
        user.answer(QStringLiteral("OK"));
    });
    ASSERT_NE(grid().recordset(), nullptr);
    EXPECT_EQ(grid().recordset()->sql(), statement);
    EXPECT_EQ(grid().model()->rowCount(), 6);
    const QString shown = session.transcript.sinceMark();
    EXPECT_TRUE(shown.contains(QStringLiteral("no aceptó la selección"))) << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("no such"), Qt::CaseInsensitive)) << shown.toStdString();
    QFile log(session.shell.WorkingFolder.filePath(maintenance::errorLogName(session.shell.AppName)));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains(QStringLiteral("Pagos.Importe")));
}

TEST_F(WizardTest, cancelAtAnyStepChangesNothing)
{
    const QString statement = QStringLiteral("SELECT Nombre, Importe FROM Pagos");
    using Steps = std::function<void()>;
    const QList<Steps> cancellations = {
        // ESC on the list of fields.
        [this] {
            user.then([](const WaitContext& context) {
                QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
                QApplication::sendEvent(context.widget, &escape);
            });
        },
        [this] {
            choose(QStringLiteral("Importe"));
            choose(QStringLiteral("Igual"));
            user.answer(QStringLiteral("20"));
            user.answer(QStringLiteral("Cancela"));
        },
        [this] {
            choose(QStringLiteral("Importe"));
            choose(QStringLiteral("Igual"));
            user.answer(QStringLiteral("20"));
            user.answer(QStringLiteral("Acepta"));
            user.answer(QStringLiteral("Yes"));
            choose(QStringLiteral("Nombre"));
            user.answer(QStringLiteral("Cancela"));
        },
    };
    for (qsizetype i = 0; i < cancellations.size(); ++i) {
        presentWith(statement, {1}, cancellations.at(i));
        EXPECT_EQ(grid().recordset()->sql(), statement) << i;
        EXPECT_EQ(grid().model()->rowCount(), 6) << i;
    }
}

TEST_F(WizardTest, aStatementWithoutAKnownTableReturnsAtOnce)
{
    // No user actions: a wait would throw.
    QString given = QStringLiteral("SELECT 1 AS Uno FROM Tarifas");
    EXPECT_NO_THROW(
        PresAut(session, QStringLiteral("Orden"), QStringLiteral("PFija"), QStringLiteral("Nada"), given));
    EXPECT_EQ(given, QStringLiteral("SELECT 1 AS Uno FROM Tarifas"));
    EXPECT_TRUE(user.waits.isEmpty());
}

TEST_F(WizardTest, ordersAndThenShowsAllAgain)
{
    const QString statement = QStringLiteral("SELECT Nombre, Importe FROM Pagos ORDER BY Clave");
    // What the grid shows when the user takes the next command.
    QStringList shown;
    const auto takeCommand = [this, &shown](int command) {
        user.then([this, &shown, command](const WaitContext&) {
            shown.append(grid().cellText(0, 0) + QStringLiteral(" | ") + grid().recordset()->sql());
            if (command < 0)
                session.codes.CommandCode = command;
            else
                session.codes.TableCommand = engine::FirstGridCommand + command;
        });
    };
    takeCommand(2);
    choose(QStringLiteral("Importe"));
    user.answer(QStringLiteral("Descendente"));
    user.answer(QStringLiteral("Aceptar"));
    takeCommand(3);
    takeCommand(-1);
    engine::BDats(session, QStringLiteral("TabPre"), 2, QStringLiteral("Pagos"), statement);
    EXPECT_TRUE(user.actions.isEmpty()) << user.waits.join(u'\n').toStdString();
    EXPECT_TRUE(user.refused.isEmpty()) << user.refused.join(u',').toStdString();
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Cliente 1 | ") + statement,
                                  QStringLiteral("Cliente 6 | SELECT Nombre, Importe FROM Pagos ORDER BY "
                                                 "Pagos.Importe Desc"),
                                  QStringLiteral("Cliente 1 | ") + statement}));
}

TEST(StructureListTest, answersEachCommandFromTheFieldDefinitions)
{
    db::FieldDef clave = field(QStringLiteral("Clave"), jettype::Long);
    db::FieldDef calle = field(QStringLiteral("Calle y número"), jettype::Text, 50);
    db::FieldDef subTotal = field(QStringLiteral("Sub-total"), jettype::Currency);
    db::FieldDef marca = field(QStringLiteral("Marca"), jettype::Boolean);
    db::FieldDef hidden = field(QStringLiteral("Interno"), jettype::Text, 10);
    hidden.validationText = QStringLiteral("Uso & control");
    db::FieldDef cliente = field(QStringLiteral("Cliente"), jettype::Long, 0,
                                 QStringLiteral("!R/Suscriptores/Clave,Nombre/Nombre"));
    const QList<db::FieldDef> fields{clave, calle, marca, hidden, subTotal, cliente};

    struct Case
    {
        int first;
        int last;
        QString list;
    };
    const Case cases[] = {
        {0, 0, QStringLiteral("Clave,[Calle y número],[Sub-total],Cliente")},
        {-3, 1, QStringLiteral("Clave,[Calle y número]")},
        {1, 4, QStringLiteral("[Calle y número],[Sub-total]")},
        {5, 99, QStringLiteral("Cliente")},
    };
    for (const Case& c : cases)
        EXPECT_EQ(structure::selectList(fields, c.first, c.last), c.list) << c.first << ' ' << c.last;

    EXPECT_EQ(structure::fieldNames(fields).size(), 6);
    EXPECT_EQ(structure::relationFields(fields), QStringList{QStringLiteral("Cliente\tSuscriptores")});
    const QStringList tables{QStringLiteral("MSysObjects"), QStringLiteral("Pagos"),
                             QStringLiteral("msysCatalogo"), QStringLiteral("Suscriptores")};
    EXPECT_EQ(structure::tables(tables),
              (QStringList{QStringLiteral("Pagos"), QStringLiteral("Suscriptores")}));
    const FieldsOf fieldsOf = [&](const QString& table) {
        return table == QLatin1String("Pagos") ? fields : QList<db::FieldDef>{clave};
    };
    EXPECT_EQ(structure::relationTables(tables, fieldsOf), QStringList{QStringLiteral("Pagos")});
}

TEST_F(WizardTest, structureListsReadTheOpenDatabase)
{
    QStringList list;
    QString table;
    StructureList(session, QStringLiteral("Arch"), table, 0, 0, list);
    EXPECT_TRUE(list.contains(QStringLiteral("Pagos")));
    for (const QString& name : list)
        EXPECT_FALSE(name.startsWith(QLatin1String("MSys"), Qt::CaseInsensitive)) << name.toStdString();
    table = QStringLiteral("[Pagos]");
    StructureList(session, QStringLiteral("datsql"), table, 0, 0, list);
    EXPECT_EQ(session.engine.SelectedValue, QStringLiteral("Clave,Nombre,Importe"));
    EXPECT_EQ(table, QStringLiteral("[Pagos]"));
    StructureList(session, QStringLiteral("Datos"), table, 0, 0, list);
    EXPECT_EQ(list,
              (QStringList{QStringLiteral("Clave"), QStringLiteral("Nombre"), QStringLiteral("Importe")}));
}

} // namespace
} // namespace quelmar::query
