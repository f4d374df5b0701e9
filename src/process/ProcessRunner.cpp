#include "process/ProcessRunner.h"

#include <algorithm>

namespace hbk {

RunDeadline::RunDeadline(std::int64_t timeout)
    : at_(Clock::now() +
          std::chrono::milliseconds(std::clamp<std::int64_t>(timeout, 0, kLongestTimeout))) {}

void RunDeadline::startGrace() {
    inGrace_ = true;
    at_ = Clock::now() + std::chrono::seconds(1);
}

RunDeadline::Clock::duration RunDeadline::left() const {
    return std::max(at_ - Clock::now(), Clock::duration::zero());
}

std::int64_t RunDeadline::millisecondsLeft(std::int64_t cap) const {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(at_ - Clock::now());
    return std::clamp<std::int64_t>(left.count(), 0, cap);
}

void appendOutput(std::string& output, const char* data, std::size_t size) {
    const std::size_t room = kProcessOutputLimit - std::min(output.size(), kProcessOutputLimit);
    output.append(data, std::min(size, room));
}

} // namespace hbk
