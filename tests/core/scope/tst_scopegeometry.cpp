// SPDX-License-Identifier: GPL-3.0-or-later
// The scope's geometry both ways: the pointer over a drawn sample reads back that sample and its
// level, for every sample and every value, so the drawing and the readouts cannot drift apart.

#include "core/scope/ScopeGeometry.h"
#include "core/SharedState.h"

#include <QTest>

class TestScopeGeometry : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void thePointerOverADrawnSampleReadsItBack()
    {
        using namespace ScopeGeometry;
        for (int i = 1; i <= kBlockSize; ++i)
            QCOMPARE(sampleAt(samplePositionAt(xOfSample(i))), double(i));
        for (int v = 0; v <= 255; ++v) {
            QCOMPARE(levelAt(levelPositionAt(yOfValue(v))), double(levelOfValue(v)));
            QCOMPARE(levelOfValue(v), v - 128);
        }
        // The extreme values lie on the picture: 0 on the bottom row, 255 on the second row.
        QCOMPARE(ScopeGeometry::yOfValue(0), 511.0f);
        QCOMPARE(ScopeGeometry::yOfValue(255), 1.0f);
        // A marker placed where the pointer was is drawn there again.
        for (float x : {0.0f, 5.0f, 4.2f, 599.0f, -20.0f})
            QCOMPARE(xOfSamplePosition(samplePositionAt(x)), x);
    }
};

QTEST_GUILESS_MAIN(TestScopeGeometry)
#include "tst_scopegeometry.moc"
