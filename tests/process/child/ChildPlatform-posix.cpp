#include "ChildPlatform.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <utility>

extern char** environ;

namespace child {

namespace {
std::vector<std::string> gArguments;
}

void writeRaw(int stream, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = write(stream, bytes.data(), bytes.size());
        if (n <= 0) {
            return;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

void closeOutputs() {
    close(1);
    close(2);
}

void sleepMilliseconds(std::int64_t milliseconds) {
    timespec time{static_cast<time_t>(milliseconds / 1000),
                  static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&time, &time) != 0) {
    }
}

void exitWith(std::int64_t code) {
    _exit(static_cast<int>(code));
}

std::int64_t spawnSelf(const std::vector<std::string>& arguments) {
    const std::string self = std::filesystem::read_symlink("/proc/self/exe");
    std::vector<std::string> text{self};
    text.insert(text.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& item : text) {
        argv.push_back(item.data());
    }
    argv.push_back(nullptr);
    pid_t pid = -1;
    posix_spawn(&pid, self.c_str(), nullptr, nullptr, argv.data(), environ);
    return pid;
}

std::int64_t processId() {
    return getpid();
}

std::string executablePath() {
    return std::filesystem::read_symlink("/proc/self/exe").string();
}

void leaveSession() {
    setsid();
}

std::string readInput() {
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = read(0, buffer, sizeof(buffer));
        if (got <= 0) {
            return text;
        }
        text.append(buffer, static_cast<std::size_t>(got));
    }
}

std::string signalDispositions() {
    const std::pair<int, const char*> signals[] = {{SIGINT, "SIGINT"},   {SIGTERM, "SIGTERM"},
                                                   {SIGHUP, "SIGHUP"},   {SIGQUIT, "SIGQUIT"},
                                                   {SIGCHLD, "SIGCHLD"}, {SIGPIPE, "SIGPIPE"}};
    std::string text;
    for (const auto& [number, name] : signals) {
        struct sigaction action {};
        sigaction(number, nullptr, &action);
        const char* state = action.sa_handler == SIG_IGN   ? "ignored"
                            : action.sa_handler == SIG_DFL ? "default"
                                                           : "caught";
        text += std::string(name) + " " + state + "\n";
    }
    return text;
}

std::string currentDirectory() {
    return std::filesystem::current_path().string();
}

std::string commandLine() {
    std::string line;
    for (const std::string& argument : gArguments) {
        line += (line.empty() ? "" : " ") + argument;
    }
    return line;
}

std::vector<std::string> arguments(int argc, char** argv) {
    gArguments.assign(argv, argv + argc);
    return std::vector<std::string>(argv + 1, argv + argc);
}

std::string environmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

} // namespace child
