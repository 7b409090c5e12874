#pragma once

#include <QColor>
#include <QList>
#include <QString>

namespace quelmar::db {
struct FieldDef;
}

// The rules of field capture: the checks of one panel field and of one grid column, the messages and colours
// of captured fields, number cleaning, and the two lists a caller hands the engine about editing
// (`ProtectedFields`, `FixedValues`).
namespace quelmar::engine {

// How a field is captured (`CaptureKind`), and so which value its check reads.
namespace capturekind {
inline constexpr int MaskedField = 1;    // masked edit field: its text, trimmed and cleaned of "," and "$"
inline constexpr int None = 2;           // no control: the empty text
inline constexpr int Memo = 3;           // memo box: its text, trimmed
inline constexpr int ClassifierList = 4; // classifier list: the chosen entry's index as text, "-1" for none
inline constexpr int GridColumn = 5;     // grid column: the column's text
inline constexpr int DateField = 8;      // masked edit field with a date or an hour: its text, trimmed
} // namespace capturekind

// Field colours during capture (background of the masked fields, memo boxes and classifier lists): white
// while the field has the focus; light cyan when left with a value that passed; light yellow when left empty
// and passed, and on every field of a record shown for capture; pink when it failed its check.
namespace fieldcolour {
inline constexpr QColor Focus{255, 255, 255};
inline constexpr QColor Filled{192, 255, 255};
inline constexpr QColor Empty{255, 255, 192};
inline constexpr QColor Failed{255, 192, 192};
} // namespace fieldcolour

// The colour of a field that has just been checked: pink when it failed, light cyan when its trimmed text is
// not empty, light yellow otherwise.
QColor colourAfterCheck(bool failed, const QString& text);

// The text with every "," and "$" removed ("$1,250.50" -> "1250.50").
QString cleanNumberText(QString text);

// The result of a check: failed, with the message the user is shown (`ValidationMessage`).
struct FieldCheck
{
    bool failed = false;
    QString message;
};

// The checks of one panel field, in order; the first that fails gives the result (NAME is the field name
// upper-cased):
//  1. required (def.required) and the value empty or blank:
//     "Falta dato: " + NAME + "   Este dato es obligatorio";
//  2. numeric fields (def.type 2 to 7) not captured by a classifier list: the value ("," and "$" removed,
//     empty counting as "0") must be a number (otherwise NAME + "   " + keystrokeMessage(def.type)), must fit
//     the range of the field's type (otherwise numberRangeMessage()), and is then checked against the first
//     condition of def.validationRule (below);
//  3. a classifier list (kind 4) with no entry chosen ("-1"): "No esta definido el clasificador de " + NAME;
//  4. a date field (kind 8) whose display format contains "dd-": empty or a date that datetext::parse reads
//     passes; otherwise "En el dato: " + NAME +
//     " la fecha esta mal escrita.  Debe ser: dia-mes-año, como '31-01-99'";
//     an hour field (kind 8, format with "h:m" such as "hh:mm"): empty or an hour such as "13:24" passes;
//     otherwise "En el dato: " + NAME + " la Hora esta mal escrita.  Debe ser: Horas:minutos, como '13:24' ".
// fieldName is the field's name in the data source (enclosing brackets are ignored); def supplies the
// required flag, the type and the validation rule.
//
// The validation rule is read word by word (words separated by blanks):
//  - "Between a And b" fails below a or above b (both allowed):
//    "El dato: " + fieldName + " debería tener un valor entre " + a + " y " + b;
//  - ">n", ">=n", "> n", ">= n" fail below n (n itself passes):
//    "El dato: " + fieldName + " debería ser mayor que " + n;
//  - "<n", "<=n", "< n", "<= n" fail above n (n itself passes):
//    "El dato: " + fieldName + " debería ser menor que " + n;
// with n, a and b as written in the rule. Any other rule, or a bound that is not a number, passes here: the
// database checks every rule again when the record is written.
FieldCheck checkPanelField(const db::FieldDef& def, const QString& fieldName, const QString& value,
                           int captureKind, const QString& displayFormat);

// The checks of one grid column: required and empty or blank: NAME + "   Este dato es obligatorio"; captured
// by a classifier list (kind 4) with "-1": "No esta definido el clasificador de " + NAME.
FieldCheck checkGridColumn(const db::FieldDef& def, const QString& fieldName, const QString& value,
                           int captureKind);

// The message of a number outside the range of its field's type (a whole type compares the number rounded):
// "El dato: " + fieldName + " debe ser un número entre " + low + " y " + high +
// ".  Corrija el número ó cancele la operación", with the bounds of db::jetvalue::numericRange().
QString numberRangeMessage(const QString& fieldName, int type);

// The message shown when a field of that type code rejects a keystroke; empty for a classifier (20), which is
// captured by a list.
QString keystrokeMessage(int typeCode);

// The class of a classifier field, as the `Clase` of its rows in `Parametros` holds it: the field's default
// value ("\"!CGas\"") trimmed and without its double quotes ("!CGas").
QString classifierClass(const QString& defaultValue);

// One item of `FixedValues`: a field of new records and the value it takes.
struct FixedValue
{
    QString field;
    QString value;

    bool operator==(const FixedValue&) const = default;
};

// The items of `FixedValues` ("Quejas.Cliente = 25, Clase=X"): each comma-separated item is cut at its first
// "=", both sides trimmed; the field keeps only what follows a "." and loses enclosing brackets. Items
// without "=" or with an empty side are left out.
QList<FixedValue> parseFixedValues(const QString& fixedValues);

// True when the field (compared without regard to case or enclosing brackets) takes a fixed value.
bool isFixedField(const QList<FixedValue>& fixedValues, const QString& fieldName);

// `ProtectedFields` as the engine keeps it: ending with "," when it is longer than 2 characters.
QString normaliseProtectedFields(QString protectedFields);

// True when the field may not be edited. `ProtectedFields` is a comma list of field names; when one of its
// items is "TODO", every field is protected except those listed. Names are compared whole, without regard
// to case, blanks around them or enclosing brackets.
bool isProtected(const QString& protectedFields, const QString& fieldName);

} // namespace quelmar::engine
