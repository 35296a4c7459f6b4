// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/journal/JournalSettings.h"

#include "core/SettingsStore.h"
#include "core/journal/Journal.h"

#include <QStandardPaths>

namespace {
const QString kRunsUnderData = QStringLiteral("/Trevalon/runs");
const QString kFalse = QStringLiteral("false");
const QString kOff = QStringLiteral("0");
} // namespace

QString JournalSettings::defaultRoot()
{
    // The generic data folder is $XDG_DATA_HOME itself; the application's would add the
    // organisation's name to it.
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + kRunsUnderData;
}

JournalSettings::Place JournalSettings::placeOf(const SettingsStore& settings,
                                                const QString& folderGiven, bool turnedOff)
{
    const auto setting = [&settings](const QString& key) {
        return settings.getSetting(SettingsKeys::kApplication, kSection, key, QString()).trimmed();
    };
    Place place;
    const QString enabled = setting(kEnabledKey).toLower();
    place.enabled = !turnedOff && enabled != kFalse && enabled != kOff;
    const QString folder = setting(kFolderKey);
    place.root = !folderGiven.isEmpty() ? folderGiven : !folder.isEmpty() ? folder : defaultRoot();
    bool ok = false;
    const qint64 capMB = setting(kCapKey).toLongLong(&ok);
    place.capBytes = (ok && capMB > 0 ? capMB : Journal::kDefaultCapMB) * Journal::kBytesPerMB;
    return place;
}
