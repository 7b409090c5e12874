// Whole scripted sessions of printing, export and charts: the PDFs are read back with the system's PDF tools,
// the exported file is counted against the database, the charts are told by the transcript.
#include "officesession.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QRegularExpression>
#include <QThread>

namespace {

class OutputSession : public quelmar::automationtest::OfficeSession
{
protected:
    OutputSession() : OfficeSession(60) {}

    QString printFolder() const { return path(QStringLiteral("pdf")); }

    int runPrinting(const QString& script, QStringList* shown)
    {
        return run(script, shown, {QStringLiteral("--print-to"), printFolder()});
    }

    // The PDFs the transcript names, each with its page count.
    static QList<std::pair<QString, int>> printed(const QStringList& shown)
    {
        QList<std::pair<QString, int>> jobs;
        for (const QString& line : shown) {
            if (!line.startsWith(QStringLiteral("[print] ")))
                continue;
            const QString rest = line.mid(8);
            const qsizetype blank = rest.lastIndexOf(u' ');
            jobs.append({rest.left(blank), rest.mid(blank + 1).toInt()});
        }
        return jobs;
    }

    static QString tool(const QString& program, const QStringList& arguments)
    {
        QProcess process;
        process.start(program, arguments);
        if (!process.waitForFinished(quelmar::automationtest::ProcessTimeout))
            return {};
        return QString::fromUtf8(process.readAllStandardOutput());
    }

    static int pdfPages(const QString& file)
    {
        const QRegularExpressionMatch match = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)"))
                                                  .match(tool(QStringLiteral("pdfinfo"), {file}));
        return match.hasMatch() ? match.captured(1).toInt() : -1;
    }

    // The text of a PDF with the runs of blanks made one.
    static QString pdfText(const QString& file)
    {
        return tool(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")})
            .simplified();
    }

    QString companyName()
    {
        const QStringList files = QDir(office()).entryList({QStringLiteral("*.emp")});
        return files.isEmpty() ? QString() : lines(QDir(office()).filePath(files.first())).value(0).trimmed();
    }

    // The values of a statement's first column, one a row.
    QStringList values(const QString& statement)
    {
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("query"), office() + QStringLiteral("/Quelmar.mdb"), statement});
        EXPECT_TRUE(admin.waitForFinished(quelmar::automationtest::ProcessTimeout));
        QStringList found;
        const QStringList lines =
            QString::fromUtf8(admin.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        for (qsizetype i = 1; i < lines.size(); ++i)
            found.append(lines.at(i).section(QLatin1Char('\t'), 0, 0).trimmed());
        return found;
    }

    // The day with most payments, as the database keeps it ("2026-04-15").
    QString busiestDay()
    {
        return query(QStringLiteral("SELECT TOP 1 Fecha FROM Pagos GROUP BY Fecha ORDER BY Count(*) DESC, "
                                    "Fecha DESC"))
            .left(10);
    }

    static QString literal(const QString& day)
    {
        return QStringLiteral("#%1/%2/%3#").arg(day.mid(5, 2), day.mid(8, 2), day.left(4));
    }
};

