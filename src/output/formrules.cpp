#include "output/formrules.h"

#include <QFileInfo>
#include <QStringList>

#include <cmath>

namespace quelmar::output::formrules {

namespace {

// A whole number of a position file, as a 16-bit value.
std::optional<int> wholeNumber(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    if (!ok || value < -32768 || value > 32767)
        return std::nullopt;
    return value;
}

} // namespace

QString positionFilePath(const QString& documentPath)
{
    const qsizetype nameStart = std::max(documentPath.lastIndexOf(u'/'), documentPath.lastIndexOf(u'\\')) + 1;
    const qsizetype dot = documentPath.indexOf(u'.', nameStart);
    if (dot < 0)
        return documentPath + QStringLiteral(".pos");
    return documentPath.left(dot + 1) + QStringLiteral("pos");
}

QString positionFileText(const PositionTable& table)
{
    QStringList lines{QStringLiteral("%1\t%2\t").arg(table.width).arg(table.height)};
    for (const Placement& field : table.fields)
        lines.append(QStringLiteral("%1\t%2\t%3\t").arg(field.text).arg(field.left).arg(field.top));
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

std::optional<PositionTable> parsePositionFile(const QString& text, int fieldCount, QString* reason)
{
    const auto fail = [reason](const QString& why) {
        if (reason)
            *reason = why;
        return std::nullopt;
    };
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    const QStringList lines = normal.split(u'\n');
    const QStringList size = lines.value(0).split(u'\t');
    const std::optional<int> width = wholeNumber(size.value(0));
    const std::optional<int> height = wholeNumber(size.value(1));
    if (!width || !height || *width <= 0 || *height <= 0)
        return fail(QStringLiteral("line 1 holds no document size"));
    PositionTable table{*width, *height, {}};
    for (int field = 1; field <= fieldCount; ++field) {
        const QStringList values = lines.value(field).split(u'\t');
        const std::optional<int> left = wholeNumber(values.value(1));
        const std::optional<int> top = wholeNumber(values.value(2));
        if (values.size() < 3 || !left || !top)
            return fail(QStringLiteral("line %1 holds no position of field %2").arg(field + 1).arg(field));
        table.fields.append({values.value(0), *left, *top});
    }
    return table;
}

QString positionText(int left, int top)
{
    return QStringLiteral("%1%2").arg(left, 5, 10, QLatin1Char('0')).arg(top, 5, 10, QLatin1Char('0'));
}

int shrink(int size)
{
    return static_cast<int>(std::lround(size * 0.9));
}

int grow(int size)
{
    return static_cast<int>(std::lround(size * 1.1));
}

} // namespace quelmar::output::formrules
