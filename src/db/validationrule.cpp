#include "db/validationrule.h"

#include "db/jetsql.h"

#include <QRegularExpression>

namespace quelmar::db::validationrule {

QString condition(const QString& rule, const QString& operandSql, DbError* error, jetsql::Dialect dialect)
{
    const QString text = rule.trimmed();
    if (text.isEmpty())
        return {};
    // The operand is put in front of the rule under a placeholder name that the translator leaves alone.
    static const QRegularExpression startsWithOperator(
        QStringLiteral(R"(^(<>|<=|>=|<|>|=|between\b|in\b|like\b|is\b|not\b))"),
        QRegularExpression::CaseInsensitiveOption);
    if (!startsWithOperator.match(text).hasMatch()) {
        if (error)
            *error = DbError::make(jeterror::TooFewParameters,
                                   QStringLiteral("Syntax error in validation rule '%1'.").arg(rule));
        return {};
    }
    DbError translationError;
    const QString translated =
        jetsql::translateExpression(QStringLiteral("[__operand__] ") + text, &translationError, dialect);
    if (!translationError.ok()) {
        if (error)
            *error = translationError;
        return {};
    }
    QString result = translated;
    result.replace(jetsql::identifier(QStringLiteral("__operand__"), dialect), operandSql);
    return QStringLiteral("(%1)").arg(result);
}

} // namespace quelmar::db::validationrule
