#include "process/WindowsCommandLine.h"

#include <windows.h>

#include <shellapi.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace hbk {
namespace {

TEST(IsBatchFileTest, KnowsWhatCmdWouldRun) {
    struct Case {
        const wchar_t* path;
        bool batch;
    };
    const Case cases[] = {
        {L"C:\\a&b\\run.bat", true},
        {L"run.cmd", true},
        {L"RUN.BAT", true},
        {L"run.Cmd", true},
        {L"run.bat.", true},
        {L"run.bat .. ", true},
        {L".bat", true},
        {L"Spine.com", false},
        {L"Spine.exe", false},
        {L"run.bat.exe", false},
        {L"run.batch", false},
        {L"bat", false},
        {L"C:\\tools.bat\\Spine.com", false},
        {L"", false},
        {L"...", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isBatchFile(c.path), c.batch) << testing::PrintToString(std::wstring(c.path));
    }
}

TEST(QuoteArgumentTest, QuotesOnlyWhatNeedsIt) {
    struct Case {
        std::wstring text;
        std::wstring quoted;
    };
    const Case cases[] = {
        {L"", L""},
        {L"--version", L"--version"},
        {L"C:\\Spine\\Spine.com", L"C:\\Spine\\Spine.com"},
        {L"new\nline", L"new\nline"},
        {L"C:\\Program Files\\Spine\\Spine.com", L"\"C:\\Program Files\\Spine\\Spine.com\""},
        {L"tab\there", L"\"tab\there\""},
        {L"\"", L"\"\\\"\""},
        {L"a\"b", L"\"a\\\"b\""},
        {L"\\\"", L"\"\\\\\\\"\""},
        {L"dir with space\\", L"\"dir with space\\\\\""},
        {L"a\\\\b c", L"\"a\\\\b c\""},
        {L"x \\\\\"y", L"\"x \\\\\\\\\\\"y\""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(quoteArgument(c.text), c.quoted);
    }
}

TEST(BuildCommandLineTest, JoinsTheQuotedPieces) {
    EXPECT_EQ(buildCommandLine(L"C:\\Spine\\Spine.com", {"--version"}),
              L"C:\\Spine\\Spine.com --version");
    EXPECT_EQ(buildCommandLine(L"C:\\Program Files\\Spine\\Spine.com", {"--version"}),
              L"\"C:\\Program Files\\Spine\\Spine.com\" --version");
    EXPECT_EQ(buildCommandLine(L"prog.exe", {}), L"prog.exe");
    EXPECT_EQ(buildCommandLine(L"prog.exe", {"", "x"}), L"prog.exe  x");
    EXPECT_EQ(buildCommandLine(L"prog.exe", {"caf\xc3\xa9 \xe2\x82\xac"}),
              L"prog.exe \"caf\u00e9 \u20ac\"");
    EXPECT_EQ(buildCommandLine(L"prog.exe", {"a\xff"}), L"prog.exe a\ufffd");
}

// The platform's own splitting must give back every generated argument.
TEST(QuoteArgumentTest, RoundTripsThroughCommandLineToArgvW) {
    const std::vector<std::wstring> pieces = {L"a",    L"Z",      L" ",      L"\t", L"\"", L"\\",
                                              L"\\\\", L"\u00e9", L"\u4e2d", L"\n", L"-",  L"."};
    std::mt19937 random(4242);
    std::uniform_int_distribution<std::size_t> pick(0, pieces.size() - 1);
    std::uniform_int_distribution<int> length(1, 10);
    std::uniform_int_distribution<int> count(1, 4);
    for (int round = 0; round < 5000; ++round) {
        std::vector<std::wstring> arguments;
        std::wstring commandLine = L"prog.exe";
        for (int n = count(random); n > 0; --n) {
            std::wstring argument;
            for (int k = length(random); k > 0; --k) {
                argument += pieces[pick(random)];
            }
            arguments.push_back(argument);
            commandLine += L" " + quoteArgument(argument);
        }
        int parsedCount = 0;
        wchar_t** parsed = CommandLineToArgvW(commandLine.c_str(), &parsedCount);
        ASSERT_NE(parsed, nullptr);
        std::vector<std::wstring> back(parsed + 1, parsed + parsedCount);
        LocalFree(parsed);
        ASSERT_EQ(back, arguments) << round;
    }
}

} // namespace
} // namespace hbk
