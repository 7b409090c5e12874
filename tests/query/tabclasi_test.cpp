// The classifier list of the cells of an editing grid, on a small complaints database.
#include "query/tabclasi.h"

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
#include "session/session.h"
#include "session/sessiondatabase.h"
#include "session/twips.h"

#include <QApplication>
#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>

#include <gtest/gtest.h>

#include <memory>

#include <functional>
#include <stdexcept>

namespace quelmar::query {
namespace {

namespace jettype = db::jettype;
using testsupport::field;

QList<db::TableDef> schema()
{
    db::TableDef quejas;
    quejas.name = QStringLiteral("Quejas");
    db::FieldDef key = field(QStringLiteral("Clave"), jettype::Long);
    key.autoNumber = true;
    quejas.fields = {key,
                     field(QStringLiteral("Descripción"), jettype::Text, 40),
                     field(QStringLiteral("Tipo"), jettype::Text, 30, QStringLiteral("\"!CQue\"")),
                     field(QStringLiteral("Zona"), jettype::Text, 30, QStringLiteral(" \"!CZon\" ")),
                     field(QStringLiteral("Motivo"), jettype::Text, 30, QStringLiteral("\"!CVac\"")),
                     field(QStringLiteral("Causa"), jettype::Text, 30, QStringLiteral("\"!CNin\""))};
    return {quejas, testsupport::parametersTable()};
}

const QString complaints =
    QStringLiteral("SELECT Descripción, Tipo, Zona, Motivo, Causa FROM Quejas ORDER BY Clave");

void pressKey(QWidget* widget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
}

void doubleClick(QListWidget* list, int entry)
{
    const QPoint at = list->visualItemRect(list->item(entry)).center();
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                    QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, at, list->viewport()->mapToGlobal(at), Qt::LeftButton,
                          type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(list->viewport(), &event);
    }
}

class TabClasiTest : public testsupport::ScreenOfficeTest
{
protected:
    void SetUp() override
    {
        // The engine asks the query part for totals and classifier lists through its services.
        session.engine.services = std::make_shared<QueryServices>();
        ASSERT_NO_FATAL_FAILURE(openOffice(schema(), [](db::Database& office) {
            const QString insert = QStringLiteral(
                "INSERT INTO Parametros (Clase, Secuen, Nombre, Clave, Contenido) VALUES (?, ?, ?, ?, '')");
            // The class's heading row and a reserved row carry "@"; a Null Clave is offered.
            const QVariantList rows[] = {
                {QStringLiteral("!CQue"), 0, QStringLiteral("Tipo de queja"), QStringLiteral("@")},
                {QStringLiteral("!CQue"), 1, QStringLiteral("Sin señal"), QString()},
                {QStringLiteral("!CQue"), 2, QStringLiteral("Cobro indebido"), QVariant()},
                {QStringLiteral("!CQue"), 3, QStringLiteral("Reservado"), QStringLiteral("x@y")},
                {QStringLiteral("!CQue"), 4, QStringLiteral("Cable dañado"), QString()},
                {QStringLiteral("!CRes"), 1, QStringLiteral("De otra clase"), QString()},
                {QStringLiteral("!CVac"), 0, QStringLiteral("Motivo"), QStringLiteral("@")},
                {QStringLiteral("!CZon"), 0, QStringLiteral("Zonas"), QStringLiteral("@")},
            };
            for (const QVariantList& row : rows)
                EXPECT_FALSE(office.execute(insert, row));
            for (int zone = 1; zone <= 60; ++zone)
                EXPECT_FALSE(office.execute(insert, {QStringLiteral("!CZon"), zone,
                                                     QStringLiteral("Zona %1").arg(zone, 2, 10, QChar(u'0')),
                                                     QString()}));
            EXPECT_FALSE(office.execute(QStringLiteral("INSERT INTO Quejas (Descripción, Tipo, Zona) VALUES "
                                                       "('Sin imagen en la sala', 'Sin señal', 'Zona 01')")));
            EXPECT_FALSE(office.execute(QStringLiteral("INSERT INTO Quejas (Descripción, Tipo, Zona) VALUES "
                                                       "('Cobro doble', 'Cobro indebido', 'Zona 02')")));
        }));

        // The editing grid, returning at once instead of waiting for its commands.
        session.codes.CommandCode = 1010;
        engine::BDats(session, QStringLiteral("TabEdi"), 2, QStringLiteral("Quejas"), complaints);
        ASSERT_EQ(session.codes.EngineStatus, 0);
        session.codes.CommandCode = 0;
        session.wait.letEventsRun();
        session.transcript.mark();
    }

