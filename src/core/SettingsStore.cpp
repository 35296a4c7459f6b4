// SPDX-License-Identifier: GPL-3.0-or-later
#include "core/SettingsStore.h"

#include <QSettings>

namespace {
QString groupKey(const QString& section, const QString& key) { return section + '/' + key; }
} // namespace

QString SettingsStore::getSetting(const QString& application, const QString& section,
                                  const QString& key, const QString& defaultValue) const
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
    const QVariant value = settings.value(groupKey(section, key));
    if (!value.isValid())
        return defaultValue;
    // A hand-edited file may hold a list ("a, b"); read it as the text it was.
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList().join(QLatin1String(", "));
    return value.toString();
}

void SettingsStore::saveSetting(const QString& application, const QString& section,
                                const QString& key, const QString& value)
{
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, application, application);
    settings.setValue(groupKey(section, key), value);
    settings.sync();
}
