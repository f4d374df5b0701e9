// The runner of the platform the tests were built for, driving a real child
// (hbk-test-child) through each path of run.
#include "process/ProcessRunner.h"

#include "ChildRuns.h"
#include "process/ProcessRunnerTesting.h"
#include "testsupport/Environment.h"
#include "testsupport/Platform.h"
#include "testsupport/Processes.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace hbk {
namespace {

using namespace std::chrono_literals;
using test::TempDir;

using test::kChild;
using test::kLinux;
using test::kWindows;
using test::readId;
using test::runChild;
const std::string kStartFailure = kWindows ? "CreateProcessW failed: " : "posix_spawn failed: ";

std::string floodBytes(std::size_t size) {
    std::string text;
    while (text.size() < size) {
        text += "0123456789abcdef";
    }
    text.resize(size);
    return text;
}

TEST(ProcessRunnerTest, CapturesExactBytesAndExitCode) {
    const ProcessResult result = runChild({"out=line one\\r\\nline two\\n\\x00end", "exit=0"});
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, std::string("line one\r\nline two\n\0end", 23));
    EXPECT_EQ(result.errorMessage, "");
}

TEST(ProcessRunnerTest, BothStreamsShareOneChannelInWriteOrder) {
    const ProcessResult result = runChild({"err=first ", "out=second ", "err=third"});
    EXPECT_EQ(result.output, "first second third");
    EXPECT_EQ(result.exitCode, 0);
}

TEST(ProcessRunnerTest, ReportsExitCodes) {
    struct Case {
        std::string operation;
        std::int32_t exitCode;
    };
    std::vector<Case> cases = {{"exit=3", 3}, {"exit=0", 0}, {"exit=255", 255}};
    if (kWindows) {
        // The 32-bit status bit for bit; abort() ends with 3 there.
        cases.push_back({"exit=2147483648", INT32_MIN});
        cases.push_back({"exit=3221225477", -1073741819});
        cases.push_back({"exit=4294967295", -1});
        cases.push_back({"abort", 3});
    } else {
        cases.push_back({"abort", 128 + 6}); // SIGABRT, as a shell reports it
    }
    for (const Case& c : cases) {
        const ProcessResult result = runChild({c.operation});
        EXPECT_TRUE(result.started) << c.operation;
        EXPECT_FALSE(result.timedOut) << c.operation;
        EXPECT_EQ(result.exitCode, c.exitCode) << c.operation;
        EXPECT_EQ(result.errorMessage, "") << c.operation;
    }
}

TEST(ProcessRunnerTest, KillsAtTheLimitAndKeepsWhatWasWritten) {
    const TempDir dir;
    const std::filesystem::path pidFile = dir.path() / "child.pid";
    const ProcessResult result =
        runChild({"pid=" + pidFile.string(), "out=before", "sleep=60000", "out=after"}, 500);
    EXPECT_TRUE(result.started);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output, "before");
    EXPECT_TRUE(test::processGone(readId(pidFile), 5s));
}

TEST(ProcessRunnerTest, ZeroOrNegativeLimitKillsAtOnce) {
    for (const std::int64_t timeout : {std::int64_t{0}, std::int64_t{-5}, INT64_MIN}) {
        const ProcessResult result = runChild({"sleep=60000"}, timeout);
        EXPECT_TRUE(result.started) << result.errorMessage;
        EXPECT_TRUE(result.timedOut) << timeout;
        EXPECT_EQ(result.exitCode, 1) << timeout;
    }
}

TEST(ProcessRunnerTest, HugeLimitIsCappedNotOverflowed) {
    for (const std::int64_t timeout : {kLongestTimeout, kLongestTimeout + 1, INT64_MAX}) {
        const ProcessResult result = runChild({"out=done", "exit=0"}, timeout);
        EXPECT_FALSE(result.timedOut) << timeout;
        EXPECT_EQ(result.exitCode, 0) << timeout;
        EXPECT_EQ(result.output, "done") << timeout;
    }
}

TEST(ProcessRunnerTest, MissingProgramDoesNotStart) {
    const TempDir dir;
    ProcessRequest request;
    request.executable = dir.path() / "missing.exe";
    request.arguments = {"--version"};
    const ProcessResult result = createProcessRunner()->run(request);
    EXPECT_FALSE(result.started);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, -1);
    EXPECT_EQ(result.output, "");
    EXPECT_EQ(result.errorMessage, kStartFailure + "2"); // file not found, on both platforms
}

