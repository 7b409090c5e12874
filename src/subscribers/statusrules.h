#pragma once

#include <QDate>
#include <QLatin1String>
#include <QString>

// The rules of a subscriber's status: the status texts, the expiry arithmetic of payments, the bonification
// of the days a subscriber was cut, and the notes the status history keeps. Pure: no database, no screen.
namespace quelmar::subscribers {

// The values of Suscriptores.Situación, exactly as the lists and orders compare them.
namespace status {
inline constexpr QLatin1String Connected("Conectado");
inline constexpr QLatin1String Expired("Vencido");
inline constexpr QLatin1String Cut("Cortado");
inline constexpr QLatin1String ToReconnect("Por Reconectar");
inline constexpr QLatin1String ToInstall("Por Instalar");
inline constexpr QLatin1String Cancelled("Baja");
} // namespace status

// What a bonification row of the status history carries in Clase and in [Cambiado por].
inline constexpr QLatin1String BonificationClass("Bonifica");
inline constexpr QLatin1String ChangedBySystem("Automatico");

// The expiry given to a subscriber not yet installed: any year before 1991 marks one.
QDate notInstalledExpiry();
// True when the expiry marks a subscriber not yet installed (its year is before 1991, or there is none):
// paying rent then leaves the expiry as it is.
bool isNotInstalled(const QDate& expiry);

// The expiry's year, its month plus the months paid, and its day, made a calendar date: month 13 is January
// of the next year, and a day beyond the end of the month runs into the next month (31 January + 1 month is
// 3 March, or 2 March in a leap year).
QDate addPaidMonths(const QDate& expiry, int months);
// The new expiry after paying the months: addPaidMonths, except for a subscriber not yet installed, whose
// expiry stays as it is.
QDate extendedExpiry(const QDate& expiry, int months);

// Whole days from the cut day to today (negative when the cut day lies ahead).
qint64 cutDays(const QDate& cutDay, const QDate& today);
// A bonification of the cut days is offered only for more than 3 days.
bool offersBonification(qint64 days);

// The day in words, as the office's long date: "jueves, 10 de diciembre de 2026".
QString longDate(const QDate& date);

// The title and the text of the question that offers to bonify the cut days.
QString bonificationTitle();
QString bonificationQuestion(const QDate& cutDay, qint64 days);

// The last-cut statement: the history rows of the subscriber whose note begins with "Cortado", newest first.
// key must already be a checked key (subscriberKey).
QString lastCutStatement(const QString& key);

// The note of a status update: the new status, "-" and the user's note without surrounding blanks. Later
// operations find the last cut by the note's beginning.
QString statusNote(const QString& newStatus, const QString& note);
// The note of a bonification row: "10 Dias Bonificados".
QString bonificationNote(qint64 days);

// A subscriber's key as it may be written into a statement: the whole number the text holds (blanks around
// it and thousands separators "," as a grid shows them are allowed), written as plain digits; empty when the
// text is not such a number, so that nothing else ever reaches the statement.
QString subscriberKey(const QString& text);

} // namespace quelmar::subscribers
