#include "support/PathText.h"

#include "testsupport/Environment.h"

#include <gtest/gtest.h>

#include <string>

namespace hbk {
namespace {

namespace fs = std::filesystem;

TEST(PathTextTest, AsciiPrintsAsItIs) {
    EXPECT_EQ(textFromPath(fs::path("some dir/Spine.com")), "some dir/Spine.com");
    EXPECT_EQ(textFromPath(fs::path()), "");
}

TEST(PathTextTest, RefusesControlCharacters) {
    // A line break would add report lines; any control character is refused.
    for (const char* name :
         {"x\nstatus: available", "a\rb", "tab\there", "esc\x1b[0m", "del\x7f"}) {
        EXPECT_THROW(textFromPath(fs::path(name)), PathTextError) << name;
    }
    EXPECT_EQ(textFromPath(fs::path("tilde~ and space")), "tilde~ and space");
}

TEST(EnvironmentPathTest, ReadsTheValueOrNothing) {
    const test::ScopedEnvironment set("HBK_PATH_TEXT_TEST", "some/folder");
    EXPECT_EQ(environmentPath("HBK_PATH_TEXT_TEST"), fs::path("some/folder"));
    const test::ScopedEnvironment unset("HBK_PATH_TEXT_TEST", std::nullopt);
    EXPECT_EQ(environmentPath("HBK_PATH_TEXT_TEST"), std::nullopt);
}

#ifdef _WIN32
// Under Wine as on a Western Windows the ANSI code page is 1252.
TEST(PathTextTest, UsesTheAnsiCodePage) {
    EXPECT_EQ(textFromPath(fs::path(L"caf\u00e9 \u20ac")), "caf\xe9 \x80");
}

TEST(PathTextTest, RefusesCharactersTheCodePageLacks) {
    EXPECT_THROW(textFromPath(fs::path(L"\u0436.json")), PathTextError);
    EXPECT_THROW(textFromPath(fs::path(L"\xd800.json")), PathTextError);
}

TEST(EnvironmentPathTest, ReadsWideValuesWhole) {
    // Outside the ANSI code page: the narrow environment would lose it.
    ASSERT_EQ(_wputenv_s(L"HBK_PATH_TEXT_TEST", L"C:\\\u0436\u0443\u043a"), 0);
    EXPECT_EQ(environmentPath("HBK_PATH_TEXT_TEST"), fs::path(L"C:\\\u0436\u0443\u043a"));
    _wputenv_s(L"HBK_PATH_TEXT_TEST", L"");
}
#else
TEST(PathTextTest, KeepsBytesAsTheyAre) {
    const std::string bytes = "caf\xe9/\xc3\xa9\xff";
    EXPECT_EQ(textFromPath(fs::path(bytes)), bytes);
}
#endif

} // namespace
} // namespace hbk
