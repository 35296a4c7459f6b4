// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A capture file, plain CSV or gzip-compressed CSV, read as a stream of whole blocks: one pass
// from the start, never sought, memory flat whatever the file's length, so a pipe and standard
// input ("-") read as a file does. A file is taken as gzip when its first bytes are gzip's mark,
// whatever its name.

#include "capture/CaptureCsv.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace CaptureFile {

// How a capture written to `path` is stored: gzip when the name ends in ".gz". (Reading goes by
// the content.)
bool compressedByName(std::string_view path);

struct ReadResult
{
    // The rows as CaptureCsv::read reads them. For gzip, `droppedFromLine` also tells a member
    // cut short at the end of the file (its text is left out unread), and `wholeLength` counts
    // the uncompressed text; `error` also tells data that is not gzip or is damaged.
    CaptureCsv::ReadResult rows;
    // The system's reason when the file could not be opened; then nothing else is set.
    std::string cannotOpen;
    bool compressed = false;
    // The file's own bytes a recording that goes on in it keeps: up to the end of its last whole
    // block (for gzip, the end of the member holding it). Nothing when that block ends inside a
    // gzip member (a file compressed in one piece elsewhere), where nothing can be added.
    std::optional<std::uint64_t> keptLength;

    bool fine() const { return cannotOpen.empty() && rows.error.line == 0; }
};

// `path` "-" reads standard input.
ReadResult read(const std::string& path,
                const std::function<void(const CaptureCsv::RecordedBlock&)>& onBlock);

// "cannot be opened: No such file or directory", or "line 7: ...": what is wrong with a file
// that is not fine().
std::string describeFault(const ReadResult& result);

} // namespace CaptureFile
