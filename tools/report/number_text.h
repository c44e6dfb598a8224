// How the report writes numbers, in one place: "." as the decimal mark, no
// exponent and no thousands separators.
#pragma once

#include <string>

namespace trezik::report {

// No trailing zeros; rounded to `decimals` places (halves to even, as the
// plug-in rounds) when that is not negative, else the shortest text that
// reads back as the value. Not a finite number: an empty text.
std::string PlainNumber(double value, int decimals = -1);

// Exactly `decimals` places (halves to even): "72.00", "1.800". Never "-0.00".
std::string FixedNumber(double value, int decimals);

// How many places each kind of figure gets on the page, in the summary and
// in the computed columns of the CSV files.
constexpr int kMoneyDecimals = 2;        // amounts: costs
constexpr int kPriceDecimals = 3;        // money per litre, gallon, km or mile
constexpr int kConsumptionDecimals = 2;  // L/100 km, mpg
constexpr int kDistanceDecimals = 2;     // km, mi, and litres or gallons

}  // namespace trezik::report
