// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The state that the core's handlers share; the handlers read and write it between (and inside)
// their port sequences.

#include "capture/BlockSize.h"

#include <QString>
#include <QtGlobal>

#include <array>
#include <optional>

enum ReceiveMode : quint8 {
    ModeConsole = 0, // received characters are appended to the console
    ModeCapture = 1, // a 300-byte block is read, stored and plotted
    ModeTiming = 2,  // the chip's seven-character timing reply is decoded
};

// The last captured block. Entries 1..300 are used (entry 0 stays empty); an empty entry means
// that no byte was waiting when it was read.
struct SampleBlock
{
    std::array<std::optional<quint8>, kBlockSize + 1> entry{};
};

// Colours are held as 0x00BBGGRR values.
constexpr double kYellow = 65535;
constexpr double kRed = 255;
constexpr double kGreen = 65280;
constexpr double kBlack = 0;
constexpr double kMagenta = 16711935;

struct SharedState
{
    quint8 portNumber = 0;            // port list position + 1; 0 when nothing is chosen
    quint8 receiveMode = ModeConsole; // how the receive event treats incoming bytes
    SampleBlock sampleBlock;          // the last captured block
    double traceColour = kYellow;     // colour of the trace
    double timeGrid = 0;              // milliseconds between two samples; 0 before any reply
    float markerStart = -1;           // sample position of the start marker; below 0: none
    float markerEnd = -1;             // sample position of the end marker; below 0: none
};

// The message texts fixed at start-up.
struct MessageTexts
{
    QString msgNotExist;
    QString msgDriveProblem;
    QString msgFileError;
    QString msgOverwrite;
    QString msgInvalidPort;
    QString msgPortUsed;
};
