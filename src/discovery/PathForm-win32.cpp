// Path forms on Windows. The standard library of this build does not see
// "\\server\share", "\\?\" or "\\.\" as the start of a path, so its
// canonical forms would turn such a path into one on the current drive,
// which names a different file. Windows itself forms the full path here,
// and a form that does not name the same file is not used.
#include "discovery/SpineLocator.h"

#include <windows.h>

#include <optional>
#include <string>

namespace hbk {

namespace fs = std::filesystem;

namespace {

std::optional<std::wstring> fullPathName(const std::wstring& path) {
    std::wstring full(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), full.data(), nullptr);
        if (length == 0) {
            return std::nullopt;
        }
        if (length < full.size()) {
            full.resize(length);
            return full;
        }
        full.resize(length); // too small: length is the size needed
    }
}

// The volume and the file index, which tell files apart whatever the path.
std::optional<BY_HANDLE_FILE_INFORMATION> fileIdentity(const std::wstring& path) {
    HANDLE file = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return std::nullopt;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const BOOL read = GetFileInformationByHandle(file, &info);
    CloseHandle(file);
    if (!read) {
        return std::nullopt;
    }
    return info;
}

bool sameFile(const std::wstring& a, const std::wstring& b) {
    const std::optional<BY_HANDLE_FILE_INFORMATION> first = fileIdentity(a);
    const std::optional<BY_HANDLE_FILE_INFORMATION> second = fileIdentity(b);
    return first && second && first->dwVolumeSerialNumber == second->dwVolumeSerialNumber &&
           first->nFileIndexHigh == second->nFileIndexHigh &&
           first->nFileIndexLow == second->nFileIndexLow;
}

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

} // namespace

fs::path normalizePath(const fs::path& path) {
    const std::optional<std::wstring> full = fullPathName(path.native());
    if (!full || !sameFile(path.native(), *full)) {
        return path;
    }
    return {*full};
}

bool isAbsolutePath(const fs::path& path) {
    // "C:\..." or a path that begins with two separators: "\\server\share",
    // "\\?\..." and "\\.\...". "C:foo" and "\foo" depend on the current
    // drive or folder.
    const std::wstring& text = path.native();
    if (text.size() >= 2 && isSeparator(text[0]) && isSeparator(text[1])) {
        return true;
    }
    return text.size() >= 3 && text[1] == L':' && isSeparator(text[2]) &&
           ((text[0] >= L'A' && text[0] <= L'Z') || (text[0] >= L'a' && text[0] <= L'z'));
}

} // namespace hbk
