// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Failures of the serial port reach the handlers as numbers, thrown as a CommError.

#include <exception>

namespace CommErrorNumber {
constexpr int InvalidPort = 8002;     // no number chosen, no device mapped, absent or inaccessible
constexpr int PortInUse = 8005;       // held by another program
constexpr int BadSettings = 8015;     // the device refuses the line settings
constexpr int PortClosed = 8018;      // output or input on a closed port
constexpr int DeviceFailed = 8020;    // a read or write on an open port failed (device gone)
} // namespace CommErrorNumber

class CommError : public std::exception {
public:
    explicit CommError(int number) : number_(number) {}
    int number() const { return number_; }
    const char* what() const noexcept override { return "serial port error"; }

private:
    int number_;
};