TEST(ProcessRunnerTest, WithoutArgumentsTheCommandLineIsTheProgramAlone) {
    const ProcessResult result = runChild({});
    EXPECT_EQ(result.output, kChild.string());
}

TEST(ProcessRunnerTest, ArgumentsArriveUnchanged) {
    const std::vector<std::string> arguments = {
        "plain",      "two words",        "quote\"inside", "back\\slash",
        "trailing\\", "both \\\"mix",     "tab\there",     "\"",
        "\\\"",       "dir with space\\", "--version",     "caf\xc3\xa9 \xe2\x82\xac",
    };
    std::vector<std::string> request = {"args"};
    request.insert(request.end(), arguments.begin(), arguments.end());
    std::string expected;
    for (const std::string& argument : arguments) {
        expected += "<" + argument + ">\n";
    }
    EXPECT_EQ(runChild(request).output, expected);
}

TEST(ProcessRunnerTest, InvalidUtf8IsStillPassed) {
    // Windows arguments are UTF-16: the byte that does not decode becomes
    // U+FFFD. POSIX arguments are bytes and pass as they are.
    const ProcessResult result = runChild({"args", "a\xff"
                                                   "b"});
    EXPECT_EQ(result.output, kWindows ? "<a\xef\xbf\xbd"
                                        "b>\n"
                                      : "<a\xff"
                                        "b>\n");
}

TEST(ProcessRunnerTest, StartsInTheWorkingDirectory) {
    const TempDir dir;
    ProcessRequest request;
    request.executable = kChild;
    request.arguments = {"cwd"};
    request.workingDirectory = dir.path();
    const ProcessResult result = createProcessRunner()->run(request);
    ASSERT_EQ(result.exitCode, 0) << result.errorMessage;
    ASSERT_FALSE(result.output.empty());
    const std::string printed = result.output.substr(0, result.output.size() - 1);
    const std::filesystem::path printedPath(std::u8string(printed.begin(), printed.end()));
    EXPECT_TRUE(std::filesystem::equivalent(printedPath, dir.path())) << printed;
}

TEST(ProcessRunnerTest, RelativeProgramIsFoundFromTheCallersDirectory) {
    const TempDir dir;
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(kChild.parent_path());
    ProcessRequest request;
    request.executable = kChild.filename();
    request.arguments = {"out=found"};
    request.workingDirectory = dir.path();
    const ProcessResult found = createProcessRunner()->run(request);

    // The program does not lie in the working directory, so naming it
    // relative to that directory must fail.
    std::filesystem::current_path(dir.path());
    request.workingDirectory = kChild.parent_path();
    const ProcessResult notFound = createProcessRunner()->run(request);
    std::filesystem::current_path(before);

    EXPECT_EQ(found.output, "found");
    EXPECT_FALSE(notFound.started);
}

TEST(ProcessRunnerTest, LargeOutputEndsOnItsOwnWithTheFirstMebibyte) {
    const ProcessResult result = runChild({"flood=10485760", "exit=0"});
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output.size(), kProcessOutputLimit);
    EXPECT_TRUE(result.output == floodBytes(kProcessOutputLimit));
}

TEST(ProcessRunnerTest, OutputJustBelowTheLimitIsKeptWhole) {
    const ProcessResult result = runChild({"flood=1048575", "out=!", "out=?", "exit=0"});
    EXPECT_EQ(result.output.size(), kProcessOutputLimit);
    EXPECT_EQ(result.output.back(), '!');
}

TEST(ProcessRunnerTest, EndlessOutputNeitherBlocksNorGrows) {
    const ProcessResult result = runChild({"forever"}, 500);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.output.size(), kProcessOutputLimit);
}

TEST(ProcessRunnerTest, GrandchildHoldingTheChannelIsKilledAtTheLimit) {
    const TempDir dir;
    const std::filesystem::path pidFile = dir.path() / "grandchild.pid";
    const ProcessResult result =
        runChild({"out=child ", "grandchild=60000," + pidFile.string(), "exit=0"}, 1500);
    EXPECT_TRUE(result.started);
    EXPECT_FALSE(result.timedOut); // the child itself ended in time
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "child ");
    EXPECT_TRUE(test::processGone(readId(pidFile), 5s));
}

