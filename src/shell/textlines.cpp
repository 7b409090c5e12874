#include "shell/textlines.h"

#include <QStringDecoder>

namespace quelmar::shell {

LineBuffer readLines(const QString& text)
{
    LineBuffer buffer;
    buffer.capacity = FirstLineBufferSize;
    buffer.lines.reserve(FirstLineBufferSize);
    qsizetype start = 0;
    const qsizetype size = text.size();
    while (start < size) {
        qsizetype end = start;
        while (end < size && text.at(end) != QLatin1Char('\n') && text.at(end) != QLatin1Char('\r'))
            ++end;
        if (buffer.lines.size() == MaxFileLines) {
            buffer.overflow = true;
            break;
        }
        if (buffer.lines.size() == buffer.capacity) {
            buffer.capacity += LineBufferGrowth;
            ++buffer.growths;
            buffer.lines.reserve(buffer.capacity);
        }
        buffer.lines.append(text.mid(start, end - start));
        if (end < size && text.at(end) == QLatin1Char('\r') && end + 1 < size &&
            text.at(end + 1) == QLatin1Char('\n'))
            ++end;
        start = end + 1;
    }
    return buffer;
}

QString decodeText(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text.startsWith(QChar(0xFEFF)) ? text.mid(1) : text;
    // Windows-1252 where it differs from Latin-1 (0x80..0x9F); Latin-1 for every other byte.
    static const char16_t windows1252[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                             0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                             0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                             0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
    QString legacy;
    legacy.reserve(bytes.size());
    for (const char byte : bytes) {
        const auto code = static_cast<unsigned char>(byte);
        legacy.append(code >= 0x80 && code < 0xA0 ? QChar(windows1252[code - 0x80]) : QChar(char16_t(code)));
    }
    return legacy;
}

QStringList sectionLines(const QStringList& fileLines, const QString& name, int limit)
{
    QStringList section;
    const int most = std::max(limit, 1);
    bool inside = false;
    for (const QString& line : fileLines) {
        if (!inside) {
            inside = line.trimmed() == name;
            continue;
        }
        if (line.startsWith(QLatin1String("&&")))
            break;
        if (line.trimmed().isEmpty())
            continue;
        section.append(line);
        if (section.size() >= most)
            break;
    }
    return section;
}

QStringList dialogNameFilters(const QString& filter)
{
    const QStringList pieces = filter.split(QLatin1Char('|'));
    const auto patterns = [](const QString& text) {
        QStringList list = text.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : list)
            pattern = pattern.trimmed();
        list.removeAll(QString());
        return list.join(QLatin1Char(' '));
    };
    QStringList filters;
    if (pieces.size() == 1) {
        const QString bare = patterns(pieces.first());
        if (!bare.isEmpty())
            filters.append(bare + QStringLiteral(" (") + bare + QLatin1Char(')'));
        return filters;
    }
    for (qsizetype i = 0; i + 1 < pieces.size(); i += 2) {
        const QString pattern = patterns(pieces.at(i + 1));
        if (pattern.isEmpty())
            continue;
        const QString description = pieces.at(i).trimmed();
        filters.append((description.isEmpty() ? pattern : description) + QStringLiteral(" (") + pattern +
                       QLatin1Char(')'));
    }
    return filters;
}

} // namespace quelmar::shell
