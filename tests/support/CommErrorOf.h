// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The number a port step fails with, for tests of the port and the link.

#include "core/link/CommError.h"

#include <functional>

// Runs the step and returns the number of the CommError it raised; 0 when it raised none.
inline int errorOf(const std::function<void()>& step)
{
    try {
        step();
    } catch (const CommError& e) {
        return e.number();
    }
    return 0;
}
