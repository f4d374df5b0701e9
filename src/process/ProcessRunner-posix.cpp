// Runs a child with posix_spawn: its standard output and standard error
// share one pipe, it heads a process group of its own that is killed at the
// time limit and again at the end (as closing a Windows job kills its
// members), and the pipe is read while the child runs. On Linux the caller
// becomes a child subreaper, so that what the child leaves outside its
// group is handed to it, and killed with the group.
#include "process/ProcessRunner.h"
#include "process/ProcessRunnerTesting.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <sstream>
#include <string>
#include <string_view>
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

// Every setup call of a run goes through `check`, so that no failure goes
// unnoticed, the message names the call, and a test can make any one of
// them fail.
class Steps {
public:
    explicit Steps(const SetupFault& fault)
        : fault_(fault) {}

    // `call` returns 0 or the error number it failed with.
    template <typename Call>
    bool check(const char* name, const Call& call) {
        int error = fault_ ? static_cast<int>(fault_(name)) : 0;
        if (error == 0) {
            error = call();
        }
        if (error != 0) {
            message_ = std::string_view(name) == "pipe"
                           ? "pipe failed."
                           : std::string(name) + " failed: " + std::to_string(error);
        }
        return error == 0;
    }
    const std::string& message() const { return message_; }

private:
    const SetupFault& fault_;
    std::string message_;
};

// For the calls that return -1 and set errno.
int errnoOf(int result) {
    return result == -1 ? errno : 0;
}

enum class NonBlocking { ReadEnd, WriteEnd };

// Both ends close on exec, so no child inherits them by accident (the child
// gets the output pipe's write end through dup2, which clears the flag on
// the copy). One end does not block: the output pipe's read end, so that
// it can be drained to empty; the wake pipe's write end, so that a signal
// handler never waits.
bool createPipe(Steps& steps, Fd& readEnd, Fd& writeEnd, NonBlocking nonBlocking) {
    int fds[2];
    if (!steps.check("pipe", [&] { return errnoOf(pipe(fds)); })) {
        return false;
    }
    readEnd.reset(fds[0]);
    writeEnd.reset(fds[1]);
    const int free = nonBlocking == NonBlocking::ReadEnd ? fds[0] : fds[1];
    return steps.check("fcntl", [&] { return errnoOf(fcntl(fds[0], F_SETFD, FD_CLOEXEC)); }) &&
           steps.check("fcntl", [&] { return errnoOf(fcntl(fds[1], F_SETFD, FD_CLOEXEC)); }) &&
           steps.check("fcntl", [&] { return errnoOf(fcntl(free, F_SETFL, O_NONBLOCK)); });
}

// Owns the spawn attributes and file actions once they are initialised.
class SpawnSetup {
public:
    SpawnSetup() = default;
    ~SpawnSetup() {
        if (actionsReady_) {
            posix_spawn_file_actions_destroy(&actions);
        }
        if (attributesReady_) {
            posix_spawnattr_destroy(&attributes);
        }
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;

    bool init(Steps& steps) {
        attributesReady_ =
            steps.check("posix_spawnattr_init", [&] { return posix_spawnattr_init(&attributes); });
        actionsReady_ = attributesReady_ && steps.check("posix_spawn_file_actions_init", [&] {
            return posix_spawn_file_actions_init(&actions);
        });
        return actionsReady_;
    }

    // The child's outputs go to the pipe, its input is empty (the caller's
    // may be a list a loop is reading), and it starts in `directory` (the
    // caller's when empty), at the head of a process group of its own, with
    // no signal blocked, and SIGPIPE and SIGCHLD at their defaults even if
    // the caller ignores them.
    bool prepare(Steps& steps, const std::filesystem::path& directory, int output) {
        sigemptyset(&noSignals_);
        sigemptyset(&defaultSignals_);
        sigaddset(&defaultSignals_, SIGPIPE);
        sigaddset(&defaultSignals_, SIGCHLD);
        const short flags = POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF;
        const std::pair<const char*, std::function<int()>> calls[] = {
            {"posix_spawn_file_actions_adddup2",
             [&] { return posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO); }},
            {"posix_spawn_file_actions_adddup2",
             [&] { return posix_spawn_file_actions_adddup2(&actions, output, STDERR_FILENO); }},
            {"posix_spawn_file_actions_addopen",
             [&] {
                 return posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null",
                                                         O_RDONLY, 0);
             }},
            {"posix_spawnattr_setpgroup",
             [&] { return posix_spawnattr_setpgroup(&attributes, 0); }},
            {"posix_spawnattr_setsigmask",
             [&] { return posix_spawnattr_setsigmask(&attributes, &noSignals_); }},
            {"posix_spawnattr_setsigdefault",
             [&] { return posix_spawnattr_setsigdefault(&attributes, &defaultSignals_); }},
            {"posix_spawnattr_setflags",
             [&] { return posix_spawnattr_setflags(&attributes, flags); }},
        };
        const auto made = [&](const auto& call) { return steps.check(call.first, call.second); };
        return std::all_of(std::begin(calls), std::end(calls), made) &&
               (directory.empty() || steps.check("posix_spawn_file_actions_addchdir_np", [&] {
                   return posix_spawn_file_actions_addchdir_np(&actions, directory.c_str());
               }));
    }

    posix_spawnattr_t attributes{};
    posix_spawn_file_actions_t actions{};

