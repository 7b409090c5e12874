// Totals and subtotals of report grids, on a small payments database shown in the grid of the main form.
#include "query/tabtotal.h"

#include "actinguser.h"
#include "screenoffice.h"
#include "testtables.h"

#include "db/database.h"
#include "db/recordset.h"
#include "engine/bdats.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "panels/mainform.h"
#include "query/queryservices.h"
#include "session/fieldtable.h"
#include "session/session.h"
#include "session/sessiondatabase.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

#include <functional>
#include <map>
#include <stdexcept>

namespace quelmar::query {
namespace {

namespace jettype = db::jettype;
using testsupport::field;

QList<db::TableDef> schema()
{
    db::TableDef cobros;
    cobros.name = QStringLiteral("Cobros");
    cobros.fields = {field(QStringLiteral("Nombre"), jettype::Text, 40),
                     field(QStringLiteral("Contrato"), jettype::Text, 10),
                     field(QStringLiteral("Vencimiento"), jettype::Date),
                     field(QStringLiteral("Situación"), jettype::Text, 20),
                     field(QStringLiteral("Fecha"), jettype::Date),
                     field(QStringLiteral("Concepto"), jettype::Text, 30),
                     field(QStringLiteral("Cantidad"), jettype::Currency),
                     field(QStringLiteral("Ticket"), jettype::Long),
                     field(QStringLiteral("Observaciones"), jettype::Text, 30)};
    db::TableDef partidas;
    partidas.name = QStringLiteral("Partidas");
    partidas.fields = {field(QStringLiteral("Grupo"), jettype::Text, 10),
                       field(QStringLiteral("Importe"), jettype::Long)};
    return {cobros, partidas, testsupport::parametersTable()};
}

// The daily payments list of the office, nine columns as the report shows them.
const QString dailyPayments =
    QStringLiteral("SELECT Nombre, Contrato, Vencimiento, Situación, Fecha, Concepto, Cantidad, Ticket, "
                   "Observaciones FROM Cobros ORDER BY Ticket");

class TabTotalTest : public testsupport::ScreenOfficeTest
{
protected:
    void SetUp() override
    {
        // The engine asks the query part for totals and classifier lists through its services.
        session.engine.services = std::make_shared<QueryServices>();
        ASSERT_NO_FATAL_FAILURE(openOffice(schema(), [](db::Database& office) {
            struct Payment
            {
                const char* name;
                const char* status;
                const char* item;
                double amount;
                int ticket;
                const char* remarks;
            };
            const Payment payments[] = {{"Ana López", "Conectado", "Renta", 1234.5, 1, "$1,234.50"},
                                        {"José Pérez", "Conectado", "Reconexión", 150.25, 2, ""},
                                        {"Eva Ruiz", "Cortado", "Instalación", 1000000.141, 3, "$10"}};
            for (const Payment& p : payments) {
                EXPECT_FALSE(office.execute(
                    QStringLiteral(
                        "INSERT INTO Cobros (Nombre, Contrato, Vencimiento, Situación, Fecha, Concepto, "
                        "Cantidad, Ticket, Observaciones) VALUES (?, ?, #01-10-2027#, ?, #12-10-2026#, "
                        "?, ?, ?, ?)"),
                    {QString::fromUtf8(p.name), QStringLiteral("C-%1").arg(p.ticket),
                     QString::fromUtf8(p.status), QString::fromUtf8(p.item), p.amount, p.ticket,
                     QString::fromUtf8(p.remarks)}));
            }
        }));
    }

    db::Database& database() { return *session.database.CurrentDatabase; }

    // Shows the statement in the grid as a report grid shows it, without waiting.
    engine::GridView& showGrid(const QString& statement)
    {
        db::DbError error;
        auto rows = database().openRecordset(statement, db::RecordsetType::Snapshot, error);
        EXPECT_TRUE(rows) << error.description.toStdString();
        session.engine.FieldTable = engine::buildFieldTable(*rows, {});
        engine::GridView& view = engine::grid(session);
        view.bind(std::move(rows));
        view.setEditing(false, false, false);
        view.layout(QStringLiteral("Cobros"), QStringLiteral("Cobros"));
        view.show();
        view.placeVertically();
        session.wait.letEventsRun();
        return view;
    }

