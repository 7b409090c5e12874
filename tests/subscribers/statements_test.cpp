// Every statement the office program runs, with real dates and keys put in, runs on a demo database through
// the companion command and gives the columns the screens expect.

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Output
{
    int exitCode = -1;
    QString out;
    QString err;
};

Output admin(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral(QUELMAR_ADMIN), arguments);
    process.waitForFinished(120000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

class OfficeStatements : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        folder = new QTemporaryDir;
        const Output created =
            admin({QStringLiteral("create-demo"), folder->filePath(QStringLiteral("oficina")),
                   QStringLiteral("--subscribers"), QStringLiteral("300"), QStringLiteral("--years"),
                   QStringLiteral("2")});
        ASSERT_EQ(created.exitCode, 0) << created.err.toStdString();
        // A day with payments, for the daily screens.
        const QStringList lines =
            query(QStringLiteral("SELECT Max(Fecha) AS Dia FROM Pagos")).out.split(QLatin1Char('\n'));
        const QDate day = QDate::fromString(lines.value(1).trimmed(), Qt::ISODate);
        ASSERT_TRUE(day.isValid()) << lines.join(QLatin1Char('|')).toStdString();
        paymentDay = QStringLiteral("#%1#").arg(day.toString(QStringLiteral("MM-dd-yyyy")));
    }
    static void TearDownTestSuite()
    {
        delete folder;
        folder = nullptr;
    }

    static Output query(const QString& statement)
    {
        return admin(
            {QStringLiteral("query"), folder->filePath(QStringLiteral("oficina/Quelmar.mdb")), statement});
    }

    static QTemporaryDir* folder;
    static QString paymentDay;
};

QTemporaryDir* OfficeStatements::folder = nullptr;
QString OfficeStatements::paymentDay;

// {statement, the columns it must give; for a crosstab, the number of columns before the pivot values: the
// columns given are then the first ones, and at least one pivot column must follow the row columns}
struct Case
{
    const char* statement;
    const char* columns;
    int rowColumns = 0;
};

