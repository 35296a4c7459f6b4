// SPDX-License-Identifier: GPL-3.0-or-later
// The words and numbers of the KDSP chip's serial conversation, as the simulated chip speaks it.
// Everything the program relies on byte for byte lives here, so the model, the server and the
// tests agree on one text.
#pragma once

#include <chrono>
#include <cstdint>
#include <string_view>

namespace kdsp {

// Commands end with a carriage return; line feeds are ignored wherever they appear.
inline constexpr char kCommandEnd = '\r';
inline constexpr char kIgnoredLineFeed = '\n';
// Text lines the chip writes end with CR LF so a terminal shows them one below the other.
inline constexpr std::string_view kLineEnd = "\r\n";
// Longest command the chip keeps; anything longer is answered as unknown when its CR arrives.
inline constexpr std::size_t kMaxCommandLength = 64;

inline constexpr std::string_view kStopScope = "q";
inline constexpr std::string_view kStartScope = "J1000";
inline constexpr std::string_view kTriggerOn = "J1001";
inline constexpr std::string_view kTriggerOff = "J1002";
inline constexpr std::string_view kTimingQuery = "J1100";
inline constexpr std::string_view kRegisterListing = ""; // a lone CR
inline constexpr std::string_view kSpecialCommands = "s";
inline constexpr std::string_view kFuseReport = "u";

inline constexpr std::string_view kThermo100 = "J1021";
inline constexpr std::string_view kThermo80 = "J1022";
inline constexpr std::string_view kThermo60 = "J1023";
inline constexpr std::string_view kMotorProtectionOff = "J1024";
inline constexpr std::string_view kSoftLimitWithFault = "J1025";
inline constexpr std::string_view kSoftLimitWithoutFault = "J1026";
inline constexpr std::string_view kPwmDc = "J1027";
inline constexpr std::string_view kPwmAc = "J1028";

// A register write: "W", two hex digits of address, one space, four hex digits of value, e.g.
// "W02 0180" (hex digits in either case). The simulated chip takes it for its loop gains.
inline constexpr char kWriteRegister = 'W';
inline constexpr char kWriteSeparator = ' ';
inline constexpr std::size_t kWriteAddressDigits = 2;
inline constexpr std::size_t kWriteValueDigits = 4;
inline constexpr std::size_t kWriteCommandLength = 1 + kWriteAddressDigits + 1 + kWriteValueDigits;

// The chip answers J1100 with seven characters: "J1100", the timing digit, CR.
inline constexpr std::size_t kTimingAnswerLength = 7;
inline constexpr int kDefaultTimingDigit = 4;
inline constexpr int kMinTimingDigit = 0;
inline constexpr int kMaxTimingDigit = 9;
// Digit d means d * 95.45 * 5 microseconds between two samples, i.e. d * 477.25 us.
inline constexpr std::chrono::nanoseconds kSamplePeriodPerDigit{477'250};

inline constexpr std::string_view kScopeStoppedAnswer = "Scope stopped\r\n";
inline constexpr std::string_view kUnknownCommandPrefix = "Unknown command: ";

// A scope block is 300 unsigned bytes, one per sample of tracking error, with no header and no
// checksum: the program finds a block only by counting bytes.
inline constexpr std::size_t kBlockSamples = 300;
inline constexpr std::uint8_t kSignalCentre = 128;

// The line runs at 115200 baud, 8N1: ten bits on the wire for every byte.
inline constexpr std::int64_t kBaudRate = 115'200;
inline constexpr std::int64_t kBitsPerByte = 10;
inline constexpr std::chrono::nanoseconds kByteLineTime{1'000'000'000LL * kBitsPerByte / kBaudRate};
// About 26.04 ms, so a continuous stream gives about 38.4 blocks a second.
inline constexpr std::chrono::nanoseconds kBlockLineTime{
    1'000'000'000LL * kBitsPerByte * static_cast<std::int64_t>(kBlockSamples) / kBaudRate};

} // namespace kdsp
