// The grid and list modes of the presentation engine on a demonstration office: presentation, selection,
// editing and adding in place with their checks, and the lists.
#include "engine/officefixture.h"

#include "core/errormessages.h"
#include "db/database.h"
#include "engine/bdats.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "panels/keyboard.h"

#include <QListWidget>
#include <QTableView>

namespace quelmar::engine {
namespace {

class GridModesTest : public testing::EngineTest
{
protected:
    GridView& view() { return grid(session); }
    GridModel& model() { return *grid(session).model(); }

    // At the next wait, runs the step on the grid shown.
    void onGrid(std::function<void()> step)
    {
        user.then([step = std::move(step)](const WaitContext&) { step(); });
    }
    void key(int code) { panels::keyboard::press(view().table(), code); }
    // Types a text into a cell as the grid's cell editor hands it over.
    bool typeInto(int row, const QString& column, const QString& text)
    {
        for (int c = 0; c < model().columnCount(); ++c) {
            if (model().caption(c) == column) {
                view().setCurrent(row, c);
                return model().setData(model().index(row, c), text);
            }
        }
        ADD_FAILURE() << "no column " << column.toStdString();
        return false;
    }
    void termina() { press(QStringLiteral("&Termina")); }
};

TEST_F(GridModesTest, presentationShowsTheCountedCaptionAndStaysUntilTabFin)
{
    onGrid([this] {
        EXPECT_TRUE(view().isShown());
        EXPECT_EQ(view().caption(), QStringLiteral("Gastos ordenados  {%1}").arg(model().recordCount()));
        EXPECT_EQ(model().caption(2), QStringLiteral("Monto"));
        EXPECT_FALSE(model().flags(model().index(0, 2)) & Qt::ItemIsEditable);
        termina();
    });
    BDats(session, QStringLiteral("TabPre"), 2, QStringLiteral("Gastos ordenados"),
          QStringLiteral("SELECT Tipo, Descripción, Monto, Fecha FROM Gastos ORDER BY Monto DESC"));
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(session.codes.PresentationVariant, 304);
    EXPECT_EQ(session.engine.RecordCount, scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toInt());
    const QStringList lines = transcript(QStringLiteral("grid"));
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines.at(1), QStringLiteral("[grid] columnas | Tipo | Descripción | Monto | Fecha"));
    EXPECT_TRUE(lines.at(2).startsWith(QStringLiteral("[grid] 1 | ")));
    EXPECT_TRUE(view().isShown());
    EXPECT_EQ(GridCell(session, 1, 3), model().cellText(0, 2));
    BDats(session, QStringLiteral("TabFin"), 0, QString(), QString());
    EXPECT_FALSE(view().isShown());
}

TEST_F(GridModesTest, emptyResultsSayWhatIsMissing)
{
    struct Case
    {
        const char* mode;
        QString message;
    };
    const QString none = QStringLiteral("SELECT Nombre, Clave FROM Suscriptores WHERE Clave < 0");
    for (const Case& c : {Case{"TabPre", QStringLiteral("No hay Registros de Nadie")},
                          Case{"TabSel", QStringLiteral("No existen Registros / Nadie")},
                          Case{"TabEdi", QStringLiteral("Nadie /   No existen")}}) {
        session.transcript.mark();
        user.answer(QStringLiteral("OK"));
        BDats(session, QString::fromLatin1(c.mode), 2, QStringLiteral("Nadie"), none);
        EXPECT_EQ(session.codes.EngineStatus, 1) << c.mode;
        const QStringList messages = transcript(QStringLiteral("message"));
        ASSERT_EQ(messages.size(), 1) << c.mode;
        EXPECT_TRUE(messages.constFirst().contains(c.message)) << messages.constFirst().toStdString();
    }
}

TEST_F(GridModesTest, selectionByKeysAndButtons)
{
    const QString statement =
        QStringLiteral("SELECT Contrato, Nombre, Clave FROM Suscriptores ORDER BY Contrato");
    struct Case
    {
        const char* name;
        std::function<void()> act;
        int row;
        QString value;
    };
    const auto secondKey = [this] {
        return scalar(QStringLiteral(
                          "SELECT Clave FROM Suscriptores WHERE Contrato = (SELECT Min(Contrato) FROM "
                          "Suscriptores WHERE Contrato > (SELECT Min(Contrato) FROM Suscriptores))"))
            .toString();
    };
    const QList<Case> cases{
        {"Enter on the second row",
         [this] {
             view().setCurrent(1, 0);
             key(Qt::Key_Return);
         },
         2, secondKey()},
        {"Esc", [this] { key(Qt::Key_Escape); }, 0, QString()},
        {"Todos", [this] { press(QStringLiteral("&Todos")); }, -1, QStringLiteral("Todos")},
        {"Cancela", [this] { press(QStringLiteral("&Cancela")); }, 0, QString()},
    };
    for (const Case& c : cases) {
        onGrid(c.act);
        BDats(session, QStringLiteral("TabSel"), 3, QStringLiteral("Elija"), statement,
              QStringLiteral("2 Todos"));
        EXPECT_EQ(session.engine.SelectedRow, c.row) << c.name;
        EXPECT_EQ(session.engine.SelectedValue, c.value) << c.name;
        EXPECT_EQ(session.codes.EngineStatus, 0) << c.name;
    }
    // The chosen row's other cells stay readable.
    onGrid([this] {
        view().setCurrent(1, 0);
        key(Qt::Key_Return);
    });
    BDats(session, QStringLiteral("TabSel"), 3, QStringLiteral("Elija"), statement, QStringLiteral("2"));
    EXPECT_EQ(GridCell(session, session.engine.SelectedRow, 3), session.engine.SelectedValue);
    EXPECT_EQ(GridCell(session, 2, 2),
              scalar(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Clave = ") +
                     session.engine.SelectedValue)
                  .toString());
    EXPECT_EQ(GridCell(session, 0, 2), GridCell(session, 1, 2));
    EXPECT_EQ(GridCell(session, 1, 9), QStringLiteral("0"));
}

TEST_F(GridModesTest, editingInPlaceWritesARowWhenItIsLeft)
{
    const QString statement = QStringLiteral("SELECT Cheque, Descripción, Monto FROM Gastos ORDER BY Fecha");
    const QString first = scalar(QStringLiteral("SELECT Descripción FROM Gastos ORDER BY Fecha")).toString();
    onGrid([this] {
        EXPECT_TRUE(typeInto(0, QStringLiteral("Cheque"), QStringLiteral("4711")));
        EXPECT_EQ(model().pendingRow(), 0);
        view().setCurrent(1, 0);
        EXPECT_EQ(model().pendingRow(), -1);
        EXPECT_TRUE(typeInto(1, QStringLiteral("Cheque"), QStringLiteral("4712")));
        termina(); // the row being edited is written before the grid ends
    });
    BDats(session, QStringLiteral("TabEdi"), 2, QStringLiteral("Cheques"), statement);
    EXPECT_EQ(session.codes.EngineStatus, 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Descripción FROM Gastos WHERE Cheque = '4711'")).toString(),
              first);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Cheque = '4712'")).toInt(), 1);
}

TEST_F(GridModesTest, refusedValuesAreCorrectedOrUndone)
{
    const QString statement = QStringLiteral("SELECT Cheque, Descripción, Monto FROM Gastos ORDER BY Fecha");
    const double amount = scalar(QStringLiteral("SELECT Monto FROM Gastos ORDER BY Fecha")).toDouble();
    onGrid([this] {
        // A required column left empty is refused as it is typed.
        EXPECT_FALSE(typeInto(0, QStringLiteral("Descripción"), QString()));
        // Letters in an amount are refused; Retry leaves the cell to be typed again.
        EXPECT_FALSE(typeInto(0, QStringLiteral("Monto"), QStringLiteral("abc")));
        // A value the database's rule refuses: Retry keeps the row as typed, Cancel undoes it.
        EXPECT_TRUE(typeInto(0, QStringLiteral("Monto"), QStringLiteral("-5")));
        view().setCurrent(1, 0);
        EXPECT_EQ(model().pendingRow(), 0);
        EXPECT_EQ(view().currentRow(), 0);
        view().setCurrent(1, 0);
        EXPECT_EQ(model().pendingRow(), -1);
        termina();
    });
    user.answer(QStringLiteral("OK"));     // "Este dato es obligatorio"
    user.answer(QStringLiteral("Retry"));  // letters in Monto
    user.answer(QStringLiteral("Retry"));  // the rule, first time
    user.answer(QStringLiteral("Cancel")); // the rule, second time
    BDats(session, QStringLiteral("TabEdi"), 2, QStringLiteral("Cheques"), statement);
    const QStringList messages =
        transcript(QStringLiteral("message")) + transcript(QStringLiteral("question"));
    EXPECT_TRUE(messages.join(u'\n').contains(QStringLiteral("DESCRIPCIÓN   Este dato es obligatorio")))
        << messages.join(u'\n').toStdString();
    EXPECT_TRUE(messages.join(u'\n').contains(QStringLiteral(
        "No se pudieron registrar los Datos / MONTO   Admite solo valores numéricos, con decimales")));
    EXPECT_TRUE(messages.join(u'\n').contains(
        QStringLiteral("No se pudieron registrar los Datos / Importe del gasto")));
    EXPECT_DOUBLE_EQ(scalar(QStringLiteral("SELECT Monto FROM Gastos ORDER BY Fecha")).toDouble(), amount);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Monto < 0")).toInt(), 0);
}

TEST_F(GridModesTest, aRowThatAnotherWorkstationKeepsLockedIsToldInSpanish)
{
    const QString statement = QStringLiteral("SELECT Cheque, Descripción, Monto FROM Gastos ORDER BY Fecha");
    db::DbError error;
    // Another workstation is in the middle of a write on the same file.
    auto other = db::Database::open(session.database.CurrentDatabase->path(), {}, error);
    ASSERT_NE(other, nullptr) << error.description.toStdString();
    ASSERT_TRUE(other->beginTransaction().ok());
    onGrid([this] {
        EXPECT_TRUE(typeInto(0, QStringLiteral("Cheque"), QStringLiteral("4711")));
        view().setCurrent(1, 0);
        termina();
    });
    user.answer(QStringLiteral("Cancel"));
    BDats(session, QStringLiteral("TabEdi"), 2, QStringLiteral("Cheques"), statement);
    other->rollback();
    const QString shown = transcript(QStringLiteral("question")).join(u'\n');
    EXPECT_TRUE(shown.contains(QStringLiteral("No se pudieron registrar los Datos / ") +
                               errormessages::forNumber(db::jeterror::RecordLocked)))
        << shown.toStdString();
    EXPECT_FALSE(shown.contains(QStringLiteral("locked"))) << shown.toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos WHERE Cheque = '4711'")).toInt(), 0);
}

TEST_F(GridModesTest, aNewRowTakesTheFixedValuesAndLocksTheirColumns)
{
    const int before = scalar(QStringLiteral("SELECT Count(*) FROM Quejas WHERE Cliente = 3")).toInt();
    session.engine.FixedValues = QStringLiteral("Quejas.Cliente = 3");
    session.engine.ProtectedFields = QStringLiteral("Recibida");
    onGrid([this] {
        const int newRow = static_cast<int>(model().recordCount());
        EXPECT_TRUE(model().isNewRow(newRow));
        EXPECT_FALSE(model().flags(model().index(newRow, 0)) & Qt::ItemIsEditable); // Cliente, fixed
        EXPECT_FALSE(model().flags(model().index(0, 2)) & Qt::ItemIsEditable);      // Recibida, protected
        EXPECT_TRUE(model().flags(model().index(0, 1)) & Qt::ItemIsEditable);
        EXPECT_TRUE(typeInto(newRow, QStringLiteral("Descripción"), QStringLiteral("Sin señal")));
        EXPECT_EQ(model().cellText(newRow, 0), QStringLiteral("3"));
        view().setCurrent(0, 1);
        EXPECT_EQ(model().recordCount(), newRow + 1);
        termina();
    });
    BDats(session, QStringLiteral("TabCap"), 2, QStringLiteral("Quejas"),
          QStringLiteral("SELECT Cliente, Descripción, Recibida FROM Quejas"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Quejas WHERE Cliente = 3")).toInt(), before + 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Cliente FROM Quejas WHERE Descripción = 'Sin señal'")).toInt(),
              3);
}

