// What only the POSIX runner has to get right: the signal dispositions of
// the caller and of the child.
#include "ChildRuns.h"
#include "process/ProcessRunnerTesting.h"
#include "testsupport/Platform.h"
#include "testsupport/Processes.h"
#include "testsupport/TempDir.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

extern char** environ; // NOLINT(readability-redundant-declaration): not every libc declares it

namespace hbk {
namespace {

using namespace std::chrono_literals;
using test::kChild;
using test::runChild;
using test::TempDir;

// Sets a disposition for the lifetime of the object, then puts the
// previous one back.
class ScopedDisposition {
public:
    ScopedDisposition(int signal, void (*handler)(int))
        : signal_(signal) {
        struct sigaction action {};
        action.sa_handler = handler;
        sigemptyset(&action.sa_mask);
        sigaction(signal, &action, &previous_);
    }
    ~ScopedDisposition() { sigaction(signal_, &previous_, nullptr); }
    ScopedDisposition(const ScopedDisposition&) = delete;
    ScopedDisposition& operator=(const ScopedDisposition&) = delete;

private:
    int signal_;
    struct sigaction previous_ {};
};

extern "C" void callersHandler(int) {}

// The handler of each signal the runner touches, as numbers gtest prints.
std::vector<std::uintptr_t> dispositions() {
    std::vector<std::uintptr_t> handlers;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGCHLD, SIGPIPE}) {
        struct sigaction action {};
        sigaction(signal, nullptr, &action);
        handlers.push_back(reinterpret_cast<std::uintptr_t>(action.sa_handler));
    }
    return handlers;
}

TEST(PosixProcessRunnerTest, CallerThatIgnoresSigchldStillWaitsForTheChild) {
    // Ignoring SIGCHLD makes the system reap children as they end.
    const ScopedDisposition ignored(SIGCHLD, SIG_IGN);
    const ProcessResult result = runChild({"signals", "exit=3"}, 10000);
    EXPECT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 3);
    // The child gets SIGCHLD at its default, for children of its own.
    EXPECT_NE(result.output.find("SIGCHLD default\n"), std::string::npos) << result.output;
    EXPECT_EQ(dispositions()[4], reinterpret_cast<std::uintptr_t>(SIG_IGN));
}

TEST(PosixProcessRunnerTest, ChildGetsInterruptionsAsTheCallerHadThem) {
    // Ignored stays ignored, as nohup leaves it; caught is at the default.
    const ScopedDisposition sighup(SIGHUP, SIG_IGN);
    const ScopedDisposition sigterm(SIGTERM, callersHandler);
    const std::string output = runChild({"signals"}).output;
    EXPECT_NE(output.find("SIGHUP ignored\n"), std::string::npos) << output;
    EXPECT_NE(output.find("SIGTERM default\n"), std::string::npos) << output;
    EXPECT_NE(output.find("SIGINT default\n"), std::string::npos) << output;
}

TEST(PosixProcessRunnerTest, CallersDispositionsAreBackAfterEveryRun) {
    const ScopedDisposition sigchld(SIGCHLD, SIG_IGN);
    const ScopedDisposition sighup(SIGHUP, SIG_IGN);
    const ScopedDisposition sigterm(SIGTERM, callersHandler);
    const std::vector<std::uintptr_t> before = dispositions();
    ProcessRequest request;
    request.executable = kChild;
    request.arguments = {"exit=0"};
    // Each setup call fails in turn, until the run gets past them all.
    for (std::size_t failing = 0;; ++failing) {
        std::size_t seen = 0;
        const ProcessResult result = createProcessRunner([&](std::string_view) {
                                         return seen++ == failing ? 22u : 0u;
                                     })->run(request);
        EXPECT_EQ(dispositions(), before) << "call " << failing;
        if (result.started) {
            EXPECT_EQ(result.exitCode, 0);
            break;
        }
    }
}

TEST(PosixProcessRunnerTest, CallersOwnChildrenOutliveTheSweep) {
    if (!test::kLinux) {
        GTEST_SKIP() << "the sweep of what a run leaves behind is Linux's";
    }
    // A child of the caller's, started before the run: not the run's to kill,
    // even when the run sweeps up a daemon its child left.
    std::string program = kChild.string();
    std::string sleep = "sleep=60000";
    char* argv[] = {program.data(), sleep.data(), nullptr};
    pid_t own = -1;
    ASSERT_EQ(posix_spawn(&own, program.c_str(), nullptr, nullptr, argv, environ), 0);
    const TempDir dir;
    const std::filesystem::path daemonFile = dir.path() / "daemon.pid";
    const ProcessResult result = runChild({"daemon=60000," + daemonFile.string(), "exit=0"}, 1500);
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(test::processGone(test::readId(daemonFile), 5s));
    int status = 0;
    EXPECT_EQ(waitpid(own, &status, WNOHANG), 0); // still running
    kill(own, SIGKILL);
    waitpid(own, &status, 0);
}

} // namespace
} // namespace hbk
