// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/FileBytes.h"

#include <cerrno>
#include <cstring>
#include <ios>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace CaptureFile {
namespace {
constexpr std::size_t kReadSize = 1 << 16;
} // namespace

FileBytes::FileBytes(const std::string& path) : buffer_(kReadSize)
{
    setg(buffer_.data(), buffer_.data(), buffer_.data());
    if (path == kStandardInput) {
        descriptor_ = STDIN_FILENO;
        return;
    }
    descriptor_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (descriptor_ < 0) {
        openError_ = std::strerror(errno);
        return;
    }
    owned_ = true;
    // A folder opens but cannot be read; say so as the system would for opening it to write.
    struct stat status = {};
    if (::fstat(descriptor_, &status) == 0 && S_ISDIR(status.st_mode))
        openError_ = std::strerror(EISDIR);
}

FileBytes::~FileBytes()
{
    if (owned_)
        ::close(descriptor_);
}

bool FileBytes::readMore()
{
    if (failed_ || !openError_.empty())
        return false;
    // The unread bytes move to the front, so the buffer always has room for a whole read.
    const std::size_t unread = static_cast<std::size_t>(egptr() - gptr());
    std::memmove(buffer_.data(), gptr(), unread);
    if (buffer_.size() - unread < kReadSize)
        buffer_.resize(unread + kReadSize);
    ssize_t got = 0;
    do
        got = ::read(descriptor_, buffer_.data() + unread, buffer_.size() - unread);
    while (got < 0 && errno == EINTR);
    failed_ = got < 0;
    const std::size_t added = got > 0 ? static_cast<std::size_t>(got) : 0;
    setg(buffer_.data(), buffer_.data(), buffer_.data() + unread + added);
    return added > 0;
}

std::string_view FileBytes::ahead(std::size_t count)
{
    while (static_cast<std::size_t>(egptr() - gptr()) < count && readMore()) {
    }
    const std::size_t unread = static_cast<std::size_t>(egptr() - gptr());
    return {gptr(), std::min(count, unread)};
}

FileBytes::int_type FileBytes::underflow()
{
    if (gptr() < egptr() || readMore())
        return traits_type::to_int_type(*gptr());
    if (failed_)
        throw std::ios_base::failure("the file could not be read");
    return traits_type::eof();
}

} // namespace CaptureFile
