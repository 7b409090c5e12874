#pragma once

#include <QString>
#include <QVariant>

// Values shown as text with the display formats the program uses (the classic Format() patterns).
namespace quelmar::engine {

// The value as text in the format, the way the office reads numbers and dates (decimal point ".", thousands
// separator ",", Spanish month abbreviations Ene..Dic). Null (an invalid or null variant) gives an empty
// text.
//
// Formats understood (names compared without regard to case):
//   - number patterns made of "#", "0", "," and one "." with a literal prefix or suffix: "#0", "#,##0",
//     "###,###,##0", "###,###,###,##0.00", "###,###,###,##0.######", "###,###,###,###,##0.#####", "#,##0.##",
//     "$###,##0.00", "###,##0". A "0" is a digit always shown, a "#" one shown only when needed, a ","
//     anywhere in the integer part groups thousands. Rounded half away from zero at the last decimal shown
//     (from the value's 15 significant digits, so that 2.675 shows 2.68); a point with no decimal after it is
//     left out ("#,##0.##" shows 5 as "5"); negatives take "-" before any prefix ("-$1,234.50"); a value that
//     rounds to zero shows no sign;
//   - "Currency": "$1,234.50" ("-$1,234.50"); "Standard": "1,234.50";
//   - "Yes/No": "Sí" or "No";
//   - dates: "dd-mmm-yy" ("10-Dic-26"), "dd-mmm-yyyy" ("10-Dic-2026"), "hh:mm" ("14:30", 24-hour),
//     "mm-dd-yyyy" ("12-10-2026"), "dd-mm-yy" ("10-12-26").
// Numbers may come as numbers, booleans (-1 for true, as the engine keeps them) or text ("1250", "1,250.5");
// dates as QDate, QDateTime, QTime or text that datetext reads ("2026-12-10", "10-Dic-2026", "14:30").
// A value that does not fit its format (text in a number format, a number in a date format) and any format
// not listed show the value's own text, as with an empty format: text as it is, numbers without grouping
// ("1234.5"), dates "dd-mmm-yyyy" (with " hh:mm:ss" when they carry a time), yes/no "Sí"/"No".
QString formatValue(const QVariant& value, const QString& format);

} // namespace quelmar::engine