TEST_F(OutputSession, theDailyPaymentsArePrintedWithTheHeadingAndExportedRowForRow)
{
    const QString day = busiestDay();
    ASSERT_FALSE(day.isEmpty());
    const QString count = query(QStringLiteral("SELECT Count(*) FROM Pagos WHERE Fecha = ") + literal(day));
    const QString someone =
        query(QStringLiteral("SELECT TOP 1 Suscriptores.Nombre FROM Suscriptores INNER JOIN "
                             "Pagos ON Suscriptores.Clave = Pagos.Suscriptor WHERE "
                             "Pagos.Fecha = ") +
              literal(day));
    const QString exported = path(QStringLiteral("diario.txt"));
    QStringList shown;
    ASSERT_EQ(
        runPrinting(QStringLiteral("menu 2\nmenu 3\nmenu 1\nanswer %1\n"
                                   "press Imprime\nexpect ¿Imprime, Exporta ó Cancela?\nanswer Yes\n"
                                   "press Imprime\nanswer No\nanswer %2\n"
                                   "expect Grabado el archivo: %2\nanswer OK\n"
                                   // Again under the same name: asked first; No keeps it, Yes replaces it.
                                   "press Imprime\nanswer No\nanswer %2\n"
                                   "expect El archivo %2 ya existe.  ¿Desea substituirlo?\nanswer No\n"
                                   "press Imprime\nanswer No\nanswer %2\nanswer Yes\n"
                                   "expect Grabado el archivo: %2\nanswer OK\n"
                                   "press Termina\nmenu 98\n")
                        .arg(shownDate(QDate::fromString(day, Qt::ISODate)), exported),
                    &shown),
        0)
        << transcript();

    const auto jobs = printed(shown);
    ASSERT_EQ(jobs.size(), 1) << transcript();
    EXPECT_TRUE(jobs.first().first.startsWith(QDir::toNativeSeparators(printFolder()))) << transcript();
    EXPECT_EQ(pdfPages(jobs.first().first), jobs.first().second);
    EXPECT_EQ(jobs.first().second, 1);
    const QString text = pdfText(jobs.first().first);
    EXPECT_TRUE(text.contains(companyName().toUpper())) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Diario de Pagos"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Fecha: "))) << text.toStdString();
    for (const QString& caption :
         {QStringLiteral("Nombre"), QStringLiteral("Concepto"), QStringLiteral("Ticket")})
        EXPECT_TRUE(text.contains(caption)) << caption.toStdString() << text.toStdString();
    EXPECT_TRUE(text.contains(someone.left(15))) << someone.toStdString() << text.toStdString();

    EXPECT_TRUE(m_transcript.contains(QStringLiteral("[file] ") + QDir::toNativeSeparators(exported)))
        << transcript();
    const QStringList rows = lines(exported);
    ASSERT_EQ(rows.size(), count.toInt() + 1) << transcript();
    EXPECT_TRUE(rows.first().startsWith(QStringLiteral("Nombre\tContrato\t")));
    for (const QString& row : rows)
        EXPECT_TRUE(row.endsWith(u'\t')) << row.toStdString();
}

TEST_F(OutputSession, thePaymentHistoryPrintsTheSubscriberAndThePaymentsOnOneSheet)
{
    const QString name = query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Clave = 1"));
    const QString ticket = query(QStringLiteral("SELECT TOP 1 Ticket FROM Pagos WHERE Suscriptor = 1"));
    QStringList shown;
    // One question for the subscriber and the payments under it.
    ASSERT_EQ(
        runPrinting(QStringLiteral("menu 2\nmenu 2\npress Imprime\nanswer Yes\npress Termina\nmenu 98\n"),
                    &shown),
        0)
        << transcript();
    EXPECT_EQ(m_transcript.count(QStringLiteral("¿Imprime o Exporta?")), 1) << transcript();
    const auto jobs = printed(shown);
    ASSERT_EQ(jobs.size(), 1) << transcript();
    EXPECT_EQ(jobs.first().second, 1);
    const QString text = pdfText(jobs.first().first);
    EXPECT_TRUE(text.contains(QStringLiteral("Nombre ") + name)) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Fecha Concepto Cantidad"))) << text.toStdString();
    EXPECT_GT(text.indexOf(QStringLiteral("Concepto")), text.indexOf(name)) << text.toStdString();
    ASSERT_FALSE(ticket.isEmpty());
    EXPECT_TRUE(text.contains(QLocale(QLocale::English).toString(ticket.toInt()))) << text.toStdString();
}

