#include "output/printlayout.h"

#include <QChar>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace quelmar::output::layout {

namespace {

int roundHalfUp(double value)
{
    return static_cast<int>(std::floor(value + 0.5));
}

} // namespace

ColumnPositions columnPositions(int firstLeft, const QList<int>& widths, int gridWidth, int paperWidth)
{
    ColumnPositions positions;
    if (widths.isEmpty() || gridWidth <= 0)
        return positions;
    const double scale = static_cast<double>(paperWidth) / gridWidth;
    double x = firstLeft * scale;
    positions.x.append(roundHalfUp(x));
    for (qsizetype i = 1; i < widths.size(); ++i) {
        x += widths.at(i - 1) * 1.1 * scale;
        positions.x.append(roundHalfUp(x));
    }
    positions.x.append(roundHalfUp(x + widths.last() * scale));
    return positions;
}

double fitRatio(int right, int paperWidth)
{
    const int usable = paperWidth - RowMargin - 200;
    return usable > 0 ? static_cast<double>(right) / usable : 1e9;
}

Fit fitPaper(int right, int portraitWidth, int landscapeWidth)
{
    if (fitRatio(right, portraitWidth) <= 1.5)
        return Fit::Portrait;
    if (fitRatio(right, landscapeWidth) <= 1.5)
        return Fit::Landscape;
    return Fit::TooWide;
}

int fillingFontSize(int paperWidth, int right)
{
    if (right <= 0)
        return LargestFont;
    const int size = static_cast<int>(std::floor(11.0 * (paperWidth - RowMargin) / right - 0.5));
    return std::max(SmallestFont, size);
}

int printedFontSize(int paperWidth, int right)
{
    return std::min(LargestFont, fillingFontSize(paperWidth, right));
}

ColumnPositions scaledPositions(const ColumnPositions& positions, int fontSize)
{
    ColumnPositions scaled;
    for (int x : positions.x)
        scaled.x.append(roundHalfUp(x * fontSize / 11.0));
    return scaled;
}

int pageWidthsNeeded(int right, int paperWidth)
{
    return paperWidth > 0 ? static_cast<int>(static_cast<double>(right) / paperWidth + 1) : 0;
}

QString fitText(const QString& text, int space, const std::function<int(const QString&)>& width)
{
    QString cut = text;
    const int whole = width(cut);
    if (whole <= space)
        return cut;
    const QString ellipsis(QChar(0x2026));
    cut.truncate(static_cast<qsizetype>(cut.size() * static_cast<double>(std::max(space, 0)) / whole));
    while (!cut.isEmpty() && width(cut + ellipsis) > space)
        cut.truncate(std::min(cut.size() - 1, static_cast<qsizetype>(cut.size() * 0.9)));
    if (cut.isEmpty())
        return width(ellipsis) <= space ? ellipsis : QString();
    return cut + ellipsis;
}

int columnSpace(const ColumnPositions& positions, int column)
{
    if (column < 0 || column + 1 >= positions.x.size())
        return 0;
    return positions.x.at(column + 1) - positions.x.at(column) - 150;
}

ColumnPositions widenedPositions(const ColumnPositions& positions, const QList<int>& needed)
{
    ColumnPositions widened = positions;
    int shift = 0;
    for (int column = 0; column + 1 < widened.x.size(); ++column) {
        const int space = columnSpace(positions, column);
        // A column that must print whole is never narrowed out of print.
        const int room = needed.value(column) > 0 ? std::max(needed.value(column), NarrowestColumn + 1) : 0;
        shift += std::max(0, room - space);
        widened.x[column + 1] += shift;
    }
    return widened;
}

CellPlacement placeCell(const ColumnPositions& positions, int column, const QString& text, CellKind kind,
                        const std::function<int(const QString&)>& width)
{
    CellPlacement cell;
    cell.column = column;
    const int space = columnSpace(positions, column);
    if (space <= NarrowestColumn)
        return cell;
    const QString shown = kind == CellKind::Text ? fitText(text, space, width) : text;
    cell.printed = true;
    cell.text = shown + QStringLiteral("  ");
    cell.x = kind == CellKind::Number ? positions.x.at(column + 1) - width(shown) - 200 + RowMargin
                                      : positions.x.at(column) + RowMargin;
    return cell;
}

