// However large a file is, inspection asks its stream for no more than the
// checks' limits: 1 MiB for JSON; two length-prefixed strings of up to
// 4096 bytes (8,202 bytes with their prefixes) and a 256-byte window for the
// binary form; plus what the sniff reads before the first meaningful byte.
#include "data/JsonSkeleton.h"
#include "data/SkelHeader.h"
#include "data/SkeletonDataInspector.h"
#include "testsupport/DataReports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <istream>
#include <streambuf>
#include <string>

namespace hbk {
namespace {

constexpr std::uint64_t kTwoGiB = std::uint64_t{2} << 30;
constexpr std::uint64_t kSkelMostRead = 2 * (5 + kSkelStringLimit) + kSkelScanWindow;

// A read-only, unbuffered stream of `size` bytes: `head`, then zeros, as a
// sparse file reads. Counts every byte it hands out.
class SparseCountingBuffer : public std::streambuf {
public:
    SparseCountingBuffer(std::string head, std::uint64_t size)
        : head_(std::move(head))
        , size_(size) {}

    std::uint64_t delivered() const { return delivered_; }

protected:
    int_type underflow() override {
        return position_ < size_ ? traits_type::to_int_type(byteAt(position_)) : traits_type::eof();
    }
    int_type uflow() override {
        const int_type c = underflow();
        if (c != traits_type::eof()) {
            ++position_;
            ++delivered_;
        }
        return c;
    }
    std::streamsize xsgetn(char* out, std::streamsize count) override {
        const auto n = static_cast<std::uint64_t>(
            std::min<std::uint64_t>(static_cast<std::uint64_t>(count), size_ - position_));
        for (std::uint64_t i = 0; i < n; ++i) {
            out[i] = byteAt(position_ + i);
        }
        position_ += n;
        delivered_ += n;
        return static_cast<std::streamsize>(n);
    }
    pos_type seekoff(off_type offset, std::ios_base::seekdir way,
                     std::ios_base::openmode) override {
        const std::uint64_t base = way == std::ios_base::beg   ? 0
                                   : way == std::ios_base::cur ? position_
                                                               : size_;
        return seekpos(pos_type(static_cast<off_type>(base) + offset), std::ios_base::in);
    }
    pos_type seekpos(pos_type position, std::ios_base::openmode) override {
        position_ = std::min<std::uint64_t>(static_cast<std::uint64_t>(position), size_);
        return pos_type(static_cast<off_type>(position_));
    }

private:
    char byteAt(std::uint64_t at) const { return at < head_.size() ? head_[at] : '\0'; }

    std::string head_;
    std::uint64_t size_;
    std::uint64_t position_ = 0;
    std::uint64_t delivered_ = 0;
};

struct Read {
    std::string report;
    std::uint64_t bytes;
};

Read inspectSparse(const std::string& head) {
    SparseCountingBuffer buffer(head, kTwoGiB);
    std::istream stream(&buffer);
    const DataReport report = inspectStream(stream);
    return {formatDataReport(report), buffer.delivered()};
}

// A varint prefix of five bytes whose value is 4097: a 4096-byte string.
std::string longestString(char fill) {
    return std::string("\x81\xa0\x80\x80\x00", 5) + std::string(kSkelStringLimit, fill);
}

TEST(BoundedReadTest, JsonReadsOneMebibyteAfterTheSniff) {
    const Read read = inspectSparse(R"({"bones":[],"spine":"4.2.11")");
    EXPECT_EQ(read.report, test::detected("json", "4.2.11"));
    EXPECT_EQ(read.bytes, 1 + kJsonReadLimit);
}

TEST(BoundedReadTest, ZerosReadOnlyTheNullStringsAndTheWindow) {
    const Read read = inspectSparse("");
    EXPECT_EQ(read.report, test::invalid("skel", test::kSkelMessage));
    EXPECT_EQ(read.bytes, 1 + 2 + kSkelScanWindow);
}

TEST(BoundedReadTest, LongestHeaderStringsStayWithinTheLimit) {
    const Read read = inspectSparse(longestString('h') + longestString('v'));
    EXPECT_EQ(read.bytes, 1 + kSkelMostRead);
    EXPECT_EQ(read.bytes, 1u + 8202u + 256u);
}

TEST(BoundedReadTest, OversizedPrefixReadsNoContent) {
    // 0x82 0x20 announces 4097 content bytes, one more than allowed, twice.
    const Read read = inspectSparse(std::string("\x82\x20\x82\x20", 4));
    EXPECT_EQ(read.bytes, 1 + 4 + kSkelScanWindow);
}

TEST(BoundedReadTest, LeadingBlanksCostAtMostTwiceTheirLength) {
    const std::string blanks(5000, ' ');
    const Read read = inspectSparse(blanks + R"({"bones":[],"spine":"4.0.1"})");
    EXPECT_LE(read.bytes, 2 * (blanks.size() + 1) + kJsonReadLimit);
}

} // namespace
} // namespace hbk