    QStringList captions()
    {
        QStringList result;
        const engine::GridModel* model = engine::grid(session).model();
        for (int column = 0; column < model->columnCount(); ++column)
            result.append(model->caption(column));
        return result;
    }

    QString cell(int row, int column) { return engine::grid(session).cellText(row, column); }

    QString allRows(const QString& statement)
    {
        db::DbError error;
        auto rows = database().openRecordset(statement, db::RecordsetType::Snapshot, error);
        QStringList lines;
        for (; rows && !rows->eof(); rows->moveNext()) {
            QStringList values;
            for (int column = 0; column < rows->fieldCount(); ++column)
                values.append(rows->value(column).toString());
            lines.append(values.join(u'|'));
        }
        return lines.join(u'\n');
    }

    QStringList transcript(const QString& tag)
    {
        QStringList found;
        const QStringList lines = session.transcript.sinceMark().split(u'\n', Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            if (line.startsWith(u'[' + tag + u']'))
                found.append(line);
        }
        return found;
    }

    // At the next wait of the grid: records what it shows, then "&Termina".
    void terminaAtTheGrid(std::function<void()> look = {})
    {
        user.actions.append([this, look](const WaitContext& context) {
            EXPECT_EQ(context.kind, WaitKind::Screen);
            if (look)
                look();
            form->termina()->click();
        });
    }

