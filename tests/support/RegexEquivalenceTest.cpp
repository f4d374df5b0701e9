// The tool's patterns run on Boost.Regex but are written in the ECMAScript
// grammar of std::regex, "^" included. On many short generated inputs, where std::regex is
// safe, both engines must agree on whether, where and how each pattern
// matches.
#include "data/JsonSkeleton.h"
#include "data/SkelHeader.h"
#include "probe/SpineOutputClassifier.h"
#include "support/Regex.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <regex>
#include <string>
#include <vector>

namespace hbk {
namespace {

struct PatternCase {
    const char* name;
    const char* pattern;
    // Pieces the inputs are made of: parts of the pattern's own vocabulary,
    // white space of every kind, and bytes above 0x7f that a locale-aware
    // engine might class as spaces or digits.
    std::vector<std::string> pieces;
};

void PrintTo(const PatternCase& c, std::ostream* os) {
    *os << c.name;
}

const std::vector<std::string> kCommonPieces = {
    " ",    "\t",    "\n",   "\r",   "\r\n", "  ", "\v", "\f", std::string(1, '\0'),
    "\xa0", "\x85",  "\xb2", "\xb9", "\xff", "0",  "1",  "42", ".",
    "-",    "-beta", "a",    "Z",    "x",    "_",
};

// The probe patterns' vocabulary: line starts with and without blanks,
// versions with pre-release suffixes, and editions.
const std::vector<std::string> kProbePieces = {
    "Spine",      "Spine ",           "\nSpine ",
    " \tSpine ",  "Spine Launcher ",  "Launching:",
    "Starting: ", "Starting: Spine ", "Launching:Spine\t",
    "4.2",        "4.2.35",           "3.8.1",
    "-rc.1",      "-beta ",           "Pro",
    " Pro\r\n",
};

std::string describe(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            out += static_cast<char>(c);
        } else {
            static const char hex[] = "0123456789abcdef";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out;
}

// Whether and where the match lies, and the position and length of each group.
std::vector<long> stdOutcome(const std::regex& pattern, const std::string& text) {
    std::smatch match;
    if (!std::regex_search(text, match, pattern)) {
        return {};
    }
    std::vector<long> outcome;
    for (std::size_t i = 0; i < match.size(); ++i) {
        outcome.push_back(match[i].matched ? static_cast<long>(match.position(i)) : -1);
        outcome.push_back(match[i].matched ? static_cast<long>(match.length(i)) : -1);
    }
    return outcome;
}

std::vector<long> boostOutcome(const Regex& pattern, const std::string& text) {
    RegexMatch match;
    if (!searchPattern(text, pattern, match)) {
        return {};
    }
    std::vector<long> outcome;
    for (std::size_t i = 0; i < match.size(); ++i) {
        const auto group = static_cast<int>(i);
        outcome.push_back(match[group].matched ? static_cast<long>(match.position(group)) : -1);
        outcome.push_back(match[group].matched ? static_cast<long>(match.length(group)) : -1);
    }
    return outcome;
}

class RegexEquivalenceTest : public testing::TestWithParam<PatternCase> {};

TEST_P(RegexEquivalenceTest, BoostAgreesWithStdRegex) {
    const PatternCase& c = GetParam();
    const std::regex reference(c.pattern, std::regex::ECMAScript);
    const Regex pattern = compilePattern(c.pattern);

    std::vector<std::string> pieces = kCommonPieces;
    pieces.insert(pieces.end(), c.pieces.begin(), c.pieces.end());
    std::mt19937 random(20261210);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(0, 24);

    int matches = 0;
    for (int round = 0; round < 20000; ++round) {
        std::string text;
        for (int n = length(random); n > 0; --n) {
            text += pieces[pick(random)];
        }
        const std::vector<long> expected = stdOutcome(reference, text);
        ASSERT_EQ(boostOutcome(pattern, text), expected) << '"' << describe(text) << '"';
        matches += expected.empty() ? 0 : 1;
    }
    // The inputs must reach the matching paths, not only the failing ones.
    EXPECT_GT(matches, 500);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, RegexEquivalenceTest,
    testing::Values(PatternCase{"JsonSchema",
                                kJsonSchemaPattern,
                                {"\"bones\"", "\"bones\"", "\"bones\":", "\"", ":", "bones"}},
                    PatternCase{"JsonVersion",
                                kJsonVersionPattern,
                                {"\"spine\":\"", "\"spine\": \"", "\"spine\"", "\"spine\"", "\"",
                                 "\"", ":", "4.2", "4.2.1", "-", "-beta\"", "4.2.1\""}},
                    PatternCase{"SkelVersion",
                                kSkelVersionPattern,
                                {"3.8", "4.", "4.3", "4.4", "3.", "8", ".5", "-rc.1", "-", "A", "z",
                                 "9", "!"}},
                    PatternCase{"Launcher", kLauncherPattern, kProbePieces},
                    PatternCase{"EditorStart", kEditorStartPattern, kProbePieces},
                    PatternCase{"Editor", kEditorPattern, kProbePieces}),
    [](const testing::TestParamInfo<PatternCase>& param) { return std::string(param.param.name); });

} // namespace
} // namespace hbk
