// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the journal of runs is kept and how large it may grow: the settings store's [Journal]
// section (Enabled=false turns it off, CapMB caps it, Folder moves it), overridden by the
// command line (--no-journal, --journal DIR). By default it is on, under the user's data folder
// ($XDG_DATA_HOME/Trevalon/runs), capped at 1 GB.

#include <QString>

class SettingsStore;

namespace JournalSettings {
inline const QString kSection = QStringLiteral("Journal");
inline const QString kEnabledKey = QStringLiteral("Enabled");
inline const QString kCapKey = QStringLiteral("CapMB");
inline const QString kFolderKey = QStringLiteral("Folder");

struct Place
{
    bool enabled = true;
    QString root;
    qint64 capBytes = 0;
};

// The default folder: the user's data folder's Trevalon/runs.
QString defaultRoot();
// `folderGiven` (empty: none) and `turnedOff` from the command line win over the settings.
Place placeOf(const SettingsStore& settings, const QString& folderGiven, bool turnedOff);
} // namespace JournalSettings
