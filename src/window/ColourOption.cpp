// SPDX-License-Identifier: GPL-3.0-or-later
#include "window/ColourOption.h"

bool ColourOption::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}
