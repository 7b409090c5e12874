#include "shell/menurules.h"

#include <algorithm>
#include <cmath>

namespace quelmar::shell {

namespace {

constexpr int MinimumMenuLine = 6;

int rounded(double value)
{
    return static_cast<int>(std::lround(value));
}

} // namespace

QList<MenuItem> parseMenuLines(const QStringList& lines)
{
    QList<MenuItem> items;
    for (const QString& line : lines) {
        if (items.size() >= MaxMenuLines)
            break;
        if (line.size() < MinimumMenuLine)
            continue;
        const QStringList fields = (line + QLatin1Char('\t')).split(QLatin1Char('\t'));
        MenuItem item;
        item.code = fields.value(0).trimmed();
        item.caption = fields.value(1).trimmed();
        item.explanation = fields.value(2).trimmed();
        item.helpTopic = fields.value(3);
        items.append(item);
    }
    return items;
}

QString withoutAmpersands(const QString& caption)
{
    QString shown = caption;
    shown.remove(QLatin1Char('&'));
    return shown;
}

int MenuSelection::widestOption() const
{
    int widest = 0;
    for (const MenuOptionEntry& option : options)
        widest = std::max(widest, option.width);
    return widest;
}

MenuSelection selectMenuOptions(const QList<MenuItem>& items, const QString& code)
{
    const QString menuCode = code.trimmed();
    const qsizetype n = menuCode.size();
    MenuSelection selection;
    for (qsizetype row = 1; row < items.size(); ++row) {
        const MenuItem& item = items.at(row);
        if (item.code.size() == n + 1 && item.code.left(n) == menuCode) {
            const QString caption = withoutAmpersands(item.caption);
            selection.options.append(
                {static_cast<int>(row), caption, 250 + 115 * static_cast<int>(caption.size())});
        }
        if (item.code == menuCode)
            selection.ownCaption = item.caption;
    }
    return selection;
}

MenuTitles menuTitles(const QList<MenuItem>& items, const QString& code, const QString& appName)
{
    const QString menuCode = code.trimmed();
    if (menuCode.isEmpty())
        return {appName.toUpper(), QStringLiteral("Fin")};
    MenuTitles titles;
    qsizetype prefix = 1;
    for (qsizetype row = 1; row < items.size(); ++row) {
        const MenuItem& item = items.at(row);
        if (item.code == menuCode.left(prefix)) {
            const QString caption = withoutAmpersands(item.caption);
            titles.formCaption += QStringLiteral(" - ") + caption;
            titles.centreCaption = caption;
            ++prefix;
        }
    }
    return titles;
}

CentreLabel centreLabel(const QString& centreCaption, const QString& newLine)
{
    CentreLabel label;
    label.caption = newLine + centreCaption + newLine;
    label.height = 1000;
    label.width = std::clamp(100 * static_cast<int>(label.caption.size()), 1000, 1600) + 200;
    return label;
}

ArcLayout arcLayout(const ArcInput& input)
{
    ArcLayout layout;
    const double h = input.innerHeight;
    layout.radius = h / 2;
    layout.cx = 0.4 * input.width;
    layout.cy = h / 2 + 50;
    const QPoint centre(rounded(layout.cx + 300), rounded(layout.cy));
    layout.centreLabel =
        QRect(rounded(layout.cx + 300 - input.centreWidth / 2.0),
              rounded(layout.cy - input.centreHeight / 2.0), input.centreWidth, input.centreHeight);
    layout.step = (input.innerHeight - input.titleTop - 650) / (input.optionCount + 1);
    const double r2 = layout.radius * layout.radius;
    for (int k = 1; k <= input.optionCount; ++k) {
        const int y = input.titleTop + k * layout.step;
        const double dy = y - layout.cy;
        if (r2 < dy * dy)
            break;
        const double x =
            layout.cx + input.centreWidth - 2500 + std::sqrt(r2 - dy * dy) - 1000 * std::abs(dy) / layout.cy;
        ArcOption option;
        option.label = QRect(rounded(x), y - 100, input.optionWidth, 300);
        option.lineFrom = centre;
        option.lineTo = QPoint(rounded(x), y + 50);
        layout.options.append(option);
    }
    return layout;
}

QList<GradientBand> gradientBands(QRgb colour, double width)
{
    constexpr int Bands = 100;
    QList<GradientBand> bands;
    bands.reserve(Bands);
    const auto scaled = [](int component, double factor) {
        return std::min(255, rounded(component * factor));
    };
    for (int i = 0; i < Bands; ++i) {
        const double left = width * i / Bands;
        const double factor = width > 0 ? 0.3 + 0.9 * left / width : 0.3;
        bands.append({left, width / Bands,
                      qRgb(scaled(qRed(colour), factor), scaled(qGreen(colour), factor),
                           scaled(qBlue(colour), factor))});
    }
    return bands;
}

MenuChoice lookupChoice(const QList<MenuItem>& items, const QString& code, int option)
{
    const QString wanted = code.trimmed() + QString::number(option);
    for (qsizetype row = 1; row < items.size(); ++row) {
        const MenuItem& item = items.at(row);
        if (item.code == wanted)
            return {true, withoutAmpersands(item.caption), item.helpTopic};
    }
    return {false, QStringLiteral("Base"), QString()};
}

} // namespace quelmar::shell
