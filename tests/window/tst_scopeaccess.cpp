// SPDX-License-Identifier: GPL-3.0-or-later
// What a screen reader is told of the scope side of the window: the surface's name and its
// description with the last block's figures and the markers' times, told at most twice a second;
// a distinct name for each colour option; each readout named by its caption and unit.

#include "support/WindowFixture.h"
#include "window/ScopeAccessibility.h"
#include "window/ScopeSurface.h"

#include <QRadioButton>
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
    void controlsHaveNamesTheEyeDoesNotNeed();
    void descriptionFollowsTheBlocksAtMostTwiceASecond();
};

void TestScopeAccess::controlsHaveNamesTheEyeDoesNotNeed()
{
    // The surface is the scope, each readout its caption with its unit, and each colour option
    // its colour; the window's own test sees that their visible captions stay as they were.
    WindowFixture f;
    Fo& fo = f.fo;
    const QList<QPair<QWidget*, QString>> named{{fo.Rajz, "Scope"},
                                                {fo.Gr(2), "Time Grid, ms"},
                                                {fo.MX(0), "Time, ms"},
                                                {fo.MX(1), "Level, Encoder step"},
                                                {fo.MX(2), "Start, ms"},
                                                {fo.MX(4), "Width, ms"},
                                                {fo.MX(5), "PID Frequency, Hz"},
                                                {fo.Szin(0), "Trace colour yellow"},
                                                {fo.Szin(1), "Trace colour red"},
                                                {fo.Szin(2), "Trace colour black"},
                                                {fo.Szin(3), "Trace colour magenta"}};
    for (const auto& [widget, name] : named)
        QCOMPARE(widget->accessibleName(), name);
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
    CoreInsides::drawBlock(core, flatBlock(133), 0);
    const QString first = "Last block: peak 5 encoder steps, RMS 5.00 encoder steps.";
    QCOMPARE(f.fo.Rajz->accessibleDescription(), first);
    // Half the samples at -10, half at +10, and a start marker: held back, then told together.
    SampleBlock square = flatBlock(118);
    for (int i = 151; i <= kBlockSize; ++i)
        square.entry[i] = 138;
    CoreInsides::drawBlock(core, square, 0);
    CoreInsides::setReadout(core, Readout::MarkerStart, "95.45");
    QCOMPARE(f.fo.Rajz->accessibleDescription(), first);
    QTRY_COMPARE_WITH_TIMEOUT(
        f.fo.Rajz->accessibleDescription(),
        QString(
            "Last block: peak 10 encoder steps, RMS 10.00 encoder steps. Start marker 95.45 ms."),
        ScopeAccessibility::kDescriptionPeriodMs * 3);
}

QTEST_MAIN(TestScopeAccess)
#include "tst_scopeaccess.moc"
