// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's three-part version and the texts built from it.

#include <QString>

namespace Version {

constexpr int Major = TREVALON_VERSION_MAJOR;
constexpr int Minor = TREVALON_VERSION_MINOR;
constexpr int Revision = TREVALON_VERSION_REVISION;

// "Kestrum Trevalon V 1. 2. 1": each number with its sign position.
QString windowTitle();

// What --version prints: "<program> 1.2.1" on the first line (scripts read that line), then the
// copyright holder and the licence, as a user of a free program expects to find them there.
QString versionText(const QString& program);

} // namespace Version
