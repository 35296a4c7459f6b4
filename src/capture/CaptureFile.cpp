// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/CaptureFile.h"

#include "capture/FileBytes.h"
#include "capture/GzipInput.h"

#include <cstring>
#include <istream>

namespace CaptureFile {
namespace {
constexpr std::string_view kGzipSuffix = ".gz";
// The first two bytes of every gzip member.
constexpr unsigned char kGzipMark[] = {0x1f, 0x8b};

bool startsWithGzipMark(FileBytes& bytes)
{
    const std::string_view first = bytes.ahead(sizeof kGzipMark);
    return first.size() == sizeof kGzipMark &&
           std::memcmp(first.data(), kGzipMark, sizeof kGzipMark) == 0;
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
    FileBytes bytes(path);
    if (!bytes.openError().empty()) {
        result.cannotOpen = bytes.openError();
        return result;
    }
    std::istream file(&bytes);
    // By the content alone: a CSV named ".gz" is read as the CSV it is.
    result.compressed = startsWithGzipMark(bytes);
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
