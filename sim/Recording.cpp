// SPDX-License-Identifier: GPL-3.0-or-later
#include "Recording.h"

#include "KdspProtocol.h"

#include "capture/CaptureFile.h"

namespace kdsp {

LoadedRecording loadRecording(const std::string& path)
{
    LoadedRecording loaded;
    auto blocks = std::make_shared<RecordedBlocks>();
    const CaptureFile::ReadResult read =
        CaptureFile::read(path, [&](const CaptureCsv::RecordedBlock& recorded) {
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
    if (!read.fine()) {
        loaded.error = path + ": " + CaptureFile::describeFault(read);
        return loaded;
    }
    if (read.rows.droppedFromLine != 0)
        loaded.note = path + ": " + CaptureCsv::describeDroppedTail(read.rows.droppedFromLine);
    if (blocks->empty()) {
        loaded.error = path + ": the file holds no block";
        return loaded;
    }
    loaded.blocks = std::move(blocks);
    return loaded;
}

} // namespace kdsp
