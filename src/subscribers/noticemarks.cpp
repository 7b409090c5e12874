#include "subscribers/noticemarks.h"

#include <QRegularExpression>

namespace quelmar::subscribers::notices {

namespace {

QRegularExpression markPattern(int number)
{
    return QRegularExpression(QStringLiteral(" *Aviso=%1(?![0-9])").arg(number));
}

} // namespace

std::optional<int> noticeNumber(const QString& typed)
{
    const QString text = typed.trimmed();
    if (text.isEmpty() || text.size() > 4)
        return std::nullopt;
    for (const QChar c : text) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
    }
    const int number = text.toInt();
    if (number < 1)
        return std::nullopt;
    return number;
}

QString appendMark(const QString& notes, int number)
{
    return notes + QStringLiteral("  Aviso=") + QString::number(number);
}

bool hasMark(const QString& notes, int number)
{
    return markPattern(number).match(notes).hasMatch();
}

QString removeMarks(const QString& notes, int number)
{
    QString rest = notes;
    rest.remove(markPattern(number));
    return rest.trimmed().isEmpty() ? QString() : rest;
}

} // namespace quelmar::subscribers::notices
