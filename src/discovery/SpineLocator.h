#pragma once

#include <filesystem>
#include <optional>
#include <vector>

namespace hbk {

// The one path normalisation of discovery: absolute, with "." and ".."
// folded and uniform separators. On POSIX the weakly canonical form (links
// resolved), or the lexically normal form when that cannot be had. On
// Windows the full path name as Windows forms it, which keeps a "\\server",
// "\\?\" or "\\.\" start, and the path as given when that would not name
// the same file. Only for paths just found to name a regular file.
std::filesystem::path normalizePath(const std::filesystem::path& path);

// Whether the path names the same place whatever the current folder (and on
// Windows whatever the current drive).
bool isAbsolutePath(const std::filesystem::path& path);

// Finds Spine executables. Keeps no state; file-system errors count as "not
// there" and are never reported.
class SpineLocator {
public:
    // "Spine/Spine.com" below the folders named by ProgramFiles and
    // ProgramFiles(x86), in that order, each normalised and listed once. A
    // value that is not an absolute path names no program folder.
    std::vector<std::filesystem::path> findInstallations() const;

    // A folder gives the "Spine.com" inside it; a path whose extension is
    // exactly ".exe" gives way to its ".com" sibling when that is a regular
    // file; the result must be a regular file. Normalised.
    std::optional<std::filesystem::path>
    resolveExecutable(const std::filesystem::path& supplied) const;
};

} // namespace hbk
