#include "shell/accesskeyrules.h"

namespace quelmar::shell {

double keyLevel(const QString& text)
{
    qsizetype at = 0;
    while (at < text.size() && text.at(at).isSpace())
        ++at;
    const qsizetype start = at;
    if (at < text.size() && (text.at(at) == QLatin1Char('+') || text.at(at) == QLatin1Char('-')))
        ++at;
    while (at < text.size() && text.at(at) >= QLatin1Char('0') && text.at(at) <= QLatin1Char('9'))
        ++at;
    if (at < text.size() && text.at(at) == QLatin1Char('.')) {
        ++at;
        while (at < text.size() && text.at(at) >= QLatin1Char('0') && text.at(at) <= QLatin1Char('9'))
            ++at;
    }
    bool ok = false;
    const double level = text.mid(start, at - start).toDouble(&ok);
    return ok ? level : 0;
}

KeyCheck checkAccessKey(const QList<AccessKey>& keys, const QString& typed, int level)
{
    // A row whose key was left empty must not open the door to whoever presses INTRO without typing.
    if (typed.isEmpty())
        return {};
    for (const AccessKey& key : keys) {
        if (key.key != typed)
            continue;
        if (keyLevel(key.level) >= level)
            return {KeyOutcome::Granted, key.name};
        return {KeyOutcome::LevelTooLow, QString()};
    }
    return {};
}

} // namespace quelmar::shell