TEST_F(OutputSession, aWideListIsPrintedLandscapeWithEveryRow)
{
    const QString first = query(QStringLiteral("SELECT TOP 1 Nombre FROM Suscriptores ORDER BY Nombre"));
    const QString last = query(QStringLiteral("SELECT TOP 1 Nombre FROM Suscriptores ORDER BY Nombre DESC"));
    QStringList shown;
    ASSERT_EQ(runPrinting(QStringLiteral(
                              "menu 1\nmenu 4\nmenu 1\npress Imprime\nanswer Yes\npress Termina\nmenu 98\n"),
                          &shown),
              0)
        << transcript();
    const auto jobs = printed(shown);
    ASSERT_EQ(jobs.size(), 1) << transcript();
    EXPECT_TRUE(tool(QStringLiteral("pdfinfo"), {jobs.first().first}).contains(QStringLiteral("792 x 612")));
    EXPECT_EQ(pdfPages(jobs.first().first), jobs.first().second);
    const QString text = pdfText(jobs.first().first);
    EXPECT_TRUE(text.contains(first.left(15))) << text.toStdString();
    EXPECT_TRUE(text.contains(last.left(15))) << text.toStdString();
    // Every page begins with the heading.
    EXPECT_EQ(text.count(QStringLiteral("Fecha: ")), jobs.first().second) << text.toStdString();
}

// Dates and numbers on paper as the screen shows them, never cut at the column's edge, on the lists of dates
// of the office; a long text may end in an ellipsis.
TEST_F(OutputSession, datesAndNumbersArePrintedWholeOnEveryList)
{
    const QDate today = QDate::currentDate();
    const QString years =
        QStringLiteral("answer %1 %2\n").arg(shownDate(today.addYears(-2)), shownDate(today.addYears(2)));
    const QString day = busiestDay();
    ASSERT_FALSE(day.isEmpty());
    struct Case
    {
        const char* list;
        QString opening;
        QString tickets; // the tickets the list shows, each to be found whole
    };
    const Case cases[] = {
        {"alfabética", QStringLiteral("menu 1\nmenu 4\nmenu 1\n"), QString()},
        {"vencidos", QStringLiteral("menu 1\nmenu 4\nmenu 5\n"), QString()},
        {"vencimientos del período", QStringLiteral("menu 1\nmenu 5\nmenu 2\n") + years, QString()},
        {"reporte de quejas", QStringLiteral("menu 6\nmenu 4\n") + years, QString()},
        {"diario de pagos",
         QStringLiteral("menu 2\nmenu 3\nmenu 1\nanswer %1\n")
             .arg(shownDate(QDate::fromString(day, Qt::ISODate))),
         QStringLiteral("SELECT Ticket FROM Pagos WHERE Fecha = ") + literal(day)},
    };
    static const QRegularExpression date(
        QStringLiteral("(?<!\\d)\\d\\d-(Ene|Feb|Mar|Abr|May|Jun|Jul|Ago|Sep|Oct|Nov|Dic)-(\\d*)"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.list);
        QStringList shown;
        ASSERT_EQ(
            runPrinting(c.opening + QStringLiteral("press Imprime\nanswer Yes\npress Termina\nmenu 98\n"),
                        &shown),
            0)
            << transcript();
        const auto jobs = printed(shown);
        ASSERT_EQ(jobs.size(), 1) << transcript();
        const QString text = pdfText(jobs.first().first);
        int dates = 0;
        for (const QRegularExpressionMatch& match : date.globalMatch(text)) {
            EXPECT_EQ(match.captured(2).size(), 4) << match.captured(0).toStdString() << "\n"
                                                   << text.toStdString();
            ++dates;
        }
        // The heading's date and the list's own.
        EXPECT_GT(dates, 2) << text.toStdString();
        if (c.tickets.isEmpty())
            continue;
        const QStringList tickets = values(c.tickets);
        ASSERT_FALSE(tickets.isEmpty());
        for (const QString& number : tickets) {
            const QString ticket = QLocale(QLocale::English).toString(number.toLongLong());
            EXPECT_TRUE(text.contains(QRegularExpression(QStringLiteral("(?<![\\d,])") +
                                                         QRegularExpression::escape(ticket) +
                                                         QStringLiteral("(?![\\d,])"))))
                << ticket.toStdString() << "\n"
                << text.toStdString();
        }
    }
}

