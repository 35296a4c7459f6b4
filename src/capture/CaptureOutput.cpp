// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureOutput.h"

#include "capture/CaptureFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace CaptureCsv {
namespace {
constexpr int kGzipWindowBits = 16 + MAX_WBITS;
constexpr int kMemoryLevel = 8;
// Chosen on the simulated servo signal's rows for a third of the CSV's size at the least CPU:
// level 4 with the filtered strategy packs a block's short repeats (the block number, values and
// levels) to 0.329 of their size in a minute's recording and 0.31 in an hour's, where level 1
// leaves 0.39 and level 6 with the default strategy 0.35; short hash chains and lazy matches take
// a fifth off its time. Each block is its own member, so the rows of the first blocks of a file,
// whose block numbers are short, pack less well: 0.34 to 0.36 of a file under a minute long.
constexpr int kLevel = 4;
constexpr int kStrategy = Z_FILTERED;
constexpr int kGoodLength = 3;
constexpr int kMaxLazy = 3;
constexpr int kNiceLength = 8;
constexpr int kMaxChain = 4;
constexpr mode_t kNewFileMode = 0666;

std::string systemReason()
{
    return std::strerror(errno);
}

int openForWriting(const std::string& path, int flags, std::string& error)
{
    const int descriptor =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | flags, kNewFileMode);
    if (descriptor < 0)
        error = systemReason();
    return descriptor;
}
} // namespace

CaptureOutput::CaptureOutput(int descriptor, bool owned, bool compressed)
    : descriptor_(descriptor), owned_(owned), compressed_(compressed)
{
    if (compressed_)
        deflateInit2(&zip_, kLevel, Z_DEFLATED, kGzipWindowBits, kMemoryLevel, kStrategy);
}

CaptureOutput::~CaptureOutput()
{
    if (compressed_)
        deflateEnd(&zip_);
    if (owned_)
        ::close(descriptor_);
}

std::unique_ptr<CaptureOutput> CaptureOutput::create(const std::string& path, std::string& error)
{
    const int descriptor = openForWriting(path, O_TRUNC, error);
    if (descriptor < 0)
        return nullptr;
    return std::unique_ptr<CaptureOutput>(
        new CaptureOutput(descriptor, true, CaptureFile::compressedByName(path)));
}

std::unique_ptr<CaptureOutput> CaptureOutput::goOn(const std::string& path,
                                                   std::uint64_t keptLength, bool compressed,
                                                   std::string& error)
{
    // Appending: every piece lands at the end, whatever else has the file open.
    const int descriptor = openForWriting(path, O_APPEND, error);
    if (descriptor < 0)
        return nullptr;
    std::unique_ptr<CaptureOutput> output(new CaptureOutput(descriptor, true, compressed));
    if (::ftruncate(descriptor, static_cast<off_t>(keptLength)) != 0) {
        error = systemReason();
        return nullptr;
    }
    return output;
}

std::unique_ptr<CaptureOutput> CaptureOutput::standardOutput()
{
    return std::unique_ptr<CaptureOutput>(new CaptureOutput(STDOUT_FILENO, false, false));
}

bool CaptureOutput::write(std::string_view text)
{
    if (compressed_)
        return compress(text) && writeWhole(reinterpret_cast<const char*>(member_.data()),
                                            member_.size() - zip_.avail_out);
    return writeWhole(text.data(), text.size());
}

bool CaptureOutput::compress(std::string_view text)
{
    // A reset starts a new member, header and all; it also sets the level's own tuning back.
    deflateReset(&zip_);
    deflateTune(&zip_, kGoodLength, kMaxLazy, kNiceLength, kMaxChain);
    member_.resize(deflateBound(&zip_, static_cast<uLong>(text.size())));
    zip_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(text.data()));
    zip_.avail_in = static_cast<uInt>(text.size());
    zip_.next_out = member_.data();
    zip_.avail_out = static_cast<uInt>(member_.size());
    if (deflate(&zip_, Z_FINISH) == Z_STREAM_END)
        return true;
    error_ = "the rows could not be compressed";
    return false;
}

bool CaptureOutput::writeWhole(const char* bytes, std::size_t size)
{
    // One write; a second only when the system took part of it (a full disk, a signal).
    while (size > 0) {
        const ssize_t written = ::write(descriptor_, bytes, size);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            error_ = written < 0 ? systemReason() : "nothing could be written";
            return false;
        }
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

} // namespace CaptureCsv
