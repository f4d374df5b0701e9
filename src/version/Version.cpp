#include "version/Version.h"

#include <cstddef>

namespace hbk {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

} // namespace

std::optional<std::int32_t> parseInt(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty()) {
        return std::nullopt;
    }
    // Accumulate the magnitude in 64 bits and stop as soon as it leaves the
    // int32 range, so any number of digits is safe.
    constexpr std::int64_t limit = std::int64_t{INT32_MAX} + 1; // |INT32_MIN|
    std::int64_t magnitude = 0;
    for (char c : text) {
        if (!isDigit(c)) {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > limit) {
            return std::nullopt;
        }
    }
    if (!negative && magnitude == limit) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(negative ? -magnitude : magnitude);
}

std::optional<Version> parseVersion(std::string_view text) {
    const std::size_t firstDot = text.find('.');
    if (firstDot == std::string_view::npos) {
        return std::nullopt;
    }
    const std::size_t secondDot = text.find('.', firstDot + 1);
    const std::optional<std::int32_t> major = parseInt(text.substr(0, firstDot));
    const std::optional<std::int32_t> minor = parseInt(
        text.substr(firstDot + 1, secondDot == std::string_view::npos ? std::string_view::npos
                                                                      : secondDot - firstDot - 1));
    if (!major || !minor) {
        return std::nullopt;
    }
    if (secondDot == std::string_view::npos) {
        return Version{*major, *minor, std::nullopt};
    }

    const std::string_view rest = text.substr(secondDot + 1);
    std::size_t digits = 0;
    while (digits < rest.size() && isDigit(rest[digits])) {
        ++digits;
    }
    if (digits == 0) {
        return std::nullopt;
    }
    if (digits < rest.size() && rest[digits] != '-') {
        return std::nullopt;
    }
    const std::optional<std::int32_t> patch = parseInt(rest.substr(0, digits));
    if (!patch) {
        return std::nullopt;
    }
    return Version{*major, *minor, patch};
}

std::string Version::toString() const {
    std::string text = std::to_string(major) + '.' + std::to_string(minor);
    if (patch) {
        text += '.';
        text += std::to_string(*patch);
    }
    return text;
}

} // namespace hbk
