#include "support/Regex.h"

#include <gtest/gtest.h>

#include <string>

namespace hbk {
namespace {

TEST(SearchPatternTest, FindsTheLeftmostMatchAndItsGroups) {
    const Regex pattern = compilePattern(R"(v(\d+)(x)?)");
    RegexMatch match;
    ASSERT_TRUE(searchPattern("a v12 v34x", pattern, match));
    EXPECT_EQ(match.position(std::size_t{0}), 2);
    EXPECT_EQ(groupText(match, 1), "12");
    EXPECT_FALSE(match[2].matched);
    EXPECT_EQ(groupText(match, 2), "");
}

TEST(SearchPatternTest, SearchesAcrossNulBytesAndEmptyViews) {
    const Regex pattern = compilePattern("b");
    RegexMatch match;
    EXPECT_TRUE(searchPattern(std::string_view("a\0b", 3), pattern, match));
    EXPECT_EQ(match.position(std::size_t{0}), 2);
    EXPECT_FALSE(searchPattern(std::string_view(), pattern, match));
}

TEST(SearchPatternTest, AnAbandonedSearchCountsAsNoMatch) {
    // Catastrophic backtracking: Boost gives up at its complexity limit.
    const Regex pattern = compilePattern("(x+x+)+y");
    const std::string text(64, 'x');
    RegexMatch match;
    EXPECT_THROW(boost::regex_search(text.data(), text.data() + text.size(), match, pattern),
                 std::runtime_error);
    EXPECT_FALSE(searchPattern(text, pattern, match));
}

} // namespace
} // namespace hbk
