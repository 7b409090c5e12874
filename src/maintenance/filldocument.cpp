#include "maintenance/filldocument.h"

#include <QList>

#include <algorithm>

namespace quelmar::maintenance::templates {

namespace {

// One stretch of the template and what takes its place.
struct Replacement
{
    qsizetype position = 0;
    qsizetype length = 0;
    QString text;
    bool free = false; // a free field: its line may have to be broken
};

QString cleanValue(const QString& value)
{
    QString text = value.trimmed();
    for (QChar& c : text) {
        if (c == u'\r' || c == u'\n' || c == u'\t')
            c = u' ';
    }
    return text;
}

// The first occurrence of the mark of value `index` that is not the start of a longer number.
qsizetype findValueMark(const QString& text, int index)
{
    const QString mark = ValueMark + QString::number(index);
    for (qsizetype at = text.indexOf(mark); at >= 0; at = text.indexOf(mark, at + 1)) {
        const qsizetype after = at + mark.size();
        if (after >= text.size() || !text.at(after).isDigit())
            return at;
    }
    return -1;
}

// Where the line that holds `from` ends: its first CR or LF, or the end of the text. Each character is looked
// at once, so walking a text line by line costs its length.
qsizetype lineEnd(const QString& text, qsizetype from)
{
    for (qsizetype at = from; at < text.size(); ++at) {
        const QChar c = text.at(at);
        if (c == u'\r' || c == u'\n')
            return at;
    }
    return text.size();
}

// The printer's measure of a line, taken a stretch at a time and only until it passes the printable width:
// an over-long line costs no more than its first stretches, and no single measure is large enough to overflow
// the printer's arithmetic.
bool widerThanPrintable(const LineWidth& lineWidth, QStringView line)
{
    constexpr qsizetype Stretch = 256;
    qint64 width = 0;
    for (qsizetype at = 0; at < line.size(); at += Stretch) {
        width += std::max(0, lineWidth.width(line.mid(at, Stretch).toString()));
        if (width > lineWidth.printableWidth)
            return true;
    }
    return false;
}

Replacement fieldOf(const QString& text, qsizetype at, int index, const QString& value)
{
    const qsizetype markEnd = at + ValueMark.size() + QString::number(index).size();
    const qsizetype nextMark = text.indexOf(ValueMark, markEnd);
    const qsizetype limit = std::min(nextMark < 0 ? text.size() : nextMark, lineEnd(text, markEnd));
    const qsizetype end = text.indexOf(EndMark, markEnd);
    if (end >= 0 && end < limit) {
        const qsizetype width = end + EndMark.size() - at;
        return {at, width, value.left(width).leftJustified(width, u' '), false};
    }
    return {at, markEnd - at, value, true};
}

// Breaks a line into pieces of at most LongestPiece characters, at the last blank of a piece when it has one
// (the blank after a full piece included); the blank a piece breaks at is dropped.
QStringList pieces(QStringView line)
{
    QStringList parts;
    qsizetype from = 0;
    while (line.size() - from > LongestPiece) {
        qsizetype cut = line.mid(from, LongestPiece + 1).lastIndexOf(u' ');
        if (cut <= 0)
            cut = LongestPiece;
        parts.append(line.mid(from, cut).toString());
        from += cut + (line.at(from + cut) == u' ' ? 1 : 0);
    }
    parts.append(line.mid(from).toString());
    return parts;
}

} // namespace

FilledText fillMarks(const QString& text, const QStringList& values, const QDate& today,
                     const LineWidth& lineWidth)
{
    QList<Replacement> replacements;
    for (int index = static_cast<int>(values.size()); index >= 1; --index) {
        const qsizetype at = findValueMark(text, index);
        if (at >= 0)
            replacements.append(fieldOf(text, at, index, cleanValue(values.at(index - 1))));
    }
    if (today.isValid()) {
        const qsizetype at = text.indexOf(DateMark);
        if (at >= 0)
            replacements.append({at, DateMark.size(), today.toString(QStringLiteral("dd-MM-yy")), false});
    }
    std::sort(replacements.begin(), replacements.end(),
              [](const Replacement& a, const Replacement& b) { return a.position < b.position; });

    // One pass: what lies between the marks is copied, each mark gives way to its value.
    FilledText filled;
    QList<std::pair<qsizetype, qsizetype>> freeStretches; // where free values landed in the result
    qsizetype copied = 0;
    for (const Replacement& replacement : replacements) {
        filled.text += QStringView(text).mid(copied, replacement.position - copied);
        if (replacement.free)
            freeStretches.append({filled.text.size(), filled.text.size() + replacement.text.size()});
        filled.text += replacement.text;
        copied = replacement.position + replacement.length;
    }
    filled.text += QStringView(text).mid(copied);
    if (freeStretches.isEmpty() || !lineWidth.width)
        return filled;

    // Lines that hold a free value and no longer fit are broken.
    QString result;
    qsizetype start = 0;
    while (start <= filled.text.size()) {
        const qsizetype end = lineEnd(filled.text, start);
        const QStringView line = QStringView(filled.text).mid(start, end - start);
        const bool holdsFree = std::any_of(freeStretches.begin(), freeStretches.end(), [&](const auto& s) {
            return s.first <= end && s.second >= start;
        });
        if (holdsFree && widerThanPrintable(lineWidth, line)) {
            const QStringList parts = pieces(line);
            result += parts.join(u'\r');
            filled.addedLines += static_cast<int>(parts.size()) - 1;
        } else {
            result += line;
        }
        if (end >= filled.text.size())
            break;
        // The line's own break, CR LF kept together.
        const qsizetype breakLength =
            filled.text.at(end) == u'\r' && end + 1 < filled.text.size() && filled.text.at(end + 1) == u'\n'
                ? 2
                : 1;
        result += QStringView(filled.text).mid(end, breakLength);
        start = end + breakLength;
    }
    filled.text = result;
    return filled;
}

FilledText fillWhole(const QStringList& templateLines, const QStringList& values, const QDate& today,
                     const LineWidth& lineWidth, const QString& newLine)
{
    QString text;
    for (const QString& line : templateLines)
        text += newLine + QStringLiteral("   ") + line;
    return fillMarks(text, values, today, lineWidth);
}

FilledText fillLineByLine(const QStringList& templateLines, const QStringList& values, const QDate& today,
                          const LineWidth& lineWidth)
{
    FilledText whole;
    for (const QString& line : templateLines) {
        const FilledText filled = fillMarks(line, values, today, lineWidth);
        whole.text += filled.text + u'\r';
        whole.addedLines += filled.addedLines;
    }
    return whole;
}

FilledText FillDocument(const QString& command, const QStringList& templateLines, const QStringList& values,
                        const QDate& today, const LineWidth& lineWidth, const QString& newLine)
{
    const QString upper = command.toUpper();
    if (upper == QLatin1String("ADI"))
        return fillWhole(templateLines, values, today, lineWidth, newLine);
    if (upper == QLatin1String("ILIM"))
        return fillLineByLine(templateLines, values, today, lineWidth);
    return {};
}

QStringList textLines(const QString& text)
{
    QString normal = text;
    normal.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    normal.replace(u'\r', u'\n');
    return normal.split(u'\n');
}

} // namespace quelmar::maintenance::templates
