// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/WindowFixture.h"

#include "core/SettingsStore.h"
#include "core/link/Link.h"

#include <QComboBox>

namespace {
Fo& makeWindow(std::unique_ptr<Fo>& holder, FakeComm& comm, ScriptedDialogs& dialogs,
               MemorySettings& settings, const QString& storedPort)
{
    if (!storedPort.isNull())
        settings.saveSetting(SettingsKeys::kApplication, SettingsKeys::kSetupSection,
                             SettingsKeys::kPortKey, storedPort);
    holder = std::make_unique<Fo>(comm, dialogs, settings);
    linkOf(holder->core()).setPumpSlice(std::chrono::microseconds(0));
    return *holder;
}
} // namespace

WindowFixture::WindowFixture(const QString& storedPort)
    : fo(makeWindow(window, comm, dialogs, settings, storedPort))
{
}

WindowFixture::~WindowFixture() = default;

void WindowFixture::choosePort(int position) { fo.Portok->setCurrentIndex(position); }

void WindowFixture::listen(const ReceiveProfile& profile, Core::LineMode mode)
{
    listenOn(fo.core(), 1, profile, mode);
    comm.log.clear();
}
