// Runs a child with posix_spawn: its standard output and standard error
// share one pipe, it heads a process group of its own that is killed at the
// time limit and again at the end (as closing a Windows job kills its
// members), and the pipe is read while the child runs.
#include "process/ProcessRunner.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <string>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

extern char** environ; // NOLINT(readability-redundant-declaration): not every libc declares it

namespace hbk {

namespace {

// Owns one file descriptor.
class Fd {
public:
    Fd() = default;
    explicit Fd(int fd)
        : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(Fd&& other) noexcept
        : fd_(std::exchange(other.fd_, -1)) {}
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.fd_, -1));
        }
        return *this;
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    void reset(int fd = -1) {
        if (fd_ >= 0) {
            close(fd_);
        }
        fd_ = fd;
    }

private:
    int fd_ = -1;
};

// Both ends close on exec, so no other child inherits them; the child gets
// the write end through dup2, which clears the flag on the copy. The read
// end does not block, so it can be drained to empty.
bool createOutputPipe(Fd& readEnd, Fd& writeEnd) {
    int fds[2];
    if (pipe(fds) != 0) {
        return false;
    }
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    return fcntl(fds[0], F_SETFD, FD_CLOEXEC) == 0 && fcntl(fds[1], F_SETFD, FD_CLOEXEC) == 0 &&
           fcntl(fds[0], F_SETFL, O_NONBLOCK) == 0;
}

