#include "engine/gridrules.h"

#include "db/fielddef.h"
#include "engine/fieldrules.h"

#include <algorithm>

namespace quelmar::engine {

namespace {

bool sameWord(const QString& text, QLatin1String word)
{
    return text.compare(word, Qt::CaseInsensitive) == 0;
}

// The field name written after "Edi": a bracketed name whole, otherwise the first word.
QString editKeyFieldOf(const QString& options)
{
    const qsizetype at = options.indexOf(QLatin1String("Edi"));
    if (at < 0)
        return {};
    const QString rest = options.mid(at + 3).trimmed();
    if (rest.startsWith(u'[')) {
        const qsizetype close = rest.indexOf(u']');
        return close < 0 ? rest : rest.left(close + 1);
    }
    qsizetype end = 0;
    while (end < rest.size() && !rest.at(end).isSpace() && rest.at(end) != u',')
        ++end;
    return rest.left(end);
}

} // namespace

GridOptions parseGridOptions(const QString& options)
{
    GridOptions result;
    result.updatable = options.contains(QLatin1String("ST"));
    result.subtotals = options.startsWith(QLatin1String("ST"));
    result.statistics = options.startsWith(u'E') && !options.startsWith(QLatin1String("Edi"));
    result.totals = options.startsWith(QLatin1String("ET"));
    if (result.totals)
        result.totalsRequest = options.mid(2);
    result.graphButton = result.statistics && !options.contains(QLatin1String("NoG"));
    result.selectionWait = options.contains(QLatin1String("Sel"));
    result.allButton = options.contains(QLatin1String("Todos"));
    result.editKeyField = editKeyFieldOf(options);
    return result;
}

GridVariant gridVariant(const QString& mode, const QString& options)
{
    if (sameWord(mode, QLatin1String("TabSel")) || sameWord(mode, QLatin1String("TabRel")) ||
        sameWord(mode, QLatin1String("TSelCont")))
        return GridVariant::Selection;
    return parseGridOptions(options).statistics ? GridVariant::Statistics : GridVariant::Presentation;
}

QString gridHelpTopic(const QString& mode, const QString& options)
{
    if (sameWord(mode, QLatin1String("TabEdi")) || sameWord(mode, QLatin1String("TabNue")) ||
        sameWord(mode, QLatin1String("TabCap")))
        return QStringLiteral("14");
    switch (gridVariant(mode, options)) {
    case GridVariant::Selection:
        return QStringLiteral("16");
    case GridVariant::Statistics:
        return QStringLiteral("18");
    case GridVariant::Presentation:
        break;
    }
    return QStringLiteral("13");
}

QList<GridButton> gridButtons(GridVariant variant, const QString& options)
{
    const GridOptions parsed = parseGridOptions(options);
    const GridButton print{0, QStringLiteral("&Imprime"), QStringLiteral("Imprime la Tabla")};
    switch (variant) {
    case GridVariant::Presentation:
        return {print,
                {1, QStringLiteral("&Selecciona"),
                 QStringLiteral("Escoger algunos, según el contenido de sus Datos")},
                {2, QStringLiteral("&Ordena"), QStringLiteral("Ordenarlos en la secuencia conveniente")},
                {3, QStringLiteral("O&riginal"),
                 QStringLiteral("Cancela la Selección ú Ordenación anterior, y muestra todos")}};
    case GridVariant::Statistics: {
        QList<GridButton> buttons{print};
        if (parsed.graphButton)
            buttons.append(
                {1, QStringLiteral("&Gráfica"), QStringLiteral("Gráfica Estadística de ésta Tabla")});
        return buttons;
    }
    case GridVariant::Selection: {
        QList<GridButton> buttons{
            {0, QStringLiteral("&Búsqueda"), QStringLiteral("Localiza por cualquier Dato")}};
        if (parsed.allButton)
            buttons.append({1, QStringLiteral("&Todos"), QStringLiteral("Se consideran todos")});
        buttons.append({2, QStringLiteral("&Cancela"), QStringLiteral("No elegir ninguno")});
        return buttons;
    }
    }
    return {};
}

GridButton terminaButton()
{
    return {-1, QStringLiteral("&Termina"), QStringLiteral("Regresa al Menu inicial")};
}

GridAction gridAction(GridVariant variant, const QString& options, int tableCommand)
{
    const QList<GridButton> buttons = gridButtons(variant, options);
    const int index = tableCommand - FirstGridCommand;
    const bool shown = std::any_of(buttons.cbegin(), buttons.cend(),
                                   [index](const GridButton& button) { return button.index == index; });
    if (!shown)
        return GridAction::None;
    switch (variant) {
    case GridVariant::Presentation: {
        static constexpr GridAction actions[] = {GridAction::Print, GridAction::Select, GridAction::Order,
                                                 GridAction::Original};
        return actions[index];
    }
    case GridVariant::Statistics:
        return index == 0 ? GridAction::Print : GridAction::Graph;
    case GridVariant::Selection: {
        static constexpr GridAction actions[] = {GridAction::Search, GridAction::All, GridAction::Cancel};
        return actions[index];
    }
    }
    return GridAction::None;
}

QString gridCaption(const QString& title, int recordCount)
{
    return title + QStringLiteral("  {") + QString::number(recordCount) + u'}';
}

QString selectionCaption(const QString& title)
{
    return title + QStringLiteral(" (Doble click)");
}

QString editByRowCaption(const QString& caption)
{
    if (caption.contains(QLatin1String("con ESC")))
        return caption;
    return caption + QStringLiteral("    Modifica con INTRO, Termina con ESC");
}

QString rowStatement(const QString& statement, const QString& keyField, const QString& keyLiteral)
{
    qsizetype orderBy = statement.lastIndexOf(QLatin1String(" ORDER BY "), -1, Qt::CaseInsensitive);
    if (orderBy < 0)
        orderBy = statement.size();
    const QString selection = statement.left(orderBy);
    const bool hasCondition = selection.contains(QLatin1String(" WHERE "), Qt::CaseInsensitive);
    return selection + (hasCondition ? QStringLiteral(" AND ") : QStringLiteral(" WHERE ")) + keyField +
           QStringLiteral(" = ") + keyLiteral + statement.mid(orderBy);
}

int gridColumnWidth(const QString& caption, int jetType, int fieldSize)
{
    const int size = jetType == 10 ? std::min(fieldSize, 25) : fieldSize;
    return 100 * std::max(int(caption.size()), size) + 150;
}

QString gridColumnFormat(int jetType, const QString& fieldFormat, bool readOnly)
{
    if (db::jettype::isNumeric(jetType))
        return readOnly ? fieldFormat : QString();
    if (jetType == db::jettype::Boolean)
        return QStringLiteral("Yes/No");
    if (jetType == db::jettype::Date)
        return QStringLiteral("dd-mmm-yyyy");
    return {};
}

QRect gridGeometry(int formWidth, int formHeight, int columnsRight, const QString& title)
{
    const int space = std::max(0, formWidth - 600);
    const int needed = std::max(columnsRight + GridScrollRoom, 95 * int(title.size()));
    const int width = std::min(space, needed);
    return {200 + (space - width) / 2, 400, width, std::max(0, formHeight - 1500)};
}

int gridTop(int formHeight, int gridHeight)
{
    return std::max(100, (formHeight - gridHeight - 600) / 2);
}

QList<QRect> gridButtonGeometry(const QRect& grid, int tcomCount, int buttonWidth, int buttonHeight)
{
    const int top = grid.y() + grid.height() + 100;
    QList<QRect> rects;
    int right = grid.x() + grid.width();
    for (int button = 0; button <= tcomCount; ++button) {
        rects.append(QRect(right - buttonWidth, top, buttonWidth, buttonHeight));
        right -= buttonWidth + 100;
    }
    return rects;
}

QList<bool> lockedColumns(const QStringList& fieldNames, const QString& protectedFields,
                          const QString& fixedValues, bool gridAllowsUpdates)
{
    QList<bool> locked(fieldNames.size(), false);
    if (!gridAllowsUpdates)
        return locked;
    const QList<FixedValue> fixed = parseFixedValues(fixedValues);
    for (qsizetype column = 0; column < fieldNames.size(); ++column)
        locked[column] =
            isProtected(protectedFields, fieldNames.at(column)) || isFixedField(fixed, fieldNames.at(column));
    return locked;
}

QString checkTablePreselectCaption()
{
    return QStringLiteral("Puede preseleccionar los registros usando [Selecciona]");
}

CheckTableColumn checkTableColumn(const QString& fieldName, int jetType, int fieldSize)
{
    QChar marker = u'<';
    double width = fieldSize;
    switch (jetType) {
    case 1:
        marker = u'^';
        width = 3;
        break;
    case 5:
        marker = u'$';
        width = 10;
        break;
    case 8:
        marker = u'^';
        width = 10;
        break;
    case 2:
    case 3:
    case 4:
    case 6:
    case 7:
        marker = u'>';
        if (fieldSize > 8)
            width = 0.7 * fieldSize;
        break;
    default:
        break;
    }
    return {marker + fieldName + u'|', qRound(100 * width) + 100};
}

QString checkTableChoices()
{
    return QStringLiteral("todos &Si,todos &No,&Ejecuta,&Cancela,");
}

CheckTableAnswer checkTableAnswer(const QString& answer)
{
    const QString letter = answer.trimmed().left(1).toUpper();
    if (letter == u'N')
        return CheckTableAnswer::MarkNone;
    if (letter == u'S')
        return CheckTableAnswer::MarkAll;
    if (letter == u'C')
        return CheckTableAnswer::Cancel;
    return CheckTableAnswer::Carry;
}

} // namespace quelmar::engine
