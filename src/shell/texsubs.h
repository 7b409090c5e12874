#pragma once

#include <QString>

namespace quelmar {
class Session;
}

namespace quelmar::shell {

// Replaces every occurrence of `searched` in `text` by `replacement`, without regard to case, searching again
// from the beginning after each replacement until `searched` no longer occurs. A replacement that contains
// the searched text would never end that way: each occurrence of the original text is then replaced once. An
// empty searched text changes nothing.
QString replacedEverywhere(const QString& text, const QString& searched, const QString& replacement);

// The same, in place, as the routine "TexSubs".
void TexSubs(Session& session, QString& text, const QString& searched, const QString& replacement);

} // namespace quelmar::shell
