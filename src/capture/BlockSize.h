// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The chip sends its tracking error in blocks of this many samples, one byte each. Every part of
// the program that holds a block (the receive path, the capture files, the analysis) takes the
// count from here.

inline constexpr int kBlockSize = 300;
