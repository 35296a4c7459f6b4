// SPDX-License-Identifier: GPL-3.0-or-later
// The loaded window on Qt's Wayland platform, in a compositor that check_wayland.sh started:
// the compositor shows it, and clicks and keys reach its controls and, through them, the port.
// Under any other platform it has nothing to show and says so.

#include "window/CommandLine.h"
#include "support/WindowFixture.h"

#include <QGuiApplication>
#include <QRadioButton>
#include <QTest>

class WaylandWindow : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void init();
    void aClickChoosesATraceColour();
    void typedKeysGoToThePortOnReturn();
};

void WaylandWindow::init()
{
    if (QGuiApplication::platformName() != QLatin1String("wayland"))
        QSKIP("needs Qt's Wayland platform in a compositor (tests/wayland/check_wayland.sh)");
}

void WaylandWindow::aClickChoosesATraceColour()
{
    WindowFixture f;
    f.fo.show();
    // Exposed only once the compositor has configured the surface and taken its first buffer.
    QVERIFY(QTest::qWaitForWindowExposed(&f.fo));
    QRadioButton* option = f.fo.Szin(2);
    QVERIFY(!option->isChecked());
    QTest::mouseClick(option, Qt::LeftButton);
    QVERIFY(option->isChecked());
    QVERIFY(!f.fo.Szin(0)->isChecked());
}

void WaylandWindow::typedKeysGoToThePortOnReturn()
{
    WindowFixture f;
    f.fo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&f.fo));
    f.comm.writes.clear();
    QTest::keyClicks(f.fo.Command, QStringLiteral("s1"));
    QCOMPARE(f.fo.Command->text(), QStringLiteral("s1"));
    QVERIFY(f.comm.writes.isEmpty());
    QTest::keyClick(f.fo.Command, Qt::Key_Return);
    QVERIFY(!f.comm.writes.isEmpty());
    QCOMPARE(f.comm.writes.last(), QByteArray("s1\r"));
}

QTEST_MAIN(WaylandWindow)
#include "wayland_window.moc"