// The rows printed are those the grid shows, even when another workstation changes them meanwhile so that
// the list's statement would find none of them now.
TEST_F(OutputSession, theRowsShownArePrintedThoughAnotherWorkstationChangedThem)
{
    const QStringList expired =
        values(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Situación = 'Vencido' ORDER BY Nombre"));
    ASSERT_GE(expired.size(), 2);
    const QString goOn = path(QStringLiteral("imprime.flag"));
    const QString scriptFile = path(QStringLiteral("guion-vencidos.txt"));
    const QString transcriptFile = path(QStringLiteral("transcripcion-vencidos.txt"));
    {
        QFile script(scriptFile);
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("menu 1\nmenu 4\nmenu 5\nawait %1\npress Imprime\nanswer Yes\n"
                                    "press Termina\nmenu 98\n")
                         .arg(goOn)
                         .toUtf8());
    }
    QProcess program;
    startProgram(program, {QStringLiteral("--dir"), office(), QStringLiteral("--script"), scriptFile,
                           QStringLiteral("--transcript"), transcriptFile, QStringLiteral("--print-to"),
                           printFolder()});
    ASSERT_TRUE(program.waitForStarted());
    QElapsedTimer elapsed;
    elapsed.start();
    while (!lines(transcriptFile).join(u'\n').contains(QStringLiteral("[grid] "))) {
        ASSERT_FALSE(elapsed.hasExpired(quelmar::automationtest::ProcessTimeout));
        ASSERT_EQ(program.state(), QProcess::Running) << program.readAllStandardError().toStdString();
        QThread::msleep(100);
    }
    // Meanwhile every expired subscriber pays.
    query(QStringLiteral("UPDATE Suscriptores SET Situación = 'Conectado' WHERE Situación = 'Vencido'"));
    ASSERT_EQ(query(QStringLiteral("SELECT Count(*) FROM Suscriptores WHERE Situación = 'Vencido'")),
              QStringLiteral("0"));
    {
        QFile flag(goOn);
        ASSERT_TRUE(flag.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(program.waitForFinished(quelmar::automationtest::ProcessTimeout));
    const QStringList shown = lines(transcriptFile);
    m_transcript = shown.join(u'\n') + u'\n' + QString::fromUtf8(program.readAllStandardError());
    EXPECT_EQ(program.exitCode(), 0) << transcript();
    const auto jobs = printed(shown);
    ASSERT_EQ(jobs.size(), 1) << transcript();
    const QString text = pdfText(jobs.first().first);
    for (const QString& name : expired)
        EXPECT_TRUE(text.contains(name.left(15))) << name.toStdString() << "\n" << text.toStdString();
}

TEST_F(OutputSession, aPrintFolderThatCannotBeWrittenIsToldAndLeavesNoFile)
{
    // A folder below a plain file cannot be made, not even by the administrator.
    const QString blocker = path(QStringLiteral("bloqueo"));
    {
        QFile file(blocker);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QStringList shown;
    ASSERT_EQ(run(QStringLiteral("menu 1\nmenu 6\nmenu 1\npress Imprime\nanswer Yes\n"
                                 "expect IMPRESORA: Se presenta un problema en la Impresión\nanswer Cancel\n"
                                 "press Termina\nmenu 98\n"),
                  &shown, {QStringLiteral("--print-to"), blocker + QStringLiteral("/pdf")}),
              0)
        << transcript();
    EXPECT_TRUE(printed(shown).isEmpty()) << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("Revise que la carpeta exista"))) << transcript();
}

TEST_F(OutputSession, theColonyStatisticsAreDrawnAsBarsThenAsAPieInThousandsAndSaved)
{
    const QString image = path(QStringLiteral("colonias.png"));
    const QString colonies =
        query(QStringLiteral("SELECT Count(*) FROM (SELECT DISTINCT Colonia FROM Suscriptores)"));
    QStringList shown;
    ASSERT_EQ(runPrinting(QStringLiteral("menu 1\nmenu 6\nmenu 1\npress Gráfica\n"
                                         "expect Opciones para la Gráfica\n"
                                         "answer E\nchoose 11\nanswer s\nanswer i\n"
                                         "answer G\nanswer %1\nanswer OK\nanswer I\nanswer F\n"
                                         "press Termina\nmenu 98\n")
                              .arg(image),
                          &shown),
              0)
        << transcript();
    QStringList charts;
    for (const QString& line : shown) {
        if (line.startsWith(QStringLiteral("[chart] ")))
            charts.append(line);
    }
    ASSERT_EQ(charts.size(), 3) << transcript();
    EXPECT_TRUE(charts.at(0).startsWith(QStringLiteral("[chart] ESTADISTICAS DE"))) << transcript();
    EXPECT_TRUE(charts.at(0).contains(QStringLiteral(" | tipo 1 | series:   Total;   "))) << transcript();
    EXPECT_TRUE(charts.at(1).contains(QStringLiteral(" | tipo 14 | "))) << transcript();
    EXPECT_TRUE(charts.at(2).contains(QStringLiteral("(MILES) | tipo 14 | "))) << transcript();
    const qsizetype rowsAt = charts.at(2).indexOf(QStringLiteral("| filas: "));
    ASSERT_GT(rowsAt, 0);
    EXPECT_EQ(charts.at(2).mid(rowsAt + 9).split(QStringLiteral("; ")).size(), colonies.toInt())
        << transcript();
    EXPECT_GT(QFileInfo(image).size(), 1000) << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("[file] ") + QDir::toNativeSeparators(image)));
    const auto jobs = printed(shown);
    ASSERT_EQ(jobs.size(), 1) << transcript();
    EXPECT_EQ(pdfPages(jobs.first().first), 1);
}

