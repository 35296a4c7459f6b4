// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The text of a gzip file, read as a stream, member after member. A recording written as gzip
// has each block in a member of its own, written whole, so a crash can leave at most its last
// member cut. A member's text is handed on only once the member is complete, so the text of a
// cut member is never read; a member longer than kLongestHeldText (a file that another program
// compressed in one piece) is handed on as it is inflated instead, and its cut tail is then the
// capture reader's torn last block.

#include <cstdint>
#include <deque>
#include <istream>
#include <optional>
#include <streambuf>
#include <string>
#include <vector>

#include <zlib.h>

namespace CaptureCsv {

class GzipInput : public std::streambuf
{
public:
    // Some ten blocks' rows.
    static constexpr std::size_t kLongestHeldText = 1 << 16;

    explicit GzipInput(std::istream& compressed);
    ~GzipInput() override;
    GzipInput(const GzipInput&) = delete;
    GzipInput& operator=(const GzipInput&) = delete;

    // After the end: the file ended inside a member whose text was held back and is left out.
    bool endedInCutMember() const { return cutMemberLeftOut_; }
    // After the end: why the data could not be inflated (damaged, unreadable); empty when it could.
    const std::string& fault() const { return fault_; }
    // Line ends in the text handed on so far.
    long long lineEndsHandedOn() const { return lineEnds_; }
    // The file's bytes up to the end of the member whose text ends at `textLength`, when that is
    // one of the last few members read (the only ones a recording that goes on may end at).
    std::optional<std::uint64_t> memberEndAt(std::uint64_t textLength) const;

protected:
    int_type underflow() override;

private:
    struct MemberEnd
    {
        std::uint64_t text;
        std::uint64_t file;
    };

    bool refill();
    void makeRoom();
    void handOn();
    void endMember();
    void failWith();

    std::istream& compressed_;
    z_stream zip_{};
    std::vector<unsigned char> in_;
    std::uint64_t bytesRead_ = 0;
    std::vector<char> held_; // the current member's text not yet handed on
    std::size_t heldSize_ = 0;
    std::vector<char> out_; // the text being read
    std::uint64_t textHandedOn_ = 0;
    long long lineEnds_ = 0;
    std::deque<MemberEnd> memberEnds_;
    bool inMember_ = false;
    bool streaming_ = false; // the current member outgrew kLongestHeldText
    bool ended_ = false;
    bool cutMemberLeftOut_ = false;
    std::string fault_;
};

} // namespace CaptureCsv
