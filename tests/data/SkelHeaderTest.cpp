#include "data/SkelHeader.h"

#include "testsupport/DataReports.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>

namespace hbk {
namespace {

const std::string kSkelFailure = test::invalid("skel", test::kSkelMessage);

std::string detected(const std::string& version) {
    return test::detected("skel", version);
}

std::string unsupported(const std::string& version) {
    return test::unsupported("skel", version);
}

// A length-prefixed string with a one-byte prefix.
std::string skelString(const std::string& content) {
    return std::string(1, static_cast<char>(content.size() + 1)) + content;
}

// The usual header: a 27-byte hash string, then the version string.
std::string header(const std::string& version) {
    return skelString(std::string(27, 'h')) + skelString(version) + std::string("\x10\x20\x30", 3);
}

std::string padded(std::size_t offset, const std::string& text) {
    return std::string(offset, '\xee') + text;
}

struct SkelCase {
    const char* name;
    std::string bytes;
    std::string report;
};

void PrintTo(const SkelCase& c, std::ostream* os) {
    *os << c.name;
}

class InspectSkelTest : public testing::TestWithParam<SkelCase> {};

TEST_P(InspectSkelTest, Reports) {
    std::istringstream stream(GetParam().bytes);
    EXPECT_EQ(formatDataReport(inspectSkel(stream)), GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InspectSkelTest,
    testing::Values(
        SkelCase{"header string", header("3.8.99"), detected("3.8.99")},
        SkelCase{"header string, old version", header("3.7.94"), unsupported("3.7.94")},
        SkelCase{"header string, newer version", header("4.4.1"), unsupported("4.4.1")},
        SkelCase{"header string, any line", header("12.0"), unsupported("12.0")},
        SkelCase{"header string with suffix", header("4.2.5-beta"), detected("4.2.5")},
        SkelCase{"null first string, scan finds it", std::string(1, '\0') + "xx 4.2.11 yy",
                 detected("4.2.11")},
        SkelCase{"scan does not take 4.4", std::string(1, '\0') + "4.4.0", kSkelFailure},
        SkelCase{"scan does not take 3.7", std::string(1, '\0') + "3.7.94", kSkelFailure},
        // The dotted tails "4.1" and "4.0" are no versions of their own.
        SkelCase{"scan does not take the tail of 4.4.12", std::string(1, '\0') + "4.4.12",
                 kSkelFailure},
        SkelCase{"scan does not take the tail of 5.4.0", std::string(1, '\0') + "5.4.0",
                 kSkelFailure},
        SkelCase{"scan goes on after a dotted tail", std::string(1, '\0') + "4.4.0 " + "4.2.7",
                 detected("4.2.7")},
        SkelCase{"scan, 3.8 with low patch", std::string(1, '\0') + "3.8.5", unsupported("3.8.5")},
        SkelCase{"scan, suffix", std::string(1, '\0') + "4.3.2-rc.1", detected("4.3.2")},
        SkelCase{"scan, suffix after minor", std::string(1, '\0') + "3.8-beta", kSkelFailure},
        SkelCase{"scan, two components", std::string(1, '\0') + "3.8", detected("3.8")},
        SkelCase{"scan is not anchored", std::string(1, '\0') + "14.2.0", detected("4.2.0")},
        SkelCase{"leftmost match in the window",
                 std::string(1, '\0') + "4.0.1" + std::string(20, '\0') + "4.2.11",
                 detected("4.0.1")},
        SkelCase{"scan beyond the window", padded(256, "4.2.11"), kSkelFailure},
        SkelCase{"scan cut by the window", padded(251, "3.8.99"), unsupported("3.8.9")},
        SkelCase{"scan across NUL bytes", padded(100, std::string("\0\0004.1.7\0", 9)),
                 detected("4.1.7")},
        SkelCase{"empty second string", skelString("abc") + skelString("") + "  ", kSkelFailure},
        SkelCase{"empty second string, scan", skelString("abc") + skelString("") + " 4.1.0",
                 detected("4.1.0")},
        SkelCase{"trailing blank, scan finds the raw bytes", header("3.8.99 "), detected("3.8.99")},
        SkelCase{"second string cut short", skelString("abc") + "\x09" + "4.2", detected("4.2")},
        SkelCase{"empty input", "", kSkelFailure},
        SkelCase{"no version anywhere", std::string(300, 'z'), kSkelFailure}));

TEST(ReadSkelStringTest, DecodesLengthPrefixes) {
    struct Case {
        const char* name;
        std::string bytes;
        std::optional<std::string> content;
        // Where the stream stands afterwards.
        std::streamoff position;
    };
    const std::string big(4096, 'b');
    const Case cases[] = {
        {"null string", std::string(1, '\0') + "abc", std::nullopt, 1},
        {"empty string", "\x01rest", std::string(), 1},
        {"short string",
         "\x04"
         "abcdef",
         std::string("abc"), 4},
        {"two-byte prefix at the limit", "\x81\x20" + big + "x", big, 4098},
        {"one above the limit, no content read", "\x82\x20" + big, std::nullopt, 2},
        {"five-byte prefix", std::string("\x85\x80\x80\x80\x00", 5) + "abcd!", std::string("abcd"),
         9},
        {"fifth byte's high bits drop out", std::string("\x81\x80\x80\x80\x10", 5) + "x",
         std::string(), 5},
        {"six-byte prefix is refused", std::string("\x81\x80\x80\x80\x80\x00", 6), std::nullopt, 5},
        {"content cut short",
         "\x05"
         "ab",
         std::nullopt, -1},
        {"prefix cut short", "\x81", std::nullopt, -1},
        {"nothing at all", "", std::nullopt, -1},
    };
    for (const Case& c : cases) {
        std::istringstream stream(c.bytes);
        EXPECT_EQ(readSkelString(stream), c.content) << c.name;
        EXPECT_EQ(static_cast<std::streamoff>(stream.tellg()), c.position) << c.name;
    }
}

} // namespace
} // namespace hbk
