#include "discovery/SpineLocator.h"

#include <algorithm>
#include <system_error>

namespace hbk {

namespace fs = std::filesystem;

namespace {

// Follows symbolic links; a status that cannot be read is no file.
bool isRegularFile(const fs::path& path) {
    std::error_code ignored;
    return fs::status(path, ignored).type() == fs::file_type::regular;
}

bool isDirectory(const fs::path& path) {
    std::error_code ignored;
    return fs::status(path, ignored).type() == fs::file_type::directory;
}

void addInstallation(std::vector<fs::path>& list, const fs::path& candidate) {
    if (!isRegularFile(candidate)) {
        return;
    }
    fs::path normalized = normalizePath(candidate);
    // Path comparison: exact characters, "\" and "/" alike.
    if (std::find(list.begin(), list.end(), normalized) != list.end()) {
        return;
    }
    list.push_back(std::move(normalized));
}

} // namespace

std::vector<fs::path> findInstallations(const SpineConventions& conventions,
                                        const RootLookup& roots) {
    std::vector<fs::path> list;
    for (const InstallLocation& location : conventions.installations) {
        if (const std::optional<fs::path> root = roots(location.root)) {
            addInstallation(list, *root / fs::path(location.relative));
        }
    }
    return list;
}

std::optional<fs::path> resolveExecutable(const fs::path& supplied,
                                          const SpineConventions& conventions) {
    if (isDirectory(supplied)) {
        // The first name inside that is a regular file; nothing else counts.
        for (const char* name : conventions.folderExecutables) {
            const fs::path inside = supplied / fs::path(name);
            if (isRegularFile(inside)) {
                return normalizePath(inside);
            }
        }
        return std::nullopt;
    }
    fs::path candidate = supplied;
    if (candidate.extension() == fs::path(".exe")) {
        fs::path sibling = candidate;
        sibling.replace_extension(fs::path(".com"));
        if (isRegularFile(sibling)) {
            candidate = std::move(sibling);
        }
    }
    if (!isRegularFile(candidate)) {
        return std::nullopt;
    }
    return normalizePath(candidate);
}

std::vector<fs::path> SpineLocator::findInstallations() const {
    return hbk::findInstallations(platformConventions(), systemRoot);
}

std::optional<fs::path> SpineLocator::resolveExecutable(const fs::path& supplied) const {
    return hbk::resolveExecutable(supplied, platformConventions());
}

} // namespace hbk
