#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace hbk {

inline constexpr std::int64_t kDefaultProbeTimeoutMs = 10000;

// One command-line argument as the platform hands it over: UTF-16 on
// Windows (so that a path outside the ANSI code page arrives whole), bytes
// elsewhere.
using NativeArgument = std::filesystem::path::string_type;

// strtoll in base 10: leading white space, one optional sign, then digits as
// far as they go; the rest is ignored. Nothing when there is no digit or the
// value leaves the signed 64-bit range.
std::optional<std::int64_t> parseTimeout(const std::string& text);

// The five usage lines, on standard output.
void printUsage();

// Dispatches one command line (the program name first) and returns the exit
// code: 0 for the positive outcome, 1 for a negative one, 2 for a usage
// error. "--version" prints the tool's version and "--help" or "-h" the
// usage text, both with exit code 0. Exceptions (a path that cannot be
// printed, exhausted memory) are left to the caller.
int runCli(const std::vector<NativeArgument>& arguments);

// The whole program behind main: runCli, then standard output flushed and
// checked, with every escaped exception and a failed write turned into one
// sentence on standard error and exit code 1.
int runTool(const std::vector<NativeArgument>& arguments);

} // namespace hbk
