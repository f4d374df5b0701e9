// However large a file is, inspection asks its source for no more than the
// checks' limits: 1 MiB for JSON; two length-prefixed strings of up to
// 4096 bytes (8,202 bytes with their prefixes) or a 256-byte window for the
// binary form; 1 MiB for the sniff of leading blanks. The checks share what
// was read, so each byte is asked for once, and the source is never sought,
// as a pipe cannot be.
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
constexpr std::uint64_t kSkelMostStrings = 2 * (5 + kSkelStringLimit);

// A read-only, unbuffered stream of `size` bytes: `head`, then `fill`
// bytes, as a sparse file reads (or a file of blanks). Counts every byte it
// hands out and, like a pipe, cannot seek.
class SparseCountingBuffer : public std::streambuf {
public:
    SparseCountingBuffer(std::string head, std::uint64_t size, char fill)
        : head_(std::move(head))
        , size_(size)
        , fill_(fill) {}

    std::uint64_t delivered() const { return delivered_; }
    bool sought() const { return sought_; }

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
    pos_type seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode) override {
        sought_ = true;
        return pos_type(off_type(-1));
    }
    pos_type seekpos(pos_type, std::ios_base::openmode) override {
        sought_ = true;
        return pos_type(off_type(-1));
    }

private:
    char byteAt(std::uint64_t at) const { return at < head_.size() ? head_[at] : fill_; }

    std::string head_;
    std::uint64_t size_;
    char fill_;
    bool sought_ = false;
    std::uint64_t position_ = 0;
    std::uint64_t delivered_ = 0;
};

struct Read {
    std::string report;
    std::uint64_t bytes;
};

Read inspectSparse(const std::string& head, char fill = '\0') {
    SparseCountingBuffer buffer(head, kTwoGiB, fill);
    std::istream stream(&buffer);
    const DataReport report = inspectStream(stream);
    EXPECT_FALSE(buffer.sought());
    return {formatDataReport(report), buffer.delivered()};
}

// A varint prefix of five bytes whose value is 4097: a 4096-byte string.
std::string longestString(char fill) {
    return std::string("\x81\xa0\x80\x80\x00", 5) + std::string(kSkelStringLimit, fill);
}

TEST(BoundedReadTest, JsonReadsOneMebibyteSniffIncluded) {
    const Read read = inspectSparse(R"({"bones":[],"spine":"4.2.11")");
    EXPECT_EQ(read.report, test::detected("json", "4.2.11"));
    EXPECT_EQ(read.bytes, kJsonReadLimit);
}

TEST(BoundedReadTest, ZerosReadOnlyTheWindow) {
    // The sniff and the two null strings read the window's first bytes.
    const Read read = inspectSparse("");
    EXPECT_EQ(read.report, test::invalid("skel", test::kSkelMessage));
    EXPECT_EQ(read.bytes, kSkelScanWindow);
}

TEST(BoundedReadTest, LongestHeaderStringsStayWithinTheLimit) {
    const Read read = inspectSparse(longestString('h') + longestString('v'));
    EXPECT_EQ(read.bytes, kSkelMostStrings);
    EXPECT_EQ(read.bytes, 8202u);
}

TEST(BoundedReadTest, OversizedPrefixReadsNoContent) {
    // 0x82 0x20 announces 4097 content bytes, one more than allowed, twice.
    const Read read = inspectSparse(std::string("\x82\x20\x82\x20", 4));
    EXPECT_EQ(read.bytes, kSkelScanWindow);
}

TEST(BoundedReadTest, LeadingBlanksAreReadOnceWithinTheJsonWindow) {
    const std::string blanks(5000, ' ');
    const Read read = inspectSparse(blanks + R"({"bones":[],"spine":"4.0.1"})");
    EXPECT_EQ(read.report, test::detected("json", "4.0.1"));
    EXPECT_EQ(read.bytes, kJsonReadLimit);
}

TEST(BoundedReadTest, EndlessBlanksStopAtTheSniffLimit) {
    const Read read = inspectSparse("", ' ');
    EXPECT_EQ(read.report, test::invalid("json", test::kSchemaMessage));
    EXPECT_EQ(read.bytes, kSniffLimit);
}

} // namespace
} // namespace hbk
