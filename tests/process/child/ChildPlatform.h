#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// What the test child needs of its platform.
namespace child {

// Writes the bytes unbuffered and untranslated; stream 1 or 2.
void writeRaw(int stream, std::string_view bytes);
void closeOutputs();
void sleepMilliseconds(std::int64_t milliseconds);
[[noreturn]] void exitWith(std::int64_t code);
// Starts this program again with the arguments, inheriting its outputs, and
// returns the new process's id without waiting for it.
std::int64_t spawnSelf(const std::vector<std::string>& arguments);
std::int64_t processId();
// The path the system started this program from (UTF-8).
std::string executablePath();
// Starts a session of its own (POSIX); nothing on Windows, where the job
// holds every descendant whatever it does.
void leaveSession();
// Standard input, read until its end.
std::string readInput();
// One line "NAME ignored|default|caught" for each signal the runner
// handles; empty on Windows.
std::string signalDispositions();
std::string currentDirectory();
// The whole command line as the platform handed it over (UTF-8).
std::string commandLine();
// The arguments after the program name, as the platform's standard
// splitting gives them (UTF-8).
std::vector<std::string> arguments(int argc, char** argv);
std::string environmentValue(const char* name);

} // namespace child
