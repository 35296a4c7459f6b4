// SPDX-License-Identifier: GPL-3.0-or-later
// The scope's background picture, checked to the pixel: dotted and solid lines where they belong,
// the background everywhere else, labels in their boxes and clear of the lines.

#include "picture/Graticule.h"

#include <QFontMetrics>
#include <QSet>
#include <QTest>

namespace {

bool isHorizontalLine(int y)
{
    if (y == Graticule::kCentreY)
        return true;
    for (const int lineY : Graticule::kDottedY) {
        if (y == lineY)
            return true;
    }
    return false;
}

bool isVerticalLine(int x)
{
    for (const int lineX : Graticule::kVerticalX) {
        if (x == lineX)
            return true;
    }
    return false;
}

bool insideLabel(int x, int y)
{
    for (const Graticule::Label& label : Graticule::labels()) {
        if (label.box.contains(x, y))
            return true;
    }
    return false;
}

QRgb rgb(const QColor& colour)
{
    return colour.rgb();
}

} // namespace

class TestGraticule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { image_ = Graticule::render(); }

    void pictureIsTheScopeSize()
    {
        QCOMPARE(image_.size(), QSize(600, 512));
        QVERIFY(!image_.hasAlphaChannel());
    }

    void verticalLinesAreDotted_data()
    {
        QTest::addColumn<int>("x");
        for (const int x : Graticule::kVerticalX)
            QTest::addRow("the vertical line at x = %d is dotted top to bottom", x) << x;
    }
    void verticalLinesAreDotted()
    {
        QFETCH(int, x);
        int dots = 0;
        int gaps = 0;
        for (int y = 0; y < image_.height(); ++y) {
            if (isHorizontalLine(y))
                continue; // crossings belong to the horizontal line
            QVERIFY2(!insideLabel(x, y), qPrintable(QStringLiteral("label over y %1").arg(y)));
            const bool dot = Graticule::isDot(y);
            const QRgb expected =
                dot ? rgb(Graticule::kVerticalLines) : rgb(Graticule::kBackground);
            if (image_.pixel(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 wrong").arg(x).arg(y)));
            dot ? ++dots : ++gaps;
        }
        // Dotted, not solid and not missing: more gaps than dots, and dots all the way down.
        QVERIFY(dots > 100);
        QVERIFY(gaps > dots);
        // The neighbouring columns carry none of the line's colour.
        for (int y = 0; y < image_.height(); ++y) {
            QVERIFY(image_.pixel(x - 1, y) != rgb(Graticule::kVerticalLines));
            QVERIFY(image_.pixel(x + 1, y) != rgb(Graticule::kVerticalLines));
        }
    }

    void horizontalLinesAreDotted_data()
    {
        QTest::addColumn<int>("y");
        QTest::newRow("the +100 line at y = 56 is dotted") << 56;
        QTest::newRow("the +10 line at y = 236 is dotted") << 236;
        QTest::newRow("the -10 line at y = 275 is dotted") << 275;
        QTest::newRow("the -100 line at y = 455 is dotted") << 455;
    }
    void horizontalLinesAreDotted()
    {
        QFETCH(int, y);
        int dots = 0;
        for (int x = 0; x < image_.width(); ++x) {
            QVERIFY2(!insideLabel(x, y), qPrintable(QStringLiteral("label over x %1").arg(x)));
            const bool dot = Graticule::isDot(x);
            if (!dot && isVerticalLine(x))
                continue; // a gap of the horizontal line shows the vertical line's dot or gap
            const QRgb expected =
                dot ? rgb(Graticule::kHorizontalLines) : rgb(Graticule::kBackground);
            if (image_.pixel(x, y) != expected)
                QFAIL(qPrintable(QStringLiteral("pixel %1,%2 wrong").arg(x).arg(y)));
            dots += dot ? 1 : 0;
        }
        QVERIFY(dots > 100);
        QVERIFY(dots < image_.width() / 2);
    }

    void centreLineIsSolidAcrossTheWholeWidth()
    {
        for (int x = 0; x < image_.width(); ++x)
            QCOMPARE(image_.pixel(x, Graticule::kCentreY), rgb(Graticule::kHorizontalLines));
        // One pixel thick.
        for (int x = 0; x < image_.width(); x += 7) {
            QVERIFY(image_.pixel(x, Graticule::kCentreY - 1) != rgb(Graticule::kHorizontalLines));
            QVERIFY(image_.pixel(x, Graticule::kCentreY + 1) != rgb(Graticule::kHorizontalLines));
        }
    }

    void backgroundEverywhereOffTheLinesAndLabels()
    {
        for (int y = 0; y < image_.height(); ++y) {
            for (int x = 0; x < image_.width(); ++x) {
                if (isHorizontalLine(y) || isVerticalLine(x) || insideLabel(x, y))
                    continue;
                if (image_.pixel(x, y) != rgb(Graticule::kBackground))
                    QFAIL(qPrintable(QStringLiteral("pixel %1,%2 not background").arg(x).arg(y)));
            }
        }
    }

    void onlyThePictureColoursAreUsed()
    {
        // No anti-aliasing: neither the lines nor the text leave blended pixels.
        const QSet<QRgb> allowed{rgb(Graticule::kBackground), rgb(Graticule::kVerticalLines),
                                 rgb(Graticule::kHorizontalLines), rgb(Graticule::kLabelText)};
        for (int y = 0; y < image_.height(); ++y) {
            for (int x = 0; x < image_.width(); ++x) {
                if (!allowed.contains(image_.pixel(x, y)))
                    QFAIL(qPrintable(QStringLiteral("blended pixel at %1,%2").arg(x).arg(y)));
            }
        }
    }

    void labelsAreWrittenClearOfTheLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("lineY"); // the line a scale label names, or -1
        QTest::addColumn<int>("lineX"); // the line a time label stands beside, or -1
        QTest::newRow("+100 sits at the right end of the top dotted line") << "+100" << 56 << -1;
        QTest::newRow("+10 sits at the right end of the line above the centre")
            << "+10" << 236 << -1;
        QTest::newRow("-10 sits at the right end of the line below the centre")
            << "-10" << 275 << -1;
        QTest::newRow("-100 sits at the right end of the bottom dotted line")
            << "-100" << 455 << -1;
        QTest::newRow("t0 sits at the left edge of the bottom") << "t0" << -1 << 0;
        QTest::newRow("t\u00D750 sits beside x = 100") << QStringLiteral("t\u00D750") << -1 << 100;
        QTest::newRow("t\u00D7150 sits beside x = 300")
            << QStringLiteral("t\u00D7150") << -1 << 300;
        QTest::newRow("t\u00D7250 sits beside x = 500")
            << QStringLiteral("t\u00D7250") << -1 << 500;
    }
    void labelsAreWrittenClearOfTheLines()
    {
        QFETCH(QString, text);
        QFETCH(int, lineY);
        QFETCH(int, lineX);
        const Graticule::Label label = findLabel(text);
        QVERIFY2(!label.text.isEmpty(), "label missing");
        checkLabelDrawnInItsBox(label);

        if (lineY >= 0) {
            QVERIFY(label.box.right() >= image_.width() - 10);
            const int distance =
                qMin(qAbs(label.box.top() - lineY), qAbs(label.box.bottom() - lineY));
            QVERIFY2(distance >= 1 && distance <= 4, "scale label not next to its line");
        } else {
            QVERIFY(label.box.bottom() >= image_.height() - 4);
            QVERIFY(label.box.left() > lineX && label.box.left() <= lineX + 6);
        }
    }

    void cornerMarkSitsInTheBottomRightCorner()
    {
        const Graticule::Label mark = findLabel(QStringLiteral("Trevalon"));
        QVERIFY2(!mark.text.isEmpty(), "corner mark missing");
        QVERIFY(QRect(528, 488, 72, 22).contains(mark.box));
        checkLabelDrawnInItsBox(mark);
    }

    void labelBoxesDoNotOverlap()
    {
        const QList<Graticule::Label> all = Graticule::labels();
        for (int i = 0; i < all.size(); ++i) {
            for (int j = i + 1; j < all.size(); ++j)
                QVERIFY2(!all[i].box.intersects(all[j].box),
                         qPrintable(all[i].text + QLatin1String(" / ") + all[j].text));
        }
    }

private:
    static Graticule::Label findLabel(const QString& text)
    {
        for (const Graticule::Label& label : Graticule::labels()) {
            if (label.text == text)
                return label;
        }
        return {};
    }

    void checkLabelDrawnInItsBox(const Graticule::Label& label)
    {
        QVERIFY(image_.rect().contains(label.box));
        // The box touches no line pixel.
        for (int y = label.box.top(); y <= label.box.bottom(); ++y)
            QVERIFY(!isHorizontalLine(y));
        for (int x = label.box.left(); x <= label.box.right(); ++x)
            QVERIFY(!isVerticalLine(x));
        // The text fits: nothing of it is cut off by the box.
        const QFontMetrics metrics(Graticule::labelFont(label.pixelSize));
        QVERIFY2(metrics.horizontalAdvance(label.text) <= label.box.width(),
                 qPrintable(label.text + QLatin1String(" is wider than its box")));
        QVERIFY(metrics.height() <= label.box.height());
        // And it was drawn: enough text pixels for a few glyphs.
        int textPixels = 0;
        for (int y = label.box.top(); y <= label.box.bottom(); ++y) {
            for (int x = label.box.left(); x <= label.box.right(); ++x)
                textPixels += image_.pixel(x, y) == rgb(Graticule::kLabelText) ? 1 : 0;
        }
        QVERIFY2(textPixels >= 6 * label.text.size(), qPrintable(label.text + " not drawn"));
    }

    QImage image_;
};

QTEST_MAIN(TestGraticule)
#include "tst_graticule.moc"
