// The geometry of printed tables and panels, and the texts of headings, exports and printer problems.
#include "output/printlayout.h"

#include <gtest/gtest.h>

namespace quelmar::output::layout {
namespace {

// A font where every character is 100 twips wide, and one with 200 twips of padding besides.
int plainWidth(const QString& text)
{
    return static_cast<int>(text.size()) * 100;
}

int paddedWidth(const QString& text)
{
    return static_cast<int>(text.size()) * 100 + 200;
}

TEST(PrintLayout, columnsAreCarriedToPaperWithATenthOfGapExceptAfterTheLast)
{
    const ColumnPositions positions = columnPositions(0, {1000, 2000, 500}, 5000, 10000);
    EXPECT_EQ(positions.x, (QList<int>{0, 2200, 6600, 7600}));
    EXPECT_EQ(positions.right(), 7600);
    EXPECT_EQ(positions.count(), 3);
    // The first column keeps its distance from the grid's left, scaled.
    EXPECT_EQ(columnPositions(100, {1000}, 5000, 10000).x, (QList<int>{200, 2200}));
    EXPECT_TRUE(columnPositions(0, {}, 5000, 10000).x.isEmpty());
}

TEST(PrintLayout, theTableTakesPortraitThenLandscapeThenAsks)
{
    // Usable widths: 10000 portrait, 14000 landscape.
    struct Case
    {
        int right;
        Fit fit;
    };
    const Case cases[] = {{9000, Fit::Portrait},   {15000, Fit::Portrait}, {15001, Fit::Landscape},
                          {21000, Fit::Landscape}, {21001, Fit::TooWide},  {90000, Fit::TooWide}};
    for (const Case& c : cases)
        EXPECT_EQ(fitPaper(c.right, 10500, 14500), c.fit) << c.right;
}

TEST(PrintLayout, theFontFillsTheWidthBetweenSixAndTwelvePoints)
{
    struct Case
    {
        int paperWidth;
        int right;
        int filling;
        int printed;
    };
    const Case cases[] = {
        {10300, 10000, 10, 10}, // 11 * 10000 / 10000 - 0.5
        {10300, 5000, 21, 12},  // never above 12 on the printer
        {10300, 30000, 6, 6},   // never below 6
        {10300, 9000, 11, 11},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(fillingFontSize(c.paperWidth, c.right), c.filling) << c.right;
        EXPECT_EQ(printedFontSize(c.paperWidth, c.right), c.printed) << c.right;
    }
    ColumnPositions positions;
    positions.x = {0, 2200, 6600, 7600};
    EXPECT_EQ(scaledPositions(positions, 12).x, (QList<int>{0, 2400, 7200, 8291}));
    EXPECT_EQ(scaledPositions(positions, 11).x, positions.x);
}

TEST(PrintLayout, aReportTooWideNamesThePageWidthsItWouldTake)
{
    EXPECT_EQ(pageWidthsNeeded(30001, 10000), 4);
    EXPECT_EQ(pageWidthsNeeded(40000, 10000), 5);
    EXPECT_EQ(pageWidthsNeeded(35000, 14000), 3);
}

TEST(PrintLayout, aTextWiderThanItsSpaceIsCutFirstByProportionThenByTenthsAndEndsInAnEllipsis)
{
    struct Case
    {
        QString text;
        int space;
        int (*width)(const QString&);
        QString cut;
    };
    const Case cases[] = {
        {QStringLiteral("AB"), 1000, plainWidth, QStringLiteral("AB")},
        {QStringLiteral("ABCDEFGHIJ"), 1000, plainWidth, QStringLiteral("ABCDEFGHIJ")},
        {QStringLiteral("ABCDEFGHIJ"), 450, plainWidth, QStringLiteral("ABC…")},
        // The proportional cut still leaves it too wide: a tenth less, then fits.
        {QStringLiteral("ABCDEFGHIJ"), 600, paddedWidth, QStringLiteral("ABC…")},
        {QStringLiteral("ABCDEFGHIJ"), 100, plainWidth, QStringLiteral("…")},
        {QStringLiteral("ABCDEFGHIJ"), 0, plainWidth, QString()},
    };
    for (const Case& c : cases) {
        const QString cut = fitText(c.text, c.space, c.width);
        EXPECT_EQ(cut, c.cut) << c.text.toStdString() << " " << c.space;
        if (!cut.isEmpty()) {
            EXPECT_LE(c.width(cut), c.space);
        }
    }
}

TEST(PrintLayout, columnsOfDatesAndNumbersWidenToTheirWidestValue)
{
    ColumnPositions positions;
    positions.x = {0, 1000, 2000, 3000};
    struct Case
    {
        QList<int> needed;
        QList<int> x;
    };
    const Case cases[] = {
        {{}, {0, 1000, 2000, 3000}},
        // Room enough already (850 twips of space each): nothing moves.
        {{850, 0, 850}, {0, 1000, 2000, 3000}},
        // A date of 1100 twips in the first column moves the other two 250 twips right.
        {{1100, 0, 0}, {0, 1250, 2250, 3250}},
        // Each column that gains pushes all those after it.
        {{1100, 0, 900}, {0, 1250, 2250, 3300}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(widenedPositions(positions, c.needed).x, c.x);
    EXPECT_TRUE(widenedPositions(ColumnPositions(), {500}).x.isEmpty());
    // A number narrower than the narrowest printed column still gets a column that prints.
    ColumnPositions narrow;
    narrow.x = {0, 400, 1400};
    EXPECT_EQ(widenedPositions(narrow, {200, 0}).x, (QList<int>{0, 450, 1450}));
    EXPECT_EQ(columnSpace(widenedPositions(narrow, {200, 0}), 0), NarrowestColumn + 1);
}

TEST(PrintLayout, cellsAreLeftOrRightAlignedAndNarrowColumnsLeftBlank)
{
    ColumnPositions positions;
    positions.x = {0, 1000, 1449, 3000};
    struct Case
    {
        int column;
        QString value;
        CellKind kind;
        bool printed;
        int x;
        QString text;
    };
    const Case cases[] = {
        {0, QStringLiteral("Centro"), CellKind::Text, true, 300, QStringLiteral("Centro  ")},
        // 1449 - 1000 - 150 = 299 twips of space: not printed.
        {1, QStringLiteral("X"), CellKind::Text, false, 0, QString()},
        {2, QStringLiteral("250.00"), CellKind::Number, true, 3000 - 600 - 200 + 300,
         QStringLiteral("250.00  ")},
        // Wider than its 1401 twips: a number is never cut; it keeps its right edge.
        {2, QStringLiteral("123456789012345"), CellKind::Number, true, 3000 - 1500 - 200 + 300,
         QStringLiteral("123456789012345  ")},
        // A date is never cut either, a text ends in an ellipsis.
        {0, QStringLiteral("01-Ene-1999"), CellKind::Whole, true, 300, QStringLiteral("01-Ene-1999  ")},
        {0, QStringLiteral("01-Ene-1999"), CellKind::Text, true, 300, QStringLiteral("01-Ene-…  ")},
    };
    for (const Case& c : cases) {
        const CellPlacement cell = placeCell(positions, c.column, c.value, c.kind, plainWidth);
        EXPECT_EQ(cell.printed, c.printed) << c.value.toStdString();
        if (!c.printed)
            continue;
        EXPECT_EQ(cell.x, c.x) << c.value.toStdString();
        EXPECT_EQ(cell.text, c.text);
    }
}

TEST(PrintLayout, pagesBreakAtNineTenthsAndPanelsAtEightyFiveHundredths)
{
    EXPECT_FALSE(pageFull(9000, 10000));
    EXPECT_TRUE(pageFull(9001, 10000));
    EXPECT_FALSE(panelNeedsNewPage(8500, 10000));
    EXPECT_TRUE(panelNeedsNewPage(8501, 10000));
    EXPECT_FALSE(asksToGoOn(0));
    EXPECT_FALSE(asksToGoOn(9));
    EXPECT_TRUE(asksToGoOn(10));
    EXPECT_FALSE(asksToGoOn(11));
    EXPECT_TRUE(asksToGoOn(20));
}

TEST(PrintLayout, headingsAndPanelTexts)
{
    EXPECT_EQ(headingText(QStringLiteral("Cablevisión del Valle"), QStringLiteral("Sucursal Centro")),
              QStringLiteral("   CABLEVISIÓN DEL VALLE   SUCURSAL CENTRO"));
    EXPECT_EQ(headingText(QStringLiteral("Cablevisión"), QString()), QStringLiteral("   CABLEVISIÓN"));
    EXPECT_EQ(pageText(QStringLiteral("10-Dic-2026"), 3), QStringLiteral("   Fecha: 10-Dic-2026   Pag: 3"));
    EXPECT_EQ(headingCaption(QStringLiteral("Suscriptores Vencidos 10-Dic-2026  {25}")),
              QStringLiteral("Suscriptores Vencidos 10-Dic-2026  (25 registros)"));
    EXPECT_EQ(headingCaption(QStringLiteral("Lista {1}")), QStringLiteral("Lista (1 registro)"));
    EXPECT_EQ(headingCaption(QStringLiteral("Gastos {P}")), QStringLiteral("Gastos {P}"));
    EXPECT_EQ(logoWidth(200, 100, 250), 1500);
    EXPECT_EQ(logoWidth(0, 100, 250), 0);

    const QList<PlacedText> placed = placePanel(
        {{1000, 200, QStringLiteral("Nombre")}, {0, 0, QString()}, {2000, 200, QStringLiteral("  ")}}, 200);
    ASSERT_EQ(placed.size(), 1);
    EXPECT_EQ(placed.first().x, 1450);
    EXPECT_EQ(placed.first().y, 400);
    EXPECT_EQ(placed.first().text, QStringLiteral(" Nombre"));
    EXPECT_EQ(panelRule(9866), QString(100, QLatin1Char('_')));
}

TEST(PrintLayout, theFieldsOfAPanelOverAFormPrintAsCaptionsAndValuesOnOneLine)
{
    // The captions where the panel laid them out; the values moved elsewhere by the form.
    const QList<PlacedText> placed =
        placePanelFields({{100, 700, QStringLiteral("Nombre"), QStringLiteral("Ana Ruiz")},
                          {100, 1000, QStringLiteral("Contrato"), QStringLiteral("1234")},
                          {100, 1300, QStringLiteral("Poste"), QStringLiteral(" ")}},
                         200, plainWidth);
    ASSERT_EQ(placed.size(), 5);
    // " Contrato" is the widest caption: 115 + 300 + 900 twips, and 200 of gap.
    const int valueLeft = 115 + 300 + 900 + 200;
    const QList<std::pair<int, QString>> values{{900, QStringLiteral(" Ana Ruiz")},
                                                {1200, QStringLiteral(" 1234")}};
    for (qsizetype i = 0; i < values.size(); ++i) {
        const PlacedText& caption = placed.at(i);
        const PlacedText& value = placed.at(3 + i);
        EXPECT_EQ(caption.x, 415);
        EXPECT_EQ(caption.y, values.at(i).first);
        EXPECT_EQ(value.y, caption.y);
        EXPECT_EQ(value.x, valueLeft);
        EXPECT_EQ(value.text, values.at(i).second);
    }
    EXPECT_EQ(placed.at(2).text, QStringLiteral(" Poste"));
}

TEST(PrintLayout, theExportHeadingEndsEveryCaptionWithATabAndWritesLineBreaksAsEquals)
{
    EXPECT_EQ(exportHeading({QStringLiteral("Nombre"), QStringLiteral("Cantidad\n1,670"),
                             QStringLiteral("Fecha\r\nAlta")}),
              QStringLiteral("Nombre\tCantidad=1,670\tFecha=Alta\t"));
    EXPECT_EQ(exportHeading({}), QString());
}

TEST(PrintLayout, printerErrorsHaveTheirOwnTexts)
{
    struct Case
    {
        int number;
        QString text;
    };
    const Case cases[] = {{68, QStringLiteral("Impresora no esta disponible, revisela.")},
                          {482, QStringLiteral("La impresora falló.  Revisela")},
                          {28663, QStringLiteral("No hay ninguna impresora predeterminada")},
                          {5, QString()}};
    for (const Case& c : cases)
        EXPECT_EQ(printerErrorText(c.number), c.text) << c.number;
    EXPECT_EQ(printerProblemText(QStringLiteral("La impresora falló.  Revisela")),
              QStringLiteral(
                  "Se presenta un problema en la Impresión: \nLa impresora falló.  Revisela\n\nCancela o "
                  "reintenta la impresión"));
}

} // namespace
} // namespace quelmar::output::layout
