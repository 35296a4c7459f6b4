// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The per-user settings store: QSettings in its native format, user scope, organisation and
// application "Trevalon" (on Linux $XDG_CONFIG_HOME/Trevalon/Trevalon.conf).

#include <QString>

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // A string by application, section and key, or the default when absent.
    virtual QString getSetting(const QString& application, const QString& section,
                               const QString& key, const QString& defaultValue) const;
    virtual void saveSetting(const QString& application, const QString& section,
                             const QString& key, const QString& value);
};

namespace SettingsKeys {
inline const QString kApplication = QStringLiteral("Trevalon");
inline const QString kSetupSection = QStringLiteral("Setup");
inline const QString kPortKey = QStringLiteral("Port");
inline const QString kPortsSection = QStringLiteral("Ports");
} // namespace SettingsKeys
