// SPDX-License-Identifier: GPL-3.0-or-later
// Hexadecimal digits as the chip's commands and the simulator's options write them: 0-9 and
// A-F in either case, nothing else (no sign, no "0x", no spaces).
#pragma once

namespace kdsp {

inline constexpr int kHexBase = 16;

// The value of one hex digit, or -1 if `c` is none.
constexpr int hexDigit(char c)
{
    constexpr int kFirstLetterValue = 10;
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + kFirstLetterValue;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + kFirstLetterValue;
    }
    return -1;
}

} // namespace kdsp
