#include "support/Regex.h"

#include <stdexcept>

namespace hbk {

Regex compilePattern(const char* pattern) {
    // no_mod_m: "^" and "$" hold only at the ends of the text, as in
    // std::regex; Boost's default lets them match at every line break.
    return Regex(pattern, boost::regex_constants::ECMAScript | boost::regex_constants::no_mod_m);
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
