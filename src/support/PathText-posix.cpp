#include "support/PathText.h"

#include <cstdlib>

namespace hbk {

std::optional<std::filesystem::path> environmentPath(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::filesystem::path(value);
}

std::string detail::platformTextFromPath(const std::filesystem::path& path) {
    return path.native();
}

} // namespace hbk
