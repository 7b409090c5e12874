#pragma once

#include <QString>

#include <optional>

// Amounts of money as the office keeps them: the range of the database's currency type,
// ±922,337,203,685,477.5807. A price, a line total or a payment's total outside it cannot be stored, printed
// or added up, so it is refused before anything is written. Pure: no database, no screen.
namespace quelmar::subscribers::money {

inline constexpr double Limit = 922337203685477.5807;

// The value when it is an amount the office can keep: a finite number from -Limit to Limit.
std::optional<double> amount(double value);
// price × quantity, when both and the product are amounts.
std::optional<double> lineAmount(double price, int quantity);
// a + b, when both and the sum are amounts.
std::optional<double> sum(double a, double b);

// "Renta (1-2 TV) tiene un precio unitario fuera de rango.  …": what the payment form says of a price, a line
// total or a total that is not an amount, naming the concept and what to type instead.
QString outOfRangeMessage(const QString& conceptName);

} // namespace quelmar::subscribers::money
