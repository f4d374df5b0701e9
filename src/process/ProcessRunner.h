#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace hbk {

struct ProcessRequest {
    // Started exactly as named: no search path, no default extension. A
    // relative path is taken against the caller's current directory.
    std::filesystem::path executable;
    // UTF-8; each non-empty argument reaches the child unchanged.
    std::vector<std::string> arguments;
    // Empty: the child starts in the caller's current directory.
    std::filesystem::path workingDirectory;
    std::int64_t timeout = 10000; // milliseconds
};

struct ProcessResult {
    bool started = false;
    // The child was still running when the time limit ran out and was
    // killed with its group.
    bool timedOut = false;
    // The platform's status bit for bit (0x80000000 and above read
    // negative); 1 after a kill at the limit; -1 when nothing started.
    std::int32_t exitCode = -1;
    // Standard output and standard error in the order they reached the one
    // channel both share, raw bytes, at most kProcessOutputLimit of them.
    std::string output;
    // Why nothing started; empty whenever started is true.
    std::string errorMessage;
};

// Output beyond this is read and discarded, so that a child printing
// without end can neither block nor exhaust memory.
inline constexpr std::size_t kProcessOutputLimit = 1048576;

// Windows waits take 32-bit milliseconds with 0xFFFFFFFF meaning forever;
// every runner treats a negative limit as 0 and caps it just below that.
inline constexpr std::int64_t kLongestTimeout = 0xFFFFFFFE;

// The one time limit of a run, as every runner applies it: the request's
// limit covers the child and the collection of its output; once it has run
// out and the group has been killed, a grace period of one second lets the
// last output drain, and then the runner gives up.
class RunDeadline {
public:
    using Clock = std::chrono::steady_clock;

    explicit RunDeadline(std::int64_t timeout);

    bool passed() const { return Clock::now() >= at_; }
    bool inGrace() const { return inGrace_; }
    void startGrace();
    // Milliseconds left, rounded up, between 0 and `cap`.
    std::int64_t millisecondsLeft(std::int64_t cap) const;
    Clock::duration left() const;

private:
    Clock::time_point at_;
    bool inGrace_ = false;
};

// Appends what fits below kProcessOutputLimit; the rest is dropped.
void appendOutput(std::string& output, const char* data, std::size_t size);

// Runs one child to its end, or kills it and everything it started when the
// time limit runs out (also when a process it left behind keeps the output
// channel open past the limit), and leaves nothing running or open behind.
//
// - The child's standard input is empty (/dev/null, NUL), never the
//   caller's, which may be a list a loop is reading.
// - Every setup call is checked. When one fails nothing runs: started is
//   false, exitCode -1, output empty, and errorMessage names the call as
//   "<call> failed: <code>" ("posix_spawnattr_setpgroup failed: 22",
//   "AssignProcessToJobObject failed: 5"; "pipe failed." and "CreatePipe
//   failed." carry no code). A child already created by then (suspended,
//   on Windows) is killed and waited for before run returns.
// - A child that cannot be reaped or waited for at the end reads exit code
//   1, as a killed child does.
// - POSIX, while the child runs: SIGCHLD is at its default (the child gets
//   it at its default too), so that a caller that ignores it can still wait
//   for the child; and each of SIGINT, SIGTERM, SIGHUP and SIGQUIT that the
//   caller does not ignore is caught. When one comes, the child's group is
//   killed and the child reaped, the caller's dispositions are put back and
//   the signal is raised again, so that the caller ends by it as it would
//   have without the run (should a handler of the caller's return instead,
//   run reports the child as killed, exit code 1). A signal the caller
//   ignores stays ignored, for it and for the child. Runs of one process
//   take turns, as signal dispositions belong to the process.
// - Linux: the caller becomes a child subreaper (and stays one), so that a
//   process the child moves out of its group (setsid) is handed to the
//   caller when the child ends. At the limit and at the end every child the
//   caller gained during the run, but the run's own, is killed and reaped;
//   children it had before are left alone. Elsewhere on POSIX such a
//   process escapes the run.
// - Windows: the job object kills the child and everything it started when
//   the caller ends, however it ends. A batch file (.bat, .cmd) is never
//   started, as cmd.exe would reinterpret its command line: errorMessage
//   says so and nothing runs.
class IProcessRunner {
public:
    virtual ~IProcessRunner() = default;
    virtual ProcessResult run(const ProcessRequest& request) = 0;
};

// The runner of the platform the program was built for.
std::unique_ptr<IProcessRunner> createProcessRunner();

} // namespace hbk
