// Printing the grid's table on a demonstration office: the paper and font chosen for its width, the question
// for a table too wide, the question every ten pages, and an empty table.
#include "engine/officefixture.h"

#include "engine/bdats.h"
#include "engine/gridmodel.h"
#include "engine/gridview.h"
#include "output/outputservices.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>

namespace quelmar::output {
namespace {

class TablePrintTest : public engine::testing::EngineTest
{
protected:
    void SetUp() override
    {
        EngineTest::SetUp();
        session.engine.services = std::make_shared<OutputServices>();
        session.shell.printFolder = m_prints.path();
    }

    engine::GridView& view() { return engine::grid(session); }

    // At the grid's wait: widens every column to the width given (0 keeps them), then presses "&Imprime".
    void printAtGrid(int columnWidth = 0)
    {
        user.then([this, columnWidth](const WaitContext&) {
            if (columnWidth > 0) {
                for (int column = 0; column < view().model()->columnCount(); ++column)
                    view().setColumnWidthTwips(column, columnWidth);
            }
            press(QStringLiteral("&Imprime"));
        });
    }
    void terminaAtGrid()
    {
        user.then([this](const WaitContext&) { press(QStringLiteral("&Termina")); });
    }

    void showList(const QString& statement)
    {
        engine::BDats(session, QStringLiteral("TabPre"), 2, QStringLiteral("Lista"), statement);
    }

    QStringList pdfs() const
    {
        return QDir(m_prints.path()).entryList({QStringLiteral("*.pdf")}, QDir::Files);
    }

    // "letter portrait 612 x 792" or "… 792 x 612", and the pages, from the system's PDF tool.
    QString pdfInfo(const QString& name) const
    {
        QProcess info;
        info.start(QStringLiteral("pdfinfo"), {QDir(m_prints.path()).filePath(name)});
        info.waitForFinished();
        const QString text = QString::fromUtf8(info.readAllStandardOutput());
        const auto pages = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(text);
        const auto size = QRegularExpression(QStringLiteral("Page size:\\s+(\\d+) x (\\d+)")).match(text);
        return QStringLiteral("%1 x %2, %3 pages").arg(size.captured(1), size.captured(2), pages.captured(1));
    }

    QTemporaryDir m_prints;
};

TEST_F(TablePrintTest, aNarrowTableIsPrintedPortraitWithoutAQuestion)
{
    printAtGrid();
    user.answer(QStringLiteral("Yes"));
    terminaAtGrid();
    showList(QStringLiteral("SELECT Nombre, Contrato FROM Suscriptores"));
    ASSERT_EQ(pdfs().size(), 1) << session.transcript.sinceMark().toStdString();
    EXPECT_EQ(pdfInfo(pdfs().first()), QStringLiteral("612 x 792, 1 pages"));
    EXPECT_TRUE(
        transcript(QStringLiteral("question")).join(u'\n').contains(QStringLiteral("¿Imprime o Exporta?")));
    EXPECT_FALSE(session.transcript.sinceMark().contains(QStringLiteral("AVISO")));
    EXPECT_EQ(transcript(QStringLiteral("print")),
              QStringList{QStringLiteral("[print] ") +
                          QDir::toNativeSeparators(m_prints.filePath(pdfs().first())) +
                          QStringLiteral(" 1")});
}

TEST_F(TablePrintTest, aTableTooWideEvenLandscapeAsksAndYesPrintsNothing)
{
    struct Case
    {
        QString answer;
        int files;
    };
    const Case cases[] = {{QStringLiteral("Yes"), 0}, {QStringLiteral("No"), 1}};
    for (const Case& c : cases) {
        session.transcript.mark();
        for (const QString& name : pdfs())
            QFile::remove(QDir(m_prints.path()).filePath(name));
        printAtGrid(9000);
        user.answer(QStringLiteral("Yes"));
        user.answer(c.answer);
        terminaAtGrid();
        showList(QStringLiteral("SELECT Nombre, Contrato, Calle, Colonia, Teléfono, Observaciones FROM "
                                "Suscriptores"));
        EXPECT_TRUE(transcript(QStringLiteral("question"))
                        .join(u'\n')
                        .contains(QStringLiteral("AVISO: La Tabla excede las Dimensiones del Papel.")))
            << session.transcript.sinceMark().toStdString();
        ASSERT_EQ(pdfs().size(), c.files) << c.answer.toStdString();
        if (c.files > 0) {
            EXPECT_TRUE(pdfInfo(pdfs().first()).startsWith(QStringLiteral("792 x 612")));
        }
        EXPECT_TRUE(user.refused.isEmpty());
    }
}

TEST_F(TablePrintTest, everyTenPagesTheUserIsAskedAndCancelStopsThere)
{
    for (int i = 0; i < 600; ++i) {
        const db::DbError error = session.database.CurrentDatabase->execute(
            QStringLiteral("INSERT INTO Gastos (Tipo, Descripción, Monto, Fecha) VALUES ('Varios', ?, 10, "
                           "#12/10/2026#)"),
            {QStringLiteral("Gasto %1").arg(i)});
        ASSERT_TRUE(error.ok()) << error.description.toStdString();
    }
    printAtGrid();
    user.answer(QStringLiteral("Yes"));
    user.then([](const WaitContext& context) {
        EXPECT_TRUE(context.description.contains(QStringLiteral("Imprime siguientes 10 páginas")))
            << context.description.toStdString();
        context.respond(QStringLiteral("answer"), QStringLiteral("Cancel"));
    });
    terminaAtGrid();
    showList(QStringLiteral("SELECT Descripción, Monto FROM Gastos"));
    ASSERT_EQ(pdfs().size(), 1);
    EXPECT_EQ(pdfInfo(pdfs().first()), QStringLiteral("612 x 792, 10 pages"));
}

TEST_F(TablePrintTest, anExportCancelledAtTheQuestionLeavesNothing)
{
    printAtGrid();
    user.answer(QStringLiteral("Cancel"));
    terminaAtGrid();
    showList(QStringLiteral("SELECT Nombre FROM Suscriptores"));
    EXPECT_TRUE(pdfs().isEmpty());
    EXPECT_TRUE(transcript(QStringLiteral("print")).isEmpty());
    EXPECT_TRUE(transcript(QStringLiteral("file")).isEmpty());
}

} // namespace
} // namespace quelmar::output