const Case cases[] = {
    // Subscribers and their lists.
    {"SELECT Suscriptores.Nombre, Suscriptores.Contrato, Suscriptores.Clase, Unidades, "
     "Suscriptores.Situación, "
     "Suscriptores.Instalación, Poste, Suscriptores.Vencimiento, Suscriptores.Calle, Suscriptores.Colonia, "
     "Suscriptores.Teléfono, Suscriptores.Observaciones FROM Suscriptores",
     "Nombre Contrato Clase Unidades Situación Instalación Poste Vencimiento Calle Colonia Teléfono "
     "Observaciones"},
    {"SELECT Suscriptores.Nombre, Suscriptores.Contrato, Suscriptores.Clase, Suscriptores.Situación, "
     "Suscriptores.Instalación, Suscriptores.Vencimiento, Suscriptores.Calle, Suscriptores.Colonia, "
     "Suscriptores.Teléfono, Suscriptores.Observaciones FROM Suscriptores ORDER BY Suscriptores.Nombre",
     "Nombre Contrato Clase Situación Instalación Vencimiento Calle Colonia Teléfono Observaciones"},
    {"SELECT DISTINCTROW Suscriptores.Instalación,Suscriptores.Nombre, Suscriptores.Calle, "
     "Suscriptores.Colonia, "
     "Suscriptores.Poste, Suscriptores.Teléfono, Suscriptores.Contrato FROM Suscriptores ORDER BY "
     "Suscriptores.Instalación Desc",
     "Instalación Nombre Calle Colonia Poste Teléfono Contrato"},
    {"SELECT DISTINCTROW Suscriptores.Contrato, Suscriptores.Nombre, Suscriptores.Teléfono, "
     "Suscriptores.Situación, "
     "Suscriptores.Vencimiento FROM Suscriptores ORDER BY Suscriptores.Contrato Desc",
     "Contrato Nombre Teléfono Situación Vencimiento"},
    {"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase FROM Suscriptores WHERE Situación = "
     "'Conectado'",
     "Nombre Contrato Teléfono Vencimiento Situación Clase"},
    {"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase, Calle, Colonia, Poste FROM Suscriptores "
     "WHERE "
     "Situación = 'Vencido'",
     "Nombre Contrato Teléfono Vencimiento Situación Clase Calle Colonia Poste"},
    {"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase , Calle, Colonia, Poste FROM Suscriptores "
     "WHERE "
     "Situación = 'Cortado'",
     "Nombre Contrato Teléfono Vencimiento Situación Clase Calle Colonia Poste"},
    {"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase , Calle, Colonia, Poste FROM Suscriptores "
     "WHERE "
     "Situación = 'Baja'",
     "Nombre Contrato Teléfono Vencimiento Situación Clase Calle Colonia Poste"},
    {"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase, Calle, Colonia, Poste FROM Suscriptores "
     "WHERE "
     "Situación = 'Por Instalar'",
     "Nombre Contrato Teléfono Vencimiento Situación Clase Calle Colonia Poste"},
    {"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase, Calle, Colonia, Poste FROM Suscriptores "
     "WHERE "
     "Situación = 'Por Reconectar'",
     "Nombre Contrato Teléfono Vencimiento Situación Clase Calle Colonia Poste"},
    {"SELECT DISTINCTROW Suscriptores.Vencimiento, Suscriptores.Nombre, Suscriptores.Teléfono, "
     "Suscriptores.Instalación, Calle, Colonia, Poste, Contrato FROM Suscriptores WHERE Situación "
     "='Conectado' AND "
     "Suscriptores.Vencimiento = #12-10-2026#",
     "Vencimiento Nombre Teléfono Instalación Calle Colonia Poste Contrato"},
    {"SELECT Vencimiento, Nombre, Teléfono, Contrato, Instalación, Calle, Colonia, Poste FROM Suscriptores "
     "WHERE "
     "Situación ='Conectado' AND Suscriptores.Vencimiento >= #01-01-2025# AND Suscriptores.Vencimiento <= "
     "#12-31-2027#",
     "Vencimiento Nombre Teléfono Contrato Instalación Calle Colonia Poste"},
    // Statistics.
    {"TRANSFORM Count(*) AS Suma SELECT Suscriptores.Colonia, Count(*) AS Total FROM Suscriptores GROUP BY "
     "Suscriptores.Colonia PIVOT Suscriptores.Clase",
     "Colonia Total 1-2 TV 3-4 TV Hotel", 2},
    {"SELECT Suscriptores.Clase, Count(*) AS Total FROM Suscriptores GROUP BY Suscriptores.Clase",
     "Clase Total"},
    {"TRANSFORM Count(*) AS Suma SELECT Suscriptores.Instalación, Count(*) AS Total FROM Suscriptores  WHERE "
     "Suscriptores.Instalación >= #01-01-1990# AND Suscriptores.Instalación <= #12-31-2026# GROUP BY "
     "Suscriptores.Instalación PIVOT Suscriptores.Clase",
     "Instalación Total", 2},
    {"TRANSFORM Count(*) as Suma SELECT Vencimiento,Count(*) as Total FROM Suscriptores WHERE Situación "
     "='Conectado' "
     "AND Vencimiento >= #01-01-2020# AND Vencimiento <= #12-31-2030# GROUP BY Vencimiento PIVOT "
     "Suscriptores.Clase",
     "Vencimiento Total", 2},
    {"TRANSFORM Count(*) AS Suma SELECT Suscriptores.Situación, Count(*) AS Total FROM Suscriptores GROUP BY "
     "Suscriptores.Situación PIVOT Suscriptores.Clase",
     "Situación Total 1-2 TV 3-4 TV Hotel", 2},
    // Payments.
    {"SELECT DISTINCTROW Suscriptores.Clave,Suscriptores.Nombre, Suscriptores.Contrato, Suscriptores.Clase, "
     "Suscriptores.Vencimiento, Suscriptores.Situación, Suscriptores.Teléfono FROM Suscriptores",
     "Clave Nombre Contrato Clase Vencimiento Situación Teléfono"},
    {"SELECT Pagos.Fecha, Pagos.Concepto, Pagos.Cantidad,Pagos.Observaciones,Pagos.ticket FROM PAGOS WHERE "
     "Pagos.Suscriptor = 1 ORDER BY Pagos.Fecha Desc",
     "Fecha Concepto Cantidad Observaciones Ticket"},
    {"SELECT Pagos.Cantidad, Pagos.Fecha, Pagos.Ticket, Pagos.Concepto, Pagos.Observaciones FROM Pagos WHERE "
     "Pagos.Suscriptor = 1",
     "Cantidad Fecha Ticket Concepto Observaciones"},
    {"SELECT Suscriptores.Nombre,Suscriptores.Contrato, Suscriptores.Vencimiento, Suscriptores.Situación, "
     "Pagos.Fecha, "
     "Pagos.Concepto, Pagos.Cantidad, Pagos.Ticket,Pagos.Observaciones FROM Suscriptores INNER JOIN Pagos ON "
     "Suscriptores.Clave = Pagos.Suscriptor WHERE Pagos.Fecha = {day}",
     "Nombre Contrato Vencimiento Situación Fecha Concepto Cantidad Ticket Observaciones"},
    {"SELECT DISTINCTROW Suscriptores.Nombre,Suscriptores.Contrato, Suscriptores.Situación, Pagos.Fecha, "
     "Pagos.Concepto, Pagos.Cantidad,Pagos.Ticket,Pagos.Observaciones FROM Suscriptores INNER JOIN Pagos ON "
     "Suscriptores.Clave = Pagos.Suscriptor WHERE Pagos.Fecha >= #01-01-2026# AND Pagos.Fecha <= "
     "#12-31-2026#",
     "Nombre Contrato Situación Fecha Concepto Cantidad Ticket Observaciones"},
    {"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase FROM Suscriptores WHERE Vencimiento > "
     "#01-01-2026# AND Vencimiento < #12-31-2026#",
     "Nombre Contrato Teléfono Vencimiento Situación Clase"},
    {"SELECT DISTINCTROW Suscriptores.Calle,Suscriptores.Nombre,Suscriptores.Contrato, Pagos.Fecha, "
     "Pagos.Concepto, "
     "Pagos.Cantidad,Pagos.Observaciones FROM Suscriptores INNER JOIN Pagos ON Suscriptores.Clave = "
     "Pagos.Suscriptor "
     "WHERE Pagos.Fecha >= #01-01-2026# AND Pagos.Fecha <= #12-31-2026# ORDER BY Suscriptores.Calle, "
     "Suscriptores.Vencimiento",
     "Calle Nombre Contrato Fecha Concepto Cantidad Observaciones"},
    {"SELECT Suscriptores.Nombre,Suscriptores.Contrato,Pagos.Concepto, Pagos.Cantidad, "
     "Pagos.Fecha,Pagos.Ticket,"
     "Pagos.Observaciones FROM Suscriptores INNER JOIN Pagos ON Suscriptores.Clave = Pagos.Suscriptor WHERE "
     "Pagos.Fecha >= #01-01-2026# AND Pagos.Fecha <= #12-31-2026# ORDER BY Suscriptores.Nombre, Pagos.Fecha "
     "Desc",
     "Nombre Contrato Concepto Cantidad Fecha Ticket Observaciones"},
    {"SELECT Pagos.Fecha, Sum(Pagos.Cantidad) AS Total From Pagos WHERE Pagos.Fecha >= #01-01-2026# AND "
     "Pagos.Fecha "
     "<= #12-31-2026# GROUP BY Pagos.Fecha",
     "Fecha Total"},
    {"SELECT Suscriptores.Nombre, Sum(Pagos.Cantidad) as Total FROM Suscriptores INNER JOIN Pagos ON "
     "Suscriptores.Clave = Pagos.Suscriptor WHERE Pagos.Fecha >= #01-01-2026# AND Pagos.Fecha <= "
     "#12-31-2026# GROUP "
     "BY Suscriptores.Nombre",
     "Nombre Total"},
    {"SELECT Suscriptores.Colonia, Sum(Pagos.Cantidad) as Total FROM Suscriptores INNER JOIN Pagos ON "
     "Suscriptores.Clave = Pagos.Suscriptor  WHERE Pagos.Fecha >= #01-01-2026# AND Pagos.Fecha <= "
     "#12-31-2026# GROUP "
     "BY Suscriptores.Colonia",
     "Colonia Total"},
    {"SELECT * From Pagos WHERE Fecha = {day}",
     "Suscriptor Fecha Cantidad Concepto Observaciones Ticket Marca"},
    {"TRANSFORM SUM(Pagos.Cantidad) SELECT Pagos.Fecha, SUM(Pagos.Cantidad) AS Total From Pagos WHERE Fecha "
     "= {day} "
     "GROUP BY Pagos.Fecha PIVOT Pagos.Concepto",
     "Fecha Total", 2},
    {"TRANSFORM COUNT(Pagos.Cantidad) SELECT Pagos.Fecha, COUNT(Pagos.Cantidad) AS Total From Pagos WHERE "
     "Fecha = "
     "{day} GROUP BY Pagos.Fecha PIVOT Pagos.Concepto",
     "Fecha Total", 2},
    {"SELECT Nombre, Clase, Unidades, Situación,Vencimiento,Contrato,Observaciones FROM Suscriptores WHERE "
     "Clave = 1",
     "Nombre Clase Unidades Situación Vencimiento Contrato Observaciones"},
    {"SELECT Pagos.Suscriptor, Pagos.Fecha, Pagos.Cantidad,Pagos.Concepto, Pagos.Observaciones,Pagos.Ticket "
     "FROM Pagos",
     "Suscriptor Fecha Cantidad Concepto Observaciones Ticket"},
    // Status.
    {"SELECT Nombre, Contrato, Situación, Vencimiento, Clase, Unidades FROM Suscriptores WHERE Clave = 1",
     "Nombre Contrato Situación Vencimiento Clase Unidades"},
    {"SELECT Situación FROM Suscriptores WHERE Clave = 1", "Situación"},
    {"SELECT Suscriptor, [Situación Anterior], Fecha, [Cambiado por], Nota,Clase,Unidades,Vencimiento FROM "
     "Situación",
     "Suscriptor Situación Anterior Fecha Cambiado por Nota Clase Unidades Vencimiento"},
    {"SELECT DISTINCTROW Situación.Fecha From Situación Where Situación.Nota Like 'Cortado*' And "
     "Situación.Suscriptor = 1 ORDER BY Situación.Fecha DESC",
     "Fecha"},
    {"SELECT Suscriptor,[Situación Anterior],Vencimiento,Clase,Fecha, [Cambiado por], Nota FROM Situación",
     "Suscriptor Situación Anterior Vencimiento Clase Fecha Cambiado por Nota"},
    {"SELECT DISTINCTROW Suscriptores.Clave, Suscriptores.Nombre, Suscriptores.Contrato, "
     "Suscriptores.Teléfono, "
     "Suscriptores.Clase, Suscriptores.Vencimiento, Suscriptores.Situación FROM Suscriptores",
     "Clave Nombre Contrato Teléfono Clase Vencimiento Situación"},
    {"SELECT Situación.[Situación Anterior],Situación.Fecha,Situación.Clase,Situación.Unidades,[Cambiado "
     "por],"
     "Situación.Vencimiento, Situación.Nota FROM Situación WHERE Situación.Suscriptor = 1",
     "Situación Anterior Fecha Clase Unidades Cambiado por Vencimiento Nota"},
    {"SELECT Suscriptores.Nombre, [Situación "
     "Anterior],Situación.Vencimiento,Situación.Clase,Situación.Unidades,"
     "[Cambiado por],Situación.Fecha, Situación.Nota FROM Situación, Suscriptores WHERE Suscriptores.Clave = "
     "Situación.Suscriptor AND Situación.Fecha >= #01-01-2020# AND Situación.Fecha <= #12-31-2026# ORDER BY "
     "Situación.Suscriptor,Situación.Fecha Desc",
     "Nombre Situación Anterior Vencimiento Clase Unidades Cambiado por Fecha Nota"},
    {"SELECT Suscriptores.Nombre, [Situación Anterior],Situación.Vencimiento, "
     "Situación.Clase,Situación.Unidades,"
     "[Cambiado por],Situación.Fecha, Situación.Nota FROM Situación, Suscriptores WHERE Suscriptores.Clave = "
     "Situación.Suscriptor AND Situación.Suscriptor = 1",
     "Nombre Situación Anterior Vencimiento Clase Unidades Cambiado por Fecha Nota"},
    // The chooser and the search.
    {"SELECT Suscriptores.Nombre,Suscriptores.Clave, Suscriptores.Calle,Suscriptores.Contrato, "
     "Suscriptores.Colonia, "
     "Suscriptores.Clase, Suscriptores.Situación, Suscriptores.Vencimiento FROM Suscriptores",
     "Nombre Clave Calle Contrato Colonia Clase Situación Vencimiento"},
    {"SELECT Contrato, Nombre,Clave, Clase, Situación,Vencimiento FROM Suscriptores WHERE Contrato >= 1 AND "
     "Contrato "
     "<= 31",
     "Contrato Nombre Clave Clase Situación Vencimiento"},
    // Complaints.
    {"SELECT Cliente, Descripción, Recibida FROM Quejas", "Cliente Descripción Recibida"},
    {"SELECT Cliente,Descripción,Recibida, Origen, Solución, Fecha FROM Quejas WHERE Cliente = 1",
     "Cliente Descripción Recibida Origen Solución Fecha"},
    {"SELECT DISTINCTROW Suscriptores.Nombre, Suscriptores.Contrato, Quejas.Descripción, Quejas.Recibida, "
     "Quejas.Origen,Suscriptores.Calle,Suscriptores.Colonia,Suscriptores.Teléfono,Quejas.Clave FROM "
     "Suscriptores "
     "INNER JOIN Quejas ON Suscriptores.Clave = Quejas.Cliente WHERE Quejas.Solución = Null",
     "Nombre Contrato Descripción Recibida Origen Calle Colonia Teléfono Clave"},
    {"SELECT DISTINCTROW Suscriptores.Nombre, Suscriptores.Contrato, Quejas.Recibida, Quejas.Descripción, "
     "Quejas.Origen, Quejas.Solución, Quejas.Fecha FROM Suscriptores INNER JOIN Quejas ON Suscriptores.Clave "
     "= "
     "Quejas.Cliente WHERE Quejas.Recibida >= #01-01-2020# AND Quejas.Recibida <= #12-31-2026#",
     "Nombre Contrato Recibida Descripción Origen Solución Fecha"},
    {"SELECT Quejas.Descripción, Quejas.Recibida, Quejas.Origen, Quejas.Solución, Quejas.Fecha FROM Quejas "
     "WHERE  "
     "Quejas.Cliente = 1",
     "Descripción Recibida Origen Solución Fecha"},
    // Expenses.
    {"SELECT Descripción, Monto, Comprobante FROM Gastos", "Descripción Monto Comprobante"},
    {"SELECT Descripción, Monto, Comprobante, Fecha,Cheque FROM Gastos",
     "Descripción Monto Comprobante Fecha Cheque"},
    {"SELECT Tipo,Descripción, Monto, Comprobante, Fecha, Cheque FROM Gastos WHERE Fecha >= #01-01-2026# AND "
     "Fecha <= "
     "#12-31-2026#",
     "Tipo Descripción Monto Comprobante Fecha Cheque"},
    {"SELECT Cheque,Descripción, Monto, Comprobante, Fecha FROM Gastos WHERE Fecha >= #01-01-2026# AND Fecha "
     "<= "
     "#12-31-2026# AND Cheque = NULL",
     "Cheque Descripción Monto Comprobante Fecha"},
    {"SELECT Cheque,Descripción, Monto, Comprobante, Fecha FROM Gastos  WHERE Fecha >= #01-01-2026# AND "
     "Fecha <= "
     "#12-31-2026# ORDER BY Cheque Desc",
     "Cheque Descripción Monto Comprobante Fecha"},
    {"SELECT Tipo,Descripción,Monto, Comprobante, Fecha, Cheque FROM Gastos WHERE Fecha >= #01-01-2026# AND "
     "Fecha <= "
     "#12-31-2026# ORDER BY Tipo",
     "Tipo Descripción Monto Comprobante Fecha Cheque"},
    {"TRANSFORM Sum(Gastos.Monto) AS Valor SELECT Gastos.Fecha, Sum(Gastos.Monto) AS [Total] FROM Gastos "
     "WHERE "
     "(Gastos.Fecha >= #01-01-2025# AND Gastos.Fecha <= #12-31-2026#) GROUP BY Gastos.Fecha ORDER BY "
     "Gastos.Fecha "
     "DESC PIVOT Gastos.Tipo",
     "Fecha Total", 2},
    // Work orders and notices.
    {"SELECT DISTINCTROW Nombre,Contrato,Situación,Vencimiento,Calle,Colonia,Zona,Clave,Marca FROM "
     "Suscriptores WHERE "
     "Suscriptores.Situación like '*Por Reconectar*'",
     "Nombre Contrato Situación Vencimiento Calle Colonia Zona Clave Marca"},
    {"SELECT DISTINCTROW Nombre,Contrato,Situación,Vencimiento,Calle,Colonia,Zona,Clave,Marca FROM "
     "Suscriptores WHERE "
     "Suscriptores.Situación like '*Vencido*'",
     "Nombre Contrato Situación Vencimiento Calle Colonia Zona Clave Marca"},
    {"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación, Calle, Colonia, Poste FROM Suscriptores Where "
     "Clave = 1",
     "Nombre Contrato Teléfono Vencimiento Situación Calle Colonia Poste"},
    {"Select Nombre,Clave,Contrato,Teléfono,Calle From Suscriptores", "Nombre Clave Contrato Teléfono Calle"},
    {"Select Clave, Nombre, Observaciones FROM Suscriptores WHERE Observaciones LIKE '*Aviso=*'",
     "Clave Nombre Observaciones"},
    {"Select Clave, Nombre, Observaciones FROM Suscriptores WHERE Observaciones LIKE '*Aviso=2*'",
     "Clave Nombre Observaciones"},
    // Parameters.
    {"Select Nombre,Clave as Nivel, Contenido as [Clave Acceso], Clase From Parametros WHERE Clase = 'LA' ",
     "Nombre Nivel Clave Acceso Clase"},
    {"Select Nombre, Contenido as Contador, Clase From Parametros WHERE Clase = 'DOC' ",
     "Nombre Contador Clase"},
    {"Select Nombre, Contenido, Clase From Parametros WHERE Clase = 'CONS' ", "Nombre Contenido Clase"},
    {"Select Nombre as Clasificador,Clase From Parametros WHERE Clase like '!C*' AND Clave like '*@*' AND "
     "(Contenido "
     "= null OR Contenido <>'x')",
     "Clasificador Clase"},
    {"Select Nombre as Clasificador,Clase From Parametros WHERE Clase like '!CSit' and (Clave not like '*@*' "
     "or Clave "
     "is null)",
     "Clasificador Clase"},
    {"Select Nombre, Clave as Varios, Contenido as Cuota, Clase FROM Parametros WHERE Clase = 'P'",
     "Nombre Varios Cuota Clase"},
    {"Select Nombre,Clave From Parametros Where Clase='!CSit' Order By Secuen", "Nombre Clave"},
};

} // namespace

