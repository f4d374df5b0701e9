#pragma once

#include <filesystem>
#include <optional>
#include <stdexcept>
#include <string>

namespace hbk {

// Raised when a path cannot be printed: it holds characters the narrow code
// page cannot represent, or a control character that would break the
// report's lines. The entry point reports it; nothing else catches it.
class PathTextError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A path as narrow text for printing. On Windows the narrow side is the
// file-system code page: UTF-8 when the C runtime's locale uses UTF-8, else
// the ANSI code page when the file APIs are in ANSI mode, else the OEM code
// page. Elsewhere paths are bytes and are printed as they are. A control
// character (below 0x20, or 0x7F) is refused on every platform.
std::string textFromPath(const std::filesystem::path& path);

// The value of an environment variable as a path, read in the platform's own
// encoding (UTF-16 on Windows, so that no code page stands in the way);
// nothing when the variable is not set.
std::optional<std::filesystem::path> environmentPath(const char* name);

namespace detail {
// The platform's conversion behind textFromPath, without its check for
// control characters.
std::string platformTextFromPath(const std::filesystem::path& path);
} // namespace detail

} // namespace hbk
