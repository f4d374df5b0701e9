#include "discovery/SpineConventions.h"

#include "discovery/SpineLocator.h"
#include "support/PathText.h"

#include <string>

namespace hbk {

namespace {

// Windows: the installer's Spine.com, the command-line executable.
constexpr const char* kWindowsFolder[] = {"Spine.com"};
constexpr InstallLocation kWindowsInstalls[] = {
    {"ProgramFiles", "Spine/Spine.com"},
    {"ProgramFiles(x86)", "Spine/Spine.com"},
};

// macOS: the executable inside the application bundle; a folder is the
// bundle itself or holds it. 3.7-era installs used /Applications/Spine.
constexpr const char* kMacFolder[] = {"Contents/MacOS/Spine", "Spine.app/Contents/MacOS/Spine"};
constexpr InstallLocation kMacInstalls[] = {
    {kFileSystemRoot, "Applications/Spine.app/Contents/MacOS/Spine"},
    {kFileSystemRoot, "Applications/Spine/Spine.app/Contents/MacOS/Spine"},
    {"HOME", "Applications/Spine.app/Contents/MacOS/Spine"},
};

// Linux: an unpacked folder with its launcher script (SpineTrial.sh for the
// trial), or under WSL the Windows install, which Linux can run.
constexpr const char* kLinuxFolder[] = {"Spine.sh", "SpineTrial.sh", "Spine.com"};
constexpr InstallLocation kLinuxInstalls[] = {
    {"HOME", "Spine/Spine.sh"},
    {"HOME", "Spine/SpineTrial.sh"},
    {kFileSystemRoot, "mnt/c/Program Files/Spine/Spine.com"},
    {kFileSystemRoot, "mnt/c/Program Files (x86)/Spine/Spine.com"},
};

} // namespace

const SpineConventions kWindowsConventions{kWindowsFolder, kWindowsInstalls};
const SpineConventions kMacConventions{kMacFolder, kMacInstalls};
const SpineConventions kLinuxConventions{kLinuxFolder, kLinuxInstalls};

const SpineConventions& platformConventions() {
#if defined(_WIN32)
    return kWindowsConventions;
#elif defined(__APPLE__)
    return kMacConventions;
#else
    return kLinuxConventions;
#endif
}

std::optional<std::filesystem::path> systemRoot(std::string_view root) {
    if (root == kFileSystemRoot) {
        return std::filesystem::path(kFileSystemRoot);
    }
    std::optional<std::filesystem::path> folder = environmentPath(std::string(root).c_str());
    if (!folder || !isAbsolutePath(*folder)) {
        return std::nullopt;
    }
    return folder;
}

} // namespace hbk
