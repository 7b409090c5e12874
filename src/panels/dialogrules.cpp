#include "panels/dialogrules.h"

#include <algorithm>
#include <cmath>

namespace quelmar::panels {

QStringList SplitWords(const QString& text, const QString& separator)
{
    QStringList pieces;
    if (separator.isEmpty())
        return pieces;
    qsizetype start = 0;
    for (qsizetype at = text.indexOf(separator); at >= 0; at = text.indexOf(separator, start)) {
        QString piece = text.mid(start, at - start);
        if (piece.isEmpty() && !pieces.isEmpty())
            piece = QStringLiteral(" ");
        pieces.append(piece);
        start = at + separator.size();
    }
    return pieces;
}

Choices SplitChoices(const QString& list)
{
    Choices choices;
    const QStringList entries = SplitWords(list, QStringLiteral("/"));
    for (const QString& entry : entries.mid(0, 500)) {
        const qsizetype dash = entry.indexOf(QLatin1Char('-'));
        choices.labels.append(dash < 0 ? entry : entry.left(dash));
        choices.values.append(dash < 0 ? QString() : entry.mid(dash + 1));
    }
    return choices;
}

QString withoutAccessMark(const QString& caption)
{
    QString text = caption;
    return text.remove(QLatin1Char('&'));
}

QString accessLetter(const QString& caption)
{
    const qsizetype mark = caption.indexOf(QLatin1Char('&'));
    if (mark >= 0 && mark + 1 < caption.size())
        return caption.mid(mark + 1, 1);
    return withoutAccessMark(caption);
}

FooterStyle footerStyle(int messageLength, int panelWidthTwips)
{
    FooterStyle style;
    if (messageLength > 60)
        style.pointSize = 8.3;
    if (messageLength > 78)
        style.bold = false;
    if (messageLength > 96 && panelWidthTwips > 0) {
        const double lines = std::floor(messageLength * 92.0 / panelWidthTwips + 0.99);
        style.heightTwips = static_cast<int>(lines) * 250 + 90;
    }
    return style;
}

int inputFieldLength(int inputLength, int defaultAnswerLength)
{
    int length = inputLength > 0 ? inputLength : 10;
    length = std::max(length, defaultAnswerLength);
    return std::min(length, 60);
}

int inputFieldWidthTwips(int length)
{
    return length * 114 + 100;
}

int buttonWidthTwips(int widestCaption, bool withPictures)
{
    const int characters = withPictures ? std::max(widestCaption, 7) : widestCaption;
    return characters * 115 + 80;
}

namespace {

// Characters with a meaning in a QLineEdit input mask.
bool isQtMaskCharacter(QChar c)
{
    static const QString special = QStringLiteral("AaNnXx9D0dHhBb#<>![]{}\\;");
    return special.contains(c);
}

QChar qtPlaceholder(QChar c)
{
    switch (c.unicode()) {
    case '#':
    case '9':
        return QLatin1Char('0');
    case '?':
        return QLatin1Char('a');
    case 'A':
    case 'a':
        return QLatin1Char('n');
    case '&':
    case 'C':
        return QLatin1Char('x');
    default:
        return QChar();
    }
}

bool isQtPlaceholder(QChar c)
{
    static const QString placeholders = QStringLiteral("AaNnXx9D0dHhBb#");
    return placeholders.contains(c);
}

} // namespace

QString qtInputMask(const QString& mask)
{
    QString result;
    for (qsizetype i = 0; i < mask.size(); ++i) {
        const QChar c = mask.at(i);
        if (c == QLatin1Char('\\') && i + 1 < mask.size()) {
            result += QLatin1Char('\\');
            result += mask.at(++i);
        } else if (c == QLatin1Char('>') || c == QLatin1Char('<')) {
            result += c;
        } else if (const QChar placeholder = qtPlaceholder(c); !placeholder.isNull()) {
            result += placeholder;
        } else {
            if (isQtMaskCharacter(c))
                result += QLatin1Char('\\');
            result += c;
        }
    }
    return result;
}

QString withoutMaskLiterals(const QString& displayText, const QString& qtMask)
{
    if (qtMask.isEmpty())
        return displayText;
    QString typed;
    qsizetype position = 0;
    for (qsizetype i = 0; i < qtMask.size() && position < displayText.size(); ++i) {
        const QChar c = qtMask.at(i);
        if (c == QLatin1Char('>') || c == QLatin1Char('<') || c == QLatin1Char('!'))
            continue;
        if (c == QLatin1Char('\\')) {
            ++i;
            ++position;
            continue;
        }
        if (isQtPlaceholder(c))
            typed += displayText.at(position);
        ++position;
    }
    return typed.trimmed();
}

QString mirrorChosenEntries(const QString& chosen, const QStringList& entries, const QList<bool>& selected)
{
    QStringList pieces = SplitWords(chosen, QStringLiteral("/"));
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString entry = entries.at(i).trimmed();
        const bool isSelected = selected.value(i);
        if (isSelected && !pieces.contains(entry))
            pieces.append(entry);
        else if (!isSelected)
            pieces.removeOne(entry);
    }
    QString text;
    for (const QString& piece : pieces)
        text += piece + QLatin1Char('/');
    return text;
}

QString monthDayYearLiteral(const QDate& date)
{
    return QStringLiteral("#%1/%2/%3#").arg(date.month()).arg(date.day()).arg(date.year());
}

} // namespace quelmar::panels
