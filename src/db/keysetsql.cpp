#include "db/keysetsql.h"

#include <QStringList>

#include <algorithm>

namespace quelmar::db::keysetsql {

namespace {

// The text split at the commas outside parentheses, quotes and brackets.
QStringList topLevelPieces(const QString& text)
{
    QStringList pieces;
    int depth = 0;
    QChar quote;
    qsizetype start = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"' || c == u'`') {
            quote = c;
        } else if (c == u'[') {
            quote = u']';
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        } else if (c == u',' && depth == 0) {
            pieces.append(text.mid(start, i - start).trimmed());
            start = i + 1;
        }
    }
    pieces.append(text.mid(start).trimmed());
    return pieces;
}

bool endsWithWord(const QString& text, QLatin1StringView word)
{
    if (!text.endsWith(word, Qt::CaseInsensitive))
        return false;
    const qsizetype before = text.size() - word.size() - 1;
    return before >= 0 && text.at(before).isSpace();
}

// The words of the text outside quotes, upper-cased, to look for keywords.
QStringList wordsOutsideQuotes(const QString& text)
{
    QStringList words;
    QString word;
    QChar quote;
    for (const QChar c : text) {
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            continue;
        }
        if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            quote = c == u'[' ? QChar(u']') : c;
        } else if (c.isLetter() || c == u'_') {
            word.append(c.toUpper());
            continue;
        }
        if (!word.isEmpty())
            words.append(word);
        word.clear();
    }
    if (!word.isEmpty())
        words.append(word);
    return words;
}

} // namespace

QList<OrderTerm> splitOrderBy(const QString& orderBy, bool* ok)
{
    *ok = true;
    QList<OrderTerm> terms;
    if (orderBy.trimmed().isEmpty())
        return terms;
    for (QString piece : topLevelPieces(orderBy)) {
        OrderTerm term;
        if (endsWithWord(piece, QLatin1StringView("DESC"))) {
            term.descending = true;
            piece.chop(4);
        } else if (endsWithWord(piece, QLatin1StringView("ASC"))) {
            piece.chop(3);
        }
        term.expression = piece.trimmed();
        const QStringList words = wordsOutsideQuotes(term.expression);
        QString bare = term.expression;
        if (endsWithWord(bare, QLatin1StringView("NOCASE")))
            bare = bare.left(bare.size() - 6).trimmed();
        if (endsWithWord(bare, QLatin1StringView("COLLATE")))
            bare = bare.left(bare.size() - 7).trimmed();
        bool number = false;
        bare.toLongLong(&number);
        if (term.expression.isEmpty() || number || words.contains(QStringLiteral("NULLS"))) {
            *ok = false;
            return {};
        }
        terms.append(term);
    }
    return terms;
}

QList<OrderTerm> reversed(QList<OrderTerm> terms)
{
    for (OrderTerm& term : terms)
        term.descending = !term.descending;
    return terms;
}

QString orderByText(const QList<OrderTerm>& terms)
{
    QStringList pieces;
    for (const OrderTerm& term : terms)
        pieces.append(term.descending ? term.expression + QStringLiteral(" DESC") : term.expression);
    return pieces.join(QStringLiteral(", "));
}

bool hasLeadingRange(const QList<OrderTerm>& terms)
{
    return !terms.isEmpty() && (!terms.first().descending || terms.first().notNull);
}

QString afterCondition(const QList<OrderTerm>& terms, const QList<bool>& nullBound, int first, bool inclusive)
{
    // SQLite puts Nulls first when a term ascends and last when it descends.
    const auto strictlyAfter = [&](int i) -> QString {
        const OrderTerm& term = terms.at(i);
        const QString value = QStringLiteral("?%1").arg(first + i);
        const QString t = QStringLiteral("(%1)").arg(term.expression);
        if (nullBound.at(i))
            return term.descending ? QStringLiteral("0") : t + QStringLiteral(" IS NOT NULL");
        if (!term.descending)
            return t + QStringLiteral(" > ") + value;
        return term.notNull ? t + QStringLiteral(" < ") + value
                            : QStringLiteral("(%1 < %2 OR %1 IS NULL)").arg(t, value);
    };
    const auto same = [&](int i) -> QString {
        const QString t = QStringLiteral("(%1)").arg(terms.at(i).expression);
        return nullBound.at(i) ? t + QStringLiteral(" IS NULL") : t + QStringLiteral(" = ?%1").arg(first + i);
    };
    const int last = int(terms.size()) - 1;
    QString chain = strictlyAfter(last);
    if (inclusive)
        chain = QStringLiteral("%1 OR %2").arg(chain, same(last));
    for (int i = last - 1; i >= 0; --i)
        chain = QStringLiteral("%1 OR (%2 AND (%3))").arg(strictlyAfter(i), same(i), chain);
    if (!nullBound.at(0) && hasLeadingRange(terms)) {
        const QString range = QStringLiteral("(%1) %2 ?%3")
                                  .arg(terms.first().expression,
                                       terms.first().descending ? QStringLiteral("<=") : QStringLiteral(">="))
                                  .arg(first);
        return QStringLiteral("%1 AND (%2)").arg(range, chain);
    }
    return QStringLiteral("(%1)").arg(chain);
}

bool hasOuterJoin(const QString& from)
{
    const QStringList words = wordsOutsideQuotes(from);
    return words.contains(QStringLiteral("LEFT")) || words.contains(QStringLiteral("RIGHT")) ||
           words.contains(QStringLiteral("FULL")) || words.contains(QStringLiteral("OUTER"));
}

QString writtenJoinOrder(const QString& from)
{
    if (hasOuterJoin(from) || wordsOutsideQuotes(from).contains(QStringLiteral("SELECT")))
        return from;
    QString result;
    QChar quote;
    int depth = 0;
    for (qsizetype i = 0; i < from.size(); ++i) {
        const QChar c = from.at(i);
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
            result.append(c);
            continue;
        }
        if (c == u'\'' || c == u'"' || c == u'`' || c == u'[') {
            quote = c == u'[' ? QChar(u']') : c;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            --depth;
        } else if (c == u',' && depth == 0) {
            result.append(QStringLiteral(" CROSS JOIN"));
            continue;
        } else if (from.mid(i, 6).compare(QLatin1StringView("INNER "), Qt::CaseInsensitive) == 0 &&
                   (i == 0 || from.at(i - 1).isSpace())) {
            result.append(QStringLiteral("CROSS "));
            i += 5;
            continue;
        }
        result.append(c);
    }
    return result;
}

SeekCondition seekCondition(const QStringList& quotedIndexFields, const QString& comparison,
                            qsizetype keyCount)
{
    static const QStringList operators = {QStringLiteral("="), QStringLiteral(">="), QStringLiteral(">"),
                                          QStringLiteral("<="), QStringLiteral("<")};
    const QString op = comparison.trimmed();
    SeekCondition result;
    result.used = std::min<qsizetype>(keyCount, quotedIndexFields.size());
    if (!operators.contains(op) || result.used == 0)
        return {};
    const QStringList marks(result.used, QStringLiteral("?"));
    result.text = QStringLiteral("(%1) %2 (%3)")
                      .arg(quotedIndexFields.first(result.used).join(QStringLiteral(", ")), op,
                           marks.join(QStringLiteral(", ")));
    result.backwards = op.startsWith(QLatin1Char('<'));
    return result;
}

} // namespace quelmar::db::keysetsql
