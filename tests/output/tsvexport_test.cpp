// The tab-separated export: its heading and rows, the texts of values, and what is left when it cannot
// finish.
#include "output/tsvexport.h"

#include "db/rowcursor.h"
#include "db/testdatabase.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace quelmar::output {
namespace {

class TsvExport : public testing::Test
{
protected:
    void SetUp() override
    {
        data.exec(
            QStringLiteral("INSERT INTO Clientes (Clave, Nombre, Unidades, [Fecha de Alta], Activo, Notas) "
                           "VALUES (101, 'Ana', 2, #12/10/2026#, True, 'dos\tlíneas\nen la nota')"));
        data.exec(
            QStringLiteral("INSERT INTO Clientes (Clave, Nombre, Unidades, Activo) VALUES (102, 'Beto', 1, "
                           "False)"));
    }

    std::unique_ptr<db::RowCursor> cursor(const QString& sql)
    {
        db::DbError error;
        auto rows = db::RowCursor::open(data.db(), sql, error);
        EXPECT_TRUE(rows) << error.description.toStdString();
        return rows;
    }

    static QString contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QStringLiteral("<none>");
    }

    QString path(const QString& name) const { return QDir(data.folder()).filePath(name); }

    db::testing::TestDatabase data;
};

TEST_F(TsvExport, threeFieldsGiveThreeTabEndedCaptionsAndOneTabEndedLinePerRecord)
{
    auto rows = cursor(
        QStringLiteral("SELECT Nombre, Unidades, Clave FROM Clientes WHERE Clave > 100 ORDER BY Clave"));
    const ExportResult result =
        writeTsv(*rows, {QStringLiteral("Nombre"), QStringLiteral("Unidades\n3"), QString()},
                 path(QStringLiteral("c.txt")));
    EXPECT_TRUE(result.written) << result.failure.toStdString();
    EXPECT_EQ(result.rows, 2);
    // An empty caption is the field's name.
    EXPECT_EQ(contents(path(QStringLiteral("c.txt"))),
              QStringLiteral("Nombre\tUnidades=3\tClave\t\nAna\t2\t101\t\nBeto\t1\t102\t\n"));
}

TEST_F(TsvExport, valuesAreWrittenAsTextThatKeepsTheRowsAndColumns)
{
    auto rows = cursor(QStringLiteral("SELECT [Fecha de Alta], Activo, Notas, Unidades * 1.5 AS Medio FROM "
                                      "Clientes WHERE Clave > 100 ORDER BY Clave"));
    const ExportResult result = writeTsv(*rows, {}, path(QStringLiteral("v.txt")));
    ASSERT_TRUE(result.written) << result.failure.toStdString();
    EXPECT_EQ(contents(path(QStringLiteral("v.txt"))),
              QStringLiteral("Fecha de Alta\tActivo\tNotas\tMedio\t\n"
                             "10/12/2026\tVerdadero\tdos líneas en la nota\t3\t\n"
                             "\tFalso\t\t1.5\t\n"));
}

TEST_F(TsvExport, aCrosstabIsExportedWithItsPivotColumns)
{
    auto rows =
        cursor(QStringLiteral("TRANSFORM Count(*) AS Cuenta SELECT Unidades FROM Clientes WHERE Clave > 100 "
                              "GROUP BY Unidades PIVOT Nombre"));
    ASSERT_TRUE(writeTsv(*rows, {}, path(QStringLiteral("x.txt"))).written);
    EXPECT_EQ(contents(path(QStringLiteral("x.txt"))),
              QStringLiteral("Unidades\tAna\tBeto\t\n1\t0\t1\t\n2\t1\t0\t\n"));
}

TEST_F(TsvExport, aFileThatCannotBeFinishedLeavesNothingUnderItsName)
{
    const QString earlier = path(QStringLiteral("previa.txt"));
    {
        QFile file(earlier);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("anterior\n");
    }
    // Cancelled at the first progress report: the earlier file stays as it was.
    auto rows = cursor(QStringLiteral("SELECT Nombre FROM Clientes"));
    for (int i = 0; i < 5000; ++i)
        data.exec(QStringLiteral("INSERT INTO Cobros (Cliente, Monto, Ticket) VALUES (1, 10, ?)"), {i});
    auto many = cursor(QStringLiteral("SELECT Ticket FROM Cobros"));
    const ExportResult cancelled = writeTsv(*many, {}, earlier, [](qint64) { return false; });
    EXPECT_TRUE(cancelled.cancelled);
    EXPECT_FALSE(cancelled.written);
    EXPECT_EQ(contents(earlier), QStringLiteral("anterior\n"));

    // A folder that does not exist: a failure told in the system's words, no file.
    const QString missing = path(QStringLiteral("no-existe/lista.txt"));
    const ExportResult failed = writeTsv(*rows, {}, missing);
    EXPECT_FALSE(failed.written);
    EXPECT_FALSE(failed.failure.isEmpty());
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(QDir(data.folder()).entryList({QStringLiteral("*.txt*")}, QDir::Files),
              QStringList{QStringLiteral("previa.txt")});
}

} // namespace
} // namespace quelmar::output
