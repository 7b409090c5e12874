#pragma once

#include <QDate>
#include <QString>

// Dates as the office writes and reads them: "dd-mmm-yyyy" with Spanish month abbreviations for people,
// "#mm-dd-yyyy#" literals inside statements, ISO text inside the database.
namespace quelmar::datetext {

// "Ene" … "Dic"; empty for a month outside 1..12.
QString monthAbbreviation(int month);

// "10-Dic-2026".
QString dayMonthYear(const QDate& date);

// "10-Dic-26".
QString dayMonthShortYear(const QDate& date);

// The short date of the office's locale: "10/12/2026".
QString shortDate(const QDate& date);

// "#12-10-2026#".
QString jetLiteral(const QDate& date);

// "2026-12-10".
QString iso(const QDate& date);

// The inside of a statement's date literal: "12-10-2026", "12/10/2026", "2026-12-10" (month before day
// unless the year comes first). Invalid date when the text is not one.
QDate parseLiteral(const QString& text);

// A date typed by a person or stored as text: "10-Dic-2026", "10-dic-26", "10/12/2026", "10-12-26",
// "2026-12-10", with or without a time after it. Two-digit years 00-29 are 2000-2029, 30-99 are 1930-1999.
// Invalid date when the text is not a date.
QDate parse(const QString& text);

// The same, keeping a time of day when the text has one ("2026-12-10 14:30:00", "10-Dic-2026 14:30").
QDateTime parseDateTime(const QString& text);

} // namespace quelmar::datetext
