#include "db/jetsql.h"

#include <algorithm>

namespace quelmar::db::jetsql {

namespace {

// Simple case folding of the Latin letters, which are nearly all of the office's text, kept in a table.
constexpr char16_t LatinEnd = 0x250;

struct LatinFolding
{
    char16_t folded[LatinEnd];
    LatinFolding()
    {
        for (char16_t c = 0; c < LatinEnd; ++c)
            folded[c] = char16_t(QChar::toCaseFolded(char32_t(c)));
    }
};

const LatinFolding latin;

inline char32_t fold(char16_t c)
{
    if (c < LatinEnd)
        return latin.folded[c];
    return QChar::toCaseFolded(char32_t(c));
}

inline char32_t fold(char c)
{
    return (c >= 'A' && c <= 'Z') ? char32_t(c + ('a' - 'A')) : char32_t(static_cast<unsigned char>(c));
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

// Whether a character beyond ASCII folds to this ASCII one (the Kelvin sign to "k", the long s to "s").
bool foldedFromBeyondAscii(char32_t ascii)
{
    static const std::vector<char32_t> targets = [] {
        std::vector<char32_t> found;
        for (char32_t c = 0x80; c <= 0xFFFF; ++c) {
            const char32_t folded = QChar::toCaseFolded(c);
            if (folded < 0x80)
                found.push_back(folded);
        }
        return found;
    }();
    return std::find(targets.begin(), targets.end(), ascii) != targets.end();
}

char16_t unitOf(char16_t c)
{
    return c;
}

char16_t unitOf(char c)
{
    return char16_t(static_cast<unsigned char>(c));
}

} // namespace

LikePattern::LikePattern(QStringView pattern) : m_pattern(pattern.toString())
{
    const QStringView text(m_pattern);
    for (qsizetype p = 0; p < text.size();) {
        const char16_t c = text[p].unicode();
        Element element;
        qsizetype next = p + 1;
        if (c == u'*') {
            element.kind = Kind::Star;
        } else if (c == u'?') {
            element.kind = Kind::Any;
        } else if (c == u'#') {
            element.kind = Kind::Digit;
        } else if (c == u'[' && text.indexOf(u']', p + 1) == p + 1) {
            element.kind = Kind::Empty; // "[]" matches the empty text
            next = p + 2;
        } else if (c == u'[' && text.indexOf(u']', p + 1) > p + 1) {
            const qsizetype close = text.indexOf(u']', p + 1);
            element.kind = Kind::Class;
            element.classStart = p + 1;
            element.classSize = close - p - 1;
            next = close + 1;
        } else {
            element.kind = Kind::Literal; // an unclosed '[' too
            element.folded = fold(c);
            if (element.folded < 0x80 && !foldedFromBeyondAscii(element.folded)) {
                element.lower = char16_t(element.folded);
                element.upper = QChar::toUpper(element.lower);
                if (fold(element.upper) != element.folded)
                    element.upper = element.lower;
            }
        }
        m_elements.push_back(element);
        p = next;
    }

    // Stars, then plain characters, then stars?
    std::size_t first = 0;
    std::size_t last = m_elements.size();
    while (first < last && m_elements[first].kind == Kind::Star)
        ++first;
    while (last > first && m_elements[last - 1].kind == Kind::Star)
        --last;
    m_leadingStar = first > 0;
    m_trailingStar = last < m_elements.size();
    m_plain = true;
    for (std::size_t e = first; e < last && m_plain; ++e) {
        const Element& element = m_elements[e];
        m_plain = element.kind == Kind::Literal && element.lower != 0;
        m_lowerRun.append(char(element.lower));
        m_upperRun.append(char(element.upper));
    }
}

std::optional<bool> LikePattern::matchesUtf8(const char* text, qsizetype size) const
{
    if (!m_plain)
        return std::nullopt;
    const qsizetype length = m_lowerRun.size();
    const auto runAt = [&](qsizetype at) {
        for (qsizetype k = 0; k < length; ++k) {
            if (text[at + k] != m_lowerRun[k] && text[at + k] != m_upperRun[k])
                return false;
        }
        return true;
    };
    if (size < length)
        return false;
    if (!m_leadingStar && !m_trailingStar)
        return size == length && runAt(0);
    if (!m_leadingStar)
        return runAt(0);
    if (!m_trailingStar)
        return runAt(size - length);
    for (qsizetype at = 0; at + length <= size; ++at) {
        if (runAt(at))
            return true;
    }
    return false;
}

template <typename Unit> bool LikePattern::singleMatches(const Element& element, Unit c) const
{
    switch (element.kind) {
    case Kind::Any:
        return true;
    case Kind::Digit:
        return unitOf(c) >= u'0' && unitOf(c) <= u'9';
    case Kind::Literal:
        return fold(c) == element.folded;
    case Kind::Class:
        return classMatches(QStringView(m_pattern).mid(element.classStart, element.classSize), unitOf(c));
    default:
        return false;
    }
}

// Iterative matching: every element other than '*' takes exactly one character (or none, for "[]"), so on a
// mismatch it is enough to let the most recent '*' take one character more — and when a plain character
// follows that '*', to go straight to the next place where it stands. Time is at worst pattern length × text
// length, and nothing is allocated.
template <typename Unit> bool LikePattern::matchUnits(const Unit* text, qsizetype size) const
{
    const auto elements = static_cast<qsizetype>(m_elements.size());
    // Where the most recent '*' may next leave off: the next place where the plain character after it stands.
    const auto nextStart = [&](qsizetype from, qsizetype starElement) {
        if (starElement < elements && m_elements[std::size_t(starElement)].kind == Kind::Literal) {
            const char32_t wanted = m_elements[std::size_t(starElement)].folded;
            const Element& literal = m_elements[std::size_t(starElement)];
            if (literal.lower != 0) {
                while (from < size && unitOf(text[from]) != literal.lower &&
                       unitOf(text[from]) != literal.upper)
                    ++from;
            } else {
                while (from < size && fold(text[from]) != wanted)
                    ++from;
            }
        }
        return from;
    };
    qsizetype p = 0;
    qsizetype t = 0;
    qsizetype starElement = -1; // element after the last '*' seen
    qsizetype starText = -1;    // where that '*' began to take characters
    while (t < size) {
        if (p < elements) {
            const Element& element = m_elements[std::size_t(p)];
            if (element.kind == Kind::Star) {
                starElement = ++p;
                starText = t = nextStart(t, starElement);
                continue;
            }
            if (element.kind == Kind::Empty) {
                ++p;
                continue;
            }
            if (singleMatches(element, text[t])) {
                ++p;
                ++t;
                continue;
            }
        }
        if (starElement < 0)
            return false;
        p = starElement;
        starText = t = nextStart(starText + 1, starElement);
    }
    for (; p < elements; ++p) {
        const Kind kind = m_elements[std::size_t(p)].kind;
        if (kind != Kind::Star && kind != Kind::Empty)
            return false;
    }
    return true;
}

bool LikePattern::matches(QStringView text) const
{
    return matchUnits(reinterpret_cast<const char16_t*>(text.utf16()), text.size());
}

bool LikePattern::matchesAscii(const char* text, qsizetype size) const
{
    return matchUnits(text, size);
}

bool likeMatches(QStringView pattern, QStringView text)
{
    return LikePattern(pattern).matches(text);
}

} // namespace quelmar::db::jetsql
