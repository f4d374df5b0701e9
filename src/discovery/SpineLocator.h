#pragma once

#include "discovery/SpineConventions.h"

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

// Finds Spine executables where the platform's conventions (the table of
// SpineConventions.h) put them. Keeps no state; file-system errors count as
// "not there" and are never reported.
class SpineLocator {
public:
    // The platform's install locations, in table order, each found file
    // normalised and listed once (on Windows "Spine/Spine.com" below the
    // folders named by ProgramFiles and ProgramFiles(x86)).
    std::vector<std::filesystem::path> findInstallations() const;

    // A folder gives the first of the platform's executable names inside it
    // that is a regular file (on Windows "Spine.com"); a path whose
    // extension is exactly ".exe" gives way to its ".com" sibling when that
    // is a regular file; the result must be a regular file. Normalised.
    std::optional<std::filesystem::path>
    resolveExecutable(const std::filesystem::path& supplied) const;
};

// The two operations for any conventions and roots, as the tests drive
// every platform's table.
std::vector<std::filesystem::path> findInstallations(const SpineConventions& conventions,
                                                     const RootLookup& roots);
std::optional<std::filesystem::path> resolveExecutable(const std::filesystem::path& supplied,
                                                       const SpineConventions& conventions);

} // namespace hbk
