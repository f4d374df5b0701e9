#include "testsupport/Processes.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace hbk::test {

namespace {

bool gone(std::int64_t pid) {
    if (kill(static_cast<pid_t>(pid), 0) != 0) {
        return true;
    }
    // A zombie has ended; its parent may be an init that reaps late.
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const std::size_t close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

} // namespace

bool processGone(std::int64_t pid, std::chrono::milliseconds patience) {
    const auto until = std::chrono::steady_clock::now() + patience;
    while (!gone(pid)) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::size_t openHandleCount() {
    std::size_t count = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator("/proc/self/fd")) {
        ++count;
    }
    return count;
}

bool noChildLeft(std::chrono::milliseconds patience) {
    const auto until = std::chrono::steady_clock::now() + patience;
    for (;;) {
        siginfo_t info{};
        if (waitid(P_ALL, 0, &info, WEXITED | WNOHANG | WNOWAIT) != 0 && errno == ECHILD) {
            return true;
        }
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Only the standard input itself is left for a child to inherit.
ScopedPipedInput::ScopedPipedInput(std::string_view bytes) {
    int fds[2];
    if (pipe(fds) != 0) {
        return;
    }
    (void)!write(fds[1], bytes.data(), bytes.size());
    previous_ = fcntl(0, F_DUPFD_CLOEXEC, 0);
    dup2(fds[0], 0);
    close(fds[0]);
    fcntl(fds[1], F_SETFD, FD_CLOEXEC);
    writeEnd_ = fds[1];
}

ScopedPipedInput::~ScopedPipedInput() {
    if (writeEnd_ >= 0) {
        dup2(static_cast<int>(previous_), 0);
        close(static_cast<int>(previous_));
        close(static_cast<int>(writeEnd_));
    }
}

} // namespace hbk::test
