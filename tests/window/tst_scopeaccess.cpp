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
    void controlsHaveNamesTheEyeDoesNotNeed();
    void descriptionFollowsTheBlocksAtMostTwiceASecond();
};

void TestScopeAccess::controlsHaveNamesTheEyeDoesNotNeed()
{
    WindowFixture f;
    Fo& fo = f.fo;
    // The surface is the scope; each readout is its caption with its unit.
    const QList<QPair<QWidget*, QString>> named{
        {fo.Rajz, "Scope"},        {fo.Gr(2), "Time Grid, ms"}, {fo.MX(0), "Time, ms"},
        {fo.MX(1), "Level, Encoder step"}, {fo.MX(2), "Start, ms"}, {fo.MX(4), "Width, ms"},
        {fo.MX(5), "PID Frequency, Hz"}};
    for (const auto& [widget, name] : named)
        QCOMPARE(widget->accessibleName(), name);
    // What the window shows is unchanged: the readouts hold only their values.
    for (QLabel* readout : {fo.Gr(2), fo.MX(0), fo.MX(1), fo.MX(2), fo.MX(4)})
        QCOMPARE(readout->text(), QString());
    QCOMPARE(fo.MX(5)->text(), QStringLiteral("???"));

    // The four colour options: four names, each with its colour, and still no caption.
    QSet<QString> names;
    for (int i = 0; i < 4; ++i) {
        names << fo.Szin(i)->accessibleName();
        QVERIFY(fo.Szin(i)->accessibleName().startsWith("Trace colour "));
        QCOMPARE(fo.Szin(i)->text(), QString());
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
