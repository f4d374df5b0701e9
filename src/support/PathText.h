#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

namespace hbk {

// Raised when a path and narrow text cannot be converted into each other:
// bytes that are invalid in the narrow code page, or characters it cannot
// represent. The entry point reports it; nothing else catches it.
class PathTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Narrow text (a command-line argument, an environment value) to a path, and
// a path back to narrow text for printing. On Windows the narrow side is the
// file-system code page: UTF-8 when the C runtime's locale uses UTF-8, else
// the ANSI code page when the file APIs are in ANSI mode, else the OEM code
// page. Elsewhere paths are bytes and both directions are the identity.
std::filesystem::path pathFromText(std::string_view text);
std::string textFromPath(const std::filesystem::path& path);

} // namespace hbk