// Owns the spawn attributes and file actions.
struct SpawnSetup {
    posix_spawnattr_t attributes{};
    posix_spawn_file_actions_t actions{};
    SpawnSetup() {
        posix_spawnattr_init(&attributes);
        posix_spawn_file_actions_init(&actions);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

// Reads what the pipe holds, but no more than 1 MiB, so that a child that
// writes as fast as it is read still lets the caller check its deadline.
// False once every write end is closed (or reading fails for good).
bool drain(int fd, std::string& output) {
    char buffer[65536];
    for (int reads = 0; reads < 16; ++reads) {
        const ssize_t got = read(fd, buffer, sizeof(buffer));
        if (got > 0) {
            appendOutput(output, buffer, static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) {
            continue;
        }
        return got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

// The status as the shell reports it: the exit code, or 128 plus the number
// of the signal that ended the child.
std::int32_t exitCodeOf(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return 1;
}

// One started child at the head of a process group of its own, and the read
// end of the pipe its standard output and standard error share. Until the
// child is reaped its id, and so its group's, cannot be reused, which keeps
// killing the group safe. The destructor kills what is left of the group
// and reaps the child, so no way out of a run leaves either behind.
class Child {
public:
    Child() = default;
    ~Child() { finish(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // Empty once the child runs; else why it does not.
    std::string start(const ProcessRequest& request);
    int output() const { return output_.get(); }
    // Whether the child has ended, without reaping it.
    bool hasEnded() const;
    // Kills the group, the child with it if it still runs.
    void kill() const;
    // Kills what is left of the group, reaps the child and returns its exit
    // code; 1 when there is none to reap.
    std::int32_t finish();

private:
    pid_t pid_ = -1;
    Fd output_;
};

std::string Child::start(const ProcessRequest& request) {
    // Closed on return: from then on only the child and what it starts hold
    // the write end, so the pipe reports its end once they have all gone.
    Fd writeEnd;
    if (!createOutputPipe(output_, writeEnd)) {
        return "pipe failed.";
    }

    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, writeEnd.get(), STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, writeEnd.get(), STDERR_FILENO);
    if (!request.workingDirectory.empty()) {
        posix_spawn_file_actions_addchdir_np(&setup.actions, request.workingDirectory.c_str());
    }
    // Its own process group, no blocked signals, and SIGPIPE at its default
    // even if the caller ignores it.
    sigset_t noSignals;
    sigemptyset(&noSignals);
    sigset_t defaultSignals;
    sigemptyset(&defaultSignals);
    sigaddset(&defaultSignals, SIGPIPE);
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    posix_spawnattr_setsigmask(&setup.attributes, &noSignals);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaultSignals);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK |
                                                    POSIX_SPAWN_SETSIGDEF);

    // The working directory is entered before the program is loaded, so a
    // relative executable is made absolute against the caller's directory.
    std::error_code ignored;
    const std::filesystem::path program =
        request.executable.is_relative() ? std::filesystem::absolute(request.executable, ignored)
                                         : request.executable;
    std::vector<std::string> argvText;
    argvText.push_back(request.executable.native());
    argvText.insert(argvText.end(), request.arguments.begin(), request.arguments.end());
    std::vector<char*> argv;
    argv.reserve(argvText.size() + 1);
    for (std::string& text : argvText) {
        argv.push_back(text.data());
    }
    argv.push_back(nullptr);

    const int spawnError = posix_spawn(&pid_, program.c_str(), &setup.actions, &setup.attributes,
                                       argv.data(), environ);
    if (spawnError != 0) {
        pid_ = -1;
        return "posix_spawn failed: " + std::to_string(spawnError);
    }
    return {};
}

bool Child::hasEnded() const {
    siginfo_t info{};
    return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
           info.si_pid == pid_;
}

void Child::kill() const {
    if (pid_ > 0) {
        killpg(pid_, SIGKILL);
    }
}

std::int32_t Child::finish() {
    if (pid_ <= 0) {
        return 1;
    }
    kill();
    int status = 0;
    pid_t reaped = -1;
    do {
        reaped = waitpid(pid_, &status, 0);
    } while (reaped < 0 && errno == EINTR);
    pid_ = -1;
    return reaped > 0 ? exitCodeOf(status) : 1;
}

// Reads the child's outputs until they close and the child has ended, or
// the time limit and its grace period are over; whether the child was
// still running at the limit.
bool collect(Child& child, RunDeadline deadline, std::string& output) {
    bool timedOut = false;
    bool childRunning = true;
    bool pipeOpen = true;
    std::chrono::microseconds pause{50};
    for (;;) {
        childRunning = childRunning && !child.hasEnded();
        if (!childRunning && !pipeOpen) {
            return timedOut;
        }
        if (deadline.passed()) {
            if (deadline.inGrace()) {
                return timedOut;
            }
            timedOut = childRunning;
            child.kill();
            deadline.startGrace();
            continue;
        }
        if (pipeOpen) {
            pollfd watch{child.output(), POLLIN, 0};
            // poll takes an int; long limits are waited for in pieces.
            if (poll(&watch, 1, static_cast<int>(deadline.millisecondsLeft(1 << 30))) > 0) {
                pipeOpen = drain(child.output(), output);
            }
            continue;
        }
        // The outputs are closed but the child has not ended: usually it is
        // a moment from its end, else it runs on without them. Nothing to
        // wait on but time, in pauses that grow from 50 us to 50 ms.
        std::this_thread::sleep_for(std::min<RunDeadline::Clock::duration>(pause, deadline.left()));
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(50));
    }
}

class PosixProcessRunner final : public IProcessRunner {
public:
    ProcessResult run(const ProcessRequest& request) override;
};

ProcessResult PosixProcessRunner::run(const ProcessRequest& request) {
    ProcessResult result;
    Child child;
    result.errorMessage = child.start(request);
    if (!result.errorMessage.empty()) {
        return result;
    }
    result.started = true;
    result.timedOut = collect(child, RunDeadline(request.timeout), result.output);
    // Whatever of the group is left goes now, then the child is reaped.
    const std::int32_t exitCode = child.finish();
    result.exitCode = result.timedOut ? 1 : exitCode;
    return result;
}

} // namespace

std::unique_ptr<IProcessRunner> createProcessRunner() {
    return std::make_unique<PosixProcessRunner>();
}

} // namespace hbk