// A chart draws every row of its table: a day a row, for two years of payments.
TEST_F(OutputSession, theDailyTotalsOfTwoYearsAreChartedDayByDay)
{
    const QDate today = QDate::currentDate();
    const QDate from = today.addYears(-2);
    const QString days = query(
        QStringLiteral("SELECT Count(*) FROM (SELECT DISTINCT Fecha FROM Pagos WHERE "
                       "Fecha >= #%1# AND Fecha <= #%2#)")
            .arg(from.toString(QStringLiteral("MM/dd/yyyy")), today.toString(QStringLiteral("MM/dd/yyyy"))));
    ASSERT_GT(days.toInt(), 200);
    QStringList shown;
    ASSERT_EQ(runPrinting(QStringLiteral("menu 2\nmenu 4\nmenu 1\nanswer %1 %2\npress Gráfica\n"
                                         "expect Opciones para la Gráfica\nanswer E\nchoose 6\nanswer F\n"
                                         "press Termina\nmenu 98\n")
                              .arg(shownDate(from), shownDate(today)),
                          &shown),
              0)
        << transcript();
    QStringList charts;
    for (const QString& line : shown) {
        if (line.startsWith(QStringLiteral("[chart] ")))
            charts.append(line);
    }
    ASSERT_EQ(charts.size(), 2) << transcript();
    for (const QString& chart : charts) {
        const qsizetype rowsAt = chart.indexOf(QStringLiteral("| filas: "));
        ASSERT_GT(rowsAt, 0);
        EXPECT_EQ(chart.mid(rowsAt + 9).split(QStringLiteral("; ")).size(), days.toInt());
    }
    EXPECT_TRUE(charts.at(1).contains(QStringLiteral(" | tipo 5 | "))) << transcript();
}

} // namespace
