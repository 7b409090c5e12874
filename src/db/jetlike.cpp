#include "db/jetsql.h"

#include <QStringView>

namespace quelmar::db::jetsql {

namespace {

// Simple case folding, with a shortcut for ASCII, which is nearly all of the office's text.
char32_t fold(char16_t c)
{
    if (c < 0x80)
        return (c >= u'A' && c <= u'Z') ? char32_t(c + (u'a' - u'A')) : char32_t(c);
    return QChar::toCaseFolded(char32_t(c));
}

// A character class is the text between '[' and the next ']'. A leading '!' negates it; "a-z" is a range;
// every other character stands for itself ('*', '?', '#' and '[' included).
bool classMatches(QStringView body, char16_t c)
{
    bool negated = false;
    if (!body.isEmpty() && body.front() == u'!') {
        negated = true;
        body = body.mid(1);
    }
    const char32_t folded = fold(c);
    bool found = false;
    for (qsizetype i = 0; i < body.size() && !found;) {
        const char16_t low = body[i].unicode();
        if (i + 2 < body.size() && body[i + 1] == u'-') {
            const char16_t high = body[i + 2].unicode();
            found = (c >= low && c <= high) || (folded >= fold(low) && folded <= fold(high));
            i += 3;
        } else {
            found = folded == fold(low);
            ++i;
        }
    }
    return found != negated;
}

// What the pattern element at p is, and where the next one starts.
enum class Element
{
    Star,
    Empty, // "[]": matches the empty text
    Single // matches one character
};

Element elementAt(QStringView pattern, qsizetype p, qsizetype& next, qsizetype& classClose)
{
    const char16_t c = pattern[p].unicode();
    classClose = -1;
    next = p + 1;
    if (c == u'*')
        return Element::Star;
    if (c == u'[') {
        const qsizetype close = pattern.indexOf(u']', p + 1);
        if (close == p + 1) {
            next = close + 1;
            return Element::Empty;
        }
        if (close > p + 1) {
            classClose = close;
            next = close + 1;
        }
    }
    return Element::Single;
}

bool singleMatches(QStringView pattern, qsizetype p, qsizetype classClose, char16_t c)
{
    if (classClose > 0)
        return classMatches(pattern.mid(p + 1, classClose - p - 1), c);
    const char16_t wanted = pattern[p].unicode();
    return wanted == u'?' || fold(wanted) == fold(c);
}

} // namespace

// Iterative matching: every element other than '*' takes exactly one character (or none, for "[]"), so on a
// mismatch it is enough to let the most recent '*' take one character more. Time is at worst
// pattern length × text length, and nothing is allocated.
bool likeMatches(const QString& patternString, const QString& textString)
{
    const QStringView pattern(patternString);
    const QStringView text(textString);
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype starPattern = -1; // element after the last '*' seen
    qsizetype starText = -1;    // where that '*' began to take characters
    while (t < text.size()) {
        if (p < pattern.size()) {
            qsizetype next = 0;
            qsizetype classClose = -1;
            const Element element = elementAt(pattern, p, next, classClose);
            if (element == Element::Star) {
                p = next;
                starPattern = p;
                starText = t;
                continue;
            }
            if (element == Element::Empty) {
                p = next;
                continue;
            }
            if (singleMatches(pattern, p, classClose, text[t].unicode())) {
                p = next;
                ++t;
                continue;
            }
        }
        if (starPattern < 0)
            return false;
        p = starPattern;
        t = ++starText;
    }
    while (p < pattern.size()) {
        qsizetype next = 0;
        qsizetype classClose = -1;
        if (elementAt(pattern, p, next, classClose) == Element::Single)
            return false;
        p = next;
    }
    return true;
}

} // namespace quelmar::db::jetsql
