#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace hbk {

// Quotes one argument so that the standard Windows command-line splitting
// (CommandLineToArgvW, the C runtime) gives it back unchanged. Only a blank,
// a tab or a double quote cause quoting; an empty text stays empty.
std::wstring quoteArgument(std::wstring_view text);

// The quoted executable, then each UTF-8 argument converted to UTF-16
// (invalid bytes become U+FFFD) and quoted, separated by single blanks.
std::wstring buildCommandLine(std::wstring_view executable,
                              const std::vector<std::string>& arguments);

} // namespace hbk