TEST_F(OfficeStatements, EveryStatementRunsAndGivesItsColumns)
{
    for (const Case& c : cases) {
        QString statement = QString::fromUtf8(c.statement);
        statement.replace(QStringLiteral("{day}"), paymentDay);
        const Output result = query(statement);
        ASSERT_EQ(result.exitCode, 0) << c.statement << "\n" << result.err.toStdString();
        const QStringList columns = result.out.section(QLatin1Char('\n'), 0, 0).split(QLatin1Char('\t'));
        const QString expected = QString::fromUtf8(c.columns);
        // Columns are separated by blanks in the table; names with blanks are matched as written.
        QString shown = columns.join(QLatin1Char(' '));
        if (c.rowColumns > 0) {
            EXPECT_TRUE(shown.startsWith(expected)) << c.statement << "\n" << shown.toStdString();
            EXPECT_GT(columns.size(), c.rowColumns) << "no pivot columns: " << c.statement;
        } else {
            EXPECT_EQ(shown, expected) << c.statement;
        }
    }
}

TEST_F(OfficeStatements, TextComparisonsIgnoreCase)
{
    const Output lower =
        query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Situación = 'conectado'"));
    const Output exact =
        query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Situación = 'Conectado'"));
    ASSERT_EQ(lower.exitCode, 0);
    EXPECT_EQ(lower.out, exact.out);
    EXPECT_GT(lower.out.count(QLatin1Char('\n')), 10);
}

TEST_F(OfficeStatements, BadStatementsFailWithTheEngineNumber)
{
    const Output bad = query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE"));
    EXPECT_NE(bad.exitCode, 0);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("3061"))) << bad.err.toStdString();
    const Output missing = query(QStringLiteral("SELECT * FROM Clientes"));
    EXPECT_NE(missing.exitCode, 0);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("3078"))) << missing.err.toStdString();
}
