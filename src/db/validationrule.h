#pragma once

#include "db/dberror.h"
#include "db/jetsql.h"

#include <QString>

// A field's validation rule as the catalogue keeps it: an expression whose left operand is the field itself
// ("Between 1 And 50", ">0", "<=100", "In ('A','B')", "Is Not Null", "Like 'A*'").
namespace quelmar::db::validationrule {

// The rule as a condition of the dialect on the given operand (a quoted column name or "?"), or an empty text
// and error 3061 when the rule is not an expression.
QString condition(const QString& rule, const QString& operandSql, DbError* error = nullptr,
                  jetsql::Dialect dialect = jetsql::Dialect::Sqlite);

} // namespace quelmar::db::validationrule
