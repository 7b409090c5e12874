#include "office/listings.h"

#include <QStringView>

namespace quelmar::office {

namespace {

// One listing. Title and statement are patterns: {TodayText}, {TodayLiteral}, {P} (period text), {from},
// {to}, {T} (day text), {D} (day literal) and {N} (a count) stand for the values of the call.
struct Row
{
    QStringView option;
    DateQuestion question;
    QStringView mode;
    int sourceKind;
    QStringView title;
    QStringView statement;
    QStringView options;
};

constexpr DateQuestion None = DateQuestion::None;
constexpr DateQuestion Period = DateQuestion::Period;
constexpr DateQuestion Day = DateQuestion::Day;

const Row rows[] = {
    // Subscriber lists (submenu "14").
    {u"141", None, u"TabPre", 1, u"Alfabético Suscriptores",
     u"SELECT Suscriptores.Nombre, Suscriptores.Contrato, Suscriptores.Clase, Suscriptores.Situación, "
     u"Suscriptores.Instalación, Suscriptores.Vencimiento, Suscriptores.Calle, Suscriptores.Colonia, "
     u"Suscriptores.Teléfono, Suscriptores.Observaciones FROM Suscriptores ORDER BY Suscriptores.Nombre",
     u""},
    {u"142", None, u"TabPre", 1, u"Instalación",
     u"SELECT DISTINCTROW Suscriptores.Instalación,Suscriptores.Nombre, Suscriptores.Calle, "
     u"Suscriptores.Colonia, Suscriptores.Poste, Suscriptores.Teléfono, Suscriptores.Contrato FROM "
     u"Suscriptores ORDER BY Suscriptores.Instalación Desc",
     u""},
    {u"143", None, u"TabPre", 1, u"",
     u"SELECT DISTINCTROW Suscriptores.Contrato, Suscriptores.Nombre, Suscriptores.Teléfono, "
     u"Suscriptores.Situación, Suscriptores.Vencimiento FROM Suscriptores ORDER BY Suscriptores.Contrato "
     u"Desc",
     u"Contrato"},
    {u"144", None, u"TabPre", 2, u"Suscriptores Conectados {TodayText}",
     u"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase FROM Suscriptores WHERE Situación = "
     u"'Conectado'",
     u""},
    {u"145", None, u"TabPre", 2, u"Suscriptores Vencidos {TodayText}",
     u"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase, Calle, Colonia, Poste FROM Suscriptores "
     u"WHERE Situación = 'Vencido'",
     u""},
    {u"146", None, u"TabPre", 2, u"Suscriptores Cortados {TodayText}",
     u"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase , Calle, Colonia, Poste FROM "
     u"Suscriptores "
     u"WHERE Situación = 'Cortado'",
     u""},
    {u"147", None, u"TabPre", 2, u"Suscriptores con Baja definitiva {TodayText}",
     u"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase , Calle, Colonia, Poste FROM "
     u"Suscriptores "
     u"WHERE Situación = 'Baja'",
     u""},
    {u"148", None, u"TabPre", 2, u"Pendientes de Instalar {TodayText}",
     u"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase, Calle, Colonia, Poste FROM Suscriptores "
     u"WHERE Situación = 'Por Instalar'",
     u""},
    {u"149", None, u"TabPre", 2, u"Pendientes de Reconectar {TodayText}",
     u"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase, Calle, Colonia, Poste FROM Suscriptores "
     u"WHERE Situación = 'Por Reconectar'",
     u""},

    // Expirations (submenu "15").
    {u"151", None, u"TabPre", 1, u"Diario de Vencimientos {TodayText}",
     u"SELECT DISTINCTROW Suscriptores.Vencimiento, Suscriptores.Nombre, Suscriptores.Teléfono, "
     u"Suscriptores.Instalación, Calle, Colonia, Poste, Contrato FROM Suscriptores WHERE Situación "
     u"='Conectado' AND Suscriptores.Vencimiento = {TodayLiteral}",
     u""},
    {u"152", Period, u"TabPre", 1, u"Vencimientos {P}",
     u"SELECT Vencimiento, Nombre, Teléfono, Contrato, Instalación, Calle, Colonia, Poste FROM Suscriptores "
     u"WHERE Situación ='Conectado' AND Suscriptores.Vencimiento >= {from} AND Suscriptores.Vencimiento <= "
     u"{to}",
     u""},

    // Statistics (submenu "16"): "E" offers the statistics graph.
    {u"161", None, u"TabPre", 2, u"Estadisticas de  Colonia",
     u"TRANSFORM Count(*) AS Suma SELECT Suscriptores.Colonia, Count(*) AS Total FROM Suscriptores GROUP BY "
     u"Suscriptores.Colonia PIVOT Suscriptores.Clase",
     u"E"},
    {u"162", None, u"TabPre", 2, u"Estadisticas por Clase",
     u"SELECT Suscriptores.Clase, Count(*) AS Total FROM Suscriptores GROUP BY Suscriptores.Clase", u"E"},
    {u"163", Period, u"TabPre", 2, u"Estadística Instalación {P}",
     u"TRANSFORM Count(*) AS Suma SELECT Suscriptores.Instalación, Count(*) AS Total FROM Suscriptores  "
     u"WHERE "
     u"Suscriptores.Instalación >= {from} AND Suscriptores.Instalación <= {to} GROUP BY "
     u"Suscriptores.Instalación PIVOT Suscriptores.Clase",
     u"E"},
    {u"164", Period, u"TabPre", 2, u"Vencimientos {P}",
     u"TRANSFORM Count(*) as Suma SELECT Vencimiento,Count(*) as Total FROM Suscriptores WHERE Situación "
     u"='Conectado' AND Vencimiento >= {from} AND Vencimiento <= {to} GROUP BY Vencimiento PIVOT "
     u"Suscriptores.Clase",
     u"E"},
    {u"165", None, u"TabPre", 2, u"Estadisticas de Situación",
     u"TRANSFORM Count(*) AS Suma SELECT Suscriptores.Situación, Count(*) AS Total FROM Suscriptores GROUP "
     u"BY "
     u"Suscriptores.Situación PIVOT Suscriptores.Clase",
     u"E"},

    // Payment lists (submenu "23").
    {u"231", Day, u"TabPre", 2, u"Diario de Pagos {T}",
     u"SELECT Suscriptores.Nombre,Suscriptores.Contrato, Suscriptores.Vencimiento, Suscriptores.Situación, "
     u"Pagos.Fecha, Pagos.Concepto, Pagos.Cantidad, Pagos.Ticket,Pagos.Observaciones FROM Suscriptores INNER "
     u"JOIN Pagos ON Suscriptores.Clave = Pagos.Suscriptor WHERE Pagos.Fecha = {D}",
     u"ET 6 NoG"},
    {u"232", Period, u"TabPre", 2, u"Pagos {P}",
     u"SELECT DISTINCTROW Suscriptores.Nombre,Suscriptores.Contrato, Suscriptores.Situación, Pagos.Fecha, "
     u"Pagos.Concepto, Pagos.Cantidad,Pagos.Ticket,Pagos.Observaciones FROM Suscriptores INNER JOIN Pagos ON "
     u"Suscriptores.Clave = Pagos.Suscriptor WHERE Pagos.Fecha >= {from} AND Pagos.Fecha <= {to}",
     u""},
    {u"233", Period, u"TabPre", 2, u"Pagos previstos {P}",
     u"SELECT Nombre,Contrato,Teléfono, Vencimiento,Situación,Clase FROM Suscriptores WHERE Vencimiento > "
     u"{from} AND Vencimiento < {to}",
     u""},
    {u"234", Period, u"TabPre", 2, u"Pagos por Calle {P}",
     u"SELECT DISTINCTROW Suscriptores.Calle,Suscriptores.Nombre,Suscriptores.Contrato, Pagos.Fecha, "
     u"Pagos.Concepto, Pagos.Cantidad,Pagos.Observaciones FROM Suscriptores INNER JOIN Pagos ON "
     u"Suscriptores.Clave = Pagos.Suscriptor WHERE Pagos.Fecha >= {from} AND Pagos.Fecha <= {to} ORDER BY "
     u"Suscriptores.Calle, Suscriptores.Vencimiento",
     u"ET 5 NoG"},
    {u"235", Period, u"TabPre", 2, u"Pagos por Suscriptor {P}",
     u"SELECT Suscriptores.Nombre,Suscriptores.Contrato,Pagos.Concepto, Pagos.Cantidad, "
     u"Pagos.Fecha,Pagos.Ticket,Pagos.Observaciones FROM Suscriptores INNER JOIN Pagos ON Suscriptores.Clave "
     u"= "
     u"Pagos.Suscriptor WHERE Pagos.Fecha >= {from} AND Pagos.Fecha <= {to} ORDER BY Suscriptores.Nombre, "
     u"Pagos.Fecha Desc",
     u"ET 3 NoG"},

    // Payment statistics (submenu "24"; option 4, the daily income, is a sequence of its own).
    {u"241", Period, u"TabPre", 2, u"Estadísticas de Pagos",
     u"SELECT Pagos.Fecha, Sum(Pagos.Cantidad) AS Total From Pagos WHERE Pagos.Fecha >= {from} AND "
     u"Pagos.Fecha <= {to} GROUP BY Pagos.Fecha",
     u"ET 1"},
    {u"242", Period, u"TabPre", 2, u"Pagos Totales por Suscriptor ",
     u"SELECT Suscriptores.Nombre, Sum(Pagos.Cantidad) as Total FROM Suscriptores INNER JOIN Pagos ON "
     u"Suscriptores.Clave = Pagos.Suscriptor WHERE Pagos.Fecha >= {from} AND Pagos.Fecha <= {to} GROUP BY "
     u"Suscriptores.Nombre",
     u"ET 1"},
    {u"243", Period, u"TabPre", 2, u"Pagos Totales por Colonia ",
     u"SELECT Suscriptores.Colonia, Sum(Pagos.Cantidad) as Total FROM Suscriptores INNER JOIN Pagos ON "
     u"Suscriptores.Clave = Pagos.Suscriptor  WHERE Pagos.Fecha >= {from} AND Pagos.Fecha <= {to} GROUP BY "
     u"Suscriptores.Colonia",
     u"ET 1"},

    // Status changes (submenu "3").
    {u"33", Period, u"TabPre", 1, u"Cambios de Situación",
     u"SELECT Suscriptores.Nombre, [Situación Anterior],Situación.Vencimiento,Situación.Clase,"
     u"Situación.Unidades,[Cambiado por],Situación.Fecha, Situación.Nota FROM Situación, Suscriptores WHERE "
     u"Suscriptores.Clave = Situación.Suscriptor AND Situación.Fecha >= {from} AND Situación.Fecha <= {to} "
     u"ORDER BY Situación.Suscriptor,Situación.Fecha Desc",
     u""},

    // Complaints (submenu "6").
    {u"64", Period, u"TabPre", 1, u"Reporte de Quejas{P}",
     u"SELECT DISTINCTROW Suscriptores.Nombre, Suscriptores.Contrato, Quejas.Recibida, Quejas.Descripción, "
     u"Quejas.Origen, Quejas.Solución, Quejas.Fecha FROM Suscriptores INNER JOIN Quejas ON "
     u"Suscriptores.Clave "
     u"= Quejas.Cliente WHERE Quejas.Recibida >= {from} AND Quejas.Recibida <= {to}",
     u""},

    // Expenses (submenu "7").
    {u"73", Period, u"TabPre", 2, u"Gastos{P}",
     u"SELECT Tipo,Descripción, Monto, Comprobante, Fecha, Cheque FROM Gastos WHERE Fecha >= {from} AND "
     u"Fecha "
     u"<= {to}",
     u""},
    {u"74", Period, u"TabEdi", 2, u"Reposición de Caja: Asigna Num Cheque{P}",
     u"SELECT Cheque,Descripción, Monto, Comprobante, Fecha FROM Gastos WHERE Fecha >= {from} AND Fecha <= "
     u"{to} AND Cheque = NULL",
     u""},
    {u"75", Period, u"TabPre", 2, u"Gastos por Cheques{P}",
     u"SELECT Cheque,Descripción, Monto, Comprobante, Fecha FROM Gastos  WHERE Fecha >= {from} AND Fecha <= "
     u"{to} ORDER BY Cheque Desc",
     u""},
    {u"76", Period, u"TabEdi", 2, u"Asigna Tipo a los Gastos {P}",
     u"SELECT Tipo,Descripción,Monto, Comprobante, Fecha, Cheque FROM Gastos WHERE Fecha >= {from} AND Fecha "
     u"<= {to} ORDER BY Tipo",
     u""},
    {u"77", Period, u"TabPre", 2, u"Total de Gastos{P}",
     u"TRANSFORM Sum(Gastos.Monto) AS Valor SELECT Gastos.Fecha, Sum(Gastos.Monto) AS [Total] FROM Gastos "
     u"WHERE (Gastos.Fecha >= {from} AND Gastos.Fecha <= {to}) GROUP BY Gastos.Fecha ORDER BY Gastos.Fecha "
     u"DESC PIVOT Gastos.Tipo",
     u"ET 1"},
};

// The option every unknown number of submenu "14" falls back to.
constexpr QStringView SubscriberLists = u"14";
constexpr QStringView AlphabeticalList = u"141";

const Row dailyAmounts{u"",
                       Day,
                       u"TabPre",
                       2,
                       u"Ingreso por {N} Tickets en {T}",
                       u"TRANSFORM SUM(Pagos.Cantidad) SELECT Pagos.Fecha, SUM(Pagos.Cantidad) AS Total From "
                       u"Pagos WHERE Fecha = {D} GROUP BY Pagos.Fecha PIVOT Pagos.Concepto",
                       u"E"};
const Row dailyTickets{u"",
                       Day,
                       u"TabPre",
                       2,
                       u"{N} Tickets cobrado en {T}",
                       u"TRANSFORM COUNT(Pagos.Cantidad) SELECT Pagos.Fecha, COUNT(Pagos.Cantidad) AS Total "
                       u"From Pagos WHERE Fecha = {D} GROUP BY Pagos.Fecha PIVOT Pagos.Concepto",
                       u"E"};

// The value of a pattern's placeholder; nullopt when the name is none of them.
std::optional<QString> placeholder(QStringView name, const ListingDates& dates, qint64 count)
{
    if (name == u"TodayText")
        return dates.todayText;
    if (name == u"TodayLiteral")
        return dates.todayLiteral;
    if (name == u"P")
        return dates.periodText;
    if (name == u"from")
        return dates.from;
    if (name == u"to")
        return dates.to;
    if (name == u"T")
        return dates.dayText;
    if (name == u"D")
        return dates.dayLiteral;
    if (name == u"N")
        return QString::number(count);
    return std::nullopt;
}

// The pattern with its placeholders replaced, in one pass, so that no value is ever read as a placeholder.
QString filled(QStringView pattern, const ListingDates& dates, qint64 count = 0)
{
    QString text;
    qsizetype at = 0;
    while (at < pattern.size()) {
        const qsizetype open = pattern.indexOf(u'{', at);
        const qsizetype close = open < 0 ? -1 : pattern.indexOf(u'}', open);
        if (close < 0) {
            text += pattern.mid(at);
            break;
        }
        text += pattern.mid(at, open - at);
        const std::optional<QString> value =
            placeholder(pattern.mid(open + 1, close - open - 1), dates, count);
        text += value ? *value : pattern.mid(open, close - open + 1).toString();
        at = close + 1;
    }
    return text;
}

ListingCall callOf(const Row& row, const ListingDates& dates, qint64 count = 0)
{
    return {row.mode.toString(), row.sourceKind, filled(row.title, dates, count),
            filled(row.statement, dates, count), row.options.toString()};
}

const Row* rowOf(QStringView option)
{
    for (const Row& row : rows) {
        if (row.option == option)
            return &row;
    }
    return nullptr;
}

} // namespace

std::optional<Listing> listingFor(const QString& option)
{
    const Row* row = rowOf(option);
    if (!row && option.startsWith(SubscriberLists) && option.size() > SubscriberLists.size())
        row = rowOf(AlphabeticalList);
    if (!row)
        return std::nullopt;
    return Listing{row->question, [row](const ListingDates& dates) { return callOf(*row, dates); }};
}

QString dailyIncomeStatement(const ListingDates& dates)
{
    return QStringLiteral("SELECT * From Pagos WHERE Fecha = ") + dates.dayLiteral;
}

ListingCall dailyIncomeAmounts(qint64 count, const ListingDates& dates)
{
    return callOf(dailyAmounts, dates, count);
}

ListingCall dailyIncomeTickets(qint64 count, const ListingDates& dates)
{
    return callOf(dailyTickets, dates, count);
}

} // namespace quelmar::office
