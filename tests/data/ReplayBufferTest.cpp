#include "data/ReplayBuffer.h"

#include <gtest/gtest.h>

#include <istream>
#include <sstream>
#include <string>

namespace hbk {
namespace {

// A source that counts what it hands out and, like a pipe, cannot seek.
class CountingSource : public std::stringbuf {
public:
    explicit CountingSource(const std::string& bytes)
        : std::stringbuf(bytes, std::ios_base::in) {}
    std::streamsize delivered = 0;

protected:
    std::streamsize xsgetn(char* out, std::streamsize count) override {
        const std::streamsize got = std::stringbuf::xsgetn(out, count);
        delivered += got;
        return got;
    }
    int_type uflow() override {
        const int_type c = std::stringbuf::uflow();
        delivered += c == traits_type::eof() ? 0 : 1;
        return c;
    }
    pos_type seekoff(off_type, std::ios_base::seekdir, std::ios_base::openmode) override {
        return {off_type(-1)};
    }
    pos_type seekpos(pos_type, std::ios_base::openmode) override { return {off_type(-1)}; }
};

std::string readSome(std::istream& stream, std::streamsize count) {
    std::string text(static_cast<std::size_t>(count), '\0');
    stream.read(text.data(), count);
    text.resize(static_cast<std::size_t>(stream.gcount()));
    return text;
}

TEST(ReplayBufferTest, GoesBackWithoutAskingTheSourceAgain) {
    CountingSource source("0123456789abcdef");
    ReplayBuffer replay(source);
    std::istream stream(&replay);
    EXPECT_EQ(stream.get(), '0');
    EXPECT_EQ(readSome(stream, 4), "1234");
    EXPECT_EQ(stream.tellg(), 5);
    ASSERT_TRUE(stream.seekg(0));
    EXPECT_EQ(readSome(stream, 8), "01234567"); // five kept, three fetched
    EXPECT_EQ(source.delivered, 8);
    ASSERT_TRUE(stream.seekg(2));
    EXPECT_EQ(stream.get(), '2');
    EXPECT_EQ(source.delivered, 8);
}

TEST(ReplayBufferTest, EndsWithTheSource) {
    CountingSource source("abc");
    ReplayBuffer replay(source);
    std::istream stream(&replay);
    EXPECT_EQ(readSome(stream, 10), "abc");
    EXPECT_TRUE(stream.eof());
    stream.clear();
    ASSERT_TRUE(stream.seekg(1));
    EXPECT_EQ(readSome(stream, 10), "bc");
    EXPECT_EQ(source.delivered, 3);
}

TEST(ReplayBufferTest, SeeksOnlyWithinWhatWasRead) {
    CountingSource source("0123456789");
    ReplayBuffer replay(source);
    std::istream stream(&replay);
    EXPECT_EQ(readSome(stream, 4), "0123");
    EXPECT_FALSE(stream.seekg(5)); // not read yet
    stream.clear();
    EXPECT_FALSE(stream.seekg(0, std::ios_base::end)); // the end is not known
    stream.clear();
    ASSERT_TRUE(stream.seekg(-1, std::ios_base::cur));
    EXPECT_EQ(stream.get(), '3');
    ASSERT_TRUE(stream.seekg(0));
    EXPECT_FALSE(stream.seekg(-1, std::ios_base::cur)); // before the first byte
    stream.clear();
    ASSERT_TRUE(stream.seekg(4));
    EXPECT_EQ(readSome(stream, 2), "45");
}

} // namespace
} // namespace hbk
