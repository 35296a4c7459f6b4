// SPDX-License-Identifier: GPL-3.0-or-later
// What a front-end reads from the core besides the readouts' texts: the timing as numbers and the
// marker positions, each with its notification.

#include "core/TextRules.h"
#include "support/CoreFixture.h"

#include <QSignalSpy>
#include <QTest>

class TestCoreInterface : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theTimingReplyGivesNumbersAndOneNotification();
    void markerPositionsAreToldWhenTheyChange();
};

void TestCoreInterface::theTimingReplyGivesNumbersAndOneNotification()
{
    CoreFixture f;
    f.comm.onWrite = [&](const QByteArray& bytes) {
        if (bytes == "J1100\r")
            f.comm.receive("J11007\r");
    };
    QSignalSpy timing(&f.core, &Core::timingChanged);
    QCOMPARE(f.core.property("timeGrid").toDouble(), 0.0);
    QCOMPARE(f.core.pidFrequency(), 0.0);

    f.core.detectTiming();

    // Digit 7: 7 * 95.45 * 5 / 1000 ms, and 5000 / grid Hz, shown to the hundredth.
    QCOMPARE(timing.count(), 1);
    QCOMPARE(f.core.property("timeGrid").toDouble(), 3.34075);
    QCOMPARE(f.core.property("pidFrequency").toDouble(), 5000 / 3.34075);
    QCOMPARE(f.core.readout(Readout::PidFrequency), QStringLiteral("1496.67"));
    QCOMPARE(TextRules::roundedToHundredths(f.core.pidFrequency()), 1496.67);

    // The same reply again changes nothing, and tells nothing.
    f.core.detectTiming();
    QCOMPARE(timing.count(), 1);
}

void TestCoreInterface::markerPositionsAreToldWhenTheyChange()
{
    CoreFixture f;
    QSignalSpy markers(&f.core, &Core::markersChanged);
    f.core.placeMarkerAt(40);
    f.core.placeMarkerAt(90);
    QCOMPARE(markers.count(), 2);
    QCOMPARE(f.core.markerStart(), 40.0f);
    QCOMPARE(f.core.property("markerEnd").toFloat(), 90.0f);

    f.core.placeMarkerAt(120); // both placed: a third click only stops the scope
    QCOMPARE(markers.count(), 2);
    f.core.clearMarkers();
    QCOMPARE(markers.count(), 3);
    QCOMPARE(f.core.markerStart(), -1.0f);
    QCOMPARE(f.core.markerEnd(), -1.0f);
}

QTEST_GUILESS_MAIN(TestCoreInterface)
#include "tst_coreinterface.moc"
