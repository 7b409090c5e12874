// Whole scripted sessions of the work orders: the printed orders (their PDF read back with pdftotext) are
// checked against the database values of each subscriber and complaint.
#include "officesession.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

namespace quelmar::automationtest {
namespace {

// A template's copy takes 14 lines; with its line break, three copies share a page of fewer than 54 lines.
constexpr int OrdersPerPage = 3;

class DocumentsSession : public OfficeSession
{
protected:
    DocumentsSession() : OfficeSession(400) {}

    // Every row of a statement, its values split at the tabs (the heading line left out).
    QList<QStringList> rows(const QString& statement)
    {
        QProcess admin;
        admin.start(QStringLiteral(QUELMAR_ADMIN),
                    {QStringLiteral("query"), office() + QStringLiteral("/Quelmar.mdb"), statement});
        EXPECT_TRUE(admin.waitForFinished(ProcessTimeout));
        QStringList lines =
            QString::fromUtf8(admin.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QList<QStringList> found;
        for (qsizetype i = 1; i < lines.size(); ++i)
            found.append(lines.at(i).split(QLatin1Char('\t')));
        return found;
    }

    QString printFolder() const { return path(QStringLiteral("impresiones")); }

    int runPrinting(const QString& script, QStringList* shown = nullptr)
    {
        return run(script, shown, {QStringLiteral("--print-to"), printFolder()});
    }

    // The "[print]" lines' files with their page counts.
    static QList<std::pair<QString, int>> printed(const QStringList& shown)
    {
        static const QRegularExpression line(QStringLiteral("^\\[print\\] (.+\\.pdf) (\\d+)$"));
        QList<std::pair<QString, int>> jobs;
        for (const QString& item : shown) {
            const QRegularExpressionMatch found = line.match(item);
            if (found.hasMatch())
                jobs.append({found.captured(1), found.captured(2).toInt()});
        }
        return jobs;
    }

    // The text of a PDF (of one page of it, when page is above 0), as pdftotext reads it.
    static QString pdfText(const QString& pdf, int page = 0)
    {
        QStringList arguments;
        if (page > 0)
            arguments << QStringLiteral("-f") << QString::number(page) << QStringLiteral("-l")
                      << QString::number(page);
        arguments << pdf << QStringLiteral("-");
        QProcess reader;
        reader.start(QStringLiteral("pdftotext"), arguments);
        EXPECT_TRUE(reader.waitForFinished(ProcessTimeout));
        return QString::fromUtf8(reader.readAllStandardOutput());
    }

    QStringList filesPrinted() const { return QDir(printFolder()).entryList(QDir::Files); }
};

TEST_F(DocumentsSession, cutOrdersOfOneColonyArePrintedFromTheTemplateThreeToAPage)
{
    const QList<QStringList> colonies = rows(QStringLiteral(
        "SELECT Colonia, Count(*) FROM Suscriptores WHERE Situación like '*Vencido*' GROUP BY Colonia "
        "ORDER BY Count(*) DESC, Colonia"));
    ASSERT_FALSE(colonies.isEmpty());
    const QString colony = colonies.first().at(0);
    const QList<QStringList> expired = rows(
        QStringLiteral("SELECT Nombre, Contrato, Teléfono, Vencimiento, Calle, Poste FROM Suscriptores WHERE "
                       "Situación like '*Vencido*' AND Colonia = '%1'")
            .arg(colony));
    ASSERT_GT(expired.size(), OrdersPerPage)
        << "the demo office has too few expired subscribers in " << colony.toStdString();
    const QList<QStringList> others = rows(
        QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Situación like '*Vencido*' AND Colonia <> '%1'")
            .arg(colony));

    const QString script = QStringLiteral(R"(menu 8
menu 2
press Selecciona
choose "Colonia"
choose "exactamente"
answer %1
press Acepta
answer No
press Termina
expect Puede obtener Formatos para:
answer T
menu 98
)")
                               .arg(colony);
    QStringList shown;
    ASSERT_EQ(runPrinting(script, &shown), 0) << transcript();
    const auto jobs = printed(shown);
    ASSERT_EQ(jobs.size(), 1) << transcript();
    const int pages = (static_cast<int>(expired.size()) + OrdersPerPage - 1) / OrdersPerPage;
    EXPECT_EQ(jobs.first().second, pages) << transcript();
    EXPECT_TRUE(anyStartsWith(shown, QStringLiteral("[file] "))) << transcript();

    const QString text = pdfText(jobs.first().first);
    EXPECT_EQ(text.count(QStringLiteral("ORDEN DE CORTE DE SERVICIO")), expired.size()) << text.toStdString();
    for (const QStringList& subscriber : expired) {
        // The name sits in a fixed field of 35 characters.
        EXPECT_TRUE(text.contains(QStringLiteral("Suscriptor: ") + subscriber.at(0).left(35)))
            << subscriber.at(0).toStdString() << "\n"
            << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Contrato: ") + subscriber.at(1)))
            << subscriber.at(1).toStdString();
        EXPECT_TRUE(text.contains(subscriber.at(4) + QStringLiteral(", Col. ") + colony))
            << subscriber.at(4).toStdString();
        const QDate expiry = QDate::fromString(subscriber.at(3), Qt::ISODate);
        EXPECT_TRUE(text.contains(QStringLiteral("Vencimiento: ") + shownDate(expiry))) << text.toStdString();
    }
    for (const QStringList& other : others)
        EXPECT_FALSE(text.contains(other.at(0))) << other.at(0).toStdString();
    EXPECT_TRUE(
        text.contains(QStringLiteral("Fecha: ") + QDate::currentDate().toString(QStringLiteral("dd-MM-yy"))));
    EXPECT_TRUE(text.contains(QStringLiteral("Emitida el ") + shownDate(QDate::currentDate())));
    for (int page = 1; page <= pages; ++page) {
        const int onPage =
            pdfText(jobs.first().first, page).count(QStringLiteral("ORDEN DE CORTE DE SERVICIO"));
        EXPECT_EQ(onPage, page < pages ? OrdersPerPage : expired.size() - (pages - 1) * OrdersPerPage)
            << page;
    }
}

TEST_F(DocumentsSession, someRowsArePrintedByDoubleClickAndNoneProducesNothing)
{
    const QList<QStringList> listed = rows(QStringLiteral(
        "SELECT Nombre, Contrato FROM Suscriptores WHERE Suscriptores.Situación like '*Vencido*'"));
    ASSERT_GE(listed.size(), 3);
    const QString script = QStringLiteral(R"(menu 8
menu 2
press Termina
answer Ninguno
menu 8
menu 2
press Termina
answer Algunos
row 1
dblclick
row 3
dblclick
key Esc
menu 98
)");
    QStringList shown;
    ASSERT_EQ(runPrinting(script, &shown), 0) << transcript();
    const auto jobs = printed(shown);
    ASSERT_EQ(jobs.size(), 1) << transcript();
    // The PDF and the text of the one run: "Ninguno" left nothing behind.
    EXPECT_EQ(filesPrinted().size(), 2) << filesPrinted().join(u' ').toStdString();
    const QString text = pdfText(jobs.first().first);
    EXPECT_EQ(text.count(QStringLiteral("ORDEN DE CORTE DE SERVICIO")), 2);
    // The grid shows the rows in the order the statement gives them.
    EXPECT_TRUE(text.contains(QStringLiteral("Contrato: ") + listed.at(0).at(1))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Contrato: ") + listed.at(2).at(1))) << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("Contrato: ") + listed.at(1).at(1) + u'\n'))
        << text.toStdString();
}

TEST_F(DocumentsSession, repairOrdersArePrintedForTheComplaintsShown)
{
    const QList<QStringList> pending = rows(QStringLiteral(
        "SELECT DISTINCTROW Suscriptores.Nombre, Suscriptores.Contrato, Quejas.Descripción, Quejas.Recibida, "
        "Quejas.Origen,Suscriptores.Calle,Suscriptores.Colonia,Suscriptores.Teléfono,Quejas.Clave FROM "
        "Suscriptores INNER JOIN Quejas ON Suscriptores.Clave = Quejas.Cliente WHERE Quejas.Solución = "
        "Null"));
    ASSERT_GE(pending.size(), 2);
    const QString script = QStringLiteral(R"(menu 6
menu 3
press Imprime Orden
record next
press Imprime Orden
press Termina
menu 98
)");
    QStringList shown;
    ASSERT_EQ(runPrinting(script, &shown), 0) << transcript();
    const auto jobs = printed(shown);
    ASSERT_EQ(jobs.size(), 1) << transcript();
    const QString text = pdfText(jobs.first().first);
    EXPECT_EQ(text.count(QStringLiteral("ORDEN DE REPARACIÓN")), 2) << text.toStdString();
    // The two complaints shown one after the other, each with its own values.
    static const QRegularExpression number(QStringLiteral("Núm\\. (\\d+)"));
    QStringList numbers;
    for (const QRegularExpressionMatch& found : number.globalMatch(text))
        numbers.append(found.captured(1));
    ASSERT_EQ(numbers.size(), 2) << text.toStdString();
    EXPECT_NE(numbers.at(0), numbers.at(1));
    for (const QString& key : numbers) {
        const auto complaint = std::find_if(pending.begin(), pending.end(),
                                            [&key](const QStringList& row) { return row.at(8) == key; });
        ASSERT_NE(complaint, pending.end()) << key.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Suscriptor: ") + complaint->at(0))) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("Reporte: ") + complaint->at(2).simplified().left(40)))
            << text.toStdString();
        EXPECT_TRUE(text.contains(complaint->at(5) + QStringLiteral(", Col.") + complaint->at(6)))
            << text.toStdString();
        EXPECT_TRUE(m_transcript.contains(QStringLiteral("Clave = ") + key)) << transcript();
    }
}

// A template that is missing, or holds nothing to print, is named instead of printing blank pages; the
// other orders of the run still print.
TEST_F(DocumentsSession, aMissingOrEmptyTemplateIsNamedAndTheOtherOrdersStillPrint)
{
    const QString first = query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Clave = 2"));
    const QString second = query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Clave = 3"));
    const QString templateFile = office() + QStringLiteral("/OrdServ.txt");
    const struct
    {
        const char* what;
        std::optional<QByteArray> contents; // nothing: the file is missing
        QString told;
    } cases[] = {
        {"missing", std::nullopt, QStringLiteral("No se encuentra la plantilla de órdenes OrdServ.txt")},
        {"empty", QByteArray(), QStringLiteral("La plantilla de órdenes OrdServ.txt en la carpeta")},
        {"blank lines only", QByteArray("  \r\n\r\n\t\r\n"),
         QStringLiteral("La plantilla de órdenes OrdServ.txt en la carpeta")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        QFile::remove(templateFile);
        if (c.contents) {
            QFile file(templateFile);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(*c.contents);
        }
        const QString script = QStringLiteral(R"(menu 8
menu 4
answer %1
press Elijo
answer Servicio
expect %3
answer OK
answer %2
press Elijo
answer Reconexión
answer zzzz-nadie
answer Cancel
menu 98
)")
                                   .arg(first, second, c.told);
        QStringList shown;
        ASSERT_EQ(runPrinting(script, &shown), 0) << transcript();
        const auto jobs = printed(shown);
        ASSERT_EQ(jobs.size(), 1) << transcript();
        const QString text = pdfText(jobs.first().first);
        EXPECT_EQ(text.count(QStringLiteral("ORDEN DE")), 1) << text.toStdString();
        EXPECT_TRUE(text.contains(QStringLiteral("ORDEN DE RECONEXIÓN")));
        EXPECT_TRUE(text.contains(QStringLiteral("Suscriptor: ") + second.left(35))) << text.toStdString();
        EXPECT_FALSE(text.contains(first));
    }
}

// Orders that cannot be written where the printing goes ask to retry or cancel; a retry that fails again
// asks again, and cancelling leaves no print behind.
TEST_F(DocumentsSession, aPrintThatCannotBeWrittenOffersToRetryOrCancel)
{
    // The printing goes to "a folder" that is a file.
    const QString blocked = path(QStringLiteral("no-es-carpeta"));
    {
        QFile file(blocked);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    const QString name = query(QStringLiteral("SELECT Nombre FROM Suscriptores WHERE Clave = 3"));
    const QString script = QStringLiteral(R"(menu 8
menu 4
answer %1
press Elijo
answer Reconexión
answer zzzz-nadie
answer Cancel
expect Cancela o reintenta la impresión
answer Retry
expect Cancela o reintenta la impresión
answer Cancel
menu 98
)")
                               .arg(name);
    QStringList shown;
    ASSERT_EQ(run(script, &shown, {QStringLiteral("--print-to"), blocked}), 0) << transcript();
    EXPECT_TRUE(printed(shown).isEmpty()) << transcript();
    EXPECT_TRUE(QFileInfo(blocked).isFile());
}

// The subscriber's card is shown over the demo office's paper form.
TEST_F(DocumentsSession, theSubscribersCardIsLaidOverThePaperForm)
{
    ASSERT_EQ(run(QStringLiteral("menu 1\nmenu 3\ndump\npress Termina\nmenu 98\n")), 0) << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("[dump] text fRTF_1 = CABLEVISIÓN DEL VALLE / Ficha del "
                                                     "suscriptor")))
        << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("[panel] REVISA SUSCRIPTOR | Registro 1 de ")))
        << transcript();
}

// The card printed over its paper form: asked once whether to print, and each caption printed on the line
// of the value it names, as the panel has them, under the panel's heading.
TEST_F(DocumentsSession, theCardOverThePaperFormPrintsEachCaptionBesideItsValue)
{
    QStringList shown;
    ASSERT_EQ(
        runPrinting(QStringLiteral("menu 1\nmenu 3\npress Imprime\nanswer Yes\npress Termina\nmenu 98\n"),
                    &shown),
        0)
        << transcript();
    EXPECT_EQ(m_transcript.count(QStringLiteral("¿Imprime o Exporta?")), 1) << transcript();
    QString panel;
    QString pdf;
    for (const QString& line : shown) {
        if (line.startsWith(QStringLiteral("[panel] ")) && panel.isEmpty())
            panel = line;
        if (line.startsWith(QStringLiteral("[print] ")))
            pdf = line.mid(8).section(u' ', 0, -2);
    }
    ASSERT_FALSE(pdf.isEmpty()) << transcript();
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(text.waitForFinished(ProcessTimeout));
    const QStringList printedLines = QString::fromUtf8(text.readAllStandardOutput()).split(u'\n');
    const QString all = printedLines.join(u'\n');

    // "[panel] REVISA SUSCRIPTOR | Registro 1 de 400 | Nombre = … | Contrato = … | …"
    const QStringList parts = panel.split(QStringLiteral(" | "));
    ASSERT_GT(parts.size(), 4) << transcript();
    int fields = 0;
    for (const QString& part : parts.mid(2)) {
        const QString caption = part.section(QStringLiteral(" = "), 0, 0);
        const QString value = part.section(QStringLiteral(" = "), 1).simplified();
        if (value.isEmpty())
            continue;
        const auto line = std::find_if(printedLines.begin(), printedLines.end(), [&](const QString& printed) {
            return printed.simplified().startsWith(caption + u' ');
        });
        ASSERT_NE(line, printedLines.end()) << caption.toStdString() << "\n" << all.toStdString();
        EXPECT_TRUE(line->simplified().contains(value))
            << caption.toStdString() << " = " << value.toStdString() << "\n"
            << all.toStdString();
        ++fields;
    }
    EXPECT_GT(fields, 5);
    // The heading stands on a line of its own.
    const auto heading = std::find_if(printedLines.begin(), printedLines.end(), [](const QString& printed) {
        return printed.contains(QStringLiteral("Revisa"), Qt::CaseInsensitive);
    });
    ASSERT_NE(heading, printedLines.end()) << all.toStdString();
    EXPECT_EQ(heading->simplified().compare(QStringLiteral("Revisa suscriptor"), Qt::CaseInsensitive), 0)
        << all.toStdString();
}

// Designing the format writes the position file: the document's size as the buttons left it and a line per
// field of the card; a cancelled design leaves the file as it was.
TEST_F(DocumentsSession, theDesignOfTheFormWritesItsPositionFile)
{
    const QString positions = office() + QStringLiteral("/Ficha.pos");
    const QStringList shipped = lines(positions);
    ASSERT_EQ(shipped.size(), 13);
    const QString design = QStringLiteral(R"(menu 5
menu 9
answer Ficha.rtf
press +Alto
press +Alto
press -Ancho
press %1
menu 98
)");
    ASSERT_EQ(run(design.arg(QStringLiteral("Cancela"))), 0) << transcript();
    EXPECT_EQ(lines(positions), shipped);

    QStringList shown;
    ASSERT_EQ(run(design.arg(QStringLiteral("Acepta")), &shown), 0) << transcript();
    EXPECT_TRUE(shown.contains(QStringLiteral("[file] ") + QDir::toNativeSeparators(positions)))
        << transcript();
    const QStringList written = lines(positions);
    ASSERT_EQ(written.size(), 13);
    // 9400 wide and 5000 high, made 1.21 times as high and 0.9 times as wide.
    EXPECT_EQ(written.at(0).trimmed(), QStringLiteral("8460\t6050"));
    for (int field = 1; field <= 12; ++field) {
        const QStringList was = shipped.at(field).split(u'\t');
        const QStringList now = written.at(field).split(u'\t');
        ASSERT_EQ(now.size(), 4) << written.at(field).toStdString();
        EXPECT_EQ(now.at(0), was.at(0));
        // The fields start where the stored format had them (to the pixel).
        EXPECT_NEAR(now.at(1).toInt(), was.at(1).toInt(), 20) << now.at(0).toStdString();
        EXPECT_NEAR(now.at(2).toInt(), was.at(2).toInt(), 20) << now.at(0).toStdString();
    }
    EXPECT_FALSE(QFileInfo::exists(positions + QStringLiteral(".tmp")));
}

TEST_F(DocumentsSession, aMalformedPositionFileIsReportedAndTheCardShowsWithoutTheForm)
{
    QFile positions(office() + QStringLiteral("/Ficha.pos"));
    ASSERT_TRUE(positions.open(QIODevice::WriteOnly | QIODevice::Truncate));
    positions.write("9400\t5000\t\r\nNombre\tizquierda\t930\t\r\n");
    positions.close();
    ASSERT_EQ(run(QStringLiteral(
                  "menu 1\nmenu 3\nexpect Rutina: FormRTF\nanswer OK\ndump\npress Termina\nmenu 98\n")),
              0)
        << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("Un archivo no tiene el contenido esperado")))
        << transcript();
    EXPECT_FALSE(m_transcript.contains(QStringLiteral("fRTF"))) << transcript();
    EXPECT_TRUE(m_transcript.contains(QStringLiteral("[panel] REVISA SUSCRIPTOR | Registro 1 de ")))
        << transcript();
    const QStringList log = lines(office() + QStringLiteral("/Que_Err.log"));
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [](const QString& line) {
        return line.contains(QStringLiteral("line 2 holds no position of field 1"));
    })) << log.join(u'\n').toStdString();
}

} // namespace
} // namespace quelmar::automationtest
