// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Text fed to the console view as the chip sends it.

#include "window/ConsoleView.h"

// Appends one character per call, as the receive event does.
inline void appendEach(ConsoleView& view, const QString& text)
{
    for (const QChar c : text)
        view.append(QStringView(&c, 1));
}
