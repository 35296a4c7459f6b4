// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureFile.h"

#include "capture/GzipInput.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace CaptureFile {
namespace {
constexpr std::string_view kGzipSuffix = ".gz";
// The first two bytes of every gzip member.
constexpr unsigned char kGzipMark[] = {0x1f, 0x8b};

bool startsWithGzipMark(std::istream& input)
{
    char first[sizeof kGzipMark] = {};
    input.read(first, sizeof first);
    const bool marked =
        input.gcount() == sizeof first && std::memcmp(first, kGzipMark, sizeof kGzipMark) == 0;
    input.clear();
    input.seekg(0);
    return marked;
}

void readCompressed(std::istream& file, ReadResult& result,
                    const std::function<void(const CaptureCsv::RecordedBlock&)>& onBlock)
{
    CaptureCsv::GzipInput text(file);
    std::istream rows(&text);
    result.rows = CaptureCsv::read(rows, onBlock);
    const long long nextLine = text.lineEndsHandedOn() + 1;
    // Rows that the damage cut off mid-way are no fault of the rows.
    if (!text.fault().empty() &&
        (result.rows.error.line == 0 || result.rows.error.line >= nextLine)) {
        result.rows.error = {nextLine, text.fault()};
        return;
    }
    if (text.endedInCutMember()) {
        // A recording cut short while its header was written holds nothing yet.
        if (text.lineEndsHandedOn() == 0)
            result.rows = {};
        if (result.rows.droppedFromLine == 0)
            result.rows.droppedFromLine = nextLine;
    }
    if (result.rows.error.line == 0)
        result.keptLength = result.rows.wholeLength == 0
                                ? std::optional<std::uint64_t>(0)
                                : text.memberEndAt(result.rows.wholeLength);
}
} // namespace

bool compressedByName(std::string_view path)
{
    return path.ends_with(kGzipSuffix);
}

ReadResult read(const std::string& path,
                const std::function<void(const CaptureCsv::RecordedBlock&)>& onBlock)
{
    ReadResult result;
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        result.cannotOpen = std::strerror(errno);
        return result;
    }
    result.compressed = compressedByName(path) || startsWithGzipMark(file);
    if (result.compressed) {
        readCompressed(file, result, onBlock);
        return result;
    }
    result.rows = CaptureCsv::read(file, onBlock);
    if (result.rows.error.line == 0)
        result.keptLength = result.rows.wholeLength;
    return result;
}

std::string describeFault(const ReadResult& result)
{
    if (!result.cannotOpen.empty())
        return "cannot be opened: " + result.cannotOpen;
    return CaptureCsv::describe(result.rows.error);
}

} // namespace CaptureFile
