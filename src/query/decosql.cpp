#include "query/decosql.h"

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

    QString list;
    const qsizetype firstBlank = body.indexOf(u' ');
    if (firstBlank >= 0) {
        list = body.left(firstBlank + 1);
        const QString join = QStringLiteral("INNER JOIN");
        for (int j = find(body, join); j > 0; j = find(body, join, j + 1)) {
            const int end = find(body, QStringLiteral(" "), j + 11);
            if (end == 0)
                return DecoFailure::JoinWithoutEnd;
            list += body.mid(j + 9, end - (j + 10));
        }
    } else {
        list = body;
    }
    list.remove(u'(');
    while (list.contains(QLatin1String("  ")))
        list.replace(QLatin1String("  "), QLatin1String(" "));
    list += u' ';

    QList<FromTable> found;
    const QStringList words = list.split(u' ');
    for (const QString& word : words) {
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
            found.append({word.trimmed(), signedText(static_cast<int>(row) + 1)});
        }
    }
    tables = found;
    return DecoFailure::None;
}

} // namespace quelmar::query
