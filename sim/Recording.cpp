// SPDX-License-Identifier: GPL-3.0-or-later
#include "Recording.h"

#include "KdspProtocol.h"

#include "capture/CaptureFile.h"
#include "capture/FileBytes.h"

#include <csignal>
#include <exception>

#include <pthread.h>
#include <sys/stat.h>

namespace kdsp {

namespace {

// Standard input or a pipe gives its bytes once; only a file can be read from its start again.
bool canBeReadAgain(const std::string& path)
{
    struct stat status = {};
    return path != CaptureFile::FileBytes::kStandardInput && ::stat(path.c_str(), &status) == 0 &&
           S_ISREG(status.st_mode);
}

std::string bytesOf(const CaptureCsv::RecordedBlock& recorded)
{
    std::string bytes;
    bytes.reserve(recorded.value.size());
    int previous = kSignalCentre;
    for (const int value : recorded.value) {
        if (value != CaptureCsv::kMissing)
            previous = value;
        bytes.push_back(static_cast<char>(previous));
    }
    return bytes;
}

// What ends a pass that handed on `blocks` blocks; empty when the file simply ended.
std::string endOfPassNote(const std::string& path, const CaptureFile::ReadResult& read,
                          std::size_t blocks)
{
    if (!read.fine()) {
        std::string note = path + ": " + CaptureFile::describeFault(read);
        if (blocks != 0)
            note += "; the replay ends with the whole block before it";
        return note;
    }
    if (blocks == 0)
        return path + ": the file holds no block";
    if (read.rows.droppedFromLine != 0)
        return path + ": " + CaptureCsv::describeDroppedTail(read.rows.droppedFromLine);
    return {};
}

} // namespace

RecordingReader::RecordingReader(std::string path, NoteSink onNote)
    : m_path(std::move(path)), m_onNote(std::move(onNote))
{
}

OpenedRecording RecordingReader::open(const std::string& path, NoteSink onNote)
{
    OpenedRecording opened;
    std::shared_ptr<RecordingReader> reader(new RecordingReader(path, std::move(onNote)));
    reader->start();
    {
        std::unique_lock lock(reader->m_mutex);
        const Item& first = reader->waitForFront(lock);
        if (first.emptyPass) {
            opened.error = first.note;
            return opened;
        }
    }
    opened.reader = std::move(reader);
    return opened;
}

void RecordingReader::start()
{
    // The stop signals must reach the thread that serves (it waits for them in ppoll), never
    // this one: it runs with every signal blocked.
    sigset_t all;
    sigset_t previous;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &previous);
    m_thread = std::thread([this] { readPasses(); });
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

RecordingReader::~RecordingReader()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void RecordingReader::readPasses()
{
    const bool again = canBeReadAgain(m_path);
    try {
        for (;;) {
            std::size_t blocks = 0;
            Item end;
            try {
                const CaptureFile::ReadResult read =
                    CaptureFile::read(m_path, [&](const CaptureCsv::RecordedBlock& recorded) {
                        Item item;
                        item.block = bytesOf(recorded);
                        hand(std::move(item));
                        ++blocks;
                    });
                end.note = endOfPassNote(m_path, read, blocks);
            } catch (const Stopped&) {
                throw;
            } catch (const std::exception& error) {
                // Whatever the blocks before were, a pass that fails to read ends there too.
                end.note = m_path + ": " + error.what();
            }
            end.emptyPass = blocks == 0;
            end.final = end.emptyPass;
            hand(std::move(end));
            if (blocks == 0)
                return;
            if (!again) {
                Item final;
                final.note = m_path + ": read once, as it is no file that can be read again: "
                                      "the replay does not start over";
                final.final = true;
                hand(std::move(final));
                return;
            }
        }
    } catch (const Stopped&) {
    }
}

void RecordingReader::hand(Item item)
{
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return m_stop || m_items.size() < kReadAhead; });
    if (m_stop)
        throw Stopped{};
    if (item.block)
        ++m_blocksRead;
    m_items.push_back(std::move(item));
    lock.unlock();
    m_changed.notify_all();
}

RecordingReader::Item& RecordingReader::waitForFront(std::unique_lock<std::mutex>& lock)
{
    m_changed.wait(lock, [this] { return !m_items.empty(); });
    return m_items.front();
}

std::optional<std::string> RecordingReader::next()
{
    if (m_finished)
        return std::nullopt;
    std::unique_lock lock(m_mutex);
    Item item = std::move(waitForFront(lock));
    m_items.pop_front();
    lock.unlock();
    m_changed.notify_all();

    m_finished = item.final;
    if (!item.note.empty() && item.note != m_lastNote) {
        m_lastNote = item.note;
        if (m_onNote)
            m_onNote(item.note);
    }
    return std::move(item.block);
}

std::uint64_t RecordingReader::blocksRead() const
{
    const std::lock_guard lock(m_mutex);
    return m_blocksRead;
}

} // namespace kdsp
