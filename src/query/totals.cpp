#include "query/totals.h"

#include "engine/valueformat.h"

#include <QVariant>

#include <algorithm>

namespace quelmar::query {

namespace {

QString cutAt(const QString& text, QLatin1String word)
{
    const qsizetype at = text.indexOf(word, 0, Qt::CaseInsensitive);
    return at < 0 ? text : text.left(at);
}

qsizetype skipDigits(const QString& text, qsizetype at)
{
    while (at < text.size() && text.at(at).isDigit() && text.at(at).unicode() < 128)
        ++at;
    return at;
}

} // namespace

double leadingNumber(const QString& text)
{
    qsizetype at = 0;
    while (at < text.size() && text.at(at).isSpace())
        ++at;
    const qsizetype start = at;
    if (at < text.size() && (text.at(at) == u'-' || text.at(at) == u'+'))
        ++at;
    const qsizetype digits = at;
    at = skipDigits(text, at);
    bool any = at > digits;
    if (at < text.size() && text.at(at) == u'.') {
        const qsizetype decimals = at + 1;
        const qsizetype end = skipDigits(text, decimals);
        if (end > decimals || any) {
            any = any || end > decimals;
            at = end;
        }
    }
    if (!any)
        return 0;
    if (at < text.size() && (text.at(at) == u'e' || text.at(at) == u'E')) {
        qsizetype exponent = at + 1;
        if (exponent < text.size() && (text.at(exponent) == u'-' || text.at(exponent) == u'+'))
            ++exponent;
        const qsizetype end = skipDigits(text, exponent);
        if (end > exponent)
            at = end;
    }
    bool ok = false;
    const double value = text.mid(start, at - start).toDouble(&ok);
    return ok ? value : 0;
}

TotalsRequest parseTotalsRequest(const QString& request, int columnCount)
{
    const QString list = cutAt(cutAt(request, QLatin1String("Gin")), QLatin1String("NoG"));
    TotalsRequest result;
    if (list.contains(u'-')) {
        const double first = leadingNumber(list.trimmed()) - 1;
        for (int column = std::max(0, qRound(first)); column < columnCount; ++column)
            result.columns.append(column);
        return result;
    }
    const QStringList pieces = (list + u',').split(u',');
    for (const QString& piece : pieces) {
        if (piece.trimmed().isEmpty())
            continue;
        const double position = leadingNumber(piece.trimmed());
        if (position < 0 || position >= columnCount)
            continue;
        const int column = qRound(position);
        if (column < columnCount && !result.columns.contains(column))
            result.columns.append(column);
    }
    std::sort(result.columns.begin(), result.columns.end());
    return result;
}

QList<bool> selectedColumns(const QString& request, int columnCount)
{
    QList<bool> flags(std::max(0, columnCount), false);
    for (int column : parseTotalsRequest(request, columnCount).columns)
        flags[column] = true;
    return flags;
}

double cellAmount(const QString& text)
{
    QString cleaned = text;
    cleaned.remove(u',').remove(u'$');
    return leadingNumber(cleaned);
}

QString formatTotal(double total)
{
    return engine::formatValue(QVariant(total), QStringLiteral("#,##0.##"));
}

QList<double> columnTotals(const QList<QStringList>& rows, const QList<bool>& selected)
{
    QList<double> totals(selected.size(), 0.0);
    for (const QStringList& row : rows) {
        const qsizetype cells = std::min(row.size(), selected.size());
        for (qsizetype column = 0; column < cells; ++column) {
            if (selected.at(column))
                totals[column] += cellAmount(row.at(column));
        }
    }
    return totals;
}

QString headingWithLine(const QString& caption, const QString& text)
{
    return caption + u'\n' + text;
}

int widenedColumnWidth(int oldWidth, const QString& newCaption)
{
    return std::max(oldWidth, int(newCaption.size()) * TwipsPerTotalCaptionChar);
}

int groupingColumn(const QString& options)
{
    const qsizetype at = options.indexOf(u'=');
    if (at < 0)
        return 0;
    return qRound(leadingNumber(options.mid(at + 1)));
}

Subtotals subtotals(const QList<QString>& groupCells, const QList<QString>& amountCells)
{
    Subtotals result;
    const auto amountOf = [&amountCells](qsizetype row) {
        return row < amountCells.size() ? cellAmount(amountCells.at(row)) : 0.0;
    };
    const auto closeGroup = [&result](qsizetype lastRow, double sum) {
        result.rowsWithSums.append(SubtotalRow{int(lastRow), sum});
        result.grandTotal += sum;
    };
    double sum = 0;
    for (qsizetype row = 0; row < groupCells.size(); ++row) {
        if (row > 0 && groupCells.at(row) != groupCells.at(row - 1)) {
            closeGroup(row - 1, sum);
            sum = 0;
        }
        sum += amountOf(row);
    }
    if (!groupCells.isEmpty())
        closeGroup(groupCells.size() - 1, sum);
    return result;
}

QString subtotalFormat(int jetType)
{
    return jetType == 5 || jetType == 6 ? QStringLiteral("Currency") : QStringLiteral("Standard");
}

QString formatSubtotal(double sum, int jetType)
{
    return engine::formatValue(QVariant(sum), subtotalFormat(jetType));
}

} // namespace quelmar::query
