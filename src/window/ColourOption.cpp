#include "window/ColourOption.h"

bool ColourOption::hitButton(const QPoint& pos) const
{
    return rect().contains(pos);
}
