// SPDX-License-Identifier: GPL-3.0-or-later
// The number-to-text rules of the readouts, the title and the stored port, and the leading-number
// parse that reads texts back.

#include "core/TextRules.h"
#include "core/Version.h"

#include <QTest>

class TextRulesTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void patterns_data();
    void patterns();
    void timingTable_data();
    void timingTable();
    void signPosition_data();
    void signPosition();
    void halvesToEven_data();
    void halvesToEven();
    void leadingNumber_data();
    void leadingNumber();
    void titleHasThreeSignBlanks();
};

void TextRulesTest::patterns_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("atLeastOneDigit");
    QTest::addColumn<QString>("noRequiredDigit");
    QTest::newRow("zero writes a lone point or 0.") << 0.0 << "0." << ".";
    QTest::newRow("a quarter has no integer digit in ####.##") << 0.25 << "0.25" << ".25";
    QTest::newRow("a whole number keeps its point") << 3.0 << "3." << "3.";
    QTest::newRow("one decimal stays one decimal") << 12.5 << "12.5" << "12.5";
    QTest::newRow("four decimals round to two") << 12.3456 << "12.35" << "12.35";
    QTest::newRow("hundreds keep every integer digit") << 345.5 << "345.5" << "345.5";
    QTest::newRow("a half of a hundredth rounds away from zero") << 0.125 << "0.13" << ".13";
    QTest::newRow("a negative value keeps its sign") << -3.82 << "-3.82" << "-3.82";
    QTest::newRow("a negative half rounds away from zero") << -0.125 << "-0.13" << "-.13";
    QTest::newRow("rounding carries into the integer part") << 9.999 << "10." << "10.";
    QTest::newRow("a tiny negative value is written without a sign") << -0.001 << "0." << ".";
    QTest::newRow("large values are written in full") << 123456789.5 << "123456789.5"
                                                      << "123456789.5";
}

void TextRulesTest::patterns()
{
    QFETCH(double, value);
    QFETCH(QString, atLeastOneDigit);
    QFETCH(QString, noRequiredDigit);
    QCOMPARE(TextRules::formatAtLeastOneDigit(value), atLeastOneDigit);
    QCOMPARE(TextRules::formatNoRequiredDigit(value), noRequiredDigit);
    // The number a script reads is the one the text shows.
    QCOMPARE(TextRules::roundedToHundredths(value), TextRules::leadingNumber(atLeastOneDigit));
}

void TextRulesTest::timingTable_data()
{
    QTest::addColumn<int>("digit");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("frequency");
    QTest::newRow("digit 1") << 1 << "0.48" << "10476.69";
    QTest::newRow("digit 2") << 2 << "0.95" << "5238.34";
    QTest::newRow("digit 3") << 3 << "1.43" << "3492.23";
    QTest::newRow("digit 4") << 4 << "1.91" << "2619.17";
    QTest::newRow("digit 5 rounds its binary half up") << 5 << "2.39" << "2095.34";
    QTest::newRow("digit 6") << 6 << "2.86" << "1746.11";
    QTest::newRow("digit 7") << 7 << "3.34" << "1496.67";
    QTest::newRow("digit 8") << 8 << "3.82" << "1309.59";
    QTest::newRow("digit 9 drops the trailing zero") << 9 << "4.3" << "1164.08";
}

void TextRulesTest::timingTable()
{
    QFETCH(int, digit);
    QFETCH(QString, grid);
    QFETCH(QString, frequency);
    // Computed in this order, as the chip's reply is decoded.
    const double timeGrid = digit * 95.45 * 5 / 1000;
    QCOMPARE(TextRules::formatAtLeastOneDigit(timeGrid), grid);
    QCOMPARE(TextRules::formatNoRequiredDigit((1 / timeGrid) * 5000), frequency);
}

void TextRulesTest::signPosition_data()
{
    QTest::addColumn<long long>("number");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero gets the blank") << 0LL << " 0";
    QTest::newRow("a positive number gets the blank") << 254LL << " 254";
    QTest::newRow("a negative number gets its sign instead") << -1LL << "-1";
}

void TextRulesTest::signPosition()
{
    QFETCH(long long, number);
    QFETCH(QString, text);
    QCOMPARE(TextRules::withSignPosition(number), text);
}

void TextRulesTest::halvesToEven_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("rounded");
    QTest::newRow("2.5 goes down to 2") << 2.5 << 2.0;
    QTest::newRow("3.5 goes up to 4") << 3.5 << 4.0;
    QTest::newRow("-2.5 goes to -2") << -2.5 << -2.0;
    QTest::newRow("2.6 goes to 3") << 2.6 << 3.0;
    QTest::newRow("-0.5 goes to zero") << -0.5 << 0.0;
}

void TextRulesTest::halvesToEven()
{
    QFETCH(double, value);
    QFETCH(double, rounded);
    QCOMPARE(TextRules::roundHalfEven(value), rounded);
}

void TextRulesTest::leadingNumber_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("number");
    QTest::newRow("the blank written before a number is skipped") << " 7" << 7.0;
    QTest::newRow("a fraction is read") << "3.5" << 3.5;
    QTest::newRow("a sign is read") << "-1" << -1.0;
    QTest::newRow("a text that is no number reads 0") << "abc" << 0.0;
    QTest::newRow("an empty text reads 0") << "" << 0.0;
    QTest::newRow("trailing text is ignored") << "12.35ms" << 12.35;
    QTest::newRow("a readout with a bare point") << "3." << 3.0;
    QTest::newRow("a readout without integer digits") << ".25" << 0.25;
    QTest::newRow("a lone point reads 0") << "." << 0.0;
    QTest::newRow("a lone sign reads 0") << "-" << 0.0;
    QTest::newRow("a second point ends the number") << "1.2.3" << 1.2;
}

void TextRulesTest::leadingNumber()
{
    QFETCH(QString, text);
    QFETCH(double, number);
    QCOMPARE(TextRules::leadingNumber(text), number);
}

void TextRulesTest::titleHasThreeSignBlanks()
{
    QCOMPARE(Version::windowTitle(), QStringLiteral("Kestrum Trevalon V 1. 2. 1"));
}

QTEST_GUILESS_MAIN(TextRulesTest)
#include "tst_textrules.moc"
