// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A capture file's bytes as a stream read once from its start and never sought, so that a file,
// a pipe (`<(zcat run.csv.gz)`), /dev/stdin and standard input ("-") all read alike. The first
// bytes can be looked at before they are read: that is how gzip is told from CSV without going
// back, which a pipe cannot do.

#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace CaptureFile {

class FileBytes : public std::streambuf
{
public:
    // The name that stands for standard input, which is read but left open.
    static constexpr std::string_view kStandardInput = "-";

    explicit FileBytes(const std::string& path);
    ~FileBytes() override;
    FileBytes(const FileBytes&) = delete;
    FileBytes& operator=(const FileBytes&) = delete;

    // The system's reason when the file could not be opened; empty when it was.
    const std::string& openError() const { return openError_; }
    // Up to `count` of the bytes not yet read (fewer only at the end or on a read failure);
    // they are still read after this.
    std::string_view ahead(std::size_t count);

protected:
    // A read that fails throws std::ios_base::failure, which the reading istream turns into its
    // badbit, as a file stream does.
    int_type underflow() override;

private:
    // Appends what one read gives after the unread bytes; false at the end or on a failure.
    bool readMore();

    int descriptor_ = -1;
    bool owned_ = false;
    bool failed_ = false;
    std::vector<char> buffer_;
    std::string openError_;
};

} // namespace CaptureFile
