#include "version/Version.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace hbk {
namespace {

struct VersionCase {
    std::string text;
    // Expected text form, or nullopt when the text is not a version.
    std::optional<std::string> printed;
};

void PrintTo(const VersionCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class ParseVersionTest : public testing::TestWithParam<VersionCase> {};

TEST_P(ParseVersionTest, ParsesStrictlyAndPrintsShortest) {
    const VersionCase& c = GetParam();
    const std::optional<Version> version = parseVersion(c.text);
    if (!c.printed) {
        EXPECT_FALSE(version.has_value()) << version->toString();
        return;
    }
    ASSERT_TRUE(version.has_value());
    EXPECT_EQ(version->toString(), *c.printed);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseVersionTest,
    testing::Values(
        VersionCase{"4.2", "4.2"}, VersionCase{"4.2.35", "4.2.35"},
        VersionCase{"4.2.35-beta", "4.2.35"}, VersionCase{"4.2.35-", "4.2.35"},
        VersionCase{"4.2.35-rc.1-x", "4.2.35"}, VersionCase{"4.2.35- x", "4.2.35"},
        VersionCase{"04.002.0035", "4.2.35"}, VersionCase{"-4.2", "-4.2"},
        VersionCase{"4.-2", "4.-2"}, VersionCase{"-2147483648.0", "-2147483648.0"},
        VersionCase{"2147483647.2147483647.2147483647", "2147483647.2147483647.2147483647"},
        VersionCase{"0000000000002147483647.1", "2147483647.1"},
        // No dot, empty components.
        VersionCase{"", std::nullopt}, VersionCase{"4", std::nullopt},
        VersionCase{"42", std::nullopt}, VersionCase{".2", std::nullopt},
        VersionCase{"4..2", std::nullopt}, VersionCase{"4.", std::nullopt},
        VersionCase{"4.2.", std::nullopt}, VersionCase{".", std::nullopt},
        // Patch must start with a digit and end or go on with "-".
        VersionCase{"4.2.x", std::nullopt}, VersionCase{"4.2.-1", std::nullopt},
        VersionCase{"4.2.35beta", std::nullopt}, VersionCase{"4.2.35.1", std::nullopt},
        VersionCase{"4.2.35 ", std::nullopt}, VersionCase{"4.2.+5", std::nullopt},
        // The minor token must be wholly a number.
        VersionCase{"4.2-beta", std::nullopt}, VersionCase{"4.2 ", std::nullopt},
        VersionCase{" 4.2", std::nullopt}, VersionCase{"4 .2", std::nullopt},
        VersionCase{"+4.2", std::nullopt}, VersionCase{"--4.2", std::nullopt},
        VersionCase{"-.2", std::nullopt}, VersionCase{"4.2\n", std::nullopt},
        VersionCase{std::string("4.2\0", 4), std::nullopt},
        VersionCase{"\xd9\xa4.2", std::nullopt}, // Arabic-Indic digit is no digit
        // Out of the signed 32-bit range: never clamped.
        VersionCase{"2147483648.0", std::nullopt}, VersionCase{"-2147483649.0", std::nullopt},
        VersionCase{"4.2.99999999999", std::nullopt}, VersionCase{"4.2.2147483648", std::nullopt},
        VersionCase{"99999999999999999999999999.1", std::nullopt}));

TEST(ParseVersionTest, KeepsFieldsAndMarksAMissingPatch) {
    const std::optional<Version> two = parseVersion("4.2");
    ASSERT_TRUE(two);
    EXPECT_EQ(two->major, 4);
    EXPECT_EQ(two->minor, 2);
    EXPECT_FALSE(two->patch.has_value());

    const std::optional<Version> three = parseVersion("3.8.0");
    ASSERT_TRUE(three);
    EXPECT_EQ(three->major, 3);
    EXPECT_EQ(three->minor, 8);
    EXPECT_EQ(three->patch, 0);
}

TEST(ParseVersionTest, ReadsOnlyTheGivenView) {
    // The view ends before the ".7": a parser that read on would reject it.
    const std::string buffer = "4.2.35.7";
    const std::optional<Version> version = parseVersion(std::string_view(buffer).substr(0, 6));
    ASSERT_TRUE(version);
    EXPECT_EQ(version->toString(), "4.2.35");
}

TEST(ParseIntTest, AcceptsWholeTokensInRange) {
    EXPECT_EQ(parseInt("0"), 0);
    EXPECT_EQ(parseInt("-0"), 0);
    EXPECT_EQ(parseInt("007"), 7);
    EXPECT_EQ(parseInt("2147483647"), 2147483647);
    EXPECT_EQ(parseInt("-2147483648"), INT32_MIN);
    EXPECT_EQ(parseInt("000000000000000000002147483647"), 2147483647);
}

TEST(ParseIntTest, RejectsEverythingElse) {
    for (const char* text : {"", "-", "+1", "1 ", " 1", "1a", "--1", "1-", "2147483648",
                             "-2147483649", "4294967296", "18446744073709551617", "1.0"}) {
        EXPECT_FALSE(parseInt(text).has_value()) << '"' << text << '"';
    }
}

} // namespace
} // namespace hbk
