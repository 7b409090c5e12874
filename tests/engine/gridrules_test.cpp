#include "engine/gridrules.h"

#include <gtest/gtest.h>

namespace quelmar::engine {
namespace {

QString text(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

// The options as one line: the words that are on, the totals text and the key field in brackets.
std::string describe(const GridOptions& options)
{
    QStringList words;
    const std::pair<bool, const char*> flags[] = {
        {options.updatable, "updatable"},   {options.subtotals, "subtotals"},
        {options.statistics, "statistics"}, {options.totals, "totals"},
        {options.graphButton, "graph"},     {options.selectionWait, "select"},
        {options.allButton, "all"},
    };
    for (const auto& [on, word] : flags) {
        if (on)
            words.append(QString::fromUtf8(word));
    }
    if (!options.totalsRequest.isEmpty())
        words.append(QStringLiteral("list<") + options.totalsRequest + u'>');
    if (!options.editKeyField.isEmpty())
        words.append(QStringLiteral("key<") + options.editKeyField + u'>');
    return words.join(u' ').toStdString();
}

TEST(GridOptionsTest, ReadsTheOptionWords)
{
    struct Case
    {
        const char* options;
        const char* description;
    };
    const Case cases[] = {
        {"", ""},
        {"ET 6 NoG", "statistics totals list< 6 NoG>"},
        {"ET 1", "statistics totals graph list< 1>"},
        {"E", "statistics graph"},
        {"ST =2", "updatable subtotals"},
        {"Edi ST", "updatable key<ST>"},
        {"Edi Clave", "key<Clave>"},
        {"Sel Edi [Número de Recibo], x", "select key<[Número de Recibo]>"},
        {"Sele Todos", "select all"},
        {"et 1", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(describe(parseGridOptions(text(c.options))), c.description) << c.options;
}

TEST(GridVariantTest, ModeAndOptionsChooseVariantAndHelpTopic)
{
    struct Case
    {
        const char* mode;
        const char* options;
        GridVariant variant;
        const char* helpTopic;
    };
    const Case cases[] = {
        {"TabPre", "", GridVariant::Presentation, "13"},
        {"TabPre", "ET 6 NoG", GridVariant::Statistics, "18"},
        {"tabpre", "Edi Clave", GridVariant::Presentation, "13"},
        {"TabSel", "Sel", GridVariant::Selection, "16"},
        {"TABREL", "Sel Todos", GridVariant::Selection, "16"},
        {"TSelCont", "", GridVariant::Selection, "16"},
        {"TabEdi", "", GridVariant::Presentation, "14"},
        {"TabNue", "", GridVariant::Presentation, "14"},
        {"TabCap", "", GridVariant::Presentation, "14"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(gridVariant(text(c.mode), text(c.options)), c.variant) << c.mode << " " << c.options;
        EXPECT_EQ(gridHelpTopic(text(c.mode), text(c.options)), text(c.helpTopic))
            << c.mode << " " << c.options;
    }
}

QStringList captions(const QList<GridButton>& buttons)
{
    QStringList list;
    for (const GridButton& button : buttons)
        list.append(QString::number(button.index) + u' ' + button.caption + u'|' + button.tip);
    return list;
}

TEST(GridButtonsTest, EachVariantHasItsButtonSet)
{
    struct Case
    {
        GridVariant variant;
        const char* options;
        QStringList buttons;
    };
    const Case cases[] = {
        {GridVariant::Presentation,
         "",
         {text("0 &Imprime|Imprime la Tabla"),
          text("1 &Selecciona|Escoger algunos, según el contenido de sus Datos"),
          text("2 &Ordena|Ordenarlos en la secuencia conveniente"),
          text("3 O&riginal|Cancela la Selección ú Ordenación anterior, y muestra todos")}},
        {GridVariant::Statistics,
         "ET 1",
         {text("0 &Imprime|Imprime la Tabla"), text("1 &Gráfica|Gráfica Estadística de ésta Tabla")}},
        {GridVariant::Statistics, "ET 6 NoG", {text("0 &Imprime|Imprime la Tabla")}},
        {GridVariant::Selection,
         "Sel",
         {text("0 &Búsqueda|Localiza por cualquier Dato"), text("2 &Cancela|No elegir ninguno")}},
        {GridVariant::Selection,
         "Sel Todos",
         {text("0 &Búsqueda|Localiza por cualquier Dato"), text("1 &Todos|Se consideran todos"),
          text("2 &Cancela|No elegir ninguno")}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(captions(gridButtons(c.variant, text(c.options))), c.buttons) << c.options;
    EXPECT_EQ(terminaButton().caption, text("&Termina"));
    EXPECT_EQ(terminaButton().tip, text("Regresa al Menu inicial"));
}

TEST(GridActionTest, CommandsFollowTheVariantsButtons)
{
    struct Case
    {
        GridVariant variant;
        const char* options;
        int tableCommand;
        GridAction action;
    };
    const Case cases[] = {
        {GridVariant::Presentation, "", 450, GridAction::Print},
        {GridVariant::Presentation, "", 451, GridAction::Select},
        {GridVariant::Presentation, "", 452, GridAction::Order},
        {GridVariant::Presentation, "", 453, GridAction::Original},
        {GridVariant::Presentation, "", 454, GridAction::None},
        {GridVariant::Presentation, "", -1, GridAction::None},
        {GridVariant::Presentation, "", 0, GridAction::None},
        {GridVariant::Statistics, "ET 1", 450, GridAction::Print},
        {GridVariant::Statistics, "ET 1", 451, GridAction::Graph},
        {GridVariant::Statistics, "ET 6 NoG", 451, GridAction::None},
        {GridVariant::Statistics, "ET 1", 452, GridAction::None},
        {GridVariant::Selection, "Sel", 450, GridAction::Search},
        {GridVariant::Selection, "Sel", 451, GridAction::None},
        {GridVariant::Selection, "Sel Todos", 451, GridAction::All},
        {GridVariant::Selection, "Sel", 452, GridAction::Cancel},
        {GridVariant::Selection, "Sel", 453, GridAction::None},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gridAction(c.variant, text(c.options), c.tableCommand), c.action)
            << c.options << " " << c.tableCommand;
}

TEST(GridCaptionTest, CaptionsOfTheGridModes)
{
    EXPECT_EQ(gridCaption(text("Pagos del día"), 12), text("Pagos del día  {12}"));
    EXPECT_EQ(gridCaption(QString(), 0), text("  {0}"));
    EXPECT_EQ(selectionCaption(text("Suscriptores")), text("Suscriptores (Doble click)"));
    EXPECT_EQ(editByRowCaption(text("Quejas  {3}")),
              text("Quejas  {3}    Modifica con INTRO, Termina con ESC"));
    const QString once = editByRowCaption(text("Quejas"));
    EXPECT_EQ(editByRowCaption(once), once);
}

TEST(RowStatementTest, TheKeyConditionGoesBeforeTheOrdering)
{
    struct Case
    {
        const char* statement;
        const char* expected;
    };
    for (const Case& c :
         {Case{"SELECT Clave, Nombre FROM Suscriptores",
               "SELECT Clave, Nombre FROM Suscriptores WHERE Clave = 5"},
          Case{"SELECT Clave FROM Suscriptores WHERE Situación = 'Baja'",
               "SELECT Clave FROM Suscriptores WHERE Situación = 'Baja' AND Clave = 5"},
          Case{"SELECT Clave FROM Suscriptores order by Nombre",
               "SELECT Clave FROM Suscriptores WHERE Clave = 5 order by Nombre"},
          Case{"SELECT Clave FROM Suscriptores WHERE Calle = 'Norte' ORDER BY Nombre DESC",
               "SELECT Clave FROM Suscriptores WHERE Calle = 'Norte' AND Clave = 5 ORDER BY Nombre DESC"}})
        EXPECT_EQ(rowStatement(QString::fromUtf8(c.statement), QStringLiteral("Clave"), QStringLiteral("5")),
                  QString::fromUtf8(c.expected));
}

TEST(GridColumnWidthTest, LargerOfCaptionAndSize)
{
    struct Case
    {
        const char* caption;
        int jetType;
        int fieldSize;
        int width;
    };
    const Case cases[] = {
        {"Nombre", 10, 50, 2650},
        {"Nombre", 10, 20, 2150},
        {"Dirección del suscriptor completa", 10, 50, 3450},
        {"Importe", 5, 8, 950},
        {"Id", 4, 4, 550},
        {"Memo", 12, 0, 550},
        {"Fecha", 8, 8, 950},
        {"", 10, 0, 150},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gridColumnWidth(text(c.caption), c.jetType, c.fieldSize), c.width) << c.caption;
}

TEST(GridPlacementTest, GridFitsItsColumnsWithinTheForm)
{
    struct Case
    {
        int formWidth;
        int formHeight;
        int columnsRight;
        const char* title;
        QRect grid;
    };
    const Case cases[] = {
        {12000, 9000, 20000, "Pagos", QRect(200, 400, 11400, 7500)},
        {12000, 9000, 11100, "Pagos", QRect(200, 400, 11400, 7500)},
        {12000, 9000, 5100, "Pagos", QRect(3200, 400, 5400, 7500)},
        {12000, 9000, 1000, "Una lista con un título largo", QRect(4522, 400, 2755, 7500)},
        {6000, 9000, 100, "Un título largo que no cabe en la forma mas de cien veces el ancho de cada letra",
         QRect(200, 400, 5400, 7500)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(gridGeometry(c.formWidth, c.formHeight, c.columnsRight, text(c.title)), c.grid) << c.title;
}

TEST(GridPlacementTest, TopCentresTheFilledGridButNeverAbove100)
{
    EXPECT_EQ(gridTop(9000, 4000), 2200);
    EXPECT_EQ(gridTop(9000, 7500), 450);
    EXPECT_EQ(gridTop(9000, 8400), 100);
    EXPECT_EQ(gridTop(9000, 9000), 100);
}

TEST(GridPlacementTest, ButtonsLineUpLeftwardsFromTheGridsRightEdge)
{
    const QList<QRect> rects = gridButtonGeometry(QRect(200, 400, 6000, 3000), 2, 1200, 400);
    EXPECT_EQ(rects, QList<QRect>({QRect(5000, 3500, 1200, 400), QRect(3700, 3500, 1200, 400),
                                   QRect(2400, 3500, 1200, 400)}));
}

TEST(LockedColumnsTest, ProtectedAndFixedFieldsLockEditableGrids)
{
    struct Case
    {
        const char* protectedFields;
        const char* fixedValues;
        bool updates;
        QList<bool> locked;
    };
    const QStringList fields{text("Cliente"), text("Recibida"), text("Solución"), text("Fecha")};
    const Case cases[] = {
        {"Recibida,", "", true, {false, true, false, false}},
        {"TODO,Solución,", "", true, {true, true, false, true}},
        {"", "Quejas.Cliente = 25", true, {true, false, false, false}},
        {"Fecha,", "Quejas.Cliente = 25", true, {true, false, false, true}},
        {"TODO,", "", true, {true, true, true, true}},
        {"", "", true, {false, false, false, false}},
        {"Recibida,", "Cliente=25", false, {false, false, false, false}},
        {"Recibidas,", "Cliente=", true, {false, false, false, false}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(lockedColumns(fields, text(c.protectedFields), text(c.fixedValues), c.updates), c.locked)
            << c.protectedFields << " / " << c.fixedValues;
}

TEST(CheckTableTest, ColumnFormatsByType)
{
    struct Case
    {
        const char* name;
        int jetType;
        int fieldSize;
        CheckTableColumn column;
    };
    const Case cases[] = {
        {"Nombre", 10, 50, {text("<Nombre|"), 5100}}, {"Clave", 4, 4, {text(">Clave|"), 500}},
        {"Monto", 7, 8, {text(">Monto|"), 900}},      {"Total", 7, 20, {text(">Total|"), 1500}},
        {"Importe", 5, 8, {text("$Importe|"), 1100}}, {"Activo", 1, 1, {text("^Activo|"), 400}},
        {"Fecha", 8, 8, {text("^Fecha|"), 1100}},     {"Notas", 12, 0, {text("<Notas|"), 100}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkTableColumn(text(c.name), c.jetType, c.fieldSize), c.column) << c.name;
}

TEST(CheckTableTest, AnswersOfTheClosingQuestion)
{
    EXPECT_EQ(checkTableChoices(), text("todos &Si,todos &No,&Ejecuta,&Cancela,"));
    struct Case
    {
        const char* answer;
        CheckTableAnswer meaning;
    };
    const Case cases[] = {
        {"N", CheckTableAnswer::MarkNone}, {"S", CheckTableAnswer::MarkAll}, {"s", CheckTableAnswer::MarkAll},
        {"C", CheckTableAnswer::Cancel},   {"E", CheckTableAnswer::Carry},   {"", CheckTableAnswer::Carry},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkTableAnswer(text(c.answer)), c.meaning) << "\"" << c.answer << "\"";
}

} // namespace
} // namespace quelmar::engine
