// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/TextRules.h"

#include <cmath>
#include <cstdio>

namespace TextRules {

QString withSignPosition(long long number)
{
    return number < 0 ? QString::number(number) : QLatin1Char(' ') + QString::number(number);
}

double roundHalfEven(double value)
{
    // nearbyint follows the current rounding mode, which is round-to-nearest-even by default.
    return std::nearbyint(value);
}

namespace {

// Rounds |value| to two decimals, halves away from zero, working on its decimal digits as a
// person reads them (15 significant digits), so 2.38625 rounds to 2.39 although its binary
// value lies a hair below the half.
struct DecimalParts {
    bool negative = false;
    QString integerDigits;  // without leading zeros; empty for 0
    QString fractionDigits; // at most two, trailing zeros dropped
};

DecimalParts roundToHundredths(double value)
{
    DecimalParts parts;
    char mantissa[64];
    std::snprintf(mantissa, sizeof mantissa, "%.14e", std::fabs(value));
    // mantissa looks like "d.dddddddddddddde+XX"
    QString text = QString::fromLatin1(mantissa);
    const int ePos = text.indexOf(QLatin1Char('e'));
    const int exponent = QStringView(text).mid(ePos + 1).toInt();
    QString digits = text.left(ePos).remove(QLatin1Char('.')); // 15 significant digits

    // Place the decimal point: digits[0] has weight 10^exponent.
    QString integerPart;
    QString fractionPart;
    if (exponent >= 0) {
        if (digits.size() <= exponent + 1)
            digits += QString(exponent + 1 - digits.size(), QLatin1Char('0'));
        integerPart = digits.left(exponent + 1);
        fractionPart = digits.mid(exponent + 1);
    } else {
        fractionPart = QString(-exponent - 1, QLatin1Char('0')) + digits;
    }
    while (fractionPart.size() < 3)
        fractionPart += QLatin1Char('0');

    bool carry = fractionPart.at(2) >= QLatin1Char('5');
    QString kept = integerPart + fractionPart.left(2);
    for (int i = kept.size() - 1; carry && i >= 0; --i) {
        if (kept[i] == QLatin1Char('9')) {
            kept[i] = QLatin1Char('0');
        } else {
            kept[i] = QChar(kept[i].unicode() + 1);
            carry = false;
        }
    }
    if (carry)
        kept.prepend(QLatin1Char('1'));

    parts.integerDigits = kept.left(kept.size() - 2);
    parts.fractionDigits = kept.right(2);
    while (parts.integerDigits.startsWith(QLatin1Char('0')))
        parts.integerDigits.remove(0, 1);
    while (parts.fractionDigits.endsWith(QLatin1Char('0')))
        parts.fractionDigits.chop(1);
    // A value that rounds to zero is written without a sign.
    parts.negative =
        value < 0 && !(parts.integerDigits.isEmpty() && parts.fractionDigits.isEmpty());
    return parts;
}

QString formatPattern(double value, bool requireIntegerDigit)
{
    if (!std::isfinite(value))
        return {};
    const DecimalParts parts = roundToHundredths(value);
    QString integerDigits = parts.integerDigits;
    if (integerDigits.isEmpty() && requireIntegerDigit)
        integerDigits = QStringLiteral("0");
    return (parts.negative ? QStringLiteral("-") : QString()) + integerDigits + QLatin1Char('.') +
           parts.fractionDigits;
}

} // namespace

QString formatAtLeastOneDigit(double value) { return formatPattern(value, true); }

QString formatNoRequiredDigit(double value) { return formatPattern(value, false); }

double roundedToHundredths(double value)
{
    if (!std::isfinite(value))
        return value;
    const DecimalParts parts = roundToHundredths(value);
    QString digits = parts.integerDigits.isEmpty() ? QStringLiteral("0") : parts.integerDigits;
    if (!parts.fractionDigits.isEmpty())
        digits += QLatin1Char('.') + parts.fractionDigits;
    const double magnitude = digits.toDouble();
    return parts.negative ? -magnitude : magnitude;
}

double leadingNumber(const QString& text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == QLatin1Char(' ') || text[i] == QLatin1Char('\t')))
        ++i;
    const int start = i;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        ++i;
    const int digitsStart = i;
    while (i < n && text[i].isDigit() && text[i].unicode() < 128)
        ++i;
    int digitCount = i - digitsStart;
    if (i < n && text[i] == QLatin1Char('.')) {
        const int fractionStart = ++i;
        while (i < n && text[i].isDigit() && text[i].unicode() < 128)
            ++i;
        digitCount += i - fractionStart;
    }
    if (digitCount == 0)
        return 0.0;
    bool ok = false;
    QString number = text.mid(start, i - start);
    if (number.endsWith(QLatin1Char('.')))
        number.chop(1);
    const double value = number.toDouble(&ok);
    return ok ? value : 0.0;
}

} // namespace TextRules
