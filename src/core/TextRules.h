// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How numbers become text on this window and how text becomes a number again. Kept free of any
// widget so the rules can be tested on their own.

#include <QString>

namespace TextRules {

// A number with a sign position: a number that is not negative is preceded by one blank
// (7 -> " 7", -1 -> "-1"). Used for the title, the port list, the stored port and messages.
QString withSignPosition(long long number);

// Nearest whole number, ties to the even neighbour (2.5 -> 2, 3.5 -> 4, -2.5 -> -2).
double roundHalfEven(double value);

// The readout patterns: rounded to at most two decimals with halves away from zero, trailing zero
// decimals dropped, all integer digits, and always a decimal point ("3."). "###0.##" writes at
// least one integer digit (0 -> "0."), "####.##" none (0.25 -> ".25", 0 -> "."). A value that is
// not finite gives an empty text.
QString formatAtLeastOneDigit(double value); // "###0.##"
QString formatNoRequiredDigit(double value); // "####.##"
// The number those patterns show for a value: rounded the same way, as a number (not finite
// stays as it is).
double roundedToHundredths(double value);

// The leading decimal number of a text: leading blanks skipped, an optional sign, digits, an
// optional "." and fraction digits. A text that does not begin with a number reads as 0.
double leadingNumber(const QString& text);

} // namespace TextRules
