// SPDX-License-Identifier: GPL-3.0-or-later
#include "capture/GzipInput.h"

#include <algorithm>

namespace CaptureCsv {
namespace {
constexpr std::size_t kReadSize = 1 << 16;
constexpr std::size_t kTextStep = 1 << 14;
// A gzip stream, not a bare zlib or deflate one.
constexpr int kGzipWindowBits = 16 + MAX_WBITS;
// A recording continued after a crash ends at its last or last-but-one member.
constexpr std::size_t kMemberEndsKept = 4;
} // namespace

GzipInput::GzipInput(std::istream& compressed) : compressed_(compressed), in_(kReadSize)
{
    if (inflateInit2(&zip_, kGzipWindowBits) != Z_OK) {
        fault_ = "the decompressor could not be set up";
        ended_ = true;
    }
}

GzipInput::~GzipInput()
{
    inflateEnd(&zip_);
}

std::optional<std::uint64_t> GzipInput::memberEndAt(std::uint64_t textLength) const
{
    for (const MemberEnd& end : memberEnds_) {
        if (end.text == textLength)
            return end.file;
    }
    return std::nullopt;
}

bool GzipInput::refill()
{
    compressed_.read(reinterpret_cast<char*>(in_.data()), static_cast<std::streamsize>(in_.size()));
    const auto got = static_cast<std::size_t>(compressed_.gcount());
    if (compressed_.bad()) {
        fault_ = "the file could not be read";
        return false;
    }
    bytesRead_ += got;
    zip_.next_in = in_.data();
    zip_.avail_in = static_cast<uInt>(got);
    return got > 0;
}

void GzipInput::makeRoom()
{
    if (held_.size() - heldSize_ < kTextStep / 4)
        held_.resize(std::max(held_.size() * 2, kTextStep));
    zip_.next_out = reinterpret_cast<Bytef*>(held_.data() + heldSize_);
    zip_.avail_out = static_cast<uInt>(held_.size() - heldSize_);
}

void GzipInput::handOn()
{
    out_.assign(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(heldSize_));
    textHandedOn_ += heldSize_;
    lineEnds_ += std::count(out_.begin(), out_.end(), '\n');
    heldSize_ = 0;
    setg(out_.data(), out_.data(), out_.data() + out_.size());
}

void GzipInput::endMember()
{
    inMember_ = false;
    streaming_ = false;
    memberEnds_.push_back({textHandedOn_ + heldSize_, bytesRead_ - zip_.avail_in});
    if (memberEnds_.size() > kMemberEndsKept)
        memberEnds_.pop_front();
}

void GzipInput::failWith()
{
    // Only data that begins with gzip's mark is read as gzip, so even a first member that does
    // not inflate is a damaged member, not some other kind of file.
    const std::uint64_t at = bytesRead_ - zip_.avail_in;
    fault_ = "the compressed data is damaged near byte " + std::to_string(at) +
             (zip_.msg != nullptr ? std::string(" (") + zip_.msg + ")" : std::string());
    ended_ = true;
}

GzipInput::int_type GzipInput::underflow()
{
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    while (!ended_) {
        if (zip_.avail_in == 0 && !refill()) {
            ended_ = true;
            if (!fault_.empty())
                break;
            // The file ends inside a member: a write cut short. Its held text is left out.
            if (inMember_ && !streaming_)
                cutMemberLeftOut_ = true;
            else if (heldSize_ > 0)
                handOn();
            break;
        }
        if (!inMember_) {
            inflateReset(&zip_);
            inMember_ = true;
        }
        makeRoom();
        const int code = inflate(&zip_, Z_NO_FLUSH);
        heldSize_ = held_.size() - zip_.avail_out;
        if (code == Z_STREAM_END) {
            endMember();
            if (heldSize_ > 0) {
                handOn();
                break;
            }
        } else if (code != Z_OK && code != Z_BUF_ERROR) {
            // inflate's state tells where it stopped; the text of this member is not trusted.
            failWith();
            break;
        } else if (heldSize_ >= kLongestHeldText || (streaming_ && heldSize_ > 0)) {
            streaming_ = true;
            handOn();
            break;
        }
    }
    if (gptr() < egptr())
        return traits_type::to_int_type(*gptr());
    return traits_type::eof();
}

} // namespace CaptureCsv