private:
    sigset_t noSignals_{};
    sigset_t defaultSignals_{};
    bool attributesReady_ = false;
    bool actionsReady_ = false;
};

// What the interruption handler may touch: the first signal it caught, and
// the pipe through which it wakes the collection loop, so that a signal
// that comes between the loop's check and its wait is not missed.
volatile std::sig_atomic_t gInterruption = 0;
volatile std::sig_atomic_t gWakeFd = -1;

extern "C" void onInterruption(int signal) {
    const int savedErrno = errno;
    if (gInterruption == 0) {
        gInterruption = signal;
    }
    const char byte = 0;
    // A full pipe needs no more bytes to wake the loop.
    [[maybe_unused]] const ssize_t written = write(gWakeFd, &byte, 1);
    errno = savedErrno;
}

// The signals that end the tool when its caller is interrupted or killed.
constexpr int kInterruptions[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

// For the life of a run:
// - each of kInterruptions that the caller does not ignore is caught, so
//   that the child's group goes with the caller (one that is ignored stays
//   ignored, as a background job expects);
// - SIGCHLD is at its default: a caller that ignores it (a disposition that
//   survives exec) would have its children reaped by the system as they
//   end, and the child could be neither waited for nor told from a process
//   that took its id.
// The destructor, which runs once the child is killed and reaped, puts the
// caller's dispositions back and raises the interruption caught again, so
// that the caller ends by it. Runs of one process take turns, as the
// dispositions are the process's.
class SignalGuard {
public:
    SignalGuard()
        : lock_(mutex()) {}
    ~SignalGuard();
    SignalGuard(const SignalGuard&) = delete;
    SignalGuard& operator=(const SignalGuard&) = delete;

    bool install(Steps& steps);
    // Readable once an interruption was caught.
    int wakeFd() const { return wakeRead_.get(); }
    static bool interrupted() { return gInterruption != 0; }

private:
    struct Saved {
        int signal = 0;
        struct sigaction previous {};
    };

    static std::mutex& mutex() {
        static std::mutex runs;
        return runs;
    }
    bool replace(Steps& steps, int signal, const struct sigaction& action);

    std::unique_lock<std::mutex> lock_;
    Fd wakeRead_;
    Fd wakeWrite_;
    Saved saved_[std::size(kInterruptions) + 1];
    std::size_t savedCount_ = 0;
};

bool SignalGuard::install(Steps& steps) {
    if (!createPipe(steps, wakeRead_, wakeWrite_, NonBlocking::WriteEnd)) {
        return false;
    }
    gInterruption = 0;
    gWakeFd = wakeWrite_.get();

    struct sigaction handler {};
    handler.sa_handler = onInterruption;
    handler.sa_flags = SA_RESTART;
    sigemptyset(&handler.sa_mask);
    for (const int signal : kInterruptions) {
        struct sigaction current {};
        if (!steps.check("sigaction",
                         [&] { return errnoOf(sigaction(signal, nullptr, &current)); }) ||
            (current.sa_handler != SIG_IGN && !replace(steps, signal, handler))) {
            return false;
        }
    }
    struct sigaction defaultAction {};
    defaultAction.sa_handler = SIG_DFL;
    sigemptyset(&defaultAction.sa_mask);
    return replace(steps, SIGCHLD, defaultAction);
}

bool SignalGuard::replace(Steps& steps, int signal, const struct sigaction& action) {
    Saved& saved = saved_[savedCount_];
    if (!steps.check("sigaction",
                     [&] { return errnoOf(sigaction(signal, &action, &saved.previous)); })) {
        return false;
    }
    saved.signal = signal;
    ++savedCount_;
    return true;
}

SignalGuard::~SignalGuard() {
    while (savedCount_ > 0) {
        const Saved& saved = saved_[--savedCount_];
        sigaction(saved.signal, &saved.previous, nullptr);
    }
    // No handler of ours is left to write to the pipe, which closes next.
    gWakeFd = -1;
    const int caught = gInterruption;
    gInterruption = 0;
    if (caught != 0) {
        // With the caller's disposition back, this ends the process as the
        // signal would have without the run (or runs the caller's handler).
        static_cast<void>(raise(caught));
    }
}

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

#ifdef __linux__

// What the child leaves behind outside its group (a daemon that moved to a
// session of its own with setsid) is re-parented to this process instead
// of to init, so that it can be found and killed.
bool becomeSubreaper(Steps& steps) {
    return steps.check("prctl", [] { return errnoOf(prctl(PR_SET_CHILD_SUBREAPER, 1)); });
}

// Whether this process has a child at all, ended or not: one call, and
// ECHILD in the usual case.
bool hasChildren() {
    siginfo_t info{};
    return waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) == 0;
}

