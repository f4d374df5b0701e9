// A child process for the runner's tests: it carries out the operations
// named by its arguments, in order. Run as "<name> --version", it takes
// them from the lines of the variable HBK_FAKE_SPINE instead, which makes
// it a stand-in for a Spine executable.
//
//   out=TEXT err=TEXT   write TEXT (escapes \n \r \t \\ \xHH) to stdout/stderr
//   sleep=MS            sleep
//   exit=CODE           end with CODE (on Windows any 32-bit value)
//   flood=BYTES         write BYTES bytes to stdout
//   forever             write to stdout without end
//   grandchild=MS,FILE  start a copy that sleeps MS, write its id to FILE
//   detached=MS,FILE    the same, but the copy first closes its outputs
//   daemon=MS,FILE      start a copy that leaves the session (setsid on
//                       POSIX) and sleeps MS; it writes its own id to FILE,
//                       which is waited for, so it has left before this goes on
//   detached-daemon=MS,FILE  the same, but the copy first closes its outputs
//   wait-file=FILE      wait until FILE holds a whole line
//   cat                 copy standard input to standard output until its end
//   signals             print the disposition of SIGINT, SIGTERM, SIGHUP,
//                       SIGQUIT, SIGCHLD and SIGPIPE (POSIX; nothing on Windows)
//   pid=FILE            write this process's id to FILE
//   self=FILE           write the path this program was started from to FILE
//   abort               end through std::abort
//   close-outputs       close stdout and stderr and go on
//   cwd / cmdline       print the current directory / the raw command line
//   env=NAME            print the value of a variable
//   args                print each further argument as <arg>, then end
// Without operations it prints its command line.
#include "ChildPlatform.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

namespace {

std::string unescape(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char next = text[++i];
        if (next == 'n') {
            out += '\n';
        } else if (next == 'r') {
            out += '\r';
        } else if (next == 't') {
            out += '\t';
        } else if (next == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(std::string(text.substr(i + 1, 2)), nullptr, 16));
            i += 2;
        } else {
            out += next;
        }
    }
    return out;
}

void writeFlood(std::int64_t bytes) {
    std::string block;
    while (block.size() < 65536) {
        block += "0123456789abcdef";
    }
    for (std::int64_t left = bytes; left != 0;) {
        const auto size = left < 0 ? block.size()
                                   : static_cast<std::size_t>(
                                         std::min<std::int64_t>(left, std::int64_t(block.size())));
        child::writeRaw(1, std::string_view(block).substr(0, size));
        if (left > 0) {
            left -= static_cast<std::int64_t>(size);
        }
    }
}

// Files written with `pid=` can be seen empty for a moment; the line is
// whole once its newline is there.
void waitForLine(const std::string& file) {
    for (;;) {
        std::ifstream in(file);
        const std::string text{std::istreambuf_iterator<char>(in),
                               std::istreambuf_iterator<char>()};
        if (!text.empty() && text.back() == '\n') {
            return;
        }
        child::sleepMilliseconds(10);
    }
}

// Returns false when the remaining operations are not to run.
bool perform(const std::string& op, const std::vector<std::string>& rest) {
    const std::size_t eq = op.find('=');
    const std::string name = op.substr(0, eq);
    const std::string value = eq == std::string::npos ? "" : op.substr(eq + 1);
    if (name == "out" || name == "err") {
        child::writeRaw(name == "out" ? 1 : 2, unescape(value));
    } else if (name == "sleep") {
        child::sleepMilliseconds(std::stoll(value));
    } else if (name == "exit") {
        child::exitWith(std::stoll(value));
    } else if (name == "flood") {
        writeFlood(std::stoll(value));
    } else if (name == "forever") {
        writeFlood(-1);
    } else if (name == "grandchild" || name == "detached") {
        const std::size_t comma = value.find(',');
        std::vector<std::string> operations = {"sleep=" + value.substr(0, comma),
                                               "out=grandchild done\\n"};
        if (name == "detached") {
            operations.insert(operations.begin(), "close-outputs");
        }
        std::ofstream(value.substr(comma + 1)) << child::spawnSelf(operations) << '\n';
    } else if (name == "daemon" || name == "detached-daemon") {
        const std::size_t comma = value.find(',');
        const std::string file = value.substr(comma + 1);
        std::vector<std::string> operations = {
            "new-session", "pid=" + file, "sleep=" + value.substr(0, comma), "out=daemon done\\n"};
        if (name == "detached-daemon") {
            operations.insert(operations.begin() + 1, "close-outputs");
        }
        child::spawnSelf(operations);
        waitForLine(file);
    } else if (name == "new-session") {
        child::leaveSession();
    } else if (name == "wait-file") {
        waitForLine(value);
    } else if (name == "cat") {
        child::writeRaw(1, child::readInput());
    } else if (name == "signals") {
        child::writeRaw(1, child::signalDispositions());
    } else if (name == "pid") {
        std::ofstream(value) << child::processId() << '\n';
    } else if (name == "self") {
        std::ofstream(value) << child::executablePath() << '\n';
    } else if (name == "abort") {
        std::abort();
    } else if (name == "close-outputs") {
        child::closeOutputs();
    } else if (name == "cwd") {
        child::writeRaw(1, child::currentDirectory() + "\n");
    } else if (name == "cmdline") {
        child::writeRaw(1, child::commandLine());
    } else if (name == "env") {
        child::writeRaw(1, child::environmentValue(value.c_str()) + "\n");
    } else if (name == "args") {
        for (const std::string& argument : rest) {
            child::writeRaw(1, "<" + argument + ">\n");
        }
        return false;
    } else {
        child::writeRaw(2, "unknown operation: " + op + "\n");
        child::exitWith(99);
    }
    return true;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        if (end > start) {
            out.push_back(text.substr(start, end - start));
        }
        start = end + 1;
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> ops = child::arguments(argc, argv);
    if (ops.size() == 1 && ops[0] == "--version") {
        ops = lines(child::environmentValue("HBK_FAKE_SPINE"));
    } else if (ops.empty()) {
        ops.push_back("cmdline");
    }
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (!perform(ops[i],
                     std::vector<std::string>(ops.begin() + static_cast<long>(i) + 1, ops.end()))) {
            break;
        }
    }
    return 0;
}
