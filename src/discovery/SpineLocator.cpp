#include "discovery/SpineLocator.h"

#include "support/PathText.h"

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

void addFromEnvironment(std::vector<fs::path>& list, const char* name) {
    // An empty or relative value would search wherever the tool happens to
    // run, where anyone may have planted a Spine.
    const std::optional<fs::path> folder = environmentPath(name);
    if (!folder || !isAbsolutePath(*folder)) {
        return;
    }
    addInstallation(list, *folder / fs::path("Spine/Spine.com"));
}

} // namespace

std::vector<fs::path> SpineLocator::findInstallations() const {
    std::vector<fs::path> list;
    addFromEnvironment(list, "ProgramFiles");
    addFromEnvironment(list, "ProgramFiles(x86)");
    return list;
}

std::optional<fs::path> SpineLocator::resolveExecutable(const fs::path& supplied) const {
    fs::path candidate = supplied;
    if (isDirectory(candidate)) {
        candidate /= fs::path("Spine.com");
    } else if (candidate.extension() == fs::path(".exe")) {
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

} // namespace hbk