bool pageFull(int y, int pageHeight)
{
    return y > 0.9 * pageHeight;
}

bool panelNeedsNewPage(int y, int pageHeight)
{
    return y > 0.85 * pageHeight;
}

bool asksToGoOn(int pagesPrinted)
{
    return pagesPrinted > 0 && pagesPrinted % 10 == 0;
}

QString headingText(const QString& company, const QString& secondHeading)
{
    QString heading = company.trimmed();
    if (!secondHeading.trimmed().isEmpty())
        heading += QStringLiteral("   ") + secondHeading.trimmed();
    return QStringLiteral("   ") + heading.toUpper();
}

QString pageText(const QString& today, int page)
{
    return QStringLiteral("   Fecha: ") + today + QStringLiteral("   Pag: ") + QString::number(page);
}

QString headingCaption(const QString& caption)
{
    static const QRegularExpression count(QStringLiteral("\\{(\\d+)\\}"));
    QString heading = caption;
    QRegularExpressionMatch match = count.match(heading);
    while (match.hasMatch()) {
        const QString number = match.captured(1);
        const QString words =
            QStringLiteral("(") + number +
            (number == QLatin1String("1") ? QStringLiteral(" registro)") : QStringLiteral(" registros)"));
        heading.replace(match.capturedStart(), match.capturedLength(), words);
        match = count.match(heading, match.capturedStart() + words.size());
    }
    return heading;
}

int logoWidth(int pictureWidth, int pictureHeight, int lineHeight)
{
    if (pictureWidth <= 0 || pictureHeight <= 0)
        return 0;
    return roundHalfUp(3.0 * lineHeight * pictureWidth / pictureHeight);
}

QList<PlacedText> placePanel(const QList<PanelElement>& elements, int panelPosition)
{
    QList<PlacedText> placed;
    for (const PanelElement& element : elements) {
        if (element.text.trimmed().isEmpty())
            continue;
        placed.append({roundHalfUp(element.left * 1.15) + RowMargin, element.top + panelPosition,
                       QStringLiteral(" ") + element.text});
    }
    return placed;
}

QList<PlacedText> placePanelFields(const QList<PanelField>& fields, int panelPosition,
                                   const std::function<int(const QString&)>& width)
{
    QList<PanelElement> captions;
    for (const PanelField& field : fields)
        captions.append({field.left, field.top, field.caption});
    QList<PlacedText> placed = placePanel(captions, panelPosition);
    int valueLeft = RowMargin;
    for (const PlacedText& caption : placed)
        valueLeft = std::max(valueLeft, caption.x + width(caption.text));
    valueLeft += 200;
    for (const PanelField& field : fields) {
        if (field.value.trimmed().isEmpty())
            continue;
        placed.append({valueLeft, field.top + panelPosition, QStringLiteral(" ") + field.value});
    }
    return placed;
}

QString panelRule(int panelWidth)
{
    return QString(static_cast<qsizetype>(std::max(0.0, panelWidth / 98.66)), QLatin1Char('_'));
}

QString exportHeading(const QStringList& captions)
{
    QString line;
    for (QString caption : captions) {
        caption.replace(QLatin1String("\r\n"), QLatin1String("="));
        caption.replace(QLatin1Char('\n'), QLatin1Char('='));
        caption.replace(QLatin1Char('\r'), QLatin1Char('='));
        line += caption + QLatin1Char('\t');
    }
    return line;
}

QString printerErrorText(int number)
{
    switch (number) {
    case 68:
        return QStringLiteral("Impresora no esta disponible, revisela.");
    case 482:
        return QStringLiteral("La impresora falló.  Revisela");
    case 484:
        return QStringLiteral(
            "Problemas al obtener información de la impresora desde el sistema; asegúrese de "
            "que la impresora está configurada correctamente");
    case 486:
        return QStringLiteral("No se puede imprimir la imagen de formulario en este tipo de impresora");
    case 28663:
        return QStringLiteral("No hay ninguna impresora predeterminada");
    default:
        return {};
    }
}

QString printerProblemText(const QString& message)
{
    return QStringLiteral("Se presenta un problema en la Impresión: \n") + message +
           QStringLiteral("\n\nCancela o reintenta la impresión");
}

} // namespace quelmar::output::layout
