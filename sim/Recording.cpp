// SPDX-License-Identifier: GPL-3.0-or-later
#include "Recording.h"

#include "KdspProtocol.h"

#include "capture/CaptureCsv.h"

#include <fstream>

namespace kdsp {

LoadedRecording loadRecording(const std::string& path)
{
    LoadedRecording loaded;
    std::ifstream input(path, std::ios::binary);
    if (!input) {
        loaded.error = path + ": cannot be read";
        return loaded;
    }
    auto blocks = std::make_shared<RecordedBlocks>();
    const CaptureCsv::ReadResult file =
        CaptureCsv::read(input, [&](const CaptureCsv::RecordedBlock& recorded) {
            std::string bytes;
            int previous = kSignalCentre;
            for (const int value : recorded.value) {
                if (value == CaptureCsv::kMissing)
                    ++loaded.filledSamples;
                else
                    previous = value;
                bytes.push_back(static_cast<char>(previous));
            }
            blocks->push_back(std::move(bytes));
        });
    if (file.error.line != 0) {
        loaded.error = path + ": " + CaptureCsv::describe(file.error);
        return loaded;
    }
    if (file.droppedFromLine != 0)
        loaded.note = path + ": " + CaptureCsv::describeDroppedTail(file.droppedFromLine);
    if (blocks->empty()) {
        loaded.error = path + ": the file holds no block";
        return loaded;
    }
    loaded.blocks = std::move(blocks);
    return loaded;
}

} // namespace kdsp
