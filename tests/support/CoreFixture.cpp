// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/CoreFixture.h"

#include "core/SettingsStore.h"
#include "core/link/Link.h"
#include "core/shell/Shell.h"


ShownRecord::ShownRecord(Core& core)
{
    QObject::connect(&core, &Core::scopeCleared, [this] {
        ++scopeClears;
        scopeDrawn = false;
        events << QStringLiteral("clear");
    });
    QObject::connect(&core, &Core::blockDrawn, [this](const SampleBlock& block, int colour) {
        blocks.append({block, colour});
        scopeDrawn = true;
        events << QStringLiteral("block %1").arg(colour);
    });
    QObject::connect(&core, &Core::markerPlaced,
                     [this](Core::Marker which, float samplePosition, const QString& label) {
        markers.append({which, samplePosition, label});
        scopeDrawn = true;
        events << QStringLiteral("marker %1 %2").arg(samplePosition).arg(label);
    });
    QObject::connect(&core, &Core::formTextPrinted, [this](const QString& text) {
        formTexts << text;
        events << QStringLiteral("print ") + text;
    });
    QObject::connect(&core, &Core::commandRemembered,
                     [this](const QString& typed) { remembered.prepend(typed); });
    QObject::connect(&core, &Core::commandLineColourChanged,
                     [this](int colour) { commandLineColour = colour; });
    QObject::connect(&core, &Core::commandLineCleared, [this] { ++commandLineClears; });
    QObject::connect(&core, &Core::commandLineFocusWanted, [this] { ++focusRequests; });
    QObject::connect(&core, &Core::titleChanged, [this](const QString& t) { title = t; });
    QObject::connect(&core, &Core::portListFilled,
                     [this](const QStringList& entries, int) { portEntries = entries; });
}

namespace {
Core& makeCore(std::unique_ptr<Core>& holder, FakeComm& comm, ScriptedDialogs& dialogs,
               MemorySettings& settings, RecordedImages& images, const QString& storedPort)
{
    if (!storedPort.isNull())
        settings.saveSetting(SettingsKeys::kApplication, SettingsKeys::kSetupSection,
                             SettingsKeys::kPortKey, storedPort);
    holder = std::make_unique<Core>(comm, dialogs, settings, images);
    linkOf(*holder).setPumpSlice(std::chrono::microseconds(0));
    return *holder;
}
} // namespace

CoreFixture::CoreFixture(const QString& storedPort)
    : core(makeCore(holder, comm, dialogs, settings, images, storedPort)), shown(core)
{
    core.startUp();
}

CoreFixture::~CoreFixture() = default;

void CoreFixture::listen(const ReceiveProfile& profile, Core::LineMode mode)
{
    listenOn(core, 1, profile, mode);
    comm.log.clear();
}
