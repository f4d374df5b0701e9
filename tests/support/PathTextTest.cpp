#include "support/PathText.h"

#include <gtest/gtest.h>

namespace hbk {
namespace {

TEST(PathTextTest, AsciiRoundTrips) {
    const std::filesystem::path path = pathFromText("some dir/Spine.com");
    EXPECT_EQ(path.filename(), std::filesystem::path("Spine.com"));
    EXPECT_EQ(textFromPath(path), "some dir/Spine.com");
    EXPECT_TRUE(pathFromText("").empty());
    EXPECT_EQ(textFromPath(std::filesystem::path()), "");
}

#ifdef _WIN32
// Under Wine as on a Western Windows the ANSI code page is 1252.
TEST(PathTextTest, UsesTheAnsiCodePage) {
    const std::filesystem::path path = pathFromText("caf\xe9 \x80");
    EXPECT_EQ(path.native(), L"caf\u00e9 \u20ac");
    EXPECT_EQ(textFromPath(path), "caf\xe9 \x80");
}

TEST(PathTextTest, RefusesCharactersTheCodePageLacks) {
    EXPECT_THROW(textFromPath(std::filesystem::path(L"\u0436.json")), PathTextError);
    EXPECT_THROW(textFromPath(std::filesystem::path(L"\xd800.json")), PathTextError);
}
#else
TEST(PathTextTest, KeepsBytesAsTheyAre) {
    const std::string bytes = "caf\xe9/\xc3\xa9\xff";
    EXPECT_EQ(pathFromText(bytes).native(), bytes);
    EXPECT_EQ(textFromPath(pathFromText(bytes)), bytes);
}
#endif

} // namespace
} // namespace hbk
