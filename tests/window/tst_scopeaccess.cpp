// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader is told of the scope side of the window: the surface's name and its
// description with the last block's figures and the markers' times, told at most twice a second;
// a distinct name for each colour option; each readout named by its caption and unit. The
// visible captions stay as they were.

#include "support/WindowFixture.h"
#include "window/ScopeAccessibility.h"
#include "window/ScopeSurface.h"

#include <QLabel>
#include <QRadioButton>
#include <QSet>
#include <QTest>

namespace {
SampleBlock flatBlock(quint8 value)
{
    SampleBlock block;
    for (int i = 1; i <= kBlockSize; ++i)
        block.entry[i] = value;
    return block;
}
} // namespace

class TestScopeAccess : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void controlsHaveNamesTheEyeDoesNotNeed_data();
    void controlsHaveNamesTheEyeDoesNotNeed();
    void descriptionFollowsTheBlocksAtMostTwiceASecond();
};

void TestScopeAccess::controlsHaveNamesTheEyeDoesNotNeed_data()
{
    QTest::addColumn<QString>("control");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption"); // what the window shows, unchanged
    QTest::newRow("the surface is the scope") << "Rajz"
                                              << "Scope"
                                              << "";
    QTest::newRow("the time grid with its unit") << "Gr2"
                                                 << "Time Grid, ms"
                                                 << "";
    QTest::newRow("the pointer's time") << "MX0"
                                        << "Time, ms"
                                        << "";
    QTest::newRow("the pointer's level") << "MX1"
                                         << "Level, Encoder step"
                                         << "";
    QTest::newRow("the start marker's time") << "MX2"
                                             << "Start, ms"
                                             << "";
    QTest::newRow("the marker width") << "MX4"
                                      << "Width, ms"
                                      << "";
    QTest::newRow("the PID frequency") << "MX5"
                                       << "PID Frequency, Hz"
                                       << "???";
}

void TestScopeAccess::controlsHaveNamesTheEyeDoesNotNeed()
{
    QFETCH(QString, control);
    QFETCH(QString, name);
    QFETCH(QString, caption);
    WindowFixture f;
    QWidget* widget = f.fo.Rajz;
    if (control == "Gr2")
        widget = f.fo.Gr(2);
    else if (control.startsWith("MX"))
        widget = f.fo.MX(control.mid(2).toInt());
    QCOMPARE(widget->accessibleName(), name);
    if (auto* label = qobject_cast<QLabel*>(widget))
        QCOMPARE(label->text(), caption);

    // The four colour options: four names, each with its colour, and still no caption.
    QSet<QString> names;
    for (int i = 0; i < 4; ++i) {
        names << f.fo.Szin(i)->accessibleName();
        QVERIFY(f.fo.Szin(i)->accessibleName().startsWith("Trace colour "));
        QCOMPARE(f.fo.Szin(i)->text(), QString());
    }
    QCOMPARE(names.size(), 4);
    QVERIFY(names.contains("Trace colour magenta"));
}

void TestScopeAccess::descriptionFollowsTheBlocksAtMostTwiceASecond()
{
    WindowFixture f;
    Core& core = f.fo.core();
    QCOMPARE(f.fo.Rajz->accessibleDescription(), QString("No block drawn yet."));
    // Told at once when nothing was told for half a second: start-up's description was, so the
    // first block waits for the period's end.
    QTest::qWait(ScopeAccessibility::kDescriptionPeriodMs + 100);

    // Level 5 everywhere: peak 5, RMS 5.
    core.drawBlock(flatBlock(133), 0);
    const QString first = "Last block: peak 5 encoder steps, RMS 5.00 encoder steps.";
    QCOMPARE(f.fo.Rajz->accessibleDescription(), first);
    // Half the samples at -10, half at +10, and a start marker: held back, then told together.
    SampleBlock square = flatBlock(118);
    for (int i = 151; i <= kBlockSize; ++i)
        square.entry[i] = 138;
    core.drawBlock(square, 0);
    core.setReadout(Readout::MarkerStart, "95.45");
    QCOMPARE(f.fo.Rajz->accessibleDescription(), first);
    QTRY_COMPARE_WITH_TIMEOUT(
        f.fo.Rajz->accessibleDescription(),
        QString(
            "Last block: peak 10 encoder steps, RMS 10.00 encoder steps. Start marker 95.45 ms."),
        ScopeAccessibility::kDescriptionPeriodMs * 3);
}

QTEST_MAIN(TestScopeAccess)
#include "tst_scopeaccess.moc"
