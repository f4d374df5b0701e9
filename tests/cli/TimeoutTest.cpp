#include "cli/Cli.h"

#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

namespace hbk {
namespace {

struct TimeoutCase {
    std::string text;
    std::optional<std::int64_t> value;
};

void PrintTo(const TimeoutCase& c, std::ostream* os) {
    *os << '"' << c.text << '"';
}

class ParseTimeoutTest : public testing::TestWithParam<TimeoutCase> {};

TEST_P(ParseTimeoutTest, FollowsStrtollInBaseTen) {
    EXPECT_EQ(parseTimeout(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseTimeoutTest,
    testing::Values(TimeoutCase{"250", 250}, TimeoutCase{"  250", 250},
                    TimeoutCase{"\t\n\v\f\r 250", 250}, TimeoutCase{"250ms", 250},
                    TimeoutCase{"0x10", 0}, TimeoutCase{"-5", -5}, TimeoutCase{"+7", 7},
                    TimeoutCase{"0", 0}, TimeoutCase{"007", 7}, TimeoutCase{"12 34", 12},
                    TimeoutCase{"9223372036854775807", INT64_MAX},
                    TimeoutCase{"-9223372036854775808", INT64_MIN},
                    // No digits after the white space and the sign.
                    TimeoutCase{"", std::nullopt}, TimeoutCase{"   ", std::nullopt},
                    TimeoutCase{"-", std::nullopt}, TimeoutCase{"+", std::nullopt},
                    TimeoutCase{"+-5", std::nullopt}, TimeoutCase{"abc", std::nullopt},
                    TimeoutCase{"ms250", std::nullopt},
                    // Out of the signed 64-bit range.
                    TimeoutCase{"9223372036854775808", std::nullopt},
                    TimeoutCase{"-9223372036854775809", std::nullopt},
                    TimeoutCase{"99999999999999999999", std::nullopt}));

} // namespace
} // namespace hbk
