// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the program says to the KDSP chip. Every command goes out as its text and one carriage
// return.

#include <QByteArray>

namespace ChipCommand {
inline const QByteArray kStop = "q";               // stops the chip's block stream
inline const QByteArray kTimingQuery = "J1100";    // answered by seven characters
inline const QByteArray kScopeStart = "J1000";     // starts 300-byte sample blocks
inline const QByteArray kTriggerOn = "J1001";
inline const QByteArray kTriggerOff = "J1002";
inline const QByteArray kRegisterListing = "";     // a lone carriage return
inline const QByteArray kSpecialListing = "s";
inline const QByteArray kFuseListing = "u";
inline const QByteArray kThermo100 = "J1021";
inline const QByteArray kThermo80 = "J1022";
inline const QByteArray kThermo60 = "J1023";
inline const QByteArray kMotorProtectionOff = "J1024";
inline const QByteArray kSoftLimitWithFault = "J1025";
inline const QByteArray kSoftLimitWithoutFault = "J1026";
inline const QByteArray kPwmDcMode = "J1027";
inline const QByteArray kPwmAcMode = "J1028";
constexpr char kCommandEnd = '\r';
} // namespace ChipCommand

// The timing reply: "J1100", the timing digit, carriage return. The digit d gives
// d * 95.45 * 5 / 1000 milliseconds between two samples (one sample spans five loop periods of
// d * 95.45 microseconds).
namespace TimingReply {
constexpr int kLength = 7;
constexpr int kDigitPosition = 6; // counted from 1
constexpr double kLoopPeriodMicroseconds = 95.45;
constexpr double kPeriodsPerSample = 5;
constexpr double kPidFrequencyFactor = 5000; // Hz = 1 / timeGrid * 5000
} // namespace TimingReply
