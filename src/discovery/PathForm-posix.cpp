// Path forms on POSIX, where the standard library's own are exact.
#include "discovery/SpineLocator.h"

#include <system_error>

namespace hbk {

namespace fs = std::filesystem;

fs::path normalizePath(const fs::path& path) {
    std::error_code error;
    fs::path canonical = fs::weakly_canonical(path, error);
    if (error) {
        return path.lexically_normal();
    }
    return canonical;
}

bool isAbsolutePath(const fs::path& path) {
    return path.is_absolute();
}

} // namespace hbk
