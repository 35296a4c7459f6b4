// SPDX-License-Identifier: GPL-3.0-or-later
// Three faults that scripts/lint must find, one for each way it looks (a clang-tidy check, the
// static analyser, a clazy check): it lints this file first and stops if any goes unreported, so
// a lint that finds nothing has looked.

#include <QObject>
#include <QTimer>

#include <string>
#include <utility>

int seeded(QTimer* timer, QObject* receiver)
{
    std::string moved = "text";
    std::string taken = std::move(moved);
    // bugprone-use-after-move and the analyser's cplusplus.Move.
    const auto size = moved.size() + taken.size();
    // clazy's connect-non-signal: stop is a slot.
    QObject::connect(timer, &QTimer::stop, receiver, [] {});
    return static_cast<int>(size);
}
