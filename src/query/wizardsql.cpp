#include "query/wizardsql.h"

#include "core/datetext.h"
#include "db/fielddef.h"

#include <QRegularExpression>

#include <algorithm>

namespace quelmar::query::wizard {

namespace {

// The comparison lists as the wizard writes them: entries "label-template/", templates "op·before·after".
QString listText(FieldKind kind)
{
    switch (kind) {
    case FieldKind::YesNo:
        return QStringLiteral("Si-= True/No-= False/");
    case FieldKind::Number:
        return QStringLiteral("Mayor->=/Menor-<=/Igual-=/Diferente-<>/");
    case FieldKind::Date:
        return QStringLiteral("Posterior->=·#·#/Anterior-<=·#·#/Igual-=·#·#/Diferente-<>·#·#/");
    case FieldKind::Text:
        return QStringLiteral("Contiene-like·'*·*'/no Contiene-not like·'*·*'/exactamente igual-=·'·'/"
                              "Diferente-<>·'·'/Siguiente->=·'·'/Anterior-<=·'·'/");
    case FieldKind::Other:
        break;
    }
    return {};
}

bool isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

} // namespace

FieldKind kindOf(int type)
{
    if (type == db::jettype::Boolean)
        return FieldKind::YesNo;
    if (type >= db::jettype::Byte && type <= db::jettype::Double)
        return FieldKind::Number;
    if (type == db::jettype::Date)
        return FieldKind::Date;
    if (type == db::jettype::Text || type == db::jettype::Memo || type == db::jettype::Classifier)
        return FieldKind::Text;
    if (type == db::jettype::Relation)
        return FieldKind::Number;
    return FieldKind::Other;
}

QList<Comparison> comparisonsFor(FieldKind kind)
{
    QList<Comparison> comparisons;
    const QStringList entries = listText(kind).split(u'/', Qt::SkipEmptyParts);
    for (const QString& entry : entries) {
        const qsizetype dash = entry.indexOf(u'-');
        const QStringList parts = entry.mid(dash + 1).split(u'·');
        comparisons.append({entry.left(dash), parts.value(0), parts.value(1), parts.value(2)});
    }
    return comparisons;
}

QString comparandHint(FieldKind kind, const QDate& today)
{
    switch (kind) {
    case FieldKind::Number:
        return QStringLiteral("(cantidad)");
    case FieldKind::Date:
        return QStringLiteral("(Fecha: ") + datetext::dayMonthYear(today) + u')';
    case FieldKind::Text:
        return QStringLiteral("(Texto)");
    default:
        return {};
    }
}

int comparandLength(FieldKind kind, int type, int size)
{
    switch (kind) {
    case FieldKind::Number:
        return type + 4;
    case FieldKind::Date:
        return 11;
    case FieldKind::Text:
        return size <= 0 || size >= 64 ? 64 : size;
    default:
        return 0;
    }
}

QString bracketed(const QString& name)
{
    if (name.startsWith(u'[') || !(name.contains(u' ') || name.contains(u'-')))
        return name;
    return u'[' + name + u']';
}

Comparand checkComparand(FieldKind kind, const QString& label, const QString& typed)
{
    Comparand result;
    switch (kind) {
    case FieldKind::YesNo:
    case FieldKind::Other:
        return result;
    case FieldKind::Number: {
        const QString text = typed.trimmed();
        if (text.isEmpty()) {
            result.value = QStringLiteral("0");
            result.message = QStringLiteral("El comparador es nulo.  Se tomara como Cero");
            return result;
        }
        static const QRegularExpression number(QStringLiteral("^[-+]?(\\d+(\\.\\d*)?|\\.\\d+)$"));
        if (!number.match(text).hasMatch()) {
            result.outcome = Comparand::Rejected;
            result.message =
                QStringLiteral("El comparador de un dato numérico lleva sólo cifras, con un punto "
                               "para los decimales: corríjalo.");
            return result;
        }
        result.value = text;
        return result;
    }
    case FieldKind::Date: {
        const QString text = QString(typed).remove(u'_').trimmed();
        if (text.isEmpty() || text == QLatin1String("--"))
            return result;
        const QDate date = datetext::parse(text);
        if (!date.isValid()) {
            result.outcome = Comparand::Rejected;
            result.message = QStringLiteral("La Fecha/Hora esta mal escrita.");
            return result;
        }
        result.value = date.toString(QStringLiteral("MM-dd-yyyy"));
        return result;
    }
    case FieldKind::Text:
        if (typed.isEmpty()) {
            if (label != QLatin1String("exactamente igual")) {
                result.nullTest = true;
                result.message = QStringLiteral("Puso un Comparador nulo, y se elegiran los que sean nulos-");
            }
            return result;
        }
        result.value = QString(typed).replace(u'\'', QStringLiteral("''"));
        return result;
    }
    return result;
}

ConditionRow makeRow(const QString& table, const QString& field, const Comparison& comparison,
                     const Comparand& comparand, const QString& joiner)
{
    ConditionRow row;
    row.table = bracketed(table);
    row.field = bracketed(field);
    row.joiner = joiner;
    if (comparand.nullTest) {
        row.nullTest = true;
        row.operation =
            QStringLiteral(" is Null OR ") + row.table + u'.' + row.field + QStringLiteral(" = ''");
        return row;
    }
    row.operation = u' ' + comparison.op + u' ' + comparison.before;
    row.value = comparand.value + comparison.after;
    return row;
}

QString conditionText(const QList<ConditionRow>& rows)
{
    QString text;
    for (const ConditionRow& row : rows) {
        const QString piece = row.table + u'.' + row.field + row.operation + row.value;
        text += row.joiner + u' ' + (row.nullTest ? u'(' + piece + u')' : piece);
    }
    return text;
}

QString orderLevel(const QString& table, const QString& field, bool descending)
{
    return bracketed(table) + u'.' + bracketed(field) + (descending ? QStringLiteral(" Desc") : QString());
}

qsizetype topLevelKeyword(const QString& statement, const QString& keyword)
{
    int depth = 0;
    const qsizetype size = statement.size();
    for (qsizetype i = 0; i < size; ++i) {
        const QChar c = statement.at(i);
        if (c == u'\'' || c == u'"') {
            // A quoted constant; a doubled quote inside it stays inside.
            for (++i; i < size; ++i) {
                if (statement.at(i) == c) {
                    if (i + 1 < size && statement.at(i + 1) == c)
                        ++i;
                    else
                        break;
                }
            }
            continue;
        }
        if (c == u'[') {
            const qsizetype close = statement.indexOf(u']', i);
            if (close < 0)
                return -1;
            i = close;
            continue;
        }
        if (c == u'(') {
            ++depth;
            continue;
        }
        if (c == u')') {
            depth = std::max(0, depth - 1);
            continue;
        }
        if (depth > 0 || (i > 0 && isWordCharacter(statement.at(i - 1))))
            continue;
        if (QStringView(statement).mid(i, keyword.size()).compare(keyword, Qt::CaseInsensitive) != 0)
            continue;
        const qsizetype after = i + keyword.size();
        if (after < size && isWordCharacter(statement.at(after)))
            continue;
        return i;
    }
    return -1;
}

QString rewrite(const QString& statement, const QString& condition, const QString& order)
{
    QString text = statement;
    // The end of the statement's text: before a closing semicolon.
    const auto textEnd = [&text] {
        qsizetype end = text.size();
        while (end > 0 && text.at(end - 1).isSpace())
            --end;
        return end > 0 && text.at(end - 1) == u';' ? end - 1 : text.size();
    };
    if (!order.isEmpty()) {
        const qsizetype o = topLevelKeyword(text, QStringLiteral("ORDER BY"));
        const qsizetype pivot = topLevelKeyword(text, QStringLiteral("PIVOT"));
        if (o < 0) {
            if (pivot >= 0)
                text = text.left(pivot) + QStringLiteral("ORDER BY ") + order + u' ' + text.mid(pivot);
            else
                text = text.left(textEnd()) + QStringLiteral(" ORDER BY ") + order + text.mid(textEnd());
        } else {
            const qsizetype listStart = std::min(o + 9, text.size());
            const qsizetype listEnd = pivot > o ? pivot : textEnd();
            text = text.left(listStart) + order + (pivot > o ? QStringLiteral(" ") : QString()) +
                   text.mid(std::max(listEnd, listStart));
        }
    }
    if (!condition.isEmpty()) {
        const qsizetype w = topLevelKeyword(text, QStringLiteral("WHERE"));
        qsizetype end = textEnd();
        for (const char* word : {"GROUP BY", "HAVING", "ORDER BY", "PIVOT"}) {
            const qsizetype at = topLevelKeyword(text, QLatin1String(word));
            if (at > w && at < end)
                end = at;
        }
        if (w < 0) {
            text = text.left(end) + QStringLiteral(" WHERE ") + condition + u' ' + text.mid(end);
        } else {
            const QString old = text.mid(w + 5, end - (w + 5));
            // The new conditions in brackets of their own: an OR among them must not reach past the
            // statement's own condition.
            text = text.left(w + 6) + u'(' + old + QStringLiteral(") AND (") + condition +
                   QStringLiteral(") ") + text.mid(end);
        }
    }
    return text;
}

QString describeCondition(bool first, const QString& field, const QString& table, const QString& label,
                          FieldKind kind, const QString& comparand)
{
    QString text = first ? QStringLiteral("Escoge si el contenido d") : QStringLiteral("  ");
    text += QStringLiteral("el dato ") + field.toUpper() + QStringLiteral(" de ") + table.toUpper();
    text += label.contains(QLatin1String("contie"), Qt::CaseInsensitive) ? QStringLiteral(" ")
                                                                         : QStringLiteral(" es ");
    text += label;
    if (kind != FieldKind::YesNo)
        text += QStringLiteral(" a: ");
    if (!comparand.isEmpty())
        text += QStringLiteral(" '") + comparand + QStringLiteral("' ");
    return text;
}

QString describeJoiner(bool both)
{
    return both ? QStringLiteral("  ··Y·· ") : QStringLiteral("  ··O·· ");
}

QString describeOrder(bool first, const QString& field, const QString& table, bool descending)
{
    return (first ? QStringLiteral("Ordena según el contenido de")
                  : QStringLiteral(", y luego ordena por ")) +
           QStringLiteral(" el dato ") + field.toUpper() + QStringLiteral(" de ") + table.toUpper() +
           (descending ? QStringLiteral(" (Desc)") : QStringLiteral(" (Asc)"));
}

} // namespace quelmar::query::wizard