    void answerOk()
    {
        user.actions.append([](const WaitContext& context) {
            EXPECT_TRUE(context.respond && context.respond(QStringLiteral("answer"), QStringLiteral("OK")));
        });
    }
};

TEST_F(TabTotalTest, writesTheTotalsOfTheChosenColumnsUnderTheirHeadings)
{
    const QString nombre = QStringLiteral("Nombre");
    const QString cantidad = QStringLiteral("Cantidad\n1,001,384.89");
    const QString ticket = QStringLiteral("Ticket\n6");
    const QString observaciones = QStringLiteral("Observaciones\n1,244.5");
    struct Case
    {
        const char* request;
        std::map<int, QString> totalled; // column -> its caption; the others keep their one-line caption
    };
    // Amounts count as the cells show them: "1,000,000.14" for 1000000.141, "$1,234.50" for 1234.5, "" for 0.
    const Case cases[] = {
        {" 6 NoG", {{6, cantidad}}},
        {" 6, 8", {{6, cantidad}, {8, observaciones}}},
        {" 7- Gin 2", {{6, cantidad}, {7, ticket}, {8, observaciones}}},
        {" 0, 12", {{0, nombre + QStringLiteral("\n0")}}},
        {" NoG", {}},
        {"", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request);
        showGrid(dailyPayments);
        const QStringList before = captions();
        TabTotal(session, QString::fromUtf8(c.request));
        QStringList expected = before;
        for (const auto& [column, caption] : c.totalled)
            expected[column] = caption;
        EXPECT_EQ(captions(), expected);
        EXPECT_EQ(session.errors.RoutineName, QStringLiteral("TabTotal"));
    }
}

TEST_F(TabTotalTest, widensTheTotalledColumnAndMakesRoomForTheSecondHeadingLine)
{
    // A grid narrower than the form, so that it can grow.
    engine::GridView& view = showGrid(QStringLiteral("SELECT Concepto, Cantidad, Ticket FROM Cobros"));
    const QRect before = view.geometryTwips();
    const int columnBefore = view.columnWidthTwips(1);
    const int otherBefore = view.columnWidthTwips(2);
    const int headingBefore = view.table()->horizontalHeader()->height();

    TabTotal(session, QStringLiteral(" 1"));

    // "Cantidad\n1,001,384.89" is 21 characters of 114 twips.
    const int widened = view.columnWidthTwips(1);
    EXPECT_NEAR(widened, 21 * 114, 15);
    EXPECT_EQ(view.columnWidthTwips(2), otherBefore);
    const QRect after = view.geometryTwips();
    EXPECT_EQ(after.left(), before.left());
    EXPECT_NEAR(after.width(), before.width() + widened - columnBefore, 30);
    EXPECT_NEAR(after.top(), before.top() - 300, 30);
    EXPECT_NEAR(after.height(), before.height() + 300, 30);
    EXPECT_NEAR(after.bottom(), before.bottom(), 30);
    EXPECT_GT(view.table()->horizontalHeader()->height(), headingBefore);
}

TEST_F(TabTotalTest, anEmptyRequestLeavesTheGridAsItWas)
{
    engine::GridView& view = showGrid(dailyPayments);
    const QRect before = view.geometryTwips();
    const QStringList captionsBefore = captions();
    TabTotal(session, QString());
    TabTotal(session, QStringLiteral("  "));
    EXPECT_EQ(view.geometryTwips(), before);
    EXPECT_EQ(captions(), captionsBefore);
}

TEST_F(TabTotalTest, theDailyPaymentsReportShowsItsTotalWithoutAGraphButton)
{
    bool graphOffered = true;
    terminaAtTheGrid([this, &graphOffered] {
        graphOffered = false;
        const QList<QPushButton*> buttons = form->findChildren<QPushButton*>();
        for (const QPushButton* button : buttons)
            graphOffered =
                graphOffered || (button->isVisible() && button->text() == QStringLiteral("&Gráfica"));
    });
    engine::BDats(session, QStringLiteral("TabPre"), 2, QStringLiteral("Diario de Pagos"), dailyPayments,
                  QStringLiteral("ET 6 NoG"));
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_FALSE(graphOffered);
    EXPECT_EQ(captions(), QStringList({QStringLiteral("Nombre"), QStringLiteral("Contrato"),
                                       QStringLiteral("Vencimiento"), QStringLiteral("Situación"),
                                       QStringLiteral("Fecha"), QStringLiteral("Concepto"),
                                       QStringLiteral("Cantidad\n1,001,384.89"), QStringLiteral("Ticket"),
                                       QStringLiteral("Observaciones")}));
    const QStringList grid = transcript(QStringLiteral("grid"));
    ASSERT_GE(grid.size(), 2);
    EXPECT_TRUE(grid.at(1).contains(QStringLiteral("| Concepto | Cantidad / 1,001,384.89 | Ticket |")))
        << grid.at(1).toStdString();
}

TEST_F(TabTotalTest, aTotalThatCannotBeReadIsReportedInsteadOfShownShort)
{
    ASSERT_FALSE(database().beginTransaction());
    for (int row = 0; row < 200; ++row)
        ASSERT_FALSE(database().execute(QStringLiteral("INSERT INTO Partidas (Grupo, Importe) VALUES (?, 1)"),
                                        {row < 100 ? QStringLiteral("A") : QStringLiteral("B")}));
    ASSERT_FALSE(database().commit());
    engine::GridView& view = showGrid(QStringLiteral("SELECT Grupo, Importe FROM Partidas"));
    // The second half of the rows is deleted (at another workstation) while the grid shows them.
    ASSERT_FALSE(database().execute(QStringLiteral("DELETE FROM Partidas WHERE Grupo = 'B'")));
    const QRect before = view.geometryTwips();
    answerOk();
    TabTotal(session, QStringLiteral(" 1"));
    EXPECT_TRUE(user.actions.isEmpty());
    const QStringList messages = transcript(QStringLiteral("message"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.constFirst().contains(QStringLiteral("Rutina: TabTotal")))
        << messages.constFirst().toStdString();
    EXPECT_EQ(captions(), QStringList({QStringLiteral("Grupo"), QStringLiteral("Importe")}));
    EXPECT_EQ(view.geometryTwips(), before);
}

TEST_F(TabTotalTest, subtotalsShowEachGroupsSumOnItsLastRowAndTheGrandTotalUnderTheHeading)
{
    const QString statement =
        QStringLiteral("SELECT Situación, Nombre, Cantidad FROM Cobros ORDER BY Ticket");
    const QString stored = allRows(QStringLiteral("SELECT * FROM Cobros"));
    QRect plain;
    QRect withSubtotals;
    terminaAtTheGrid([this, &plain] { plain = engine::grid(session).geometryTwips(); });
    engine::BDats(session, QStringLiteral("TabPre"), 2, QStringLiteral("Cobros"), statement);
    session.transcript.mark();
    terminaAtTheGrid([this, &withSubtotals] { withSubtotals = engine::grid(session).geometryTwips(); });
    engine::BDats(session, QStringLiteral("TabPre"), 2, QStringLiteral("Cobros"), statement,
                  QStringLiteral("ST =1"));
    EXPECT_TRUE(user.actions.isEmpty());

    // Conectado, Conectado, Cortado: the first group's sum on the second row, the second's on the third.
    EXPECT_EQ(cell(0, 2), QStringLiteral("1,234.50"));
    EXPECT_EQ(cell(1, 2), QStringLiteral("$1,384.75"));
    EXPECT_EQ(cell(2, 2), QStringLiteral("$1,000,000.14"));
    EXPECT_EQ(captions(), QStringList({QStringLiteral("Situación"), QStringLiteral("Nombre"),
                                       QStringLiteral("Cantidad\n$1,001,384.89")}));
    const engine::GridModel* model = engine::grid(session).model();
    EXPECT_EQ(model->data(model->index(0, 2), Qt::TextAlignmentRole).value<Qt::Alignment>() &
                  Qt::AlignHorizontal_Mask,
              Qt::AlignRight);
    EXPECT_NEAR(withSubtotals.height(), plain.height() + 200, 30);
    EXPECT_EQ(withSubtotals.top(), plain.top());
    EXPECT_TRUE(engine::grid(session).table()->isEnabled());
    EXPECT_TRUE(transcript(QStringLiteral("grid"))
                    .contains(QStringLiteral("[grid] 2 | Conectado | José Pérez | $1,384.75")))
        << transcript(QStringLiteral("grid")).join(u'\n').toStdString();
    // Shown only: the rows of the database are as they were.
    EXPECT_EQ(allRows(QStringLiteral("SELECT * FROM Cobros")), stored);
}

TEST_F(TabTotalTest, groupsAndTotalsOfALongGridDoNotDependOnHowItIsRead)
{
    // Groups of 300, 212, 518 and 70 rows: one ends exactly where 512 rows end, one runs past 1024.
    const int ends[] = {300, 512, 1030, 1100};
    ASSERT_FALSE(database().beginTransaction());
    int row = 0;
    for (int group = 0; group < 4; ++group) {
        for (; row < ends[group]; ++row)
            ASSERT_FALSE(
                database().execute(QStringLiteral("INSERT INTO Partidas (Grupo, Importe) VALUES (?, 1)"),
                                   {QStringLiteral("G%1").arg(group)}));
    }
    ASSERT_FALSE(database().commit());
    const QString statement = QStringLiteral("SELECT Grupo, Importe FROM Partidas");

    showGrid(statement);
    TabSTot(session, QStringLiteral("ST =1"));
    std::map<int, QString> shown;
    for (int r = 0; r < 1100; ++r) {
        if (cell(r, 1) != QStringLiteral("1"))
            shown[r] = cell(r, 1);
    }
    const std::map<int, QString> expected = {{299, QStringLiteral("300.00")},
                                             {511, QStringLiteral("212.00")},
                                             {1029, QStringLiteral("518.00")},
                                             {1099, QStringLiteral("70.00")}};
    EXPECT_EQ(shown, expected);
    EXPECT_EQ(captions().at(1), QStringLiteral("Importe\n1,100.00"));

    showGrid(statement);
    TabTotal(session, QStringLiteral(" 1"));
    EXPECT_EQ(captions().at(1), QStringLiteral("Importe\n1,100"));
}

TEST_F(TabTotalTest, subtotalsWithoutAGroupingColumnAreReportedAndShowNothing)
{
    engine::GridView& view = showGrid(dailyPayments);
    const QStringList before = captions();
    answerOk();
    TabSTot(session, QStringLiteral("ST"));
    EXPECT_TRUE(user.actions.isEmpty());
    const QStringList messages = transcript(QStringLiteral("message"));
    ASSERT_EQ(messages.size(), 1);
    EXPECT_TRUE(messages.constFirst().contains(QStringLiteral("Rutina: TabSTot")))
        << messages.constFirst().toStdString();
    EXPECT_EQ(captions(), before);
    EXPECT_EQ(cell(0, 8), QStringLiteral("$1,234.50"));
    EXPECT_TRUE(view.table()->isEnabled());
}

} // namespace
} // namespace quelmar::query
