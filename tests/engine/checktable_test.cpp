// The check table ("FTab"): the preselection grid, the rows on the flexible grid Tabla with their marks, and
// what the user decides about the marked rows.
#include "db/database.h"
#include "db/fielddef.h"
#include "engine/bdats.h"
#include "engine/checktable.h"

#include "actinguser.h"
#include "engine/gridrules.h"
#include "panels/keyboard.h"
#include "panels/mainform.h"
#include "session/session.h"
#include "session/twips.h"
#include "testtables.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>

namespace quelmar::engine {
namespace {

namespace jettype = db::jettype;
using testsupport::field;

const QString Title = QStringLiteral("Equipos");
const QString Statement = QStringLiteral(
    "SELECT Nombre, [Fecha de Alta], Activo, Precio, Cantidad, Peso FROM Equipos ORDER BY Clave");

class CheckTableScreen : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_folder.isValid());
        db::DbError error;
        session.database.CurrentDatabase =
            db::Database::create(m_folder.filePath(QStringLiteral("Oficina.mdb")), error);
        ASSERT_FALSE(error) << error.description.toStdString();
        db::FieldDef key = field(QStringLiteral("Clave"), jettype::Long, 4);
        key.autoNumber = true;
        db::TableDef table;
        table.name = QStringLiteral("Equipos");
        table.fields = {key,
                        field(QStringLiteral("Nombre"), jettype::Text, 50),
                        field(QStringLiteral("Fecha de Alta"), jettype::Date, 8),
                        field(QStringLiteral("Activo"), jettype::Boolean, 1),
                        field(QStringLiteral("Precio"), jettype::Currency, 8),
                        field(QStringLiteral("Cantidad"), jettype::Integer, 2),
                        field(QStringLiteral("Peso"), jettype::Double, 8)};
        ASSERT_FALSE(session.database.CurrentDatabase->createTables({table}));
        for (const char* values : {"'Antena', #12-10-2026#, True, 1250, 3, 2.5",
                                   "'Decodificador', #01-05-2026#, False, 899.5, 10, 0.4",
                                   "'Cable coaxial', #03-15-2026#, True, 12, 500, 0.1",
                                   "'Amplificador', #07-01-2026#, False, 450, 2, 1.2"}) {
            ASSERT_FALSE(session.database.CurrentDatabase->execute(
                QStringLiteral(
                    "INSERT INTO Equipos (Nombre, [Fecha de Alta], Activo, Precio, Cantidad, Peso) "
                    "VALUES (%1)")
                    .arg(QString::fromUtf8(values))));
        }
        ASSERT_TRUE(session.transcript.open(m_folder.filePath(QStringLiteral("transcript.txt"))));
        form = std::make_unique<MainForm>(session);
        session.k = form.get();
        form->setWindowTitle(QStringLiteral("Oficina"));
        form->resize(1000, 700);
        form->show();
        session.wait.setStandIn(&user);
    }

    void TearDown() override
    {
        session.wait.setStandIn(nullptr);
        session.engine.grid.reset();
        session.k = nullptr;
        form.reset();
    }

    QTableWidget* tabla() const
    {
        return form->findChild<QTableWidget*>(QStringLiteral("Tabla"), Qt::FindDirectChildrenOnly);
    }

    QStringList transcript(const QString& tag) const
    {
        QStringList found;
        const QStringList lines = session.transcript.sinceMark().split(u'\n', Qt::SkipEmptyParts);
        for (const QString& line : lines) {
            if (line.startsWith(u'[' + tag + u']'))
                found.append(line);
        }
        return found;
    }

    // The presentation for preselecting, under its own caption, left with "&Termina".
    void leavePresentation()
    {
        user.actions.append([this](const WaitContext& context) {
            EXPECT_TRUE(context.description.startsWith(QStringLiteral("tabla Equipos")))
                << context.description.toStdString();
            EXPECT_EQ(form->windowTitle(), checkTablePreselectCaption());
            form->termina()->click();
        });
    }

    void mouse(QEvent::Type type, int row)
    {
        QTableWidget* table = tabla();
        QWidget* viewport = table->viewport();
        const QPoint centre = table->visualItemRect(table->item(row - 1, 0)).center();
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(centre), QPointF(viewport->mapToGlobal(centre)), Qt::LeftButton, held,
                          Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    }

    // One step at one wait, as a person would take it: "click N", "dblclick N", "space N" (rows 1-based),
    // "enter", "esc", "termina" at the marking wait; "answer X" at the choice buttons.
    void step(const QString& what)
    {
        user.actions.append([this, what](const WaitContext& context) {
            const QString verb = what.section(u' ', 0, 0);
            const QString argument = what.section(u' ', 1);
            if (verb == QLatin1String("answer")) {
                EXPECT_EQ(context.kind, WaitKind::ButtonRow);
                ASSERT_TRUE(context.respond && context.respond(verb, argument)) << what.toStdString();
                return;
            }
            EXPECT_EQ(context.description, QStringLiteral("tabla de marcas Equipos"));
            EXPECT_EQ(form->windowTitle(), QStringLiteral("Oficina"));
            ASSERT_NE(tabla(), nullptr);
            ASSERT_TRUE(tabla()->isVisible());
            const int row = argument.toInt();
            if (verb == QLatin1String("click")) {
                mouse(QEvent::MouseButtonPress, row);
                mouse(QEvent::MouseButtonRelease, row);
            } else if (verb == QLatin1String("dblclick")) {
                for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                                                QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease})
                    mouse(type, row);
            } else if (verb == QLatin1String("space")) {
                tabla()->setCurrentCell(row - 1, 0);
                panels::keyboard::press(tabla(), Qt::Key_Space);
            } else if (verb == QLatin1String("enter")) {
                panels::keyboard::press(tabla(), Qt::Key_Return);
            } else if (verb == QLatin1String("esc")) {
                panels::keyboard::press(tabla(), Qt::Key_Escape);
            } else if (verb == QLatin1String("termina")) {
                form->termina()->click();
            } else {
                ADD_FAILURE() << "unknown step " << what.toStdString();
            }
        });
    }

    Session session;
    testsupport::ActingUser user;
    std::unique_ptr<MainForm> form;

