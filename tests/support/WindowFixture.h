// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A loaded main window on the fake port with scripted dialogs and settings in memory, the
// counted waits without their time slice, and port 1 chosen. Tests reach the controls through fo,
// the verbs through fo.core() and the core's insides through CoreInsides.

#include "support/CoreInsides.h"
#include "support/CoreSetup.h"
#include "window/Fo.h"
#include "support/FakeComm.h"
#include "support/IdleFor.h"
#include "support/MemorySettings.h"
#include "support/ScriptedDialogs.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QLabel>
#include <QTest>

#include <memory>

// The window shown and on the screen, as the user sees it.
inline void showAndWait(Fo& fo)
{
    fo.show();
    QVERIFY(QTest::qWaitForWindowExposed(&fo));
}

// The caption a control shows: a label's or a button's text, a frame's title; `none` for a
// control that shows no caption.
inline QString captionOf(QWidget* widget, const QString& none = QString())
{
    if (auto* label = qobject_cast<QLabel*>(widget))
        return label->text();
    if (auto* button = qobject_cast<QAbstractButton*>(widget))
        return button->text();
    if (auto* box = qobject_cast<QGroupBox*>(widget))
        return box->title();
    return none;
}

struct WindowFixture {
    // storedPort: what the settings hold as [Setup] Port before start-up (empty: nothing).
    explicit WindowFixture(const QString& storedPort = QString());
    ~WindowFixture();

    // Chooses a port by list position (-1: none) as the user would pick it from the list.
    void choosePort(int position);
    // Lets the queued receive events run.
    static void settle(int passes = 20) { runPasses(passes); }
    // The port open on port 1 with a receive profile and the line in a mode, as a sending
    // handler leaves it; the port's log starts empty after it.
    void listen(const ReceiveProfile& profile, Core::LineMode mode);

    FakeComm comm;
    ScriptedDialogs dialogs;
    MemorySettings settings;
    std::unique_ptr<Fo> window;
    Fo& fo;
};

