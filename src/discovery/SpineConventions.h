#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string_view>

namespace hbk {

// A place where Spine is installed: a path below a root. The root is either
// the file system's root ("/") or the folder an environment variable names.
struct InstallLocation {
    const char* root;
    const char* relative;
};

// Where Spine lives on one platform, as data: the names a folder given to
// probe is looked into for, in order, and the places detect looks at, in
// order. Relative paths use "/", which every platform reads as a separator.
struct SpineConventions {
    std::span<const char* const> folderExecutables;
    std::span<const InstallLocation> installations;
};

inline constexpr const char* kFileSystemRoot = "/";

extern const SpineConventions kWindowsConventions;
extern const SpineConventions kMacConventions;
extern const SpineConventions kLinuxConventions;

// The table of the platform the program was built for.
const SpineConventions& platformConventions();

// The folder a root stands for, or nothing when it names none. The program
// asks the file system and the environment; tests set the roots.
using RootLookup = std::function<std::optional<std::filesystem::path>(std::string_view root)>;

// The file system's root, and environment variables that hold an absolute
// path: an empty or relative value would search wherever the tool happens to
// run, where anyone may have planted a Spine.
std::optional<std::filesystem::path> systemRoot(std::string_view root);

} // namespace hbk
