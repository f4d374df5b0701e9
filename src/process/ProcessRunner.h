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
class IProcessRunner {
public:
    virtual ~IProcessRunner() = default;
    virtual ProcessResult run(const ProcessRequest& request) = 0;
};

// The runner of the platform the program was built for.
std::unique_ptr<IProcessRunner> createProcessRunner();

} // namespace hbk