private:
    QTemporaryDir m_folder;
};

TEST_F(CheckTableScreen, theMarksTheUserLeavesDecideWhatIsCarriedOut)
{
    struct Case
    {
        const char* name;
        QList<const char*> steps;
        int status;
        QList<int> checked;
    };
    const QList<Case> cases{
        {"two rows marked, then Ejecuta", {"click 1", "space 3", "enter", "answer E"}, 0, {0, 2}},
        {"a double click marks once", {"dblclick 2", "esc", "answer E"}, 0, {1}},
        {"a second click takes the mark away", {"click 4", "click 4", "termina", "answer E"}, 0, {}},
        {"todos Si marks every row", {"enter", "answer S", "enter", "answer E"}, 0, {0, 1, 2, 3}},
        {"todos No clears the marks, marking goes on",
         {"click 1", "click 2", "enter", "answer N", "click 3", "enter", "answer E"},
         0,
         {2}},
        {"Cancela carries nothing out", {"click 1", "enter", "answer C"}, 1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        session.engine.CheckedRows = {9};
        user.actions.clear();
        leavePresentation();
        for (const char* what : c.steps)
            step(QString::fromUtf8(what));
        CheckTable(session, Title, Statement, QString());
        EXPECT_EQ(session.codes.EngineStatus, c.status);
        EXPECT_EQ(session.engine.CheckedRows, c.checked);
        EXPECT_TRUE(user.actions.isEmpty());
        EXPECT_EQ(session.errors.RoutineName, QStringLiteral("FTab"));
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Oficina"));
        ASSERT_NE(tabla(), nullptr);
        EXPECT_FALSE(tabla()->isVisible());
        EXPECT_FALSE(form->termina()->isVisible());
    }
}

TEST_F(CheckTableScreen, rowsShowTheirValuesAndMarksOnScreenAndInTheTranscript)
{
    leavePresentation();
    step(QStringLiteral("click 2"));
    user.actions.append([this](const WaitContext&) {
        QTableWidget* table = tabla();
        ASSERT_EQ(table->rowCount(), 4);
        ASSERT_EQ(table->columnCount(), 7);
        EXPECT_EQ(table->item(1, 6)->text(), QStringLiteral("Si"));
        EXPECT_EQ(table->item(1, 0)->background().color(), QColor(Qt::white));
        EXPECT_TRUE(table->item(0, 6)->text().isEmpty());
        EXPECT_EQ(table->item(0, 0)->background().style(), Qt::NoBrush);
        const QStringList grid = transcript(QStringLiteral("grid"));
        ASSERT_GE(grid.size(), 6);
        const QStringList last = grid.mid(grid.size() - 6);
        EXPECT_EQ(last.at(0), QStringLiteral("[grid] Equipos"));
        EXPECT_EQ(last.at(1), QStringLiteral("[grid] columnas | Nombre | Fecha de Alta | Activo | Precio | "
                                             "Cantidad | Peso | Elegido"));
        EXPECT_EQ(last.at(2), QStringLiteral("[grid] 1 | Antena | 10-Dic-26 | Sí | 1,250.00 | 3 | 2.5 | "));
        EXPECT_EQ(last.at(3),
                  QStringLiteral("[grid] 2 | Decodificador | 05-Ene-26 | No | 899.50 | 10 | 0.4 | Si"));
        panels::keyboard::press(table, Qt::Key_Return);
    });
    step(QStringLiteral("answer E"));
    CheckTable(session, Title, Statement, QString());
    EXPECT_EQ(session.engine.CheckedRows, QList<int>{1});
    EXPECT_EQ(user.waits.at(2), QStringLiteral("tabla de marcas Equipos"));
    EXPECT_TRUE(transcript(QStringLiteral("buttons"))
                    .constLast()
                    .endsWith(QStringLiteral("| todos Si | todos No | Ejecuta | Cancela")));
}

TEST_F(CheckTableScreen, headingsAlignmentsAndWidthsFollowTheFieldTypes)
{
    leavePresentation();
    user.actions.append([this](const WaitContext&) {
        QTableWidget* table = tabla();
        struct Column
        {
            const char* caption;
            Qt::Alignment alignment;
        };
        const QList<Column> columns{
            {"Nombre", Qt::AlignLeft | Qt::AlignVCenter},
            {"Fecha de Alta", Qt::AlignCenter},
            {"Activo", Qt::AlignCenter},
            {"Precio", Qt::AlignRight | Qt::AlignVCenter},
            {"Cantidad", Qt::AlignRight | Qt::AlignVCenter},
            {"Peso", Qt::AlignRight | Qt::AlignVCenter},
            {"Elegido", Qt::AlignCenter},
        };
        ASSERT_EQ(table->columnCount(), columns.size());
        const QFontMetrics metrics = table->horizontalHeader()->fontMetrics();
        for (int c = 0; c < table->columnCount(); ++c) {
            const QString caption = QString::fromUtf8(columns.at(c).caption);
            SCOPED_TRACE(caption.toStdString());
            EXPECT_EQ(table->horizontalHeaderItem(c)->text(), caption);
            EXPECT_EQ(Qt::Alignment(table->item(0, c)->textAlignment()), columns.at(c).alignment);
            EXPECT_GE(table->columnWidth(c), metrics.horizontalAdvance(caption));
        }
        // A column wider by its type than by its caption takes 100 twips a character and 100 more.
        EXPECT_EQ(table->columnWidth(0), twips::toPixels(100 * 50 + 100));
        EXPECT_EQ(table->columnWidth(3), twips::toPixels(100 * 10 + 100));
        EXPECT_EQ(table->horizontalHeader()->sectionResizeMode(0), QHeaderView::Interactive);
        EXPECT_FALSE(table->verticalHeader()->isVisible());
        EXPECT_TRUE(form->termina()->isVisible());
        form->termina()->click();
    });
    step(QStringLiteral("answer C"));
    CheckTable(session, Title, Statement, QString());
    EXPECT_EQ(session.codes.EngineStatus, 1);
}

TEST_F(CheckTableScreen, anEmptyResultIsSaidAndShowsNoTabla)
{
    user.actions.append([](const WaitContext& context) {
        EXPECT_EQ(context.kind, WaitKind::MessageBox);
        ASSERT_TRUE(context.respond && context.respond(QStringLiteral("answer"), QStringLiteral("OK")));
    });
    session.engine.CheckedRows = {0};
    CheckTable(session, Title, QStringLiteral("SELECT Nombre, Precio FROM Equipos WHERE Nombre = 'Satélite'"),
               QString());
    EXPECT_EQ(session.codes.EngineStatus, 1);
    EXPECT_TRUE(session.engine.CheckedRows.isEmpty());
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Oficina"));
    ASSERT_FALSE(transcript(QStringLiteral("message")).isEmpty());
    EXPECT_TRUE(transcript(QStringLiteral("message"))
                    .constFirst()
                    .contains(QStringLiteral("No hay Registros de Equipos")));
    EXPECT_TRUE(tabla() == nullptr || !tabla()->isVisible());
}

TEST_F(CheckTableScreen, isTheFTabModeOfBDats)
{
    leavePresentation();
    step(QStringLiteral("click 3"));
    step(QStringLiteral("enter"));
    step(QStringLiteral("answer E"));
    BDats(session, QStringLiteral("FTab"), 2, Title, Statement);
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(session.engine.CheckedRows, QList<int>{2});
    EXPECT_EQ(session.engine.GridKey, 1);
}

} // namespace
} // namespace quelmar::engine
