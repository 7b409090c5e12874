#pragma once

#include "session/session.h"

#include <QList>
#include <QString>

// The rules of the access keys, without the dialogue.
namespace quelmar::shell {

inline constexpr int MaxAccessKeys = 100;

// The level written in a key row: the number the text begins with ("3x" gives 3, " 5" gives 5, "x" gives 0).
double keyLevel(const QString& text);

enum class KeyOutcome
{
    Granted,     // the key exists with at least the level asked for
    LevelTooLow, // the key exists with a lower level
    Unknown,     // no key is written so
};

struct KeyCheck
{
    KeyOutcome outcome = KeyOutcome::Unknown;
    QString name; // the key holder, when granted
};

// The first key equal to the typed text (exactly: case and blanks count) decides. Nothing typed is no key.
KeyCheck checkAccessKey(const QList<AccessKey>& keys, const QString& typed, int level);

} // namespace quelmar::shell
