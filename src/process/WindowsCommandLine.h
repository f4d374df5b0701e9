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

// Whether CreateProcessW would run the file through cmd.exe: its name ends
// in ".bat" or ".cmd" in any letter case, trailing dots and blanks aside (the
// file system drops them). cmd.exe splits such a command line by rules of
// its own ("&", "%VAR%", "^"), which quoting for the C runtime cannot tame.
bool isBatchFile(std::wstring_view executable);

} // namespace hbk
