#include "query/decosql.h"

#include <algorithm>
#include <utility>

namespace quelmar::query {

namespace {

const QString Keywords[4] = {QStringLiteral("SELECT "), QStringLiteral("FROM "), QStringLiteral("WHERE "),
                             QStringLiteral("ORDER BY ")};

// 1-based position of what in text at or after the 1-based from, without regard to case; 0 when absent.
int find(const QString& text, const QString& what, int from = 1)
{
    if (from < 1)
        from = 1;
    const qsizetype at = text.indexOf(what, from - 1, Qt::CaseInsensitive);
    return at < 0 ? 0 : static_cast<int>(at) + 1;
}

// A positive number as the standard conversion writes it, with a sign position: 57 -> " 57".
QString signedText(int number)
{
    return u' ' + QString::number(number);
}

// 0-based end of the word that begins at start: the next blank, the next comma or the end of the text.
qsizetype wordEnd(const QString& text, qsizetype start)
{
    qsizetype end = start;
    while (end < text.size() && text.at(end) != u' ' && text.at(end) != u',')
        ++end;
    return end;
}

// 0-based places of the commas that separate the tables of a FROM body: those outside parentheses, brackets
// and quoted constants (a comma inside a join's condition or a function call separates no tables).
QList<qsizetype> listCommas(const QString& body)
{
    QList<qsizetype> commas;
    int depth = 0;
    for (qsizetype i = 0; i < body.size(); ++i) {
        const QChar c = body.at(i);
        if (c == u'\'' || c == u'"') {
            const qsizetype close = body.indexOf(c, i + 1);
            i = close < 0 ? body.size() : close;
        } else if (c == u'[') {
            const qsizetype close = body.indexOf(u']', i + 1);
            i = close < 0 ? body.size() : close;
        } else if (c == u'(') {
            ++depth;
        } else if (c == u')') {
            depth = std::max(0, depth - 1);
        } else if (c == u',' && depth == 0) {
            commas.append(i);
        }
    }
    return commas;
}

} // namespace

QList<int> clauseStarts(const QString& statement)
{
    QList<int> start(5, 0);
    for (int i = 0; i < 4; ++i)
        start[i] = find(statement, Keywords[i]);
    if (start[0] > 0 && find(statement, QStringLiteral("DISTINCTROW"), start[0]) > 0)
        start[0] = find(statement, QStringLiteral(" "), start[0]) + 5;
    start[4] = static_cast<int>(statement.size()) + 1;
    for (int i = 3; i >= 0; --i) {
        if (start[i] == 0)
            start[i] = start[i + 1];
    }
    return start;
}

DecoFailure DecoSQL(const QString& statement, const QStringList& tableNames, QList<SqlPiece>& pieces,
                    QList<FromTable>& tables)
{
    if (statement.isEmpty())
        return DecoFailure::None;
    pieces = QList<SqlPiece>(5);
    for (int i = 0; i < 4; ++i)
        pieces[i].keyword = Keywords[i];
    const QList<int> start = clauseStarts(statement);

    // Written in two halves so that the question marks are never read as a trigraph.
    const QString placeholder = QStringLiteral("'?") + QStringLiteral("?'");
    for (int q = find(statement, placeholder); q > 0; q = find(statement, placeholder, q + 1)) {
        for (int i = 0; i < 4; ++i) {
            if (start[i] < q && q < start[i + 1])
                pieces[i].placeholder = signedText(q);
        }
    }

    const int bodyLength = start[2] - start[1] - 5;
    if (start[1] + 5 > statement.size() + 1 || bodyLength < 0)
        return DecoFailure::NoFromBody;
    const QString body = statement.mid(start[1] + 4, bodyLength).trimmed();

    // The words that name tables, each at its place in the body: the first word, the word after every
    // INNER JOIN and the word after every comma of the body's own table list.
    QList<std::pair<qsizetype, QString>> placed;
    placed.append({0, body.left(wordEnd(body, 0))});
    const QString join = QStringLiteral("INNER JOIN");
    for (int j = find(body, join); j > 0; j = find(body, join, j + 1)) {
        const int end = find(body, QStringLiteral(" "), j + 11);
        if (end == 0)
            return DecoFailure::JoinWithoutEnd;
        placed.append({j + 9, body.mid(j + 10, end - (j + 11))});
    }
    for (const qsizetype comma : listCommas(body)) {
        qsizetype from = comma + 1;
        while (from < body.size() && body.at(from) == u' ')
            ++from;
        placed.append({comma, body.mid(from, wordEnd(body, from) - from)});
    }
    std::stable_sort(placed.begin(), placed.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });

    QList<FromTable> found;
    for (const auto& entry : placed) {
        const QString word = QString(entry.second).remove(u'(').trimmed();
        if (word.isEmpty())
            continue;
        for (qsizetype row = 0; row < tableNames.size(); ++row) {
            const QString& name = tableNames.at(row);
            if (name.isEmpty() || !word.contains(name, Qt::CaseInsensitive))
                continue;
            if (found.size() == MaxFromTables) {
                tables = found;
                return DecoFailure::TooManyTables;
            }
            found.append({word, signedText(static_cast<int>(row) + 1)});
        }
    }
    tables = found;
    return DecoFailure::None;
}

} // namespace quelmar::query