// The children of this process but `keep` and those in `earlier`: each
// /proc/<pid>/stat names the parent after the command's closing
// parenthesis and the state.
std::vector<pid_t> childrenBut(pid_t keep, const std::vector<pid_t>& earlier) {
    std::vector<pid_t> children;
    const pid_t self = getpid();
    std::error_code error;
    for (std::filesystem::directory_iterator entry("/proc", error), end; !error && entry != end;
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) {
            continue;
        }
        std::ifstream stat(entry->path() / "stat");
        std::string text;
        std::getline(stat, text);
        std::istringstream fields(text.substr(std::min(text.rfind(')') + 1, text.size())));
        char state = 0;
        pid_t parent = 0;
        const pid_t pid = std::stoi(name);
        if (fields >> state >> parent && parent == self && pid != keep &&
            std::find(earlier.begin(), earlier.end(), pid) == earlier.end()) {
            children.push_back(pid);
        }
    }
    return children;
}

// The children this process has before a run: they are the caller's own,
// not left behind by the run, and are never killed.
std::vector<pid_t> childrenBeforeTheRun() {
    return hasChildren() ? childrenBut(-1, {}) : std::vector<pid_t>{};
}

// Kills and reaps every child of this process but `keep`, the run's own
// child, which has been killed and is waited for first (only its end hands
// over what it left behind), and but those it had before the run. Again
// until none is left, as each death hands over the dead one's children. No
// child at all (ECHILD) costs one call.
void reapOrphans(pid_t keep, const std::vector<pid_t>& earlier) {
    siginfo_t info{};
    while (keep > 0 && waitid(P_PID, static_cast<id_t>(keep), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    while (hasChildren()) {
        std::vector<pid_t> killed;
        for (const pid_t pid : childrenBut(keep, earlier)) {
            if (::kill(pid, SIGKILL) == 0) {
                killed.push_back(pid);
            }
        }
        if (killed.empty()) {
            return;
        }
        for (const pid_t pid : killed) {
            while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
            }
        }
    }
}

#else

// Elsewhere a process that leaves the child's group escapes the run.
bool becomeSubreaper(Steps&) {
    return true;
}
std::vector<pid_t> childrenBeforeTheRun() {
    return {};
}
void reapOrphans(pid_t, const std::vector<pid_t>&) {}

#endif

// One started child at the head of a process group of its own, and the read
// end of the pipe its standard output and standard error share. Until the
// child is reaped its id, and so its group's, cannot be reused, which keeps
// killing the group safe. The destructor kills what is left of the group,
// reaps the child and then (on Linux) what it left outside the group, so no
// way out of a run leaves any of them behind.
class Child {
public:
    Child() = default;
    ~Child() { finish(); }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // False when a setup call failed; `steps` says which.
    bool start(const ProcessRequest& request, Steps& steps);
    int output() const { return output_.get(); }
    // Whether the child has ended, without reaping it.
    bool hasEnded();
    // Kills the group, the child with it if it still runs, and what the
    // child left outside the group. Only for a child that started.
    void kill() const;
    // Kills what is left of the group, reaps the child and what it left
    // outside the group, and returns the child's exit code; 1 when there
    // is none to reap (it was reaped elsewhere).
    std::int32_t finish();

private:
    bool started_ = false;
    pid_t pid_ = -1;
    Fd output_;
    // The caller's own children, which the run leaves alone.
    std::vector<pid_t> earlier_;
};

bool Child::start(const ProcessRequest& request, Steps& steps) {
    // Closed on return: from then on only the child and what it starts hold
    // the write end, so the pipe reports its end once they have all gone.
    Fd writeEnd;
    SpawnSetup setup;
    if (!createPipe(steps, output_, writeEnd, NonBlocking::ReadEnd) || !setup.init(steps) ||
        !setup.prepare(steps, request.workingDirectory, writeEnd.get())) {
        return false;
    }
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

    pid_t pid = -1;
    earlier_ = childrenBeforeTheRun();
    if (!becomeSubreaper(steps) || !steps.check("posix_spawn", [&] {
            return posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes,
                               argv.data(), environ);
        })) {
        return false;
    }
    pid_ = pid;
    started_ = true;
    return true;
}

