// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reads a fuzzer's input as a stream of small fields. Past the end every field reads as zero and
// every run of bytes as empty, so a decoder never has to check the length itself and the same
// input always decodes to the same operations.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

class FuzzInput
{
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool atEnd() const { return pos_ >= size_; }

    std::uint8_t byte() { return atEnd() ? 0 : data_[pos_++]; }

    // Little-endian, so a short input reads its low byte first.
    std::uint16_t word()
    {
        const std::uint16_t low = byte();
        return static_cast<std::uint16_t>(low | (byte() << 8));
    }

    // Up to `count` bytes, fewer at the end of the input.
    std::string_view bytes(std::size_t count)
    {
        const std::size_t left = atEnd() ? 0 : size_ - pos_;
        const std::size_t taken = count < left ? count : left;
        const std::string_view run(reinterpret_cast<const char*>(data_ + pos_), taken);
        pos_ += taken;
        return run;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// An invariant of the code under test. A broken one names itself on stderr and aborts, which
// both libFuzzer and the corpus replay report as a failure.
#define FUZZ_CHECK(condition, what)                                                                \
    do {                                                                                           \
        if (!(condition))                                                                          \
            fuzzCheckFailed(#condition, what, __FILE__, __LINE__);                                 \
    } while (false)

[[noreturn]] inline void fuzzCheckFailed(const char* condition, const char* what, const char* file,
                                         int line)
{
    std::fprintf(stderr, "%s:%d: broken: %s (%s)\n", file, line, what, condition);
    std::fflush(stderr);
    std::abort();
}
