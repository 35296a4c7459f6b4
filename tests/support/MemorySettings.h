// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A settings store held in memory, for tests that must not touch the user's file.

#include "core/SettingsStore.h"

#include <QHash>

class MemorySettings : public SettingsStore {
public:
    QString getSetting(const QString& application, const QString& section, const QString& key,
                       const QString& defaultValue) const override
    {
        return values.value(application + '/' + section + '/' + key, defaultValue);
    }
    void saveSetting(const QString& application, const QString& section, const QString& key,
                     const QString& value) override
    {
        values.insert(application + '/' + section + '/' + key, value);
    }

    QHash<QString, QString> values;
};
