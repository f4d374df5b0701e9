#include "support/Regex.h"

#include <stdexcept>

namespace hbk {

Regex compilePattern(const char* pattern) {
    return Regex(pattern, boost::regex_constants::ECMAScript);
}

bool searchPattern(std::string_view text, const Regex& pattern, RegexMatch& match) {
    // A default-constructed view may hold no pointer at all.
    const char* first = text.empty() ? "" : text.data();
    try {
        return boost::regex_search(first, first + text.size(), match, pattern,
                                   boost::match_default);
    } catch (const std::runtime_error&) {
        match = RegexMatch();
        return false;
    }
}

std::string_view groupText(const RegexMatch& match, int group) {
    const auto& sub = match[group];
    if (!sub.matched) {
        return {};
    }
    return {sub.first, static_cast<std::size_t>(sub.second - sub.first)};
}

} // namespace hbk