TEST_F(GridModesTest, anAppendOnlyGridShowsOnlyTheRowsAddedThroughIt)
{
    const int before = scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toInt();
    ASSERT_GT(before, 0);
    onGrid([this] {
        EXPECT_EQ(model().rowCount(), 1); // the new row alone
        EXPECT_TRUE(typeInto(0, QStringLiteral("Descripción"), QStringLiteral("Cinta aislante")));
        EXPECT_TRUE(typeInto(0, QStringLiteral("Monto"), QStringLiteral("35.5")));
        view().setCurrent(1, 0);
        EXPECT_EQ(model().recordCount(), 1);
        EXPECT_EQ(model().cellText(0, 0), QStringLiteral("Cinta aislante"));
        EXPECT_TRUE(typeInto(1, QStringLiteral("Descripción"), QStringLiteral("Grapas")));
        EXPECT_TRUE(typeInto(1, QStringLiteral("Monto"), QStringLiteral("12")));
        termina();
    });
    BDats(session, QStringLiteral("TabNue"), 2, QStringLiteral("Nuevos gastos"),
          QStringLiteral("SELECT Descripción, Monto FROM Gastos"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Gastos")).toInt(), before + 2);
    EXPECT_DOUBLE_EQ(
        scalar(QStringLiteral("SELECT Monto FROM Gastos WHERE Descripción = 'Cinta aislante'")).toDouble(),
        35.5);
}

TEST_F(GridModesTest, aFixedValueThatCannotBeSetUndoesTheNewRow)
{
    session.engine.FixedValues = QStringLiteral("Cliente = veinte");
    onGrid([this] {
        const int newRow = static_cast<int>(model().recordCount());
        EXPECT_FALSE(typeInto(newRow, QStringLiteral("Descripción"), QStringLiteral("Sin señal")));
        EXPECT_EQ(model().pendingRow(), -1);
        termina();
    });
    user.answer(QStringLiteral("OK"));
    BDats(session, QStringLiteral("TabCap"), 2, QStringLiteral("Quejas"),
          QStringLiteral("SELECT Cliente, Descripción FROM Quejas"));
    EXPECT_TRUE(transcript(QStringLiteral("message"))
                    .join(u'\n')
                    .contains(QStringLiteral("No pudo registrarse el nuevo Dato")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Count(*) FROM Quejas WHERE Descripción = 'Sin señal'")).toInt(),
              0);
}

TEST_F(GridModesTest, editByRowOpensTheChosenRowInAPanelAndReloads)
{
    const QString first = scalar(QStringLiteral("SELECT Clave FROM Suscriptores ORDER BY Nombre")).toString();
    onGrid([this] {
        EXPECT_TRUE(view().caption().endsWith(QStringLiteral("    Modifica con INTRO, Termina con ESC")));
        view().setCurrent(0, 1);
        key(Qt::Key_Return);
    });
    user.then([this](const WaitContext&) {
        EXPECT_TRUE(form->fixedPanel()->isVisible());
        type(QStringLiteral("Teléfono"), QStringLiteral("555-00-01"));
        press(QStringLiteral("&Termina"));
    });
    onGrid([this] {
        EXPECT_FALSE(form->fixedPanel()->isVisible());
        EXPECT_EQ(model().cellText(0, 2), QStringLiteral("555-00-01"));
        key(Qt::Key_Escape);
    });
    BDats(session, QStringLiteral("TabPre"), 2, QStringLiteral("Teléfonos"),
          QStringLiteral("SELECT Clave, Nombre, Teléfono FROM Suscriptores ORDER BY Nombre"),
          QStringLiteral("Edi Clave"));
    EXPECT_TRUE(user.actions.isEmpty());
    EXPECT_TRUE(transcript(QStringLiteral("panel"))
                    .join(u'\n')
                    .contains(QStringLiteral("Modifica Teléfonos para ") + first));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Teléfono FROM Suscriptores WHERE Clave = ") + first).toString(),
              QStringLiteral("555-00-01"));
}

TEST_F(GridModesTest, aSingleChoiceListPositionsTheChosenRecord)
{
    user.then([](const WaitContext& context) {
        ASSERT_TRUE(context.respond(QStringLiteral("choose"), QStringLiteral("2")));
    });
    BDats(session, QStringLiteral("ListaU"), 0, QStringLiteral("Elija Clase"),
          QStringLiteral("SELECT Nombre, Clase FROM Parametros WHERE Clase = '!CCla' ORDER BY Nombre"));
    EXPECT_EQ(session.engine.SelectedRow, 2);
    ASSERT_TRUE(session.database.CurrentRecordset);
    EXPECT_EQ(session.database.CurrentRecordset->absolutePosition(), 1);
    EXPECT_EQ(transcript(QStringLiteral("list")).size(), 1);
    EXPECT_TRUE(transcript(QStringLiteral("list")).constFirst().contains(QStringLiteral(" - !CCla")));
}

} // namespace
} // namespace quelmar::engine
