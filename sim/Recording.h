// SPDX-License-Identifier: GPL-3.0-or-later
// A recorded run (a capture file, CSV or .csv.gz) replayed as it is read: a thread of the
// reader's own converts the file's blocks a few ahead of the chip and, past the file's end,
// reads it again from its start, so the first block is ready to follow the last. Memory and the
// time to the first block are the same for a minute's recording as for a day's.
#pragma once

#include "BlockSource.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace kdsp {

class RecordingReader;

struct OpenedRecording
{
    std::shared_ptr<RecordingReader> reader; // empty on failure
    std::string error;                       // "FILE: line 3: ..." on failure
};

class RecordingReader final : public BlockSource
{
public:
    // What the user should know of a recording as its replay reaches the end of it: a torn
    // last block left out, a fault found part-way. Called from next(), once for each new text.
    using NoteSink = std::function<void(const std::string&)>;

    // Blocks read and waiting for the chip, at most.
    static constexpr std::size_t kReadAhead = 4;

    // Reads `path` up to its first whole block, which is all that can be known before the
    // replay starts: a file that cannot be opened, is not a capture file or is damaged before
    // its first whole block, or holds no whole block at all is refused, as a replay of nothing
    // would look like a dead chip. A sample missing from a block is sent as the sample before
    // it (the centre, 128, for a first sample): the signal goes on smoothly and the block keeps
    // its length. A fault found later ends each pass of the replay at the block before it, as a
    // torn last block does.
    static OpenedRecording open(const std::string& path, NoteSink onNote);

    ~RecordingReader() override;
    RecordingReader(const RecordingReader&) = delete;
    RecordingReader& operator=(const RecordingReader&) = delete;

    std::optional<std::string> next() override;

    // Blocks the reading thread has handed on since the start, over every pass.
    std::uint64_t blocksRead() const;

private:
    // A block, or the end of a pass (no block) with what to say about it; `final` when no pass
    // follows.
    struct Item
    {
        std::optional<std::string> block;
        std::string note;
        bool emptyPass = false;
        bool final = false;
    };
    struct Stopped
    {
    };

    RecordingReader(std::string path, NoteSink onNote);
    void start();
    void readPasses();
    void hand(Item item);
    Item& waitForFront(std::unique_lock<std::mutex>& lock);

    const std::string m_path;
    const NoteSink m_onNote;
    std::string m_lastNote;
    bool m_finished = false; // the final end was taken: nothing more comes

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<Item> m_items;
    std::uint64_t m_blocksRead = 0;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace kdsp
