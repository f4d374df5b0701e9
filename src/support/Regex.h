#pragma once

#include <boost/regex.hpp>

#include <string_view>

namespace hbk {

// Patterns are written in ECMAScript syntax and run on Boost.Regex: its
// matcher keeps its backtracking state on the heap, where libstdc++'s
// std::regex recurses and overflows the stack on long inputs.
// cpp_regex_traits takes character classes from the C++ locale (the classic
// one, as the program sets none), as std::regex does; Boost's default on
// Windows would ask the Win32 locale and class more bytes as \s or \d.
using Regex = boost::basic_regex<char, boost::cpp_regex_traits<char>>;
using RegexMatch = boost::match_results<const char*>;

// ECMAScript, case-sensitive; "^" and "$" mean the start and end of the
// whole text, never of a line, exactly as in std::regex.
Regex compilePattern(const char* pattern);

// Leftmost match with the default match flags. When Boost gives up on a
// search (its complexity or backtracking-memory limit), the search counts as
// no match: the callers then report the text as unrecognised.
bool searchPattern(std::string_view text, const Regex& pattern, RegexMatch& match);

// The text of a capture group; empty when the group took no part in the match.
std::string_view groupText(const RegexMatch& match, int group);

} // namespace hbk
