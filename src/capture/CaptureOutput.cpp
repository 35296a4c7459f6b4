// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureOutput.h"

#include "capture/CaptureFile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <libdeflate.h>
#include <unistd.h>

namespace CaptureCsv {
namespace {
// Each block is a gzip member of its own, compressed whole in one call: at the line rate that is
// the recording's main cost, and beside the scope it costs about twice what it does block after
// block in a loop. libdeflate's level 1 takes less than half of zlib's level 4 (tuned) and keeps
// the window's recording under 0.6 % of a core; it packs the simulated servo signal's rows to
// 0.343 of their size in a minute's recording, 0.332 in ten minutes and 0.326 in an hour, as the
// block numbers repeated on every row grow longer. Level 4 would give zlib's 0.330 in a minute at
// nearly twice the CPU. Each member starts with no history, so a file under a minute long packs
// least well: 0.35 to 0.37.
constexpr int kLevel = 1;
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
        packer_ = libdeflate_alloc_compressor(kLevel);
}

CaptureOutput::~CaptureOutput()
{
    libdeflate_free_compressor(packer_);
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
                                            member_.size());
    return writeWhole(text.data(), text.size());
}

bool CaptureOutput::compress(std::string_view text)
{
    if (packer_ != nullptr) {
        member_.resize(libdeflate_gzip_compress_bound(packer_, text.size()));
        member_.resize(libdeflate_gzip_compress(packer_, text.data(), text.size(),
                                                member_.data(), member_.size()));
        if (!member_.empty())
            return true;
    }
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
