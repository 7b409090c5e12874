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

// A price as it is typed: the number in the text, its thousands separators "," ignored; empty when the text
// holds no number (letters, nothing at all).
std::optional<double> readPrice(const QString& text);
// A tariff's price as typed in the tariffs' grid ("180", "1,250.50"): the number, its thousands separators
// ignored, when it is an amount not below zero (what the payment form charges); nothing for any other text,
// the empty one included.
std::optional<double> tariffPrice(const QString& text);
// What the tariffs' grid says of a price that is not one, naming the concept and what to type instead.
QString tariffPriceMessage(const QString& conceptName);

// "Renta (1-2 TV) tiene un precio unitario fuera de rango.  …": what the payment form says of a price, a line
// total or a total that is not an amount, naming the concept and what to type instead.
QString outOfRangeMessage(const QString& conceptName);

} // namespace quelmar::subscribers::money