TEST(ProcessRunnerTest, GrandchildLeftWithoutTheChannelIsKilledAtTheEnd) {
    // The channel closes when the child ends, so the run ends at once (under
    // Wine, whose console for a CREATE_NO_WINDOW child keeps the channel open
    // while any of its processes lives, at the limit); what the child left
    // behind must not outlive the run.
    const TempDir dir;
    const std::filesystem::path pidFile = dir.path() / "grandchild.pid";
    const ProcessResult result = runChild({"detached=60000," + pidFile.string(), "exit=0"}, 2000);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "");
    EXPECT_TRUE(test::processGone(readId(pidFile), 5s));
}

TEST(ProcessRunnerTest, DaemonTheChildStartsIsGoneAfterTheRun) {
    // It leaves the child's session (on POSIX) and so its process group; it
    // may hold the channel, which then stays open until the limit.
    for (const std::string operation : {"daemon", "detached-daemon"}) {
        const TempDir dir;
        const std::filesystem::path pidFile = dir.path() / "daemon.pid";
        const ProcessResult result =
            runChild({"out=child ", operation + "=60000," + pidFile.string(), "exit=0"}, 1500);
        EXPECT_FALSE(result.timedOut) << operation;
        EXPECT_EQ(result.exitCode, 0) << operation;
        EXPECT_EQ(result.output, "child ") << operation;
        EXPECT_TRUE(test::processGone(readId(pidFile), 5s)) << operation;
    }
}

TEST(ProcessRunnerTest, TimedOutChildTakesItsGrandchildAlong) {
    const TempDir dir;
    const std::filesystem::path childFile = dir.path() / "child.pid";
    const std::filesystem::path grandchildFile = dir.path() / "grandchild.pid";
    const std::filesystem::path daemonFile = dir.path() / "daemon.pid";
    const ProcessResult result =
        runChild({"pid=" + childFile.string(), "grandchild=60000," + grandchildFile.string(),
                  "daemon=60000," + daemonFile.string(), "sleep=60000"},
                 1000);
    EXPECT_TRUE(result.timedOut);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(test::processGone(readId(childFile), 5s));
    EXPECT_TRUE(test::processGone(readId(grandchildFile), 5s));
    EXPECT_TRUE(test::processGone(readId(daemonFile), 5s));
}

TEST(ProcessRunnerTest, ChildThatClosesItsOutputsIsStillWaitedFor) {
    const ProcessResult ends = runChild({"out=bye", "close-outputs", "sleep=300", "exit=4"});
    EXPECT_FALSE(ends.timedOut);
    EXPECT_EQ(ends.exitCode, 4);
    EXPECT_EQ(ends.output, "bye");

    const ProcessResult hangs = runChild({"close-outputs", "sleep=60000"}, 500);
    EXPECT_TRUE(hangs.timedOut);
    EXPECT_EQ(hangs.exitCode, 1);
}

TEST(ProcessRunnerTest, ChildReadsAnEmptyInput) {
    // The caller's input stays open, as in a loop that feeds it a list; the
    // child must see its end at once and leave the list alone.
    const test::ScopedPipedInput input("rest of the list\n");
    const ProcessResult result = runChild({"cat", "out=done"}, 10000);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.output, "done");
}

TEST(ProcessRunnerTest, ChildInheritsTheEnvironment) {
    const test::ScopedEnvironment value("HBK_RUNNER_TEST_VALUE", "inherited value");
    EXPECT_EQ(runChild({"env=HBK_RUNNER_TEST_VALUE"}).output, "inherited value\n");
}

// The message each setup call's failure gives, when it fails with
// kSetupError; every call of the platform is here.
const std::uint32_t kSetupError = kWindows ? 5 : 22;

