#include "shell/texsubs.h"

#include "session/session.h"

#include <algorithm>

namespace quelmar::shell {

namespace {

// Far more replacements than any text of the program needs; a bound so that a rewriting that never settles
// cannot hang the program.
constexpr qsizetype MaxReplacements = 1000000;

} // namespace

QString replacedEverywhere(const QString& text, const QString& searched, const QString& replacement)
{
    if (searched.isEmpty())
        return text;
    QString result = text;
    if (replacement.contains(searched, Qt::CaseInsensitive))
        return result.replace(searched, replacement, Qt::CaseInsensitive);
    // Whatever lies before an occurrence had none, so searching "again from the beginning" may start just far
    // enough back to catch an occurrence that the replacement has formed with the text before it.
    qsizetype from = 0;
    for (qsizetype done = 0; done < MaxReplacements; ++done) {
        const qsizetype at = result.indexOf(searched, from, Qt::CaseInsensitive);
        if (at < 0)
            break;
        result.replace(at, searched.size(), replacement);
        from = std::max<qsizetype>(0, at - searched.size() + 1);
    }
    return result;
}

void TexSubs(Session& session, QString& text, const QString& searched, const QString& replacement)
{
    session.errors.RoutineName = QStringLiteral("TexSubs");
    text = replacedEverywhere(text, searched, replacement);
}

} // namespace quelmar::shell
