#pragma once

#include <QString>

#include <optional>

namespace quelmar {
class Session;
}

namespace quelmar::query {

// How a search by identifier turns a value into a criterion on its search field.
struct SearchParts
{
    QString prefix; // the criterion before the value
    QString suffix; // the criterion after the value
    QString prompt; // the value dialog's prompt (for a date: the date dialog's text); empty for other types
    bool asksDate = false; // a date field: the value is asked with the date dialog and given as its literal
};

// The criterion parts of a search field, from its name in the result and its Jet type (a name with a blank or
// "-" goes in brackets):
//   Text (and Memo, which is text too): name like '* … *'   prompt "Deme algo de " + name
//   types 1 to 7 (yes/no and numbers):  name = …             prompt "Escriba el valor de " + name
//   Date:                               name = …             the date dialog, "Escriba la Fecha " + name
//   any other type: nothing.
SearchParts searchParts(const QString& fieldName, int jetType);

// The criterion prefix + value + suffix for a value given for a field of that Jet type, made safe for the
// statement: inside a quoted literal the value's quote characters are doubled ("*" and "?" stay the wildcards
// of LIKE); for a yes/no or numeric field the value must be a plain number (a yes/no field also takes True,
// False, Sí, Si or No); for a date field it must be a date literal "#m/d/yyyy#". Nothing when the value
// cannot stand there: no record can match it.
std::optional<QString> searchCriterion(const QString& prefix, const QString& value, const QString& suffix,
                                       int jetType);

// The search by identifier: shows the records of the statement as a panel titled "Identifica en " + table,
// asks for a value of the search field (the first column, or the one named by a prefix "!name!") and steps
// through the matching records with "&Elijo, &Siguiente,&Anterior,&Busca otro,&Cancelo,". prompt,
// notFoundText, prefix and suffix are derived when empty and stay filled. result: -1 a record was chosen
// (firstValue and secondValue are its first two columns as text, Null as empty), 2 nothing was chosen.
void BuscaInd(Session& session, QString& table, QString& statement, QString& prompt, QString& notFoundText,
              QString& prefix, QString& suffix, int& result, QString& firstValue, QString& secondValue);

} // namespace quelmar::query
