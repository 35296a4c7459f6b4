// SPDX-License-Identifier: GPL-3.0-or-later
#include "DeviceLink.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kdsp {

namespace {

std::string readLink(const std::string& path)
{
    std::vector<char> buffer(4096);
    const ssize_t length = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (length < 0) {
        return {};
    }
    return std::string(buffer.data(), static_cast<std::size_t>(length));
}

} // namespace

DeviceLink::~DeviceLink()
{
    remove();
}

std::string DeviceLink::create(const std::string& linkPath, const std::string& target)
{
    remove();
    if (::symlink(target.c_str(), linkPath.c_str()) != 0) {
        struct stat existing
        {
        };
        if (errno != EEXIST || ::lstat(linkPath.c_str(), &existing) != 0 ||
            !S_ISLNK(existing.st_mode)) {
            return "cannot create link " + linkPath + ": " + std::strerror(errno);
        }
        // A link left behind by a simulator that was killed: replace it.
        if (::unlink(linkPath.c_str()) != 0 || ::symlink(target.c_str(), linkPath.c_str()) != 0) {
            return "cannot replace link " + linkPath + ": " + std::strerror(errno);
        }
    }
    m_linkPath = linkPath;
    m_target = target;
    return {};
}

void DeviceLink::remove()
{
    if (m_linkPath.empty()) {
        return;
    }
    if (readLink(m_linkPath) == m_target) {
        ::unlink(m_linkPath.c_str());
    }
    m_linkPath.clear();
    m_target.clear();
}

} // namespace kdsp
