#pragma once
// The program's three-part version and the texts built from it.

#include <QString>

namespace Version {

constexpr int Major = TREVALON_VERSION_MAJOR;
constexpr int Minor = TREVALON_VERSION_MINOR;
constexpr int Revision = TREVALON_VERSION_REVISION;

// "Kestrum Trevalon V 1. 2. 1": each number with its sign position.
QString windowTitle();

// "Trevalon 1.2.1", for --version.
QString plainVersionText();

} // namespace Version