bool Child::hasEnded() {
    siginfo_t info{};
    int result = 0;
    do {
        result = waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        // ECHILD: something else reaped the child, so its id, which may
        // already name another process, is no longer ours to kill.
        pid_ = -1;
        return true;
    }
    return info.si_pid == pid_;
}

void Child::kill() const {
    if (pid_ > 0) {
        killpg(pid_, SIGKILL);
    }
    reapOrphans(pid_, earlier_);
}

std::int32_t Child::finish() {
    if (!started_) {
        return 1;
    }
    started_ = false;
    int status = 0;
    pid_t reaped = -1;
    if (pid_ > 0) {
        killpg(pid_, SIGKILL);
        do {
            reaped = waitpid(pid_, &status, 0);
        } while (reaped < 0 && errno == EINTR);
        pid_ = -1;
    }
    reapOrphans(-1, earlier_);
    return reaped > 0 ? exitCodeOf(status) : 1;
}

// Reads the child's outputs until they close and the child has ended, the
// time limit and its grace period are over, or the caller is interrupted;
// whether the child was killed while it ran (the child object kills it on
// an interruption).
bool collect(Child& child, const SignalGuard& signals, RunDeadline deadline, std::string& output) {
    bool killed = false;
    bool childRunning = true;
    bool pipeOpen = true;
    std::chrono::microseconds pause{50};
    for (;;) {
        childRunning = childRunning && !child.hasEnded();
        if (SignalGuard::interrupted()) {
            return childRunning;
        }
        if (!childRunning && !pipeOpen) {
            return killed;
        }
        if (deadline.passed()) {
            if (deadline.inGrace()) {
                return killed;
            }
            killed = childRunning;
            child.kill();
            deadline.startGrace();
            continue;
        }
        pollfd watch[2] = {{signals.wakeFd(), POLLIN, 0}, {child.output(), POLLIN, 0}};
        if (pipeOpen) {
            // poll takes an int; long limits are waited for in pieces.
            if (poll(watch, 2, static_cast<int>(deadline.millisecondsLeft(1 << 30))) > 0 &&
                watch[1].revents != 0) {
                pipeOpen = drain(child.output(), output);
            }
            continue;
        }
        // The outputs are closed but the child has not ended: usually it is
        // a moment from its end, else it runs on without them. Nothing to
        // wait on but time, in pauses that grow from 50 us to 50 ms; from
        // 1 ms on they wait on the wake pipe, which an interruption ends.
        const auto wait = std::min<RunDeadline::Clock::duration>(pause, deadline.left());
        if (wait < std::chrono::milliseconds(1)) {
            std::this_thread::sleep_for(wait);
        } else {
            poll(watch, 1,
                 static_cast<int>(std::chrono::ceil<std::chrono::milliseconds>(wait).count()));
        }
        pause = std::min<std::chrono::microseconds>(pause * 2, std::chrono::milliseconds(50));
    }
}

class PosixProcessRunner final : public IProcessRunner {
public:
    explicit PosixProcessRunner(SetupFault fault)
        : fault_(std::move(fault)) {}
    ProcessResult run(const ProcessRequest& request) override;

private:
    SetupFault fault_;
};

ProcessResult PosixProcessRunner::run(const ProcessRequest& request) {
    ProcessResult result;
    Steps steps(fault_);
    // Declared before the child, so that the child is killed and reaped
    // before the caller's dispositions are back and an interruption caught
    // is raised again.
    SignalGuard signals;
    Child child;
    if (!signals.install(steps) || !child.start(request, steps)) {
        result.errorMessage = steps.message();
        return result;
    }
    result.started = true;
    const bool killed = collect(child, signals, RunDeadline(request.timeout), result.output);
    result.timedOut = killed && !SignalGuard::interrupted();
    // Whatever of the group is left goes now, then the child is reaped.
    const std::int32_t exitCode = child.finish();
    result.exitCode = killed ? 1 : exitCode;
    return result;
}

} // namespace

std::unique_ptr<IProcessRunner> createProcessRunner() {
    return std::make_unique<PosixProcessRunner>(nullptr);
}

std::unique_ptr<IProcessRunner> createProcessRunner(SetupFault fault) {
    return std::make_unique<PosixProcessRunner>(std::move(fault));
}

} // namespace hbk
