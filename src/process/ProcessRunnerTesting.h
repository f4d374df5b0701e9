#pragma once

// For the runner's own tests: a runner whose setup calls can be made to
// fail, so that each way a start can fail is walked through for real.
#include "process/ProcessRunner.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace hbk {

// Asked before each setup call of a run, with the call's name ("pipe",
// "posix_spawnattr_setpgroup", "AssignProcessToJobObject", ...). A non-zero
// answer is the error code that call then fails with, without being made.
using SetupFault = std::function<std::uint32_t(std::string_view call)>;

// The runner of createProcessRunner(), asking `fault` before each setup call.
std::unique_ptr<IProcessRunner> createProcessRunner(SetupFault fault);

} // namespace hbk
