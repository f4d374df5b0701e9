#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace hbk {

inline constexpr std::int64_t kDefaultProbeTimeoutMs = 10000;

// strtoll in base 10: leading white space, one optional sign, then digits as
// far as they go; the rest is ignored. Nothing when there is no digit or the
// value leaves the signed 64-bit range.
std::optional<std::int64_t> parseTimeout(const std::string& text);

// The five usage lines, on standard output.
void printUsage();

// Dispatches one command line and returns the exit code: 0 for the positive
// outcome, 1 for a negative one, 2 for a usage error. Exceptions (a path the
// code page cannot carry, exhausted memory) are left to the caller.
int runCli(int argc, char** argv);

} // namespace hbk
