// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where a capture or recording is written: a file, plain CSV or gzip (its name ends in ".gz"),
// or standard output as CSV. Each piece (the header, a block's rows) goes out whole in one
// write, and in a gzip file as a member of its own, so a crash or a kill leaves whole blocks and
// at most one cut piece at the end, which the reader leaves out (see CaptureFile).

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct libdeflate_compressor;

namespace CaptureCsv {

class CaptureOutput
{
public:
    // A new capture at `path`, replacing any file there. Nothing, with the system's reason in
    // `error`, when it cannot be written.
    static std::unique_ptr<CaptureOutput> create(const std::string& path, std::string& error);
    // A recording that goes on in the file at `path` after its first `keptLength` bytes (the
    // rest, a torn tail, is cut off); `compressed` as the file was read.
    static std::unique_ptr<CaptureOutput> goOn(const std::string& path, std::uint64_t keptLength,
                                               bool compressed, std::string& error);
    // Standard output, as CSV; it is not closed.
    static std::unique_ptr<CaptureOutput> standardOutput();

    ~CaptureOutput();
    CaptureOutput(const CaptureOutput&) = delete;
    CaptureOutput& operator=(const CaptureOutput&) = delete;

    // Writes `text` as one piece. False, with the reason in error(), when it did not go out whole.
    bool write(std::string_view text);
    const std::string& error() const { return error_; }
    bool compressed() const { return compressed_; }

private:
    CaptureOutput(int descriptor, bool owned, bool compressed);
    bool compress(std::string_view text);
    bool writeWhole(const char* bytes, std::size_t size);

    int descriptor_;
    bool owned_;
    bool compressed_;
    libdeflate_compressor* packer_ = nullptr;
    std::vector<unsigned char> member_;
    std::string error_;
};

} // namespace CaptureCsv
