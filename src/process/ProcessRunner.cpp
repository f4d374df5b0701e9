#include "process/ProcessRunner.h"

#include <algorithm>

namespace hbk {

std::chrono::milliseconds effectiveTimeout(std::int64_t timeout) {
    return std::chrono::milliseconds(std::clamp<std::int64_t>(timeout, 0, kLongestTimeout));
}

void appendOutput(std::string& output, const char* data, std::size_t size) {
    const std::size_t room = kProcessOutputLimit - std::min(output.size(), kProcessOutputLimit);
    output.append(data, std::min(size, room));
}

} // namespace hbk