    engine::GridView& grid() { return engine::grid(session); }
    QListWidget* list() { return form->listauni(); }

    QStringList entries()
    {
        QStringList texts;
        for (int entry = 0; entry < list()->count(); ++entry)
            texts.append(list()->item(entry)->text());
        return texts;
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

    QString stored(const QString& sql)
    {
        db::DbError error;
        auto rows = session.database.CurrentDatabase->openRecordset(sql, db::RecordsetType::Snapshot, error);
        return rows && !rows->eof() ? rows->value(0).toString() : QString();
    }

    // The grid after a list has come and gone: enabled, focused, the list hidden and no code left set.
    void expectGridBack()
    {
        EXPECT_FALSE(list()->isVisible());
        EXPECT_TRUE(grid().table()->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), grid().table());
        EXPECT_EQ(session.codes.CommandCode, 0);
    }
};

TEST_F(TabClasiTest, offersTheClassWithoutItsRowsMarkedWithAnAtAndWritesTheChosenName)
{
    struct Case
    {
        const char* how;
        std::function<void(const WaitContext&)> choose;
        QString cell;
    };
    const Case cases[] = {
        {"choose 3",
         [](const WaitContext& context) {
             EXPECT_TRUE(context.respond(QStringLiteral("choose"), QStringLiteral("3")));
         },
         QStringLiteral("Cable dañado")},
        {"choose by text",
         [](const WaitContext& context) {
             EXPECT_TRUE(context.respond(QStringLiteral("choose"), QStringLiteral("\"SEÑAL\"")));
         },
         QStringLiteral("Sin señal")},
        {"double click", [this](const WaitContext&) { doubleClick(list(), 0); }, QStringLiteral("Sin señal")},
        {"INTRO on the entry moved to",
         [this](const WaitContext&) {
             pressKey(list(), Qt::Key_Down);
             pressKey(list(), Qt::Key_Down);
             pressKey(list(), Qt::Key_Return);
         },
         QStringLiteral("Cable dañado")},
        {"Esc", [this](const WaitContext&) { pressKey(list(), Qt::Key_Escape); },
         QStringLiteral("Cobro indebido")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.how);
        session.transcript.mark();
        grid().model()->undoPendingRow();
        grid().setCurrent(1, 1);
        user.actions.append([this, &c](const WaitContext& context) {
            EXPECT_EQ(context.kind, WaitKind::List);
            EXPECT_EQ(context.widget, list());
            EXPECT_TRUE(list()->isVisible());
            EXPECT_FALSE(grid().table()->isEnabled());
            EXPECT_EQ(entries(), QStringList({QStringLiteral("Sin señal"), QStringLiteral("Cobro indebido"),
                                              QStringLiteral("Cable dañado")}));
            EXPECT_EQ(list()->currentRow(), 0);
            c.choose(context);
        });
        TabClasi(session, 1);
        EXPECT_TRUE(user.actions.isEmpty());
        EXPECT_EQ(grid().cellText(1, 1), c.cell);
        EXPECT_EQ(
            transcript(QStringLiteral("list")),
            QStringList({QStringLiteral("[list] Tipo | 1 Sin señal | 2 Cobro indebido | 3 Cable dañado")}));
        expectGridBack();
    }
}

TEST_F(TabClasiTest, aChoiceThatNamesNoEntryIsRefused)
{
    grid().setCurrent(1, 1);
    user.actions.append([this](const WaitContext& context) {
        EXPECT_FALSE(context.respond(QStringLiteral("choose"), QStringLiteral("4")));
        EXPECT_FALSE(context.respond(QStringLiteral("choose"), QStringLiteral("1 2")));
        EXPECT_FALSE(context.respond(QStringLiteral("choose"), QStringLiteral("\"Reservado\"")));
        EXPECT_FALSE(context.respond(QStringLiteral("answer"), QStringLiteral("Sin señal")));
        pressKey(list(), Qt::Key_Escape);
    });
    TabClasi(session, 1);
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(grid().cellText(1, 1), QStringLiteral("Cobro indebido"));
}

TEST_F(TabClasiTest, theCellButtonOpensTheListAndTheNameIsWrittenWhenTheRowIsLeft)
{
    grid().setCurrent(1, 1);
    auto* button = grid().table()->viewport()->findChild<QToolButton*>(QStringLiteral("TabBoton_0"));
    ASSERT_NE(button, nullptr);
    ASSERT_TRUE(button->isVisible());
    user.actions.append([](const WaitContext& context) {
        EXPECT_TRUE(context.respond(QStringLiteral("choose"), QStringLiteral("3")));
    });
    button->click();
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(grid().cellText(1, 1), QStringLiteral("Cable dañado"));
    EXPECT_EQ(stored(QStringLiteral("SELECT Tipo FROM Quejas WHERE Descripción = 'Cobro doble'")),
              QStringLiteral("Cobro indebido"));
    grid().setCurrent(0, 1);
    EXPECT_EQ(stored(QStringLiteral("SELECT Tipo FROM Quejas WHERE Descripción = 'Cobro doble'")),
              QStringLiteral("Cable dañado"));
}

TEST_F(TabClasiTest, aClassWithNoRowsLeavesTheCellAsItWasAndTheGridEnabled)
{
    // Motivo's class has only its heading row; Causa's class has no row at all.
    for (const int column : {3, 4}) {
        SCOPED_TRACE(column);
        grid().setCurrent(0, column);
        TabClasi(session, column);
        EXPECT_TRUE(user.waits.isEmpty());
        EXPECT_TRUE(grid().cellText(0, column).isEmpty());
        EXPECT_EQ(grid().model()->pendingRow(), -1);
        EXPECT_TRUE(transcript(QStringLiteral("list")).isEmpty());
        expectGridBack();
    }
}

TEST_F(TabClasiTest, aNegativeColumnOnlyGivesTheGridBack)
{
    grid().setCurrent(1, 1);
    grid().setEnabled(false);
    TabClasi(session, -1);
    EXPECT_TRUE(user.waits.isEmpty());
    EXPECT_EQ(grid().cellText(1, 1), QStringLiteral("Cobro indebido"));
    expectGridBack();
}

TEST_F(TabClasiTest, theListDropsBelowTheCellAndALongOneEndsAboveTheBottomOfTheForm)
{
    struct Case
    {
        int column;
        int entries;
        int longest;
    };
    for (const Case& c : {Case{1, 3, 14}, Case{2, 60, 7}}) {
        SCOPED_TRACE(c.column);
        grid().setCurrent(0, c.column);
        QRect placed;
        user.actions.append([this, &placed](const WaitContext&) {
            const QRect g = list()->geometry();
            placed = QRect(twips::fromPixels(g.x()), twips::fromPixels(g.y()), twips::fromPixels(g.width()),
                           twips::fromPixels(g.height()));
            pressKey(list(), Qt::Key_Escape);
        });
        TabClasi(session, c.column);
        ASSERT_TRUE(user.actions.isEmpty());
        const QRect cell = grid().table()->visualRect(grid().model()->index(0, c.column));
        const int cellBottom =
            twips::fromPixels(grid().table()->viewport()->mapTo(form.get(), cell.bottomLeft()).y() + 1);
        EXPECT_NEAR(placed.left(), grid().geometryTwips().left() + grid().columnLeftTwips(c.column), 30);
        EXPECT_NEAR(placed.top(), cellBottom, 30);
        EXPECT_GE(placed.width(), c.longest * 100 + 250 - 15);
        const int bottom = placed.top() + placed.height();
        const int lowest = form->heightTwips() - 400;
        if (c.entries * 220 < lowest - cellBottom) {
            EXPECT_GE(placed.height(), c.entries * 220 - 15);
            EXPECT_LT(bottom, lowest);
        } else {
            EXPECT_NEAR(bottom, lowest, 30);
        }
    }
}

} // namespace
} // namespace quelmar::query
