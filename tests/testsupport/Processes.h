#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace hbk::test {

// Whether the process is gone (ended; on POSIX a zombie counts as gone),
// waiting up to `patience` for it, since ending a process takes a moment.
bool processGone(std::int64_t pid, std::chrono::milliseconds patience);

// Open file descriptors (POSIX) or handles (Windows) of this process.
std::size_t openHandleCount();

// Whether no process this one started is left, running or (on POSIX) not
// yet reaped, waiting up to `patience` for the running ones to end.
bool noChildLeft(std::chrono::milliseconds patience);

// For the lifetime of the object this process's standard input is a pipe
// that holds `bytes` and stays open, as a caller's input does while a loop
// feeds it; then the previous one is back.
class ScopedPipedInput {
public:
    explicit ScopedPipedInput(std::string_view bytes);
    ~ScopedPipedInput();
    ScopedPipedInput(const ScopedPipedInput&) = delete;
    ScopedPipedInput& operator=(const ScopedPipedInput&) = delete;

private:
    std::intptr_t previous_ = -1;
    std::intptr_t writeEnd_ = -1;
};

} // namespace hbk::test
