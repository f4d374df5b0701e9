#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace hbk::test {

// Whether the process is gone (ended; on POSIX a zombie counts as gone),
// waiting up to `patience` for it, since ending a process takes a moment.
bool processGone(std::int64_t pid, std::chrono::milliseconds patience);

// Open file descriptors (POSIX) or handles (Windows) of this process.
std::size_t openHandleCount();

// Whether no process this one started is left, running or (on POSIX) not
// yet reaped, waiting up to `patience` for the running ones to end.
bool noChildLeft(std::chrono::milliseconds patience);

} // namespace hbk::test
