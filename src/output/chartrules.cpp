#include "output/chartrules.h"

#include "core/datetext.h"
#include "db/fielddef.h"

#include <QRegularExpression>
#include <QSet>

#include <cmath>

namespace quelmar::output::chart {

namespace {

// The number written after a word of the options ("ET 3", "Gin-2"); found false when the word is absent.
int numberAfter(const QString& options, const QString& word, bool& found)
{
    const QRegularExpression pattern(QRegularExpression::escape(word) + QStringLiteral("\\s*(-?\\d+)"),
                                     QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = pattern.match(options);
    found = match.hasMatch();
    return found ? match.captured(1).toInt() : 0;
}

} // namespace

bool isNumericType(int jetType)
{
    switch (jetType) {
    case db::jettype::Boolean:
    case db::jettype::Byte:
    case db::jettype::Integer:
    case db::jettype::Long:
    case db::jettype::Currency:
    case db::jettype::Single:
    case db::jettype::Double:
        return true;
    default:
        return false;
    }
}

SeriesRange seriesRange(const QString& options, const QList<int>& fieldTypes)
{
    SeriesRange range;
    const int fields = static_cast<int>(fieldTypes.size());
    bool found = false;
    if (options.contains(QLatin1String("Gin"), Qt::CaseInsensitive)) {
        range.first = numberAfter(options, QStringLiteral("Gin"), found);
        if (range.first < 0)
            return range;
        range.last = numberAfter(options, QStringLiteral("Tfi"), found);
        if (!found)
            range.last = fields;
    } else if (options.contains(QLatin1String("ET"), Qt::CaseInsensitive) &&
               options.contains(QLatin1Char('-'))) {
        range.first = numberAfter(options, QStringLiteral("ET"), found);
        if (range.first < 1)
            return range;
        const qsizetype dash = options.indexOf(QLatin1Char('-'));
        range.last = options.mid(dash + 1).trimmed().section(QLatin1Char(' '), 0, 0).toInt();
    } else {
        range.first = 0;
        for (int i = 0; i < fields; ++i) {
            if (isNumericType(fieldTypes.at(i))) {
                range.first = i + 1;
                break;
            }
        }
        if (range.first == 0)
            return range;
        range.last = fields;
    }
    range.first = std::min(range.first, fields);
    if (range.last < range.first)
        range.last = fields;
    range.last = std::min(range.last, fields);
    range.valid = range.first >= 1 && range.last >= range.first;
    return range;
}

QString chartTitle(const QString& title, const QString& formCaption)
{
    QString text = title.isEmpty() ? formCaption : title;
    if (text.size() > 70) {
        const qsizetype from = std::max<qsizetype>(0, text.size() / 2 - 3);
        const qsizetype blank = text.indexOf(QLatin1Char(' '), from);
        if (blank >= 0)
            text[blank] = QLatin1Char('\n');
    }
    return text.toUpper();
}

QString seriesLabel(const QString& caption)
{
    // A totals line under the caption is not part of the series' name.
    return (QStringLiteral("  ") + caption.section(QLatin1Char('\n'), 0, 0).trimmed()).left(20);
}

QString groupedNumber(double value)
{
    const bool fraction = value != std::trunc(value);
    QString digits = QString::number(std::fabs(value), 'f', fraction ? 3 : 0);
    const qsizetype point = digits.indexOf(QLatin1Char('.'));
    for (qsizetype at = (point < 0 ? digits.size() : point) - 3; at > 0; at -= 3)
        digits.insert(at, QLatin1Char(','));
    return value < 0 ? QLatin1Char('-') + digits : digits;
}

QString rowLabel(const QVariantList& values)
{
    int width = 25;
    QString label;
    for (;;) {
        label.clear();
        for (const QVariant& value : values) {
            const int type = value.typeId();
            const bool numeric = type == QMetaType::Int || type == QMetaType::LongLong ||
                                 type == QMetaType::Double || type == QMetaType::UInt ||
                                 type == QMetaType::ULongLong || type == QMetaType::Float;
            if (numeric)
                label += groupedNumber(value.toDouble()) + QStringLiteral("  ");
            else if (type == QMetaType::QDate || type == QMetaType::QDateTime)
                label += datetext::dayMonthYear(value.toDate()).left(width) + QStringLiteral(" · ");
            else
                label += value.toString().left(width) + QStringLiteral(" · ");
        }
        if (label.size() < 39 || width <= 5)
            break;
        width -= 5;
    }
    label.chop(2);
    return label.left(15);
}

QString styleList()
{
    return QStringLiteral("Barras 3D-0/Barras 2D-1/Líneas 3D-2/Líneas 2D-3/Area 3D-4/Area 2D-5/Pasos 3D-6/"
                          "Pasos 2D-7/Combinado 3D-8/Combinado 2D-9/Circular 2D-14/");
}

int typeOfStyle(int entry)
{
    if (entry >= 1 && entry <= 10)
        return entry - 1;
    if (entry == 11)
        return PieType;
    return -1;
}

bool hasDepth(int type)
{
    return type != PieType && type % 2 == 0;
}

QList<bool> totalSeries(const QStringList& seriesLabels)
{
    QList<bool> totals;
    for (const QString& label : seriesLabels)
        totals.append(seriesLabels.size() > 1 &&
                      label.trimmed().compare(QLatin1String("Total"), Qt::CaseInsensitive) == 0);
    // A table of totals alone has no parts to stack: its first total is drawn as a part.
    if (!totals.isEmpty() && !totals.contains(false))
        totals.first() = false;
    return totals;
}

QList<QList<double>> stackedTops(const QList<QList<double>>& values, const QList<bool>& totals)
{
    QList<QList<double>> tops;
    QList<double> base;
    for (qsizetype s = 0; s < values.size(); ++s) {
        const QList<double>& series = values.at(s);
        if (totals.value(s)) {
            tops.append(series);
            continue;
        }
        if (base.size() < series.size())
            base.resize(series.size(), 0.0);
        for (qsizetype row = 0; row < series.size(); ++row)
            base[row] += series.at(row);
        tops.append(base.mid(0, series.size()));
    }
    return tops;
}

QStringList distinctLabels(const QStringList& labels)
{
    QStringList distinct;
    QSet<QString> seen;
    for (const QString& label : labels) {
        QString unique = label;
        while (seen.contains(unique))
            unique += QChar(0x200B);
        seen.insert(unique);
        distinct.append(unique);
    }
    return distinct;
}

int chartWidth(int rows, int series, int type, int shownWidth)
{
    if (type == PieType)
        return shownWidth;
    // A row's label stands upright when rows are many: a line of small text with its padding, 22 pixels;
    // side-by-side bars take 5 pixels each besides.
    const bool bars = type <= 1 || type == 8 || type == 9;
    const int perRow = std::max(22, bars ? 5 * std::max(1, type <= 1 ? series : 1) + 6 : 22);
    // The value axis and the legend take the rest of the width shown.
    constexpr int Furniture = 260;
    return std::max(shownWidth, Furniture + rows * perRow);
}

Scale scaleOfAnswer(const QString& letter)
{
    if (letter == QLatin1String("l"))
        return {0.001, QStringLiteral(" (milésimas)")};
    if (letter == QLatin1String("i"))
        return {1000, QStringLiteral(" (miles)")};
    if (letter == QLatin1String("M"))
        return {1000000, QStringLiteral(" (millones)")};
    return {1, QString()};
}

QString pivotColumn(const QString& statement)
{
    const qsizetype at = statement.indexOf(QLatin1String("PIVOT "), 0, Qt::CaseInsensitive);
    if (at < 0)
        return {};
    QString column = statement.mid(at + 6).trimmed();
    const qsizetype dot = column.indexOf(QLatin1Char('.'));
    if (dot >= 0)
        column = column.mid(dot + 1);
    return column;
}

} // namespace quelmar::output::chart