std::map<std::string, std::string> setupFailureMessages() {
    if (kWindows) {
        return {
            {"CreatePipe", "CreatePipe failed."},
            {"CreateEventW", "CreateEventW failed: 5"},
            {"CreateFileW", "CreateFileW failed: 5"},
            {"CreateJobObjectW", "CreateJobObjectW failed: 5"},
            {"SetInformationJobObject", "SetInformationJobObject failed: 5"},
            {"CreateProcessW", "CreateProcessW failed: 5"},
            {"AssignProcessToJobObject", "AssignProcessToJobObject failed: 5"},
            {"ResumeThread", "ResumeThread failed: 5"},
        };
    }
    std::map<std::string, std::string> messages = {
        {"sigaction", "sigaction failed: 22"},
        {"pipe", "pipe failed."},
        {"fcntl", "fcntl failed: 22"},
        {"posix_spawnattr_init", "posix_spawnattr_init failed: 22"},
        {"posix_spawn_file_actions_init", "posix_spawn_file_actions_init failed: 22"},
        {"posix_spawn_file_actions_adddup2", "posix_spawn_file_actions_adddup2 failed: 22"},
        {"posix_spawn_file_actions_addopen", "posix_spawn_file_actions_addopen failed: 22"},
        {"posix_spawn_file_actions_addchdir_np", "posix_spawn_file_actions_addchdir_np failed: 22"},
        {"posix_spawnattr_setpgroup", "posix_spawnattr_setpgroup failed: 22"},
        {"posix_spawnattr_setsigmask", "posix_spawnattr_setsigmask failed: 22"},
        {"posix_spawnattr_setsigdefault", "posix_spawnattr_setsigdefault failed: 22"},
        {"posix_spawnattr_setflags", "posix_spawnattr_setflags failed: 22"},
        {"posix_spawn", "posix_spawn failed: 22"},
    };
    if (kLinux) {
        messages.emplace("prctl", "prctl failed: 22");
    }
    return messages;
}

TEST(ProcessRunnerTest, EachFailedSetupCallStartsNothingAndLeavesNothing) {
    const TempDir dir;
    const std::filesystem::path marker = dir.path() / "started";
    ProcessRequest request;
    request.executable = kChild;
    request.arguments = {"pid=" + marker.string(), "out=ran"};
    request.workingDirectory = dir.path();

    // A run that fails nothing names every call, in order.
    std::vector<std::string> calls;
    const ProcessResult normal = createProcessRunner([&](std::string_view call) {
                                     calls.emplace_back(call);
                                     return 0u;
                                 })->run(request);
    ASSERT_EQ(normal.output, "ran") << normal.errorMessage;
    std::filesystem::remove(marker);
    const std::map<std::string, std::string> messages = setupFailureMessages();
    std::set<std::string> expectedNames;
    for (const auto& [name, message] : messages) {
        expectedNames.insert(name);
    }
    EXPECT_EQ(std::set<std::string>(calls.begin(), calls.end()), expectedNames);

    const std::size_t handles = test::openHandleCount();
    for (std::size_t failing = 0; failing < calls.size(); ++failing) {
        const std::string trace = calls[failing] + " (call " + std::to_string(failing) + ")";
        std::size_t seen = 0;
        const ProcessResult result = createProcessRunner([&](std::string_view) {
                                         return seen++ == failing ? kSetupError : 0u;
                                     })->run(request);
        EXPECT_FALSE(result.started) << trace;
        EXPECT_FALSE(result.timedOut) << trace;
        EXPECT_EQ(result.exitCode, -1) << trace;
        EXPECT_EQ(result.output, "") << trace;
        EXPECT_EQ(result.errorMessage, messages.at(calls[failing])) << trace;
        EXPECT_EQ(seen, failing + 1) << trace; // nothing is set up after the failure
        EXPECT_FALSE(std::filesystem::exists(marker)) << trace;
        EXPECT_EQ(test::openHandleCount(), handles) << trace;
        EXPECT_TRUE(test::noChildLeft(5s)) << trace;
    }
}

TEST(ProcessRunnerTest, LeavesNothingOpen) {
    const TempDir dir;
    // One run first, so that one-time allocations of the runtime are done.
    runChild({"exit=0"});
    const std::size_t before = test::openHandleCount();
    runChild({"out=x", "exit=0"});
    runChild({"sleep=60000"}, 200);
    runChild({"flood=200000"});
    runChild({"cat", "exit=0"});
    runChild({"daemon=60000," + (dir.path() / "daemon.pid").string(), "exit=0"}, 500);
    runChild({"detached-daemon=60000," + (dir.path() / "detached.pid").string(), "exit=0"}, 500);
    ProcessRequest missing;
    missing.executable = dir.path() / "missing.exe";
    createProcessRunner()->run(missing);
    EXPECT_EQ(test::openHandleCount(), before);
    EXPECT_TRUE(test::noChildLeft(5s));
    EXPECT_GT(before, 0u); // the count sees this process's own handles
}

} // namespace
} // namespace hbk
