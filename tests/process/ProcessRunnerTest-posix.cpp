// What only the POSIX runner has to get right: the signal dispositions of
// the caller and of the child.
#include "ChildRuns.h"
#include "process/ProcessRunnerTesting.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace hbk {
namespace {

using test::kChild;
using test::runChild;

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

} // namespace
} // namespace hbk
