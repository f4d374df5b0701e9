// Runs a child with the Windows process API: its standard output and
// standard error share one pipe, it runs inside a job object that kills it
// and everything it starts when the job is closed, and the pipe is read
// while the child runs, so a child of any output size ends on its own.
#include "process/ProcessRunner.h"
#include "process/ProcessRunnerTesting.h"
#include "process/WindowsCommandLine.h"

#include <windows.h>

#include <atomic>
#include <string>
#include <string_view>
#include <utility>

namespace hbk {

namespace {

// Owns one kernel handle. Both null and INVALID_HANDLE_VALUE mean none.
class Handle {
public:
    Handle() = default;
    explicit Handle(HANDLE handle)
        : handle_(handle) {}
    ~Handle() { reset(); }
    Handle(Handle&& other) noexcept
        : handle_(std::exchange(other.handle_, nullptr)) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    void reset(HANDLE handle = nullptr) {
        if (*this) {
            CloseHandle(handle_);
        }
        handle_ = handle;
    }

private:
    HANDLE handle_ = nullptr;
};

// Every setup call of a run goes through `check`, so that no failure goes
// unnoticed, the message names the call, and a test can make any one of
// them fail.
class Steps {
public:
    explicit Steps(const SetupFault& fault)
        : fault_(fault) {}

