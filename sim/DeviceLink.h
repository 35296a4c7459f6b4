// SPDX-License-Identifier: GPL-3.0-or-later
// A symlink to the simulated device (--link), so a fixed path can be given to the program.
// It is removed again when the simulator ends, but only if it still points at our device.
#pragma once

#include <string>

namespace kdsp {

class DeviceLink
{
public:
    DeviceLink() = default;
    ~DeviceLink();
    DeviceLink(const DeviceLink&) = delete;
    DeviceLink& operator=(const DeviceLink&) = delete;

    // Makes linkPath point at target. A stale symlink at linkPath is replaced; any other file
    // there is left alone and counts as failure. Returns an error text, empty on success.
    std::string create(const std::string& linkPath, const std::string& target);

    void remove();

private:
    std::string m_linkPath;
    std::string m_target;
};

} // namespace kdsp
