// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A loaded core with no window: the fake port, scripted dialogs, settings in memory, the counted
// waits without their time slice, and port 1 chosen. What the core shows is recorded from its
// signals (ShownRecord), so tests check what a window would be told. Tests call the core's verbs
// on `core`; what no front-end reaches (the state, the link) they reach through CoreInsides.

#include "core/Core.h"
#include "core/scope/ScopeImages.h"
#include "support/CoreInsides.h"
#include "support/CoreSetup.h"
#include "support/FakeComm.h"
#include "support/IdleFor.h"
#include "support/MemorySettings.h"
#include "support/ScriptedDialogs.h"

#include <QList>
#include <QStringList>

#include <memory>

// Saving and loading the picture, recorded; each answers with a number a test may set.
class RecordedImages : public ScopeImages
{
public:
    int savePicture(const QString& path) override
    {
        saved << path;
        return saveResult;
    }
    int loadBackground(const QString& path) override
    {
        loaded << path;
        return loadResult;
    }
    QStringList saved;
    QStringList loaded;
    int saveResult = 0;
    int loadResult = 0;
};

// Everything the core told a front-end, in order, and the scope as the core left it.
struct ShownRecord
{
    struct Block
    {
        SampleBlock block;
        int colour;
    };
    struct Marker
    {
        Core::Marker which;
        float samplePosition;
        QString label;
    };

    explicit ShownRecord(Core& core);

    // Each change as a line: "clear", "block 65535", "marker 5 Start" (at sample position 5), "print  8020 ", ...
    QStringList events;
    QList<Block> blocks;
    QList<Marker> markers;
    QStringList formTexts;
    QStringList remembered;
    int scopeClears = 0;
    // True when something is on the scope that the last clear did not take away.
    bool scopeDrawn = false;
    int commandLineColour = -1;
    int commandLineClears = 0;
    int focusRequests = 0;
    QString title;
    QStringList portEntries;
};

struct CoreFixture
{
    // storedPort: what the settings hold as [Setup] Port before start-up (empty: nothing).
    explicit CoreFixture(const QString& storedPort = QString());
    ~CoreFixture();

    // Chooses a port by list position (-1: none) as the user would.
    void choosePort(int position) { core.setPortPosition(position); }
    // Something on the scope, to tell a cleared scope from one left alone.
    void markScope() { shown.scopeDrawn = true; }
    // Lets the queued receive events run.
    static void settle(int passes = 20) { runPasses(passes); }
    // The port open on port 1 with a receive profile and the line in a mode, as a sending
    // handler leaves it; the port's log starts empty after it.
    void listen(const ReceiveProfile& profile, Core::LineMode mode);

    FakeComm comm;
    ScriptedDialogs dialogs;
    MemorySettings settings;
    RecordedImages images;
    std::unique_ptr<Core> holder;
    Core& core;
    ShownRecord shown;
};