    // `call` returns whether it succeeded; GetLastError says why not.
    template <typename Call>
    bool check(const char* name, const Call& call) {
        const DWORD injected = fault_ ? fault_(name) : 0;
        if (injected == 0 && call()) {
            return true;
        }
        const DWORD error = injected != 0 ? injected : GetLastError();
        message_ = std::string_view(name) == "CreatePipe"
                       ? "CreatePipe failed."
                       : std::string(name) + " failed: " + std::to_string(error);
        return false;
    }
    const std::string& message() const { return message_; }

private:
    const SetupFault& fault_;
    std::string message_;
};

// An anonymous pipe cannot be read with a time limit, so the output channel
// is a named pipe whose read end is overlapped; the write end, handed to the
// child, is an ordinary synchronous handle.
bool createOutputPipe(Handle& readEnd, Handle& writeEnd) {
    // Process ids are reused at once, and a pipe of an earlier process may
    // live on in a process that inherited it, so the name also holds the
    // time. The first-instance flag makes a clash fail instead of sharing.
    static std::atomic<unsigned long> serial{0};
    constexpr DWORD kBufferSize = 65536;
    for (int attempt = 0; attempt < 8; ++attempt) {
        LARGE_INTEGER now{};
        QueryPerformanceCounter(&now);
        const std::wstring name = L"\\\\.\\pipe\\halbrook-cli-" +
                                  std::to_wstring(GetCurrentProcessId()) + L"-" +
                                  std::to_wstring(now.QuadPart) + L"-" + std::to_wstring(serial++);
        readEnd.reset(CreateNamedPipeW(
            name.c_str(),
            PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
            PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1, 0,
            kBufferSize, 0, nullptr));
        if (!readEnd) {
            continue;
        }
        SECURITY_ATTRIBUTES inheritable{};
        inheritable.nLength = sizeof(inheritable);
        inheritable.bInheritHandle = TRUE;
        writeEnd.reset(CreateFileW(name.c_str(), GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
        if (writeEnd) {
            return true;
        }
        readEnd.reset();
    }
    return false;
}

// The child reads an empty input, never the caller's, which may be a list a
// loop is reading: the NUL device, opened inheritable for the child.
bool openEmptyInput(Handle& input) {
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof(inheritable);
    inheritable.bInheritHandle = TRUE;
    input.reset(CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                            OPEN_EXISTING, 0, nullptr));
    return static_cast<bool>(input);
}

// Keeps one overlapped read in flight on the pipe and appends what it
// brings. A read signals the event when it completes, at once or later, so
// each completion goes back through the caller's wait and deadline check.
// The destructor cancels a read in flight and waits for it, so the kernel
// never writes into the buffer after it is gone.
class OutputCollector {
public:
    explicit OutputCollector(std::string& output)
        : output_(output) {}
    ~OutputCollector() {
        if (inFlight_) {
            CancelIoEx(pipe_.get(), &overlapped_);
            DWORD ignored = 0;
            GetOverlappedResult(pipe_.get(), &overlapped_, &ignored, TRUE);
        }
    }
    OutputCollector(const OutputCollector&) = delete;
    OutputCollector& operator=(const OutputCollector&) = delete;

    // Takes the pipe and starts the first read, which waits for the child.
    bool open(Handle pipe, Steps& steps) {
        pipe_ = std::move(pipe);
        if (!steps.check("CreateEventW", [&] {
                event_.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
                return static_cast<bool>(event_);
            })) {
            return false;
        }
        overlapped_.hEvent = event_.get();
        startRead();
        return true;
    }

    // Signalled when the read in flight has completed.
    HANDLE event() const { return event_.get(); }
    // Every write end is closed and all data was read, or reading failed.
    bool finished() const { return finished_; }

    void onEventSignalled() {
        DWORD got = 0;
        if (GetOverlappedResult(pipe_.get(), &overlapped_, &got, FALSE)) {
            inFlight_ = false;
            appendOutput(output_, buffer_, got);
            startRead();
        } else if (GetLastError() != ERROR_IO_INCOMPLETE) {
            inFlight_ = false;
            finished_ = true; // ERROR_BROKEN_PIPE: no writer is left
        }
    }

private:
    void startRead() {
        if (ReadFile(pipe_.get(), buffer_, sizeof(buffer_), nullptr, &overlapped_) ||
            GetLastError() == ERROR_IO_PENDING) {
            inFlight_ = true;
        } else {
            finished_ = true;
        }
    }

    Handle pipe_;
    Handle event_;
    std::string& output_;
    OVERLAPPED overlapped_{};
    char buffer_[65536]{};
    bool inFlight_ = false;
    bool finished_ = false;
};

// One started child inside a job object that kills it and everything it
// starts, and the collector of the pipe its standard output and standard
// error share. The destructor kills the job, or the child alone while it is
// not yet in the job, and waits for the child, so no way out of a run
// leaves it running; closing the job then kills any member still there.
class Child {
public:
    explicit Child(std::string& output)
        : collector_(output) {}
    ~Child() {
        if (process_) {
            finish();
        }
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    // False when a setup call failed; `steps` says which.
    bool start(const ProcessRequest& request, Steps& steps);
    HANDLE process() const { return process_.get(); }
    OutputCollector& collector() { return collector_; }
    // Kills the job, the child with it if it still runs.
    void kill() const;
    // Kills what is left of the job, waits for the child and returns its
    // exit code; 1 when the wait fails.
    std::int32_t finish();

private:
    Handle job_;
    Handle process_;
    Handle thread_;
    bool inJob_ = false;
    OutputCollector collector_;
};

bool Child::start(const ProcessRequest& request, Steps& steps) {
    Handle readEnd;
    // Closed on return: from then on only the child and what it starts hold
    // the write end, so the pipe reports its end once they have all gone.
    Handle writeEnd;
    Handle input; // closed on return, too
    if (!steps.check("CreatePipe", [&] { return createOutputPipe(readEnd, writeEnd); }) ||
        !collector_.open(std::move(readEnd), steps) ||
        !steps.check("CreateFileW", [&] { return openEmptyInput(input); })) {
        return false;
    }

    // The job exists before the child, which starts suspended and is
    // assigned before it runs: nothing it starts can escape the job.
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (!steps.check("CreateJobObjectW",
                     [&] {
                         job_.reset(CreateJobObjectW(nullptr, nullptr));
                         return static_cast<bool>(job_);
                     }) ||
        !steps.check("SetInformationJobObject", [&] {
            return SetInformationJobObject(job_.get(), JobObjectExtendedLimitInformation, &limits,
                                           sizeof(limits));
        })) {
        return false;
    }

    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = writeEnd.get();
    startup.hStdError = writeEnd.get();
    PROCESS_INFORMATION info{};
    std::wstring commandLine = buildCommandLine(request.executable.native(), request.arguments);
    const wchar_t* directory =
        request.workingDirectory.empty() ? nullptr : request.workingDirectory.c_str();
    if (!steps.check("CreateProcessW", [&] {
            return CreateProcessW(request.executable.c_str(), commandLine.data(), nullptr, nullptr,
                                  TRUE,
                                  CREATE_NO_WINDOW | CREATE_NEW_PROCESS_GROUP | CREATE_SUSPENDED,
                                  nullptr, directory, &startup, &info);
        })) {
        return false;
    }
    process_.reset(info.hProcess);
    thread_.reset(info.hThread);

    inJob_ = steps.check("AssignProcessToJobObject",
                         [&] { return AssignProcessToJobObject(job_.get(), process_.get()); });
    return inJob_ && steps.check("ResumeThread", [&] {
        return ResumeThread(thread_.get()) != static_cast<DWORD>(-1);
    });
}

void Child::kill() const {
    if (inJob_) {
        TerminateJobObject(job_.get(), 1);
    } else {
        TerminateProcess(process_.get(), 1);
    }
}

std::int32_t Child::finish() {
    kill();
    DWORD status = 1;
    if (WaitForSingleObject(process_.get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process_.get(), &status)) {
        status = 1;
    }
    process_.reset();
    return static_cast<std::int32_t>(status);
}

// Reads the child's outputs until they close and the child has ended, or
// the time limit and its grace period are over; whether the child was
// still running at the limit. A process the child left behind holding the
// pipe is killed at the limit too.
bool collect(Child& child, RunDeadline deadline) {
    OutputCollector& collector = child.collector();
    bool timedOut = false;
    bool childRunning = true;
    while (childRunning || !collector.finished()) {
        if (deadline.passed()) {
            if (deadline.inGrace()) {
                break;
            }
            childRunning = WaitForSingleObject(child.process(), 0) == WAIT_TIMEOUT;
            timedOut = childRunning;
            child.kill();
            deadline.startGrace();
            continue;
        }
        HANDLE waits[2];
        DWORD count = 0;
        if (childRunning) {
            waits[count++] = child.process();
        }
        if (!collector.finished()) {
            waits[count++] = collector.event();
        }
        const DWORD woke = WaitForMultipleObjects(
            count, waits, FALSE, static_cast<DWORD>(deadline.millisecondsLeft(kLongestTimeout)));
        if (woke == WAIT_TIMEOUT) {
            continue;
        }
        if (woke >= WAIT_OBJECT_0 + count) {
            child.kill(); // a failed wait must not leave the child running
            break;
        }
        if (waits[woke - WAIT_OBJECT_0] == child.process()) {
            childRunning = false;
        } else {
            collector.onEventSignalled();
        }
    }
    return timedOut;
}

class WindowsProcessRunner final : public IProcessRunner {
public:
    explicit WindowsProcessRunner(SetupFault fault)
        : fault_(std::move(fault)) {}
    ProcessResult run(const ProcessRequest& request) override;

private:
    SetupFault fault_;
};

ProcessResult WindowsProcessRunner::run(const ProcessRequest& request) {
    ProcessResult result;
    // Quoting for the C runtime cannot keep cmd.exe from acting on "&",
    // "%VAR%" or "^" in the path or the arguments, so a batch file is never
    // started (and Spine's command-line executable is none).
    if (isBatchFile(request.executable.native())) {
        result.errorMessage =
            "A batch file is not started: cmd.exe would reinterpret its command line.";
        return result;
    }
    Steps steps(fault_);
    Child child(result.output);
    if (!child.start(request, steps)) {
        result.errorMessage = steps.message();
        return result;
    }
    result.started = true;
    result.timedOut = collect(child, RunDeadline(request.timeout));
    result.exitCode = child.finish();
    return result;
}

} // namespace

std::unique_ptr<IProcessRunner> createProcessRunner() {
    return std::make_unique<WindowsProcessRunner>(nullptr);
}

std::unique_ptr<IProcessRunner> createProcessRunner(SetupFault fault) {
    return std::make_unique<WindowsProcessRunner>(std::move(fault));
}

} // namespace hbk
