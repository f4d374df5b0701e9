#include "support/PathText.h"

#include <windows.h>

#include <climits>
#include <clocale>
#include <cstdlib>
#include <string>

namespace hbk {

namespace {

// libstdc++ on MinGW converts paths to narrow text as UTF-8, so the tool
// does the code page conversion itself.
UINT fileSystemCodePage() {
    if (___lc_codepage_func() == CP_UTF8) {
        return CP_UTF8;
    }
    return AreFileApisANSI() ? CP_ACP : CP_OEMCP;
}

int checkedLength(std::size_t size) {
    if (size > static_cast<std::size_t>(INT_MAX)) {
        throw PathTextError("path text is too long to convert");
    }
    return static_cast<int>(size);
}

} // namespace

std::optional<std::filesystem::path> environmentPath(const char* name) {
    // Variable names are ASCII; the value is read wide, as Windows keeps it.
    const std::wstring wideName(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wideName.c_str());
    if (value == nullptr) {
        return std::nullopt;
    }
    return std::filesystem::path(value);
}

std::string detail::platformTextFromPath(const std::filesystem::path& path) {
    const std::wstring& wide = path.native();
    if (wide.empty()) {
        return {};
    }
    const UINT codePage = fileSystemCodePage();
    const int length = checkedLength(wide.size());
    // UTF-8 reports unpaired surrogates through WC_ERR_INVALID_CHARS; the
    // other code pages report a character they lack through the default-char
    // flag, with best-fit mapping off so that nothing is silently replaced.
    const bool utf8 = codePage == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int bytes = WideCharToMultiByte(codePage, flags, wide.data(), length, nullptr, 0, nullptr,
                                          usedDefaultOut);
    if (bytes <= 0 || usedDefault) {
        throw PathTextError("path cannot be represented in the file-system code page");
    }
    std::string text(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, flags, wide.data(), length, text.data(), bytes, nullptr, nullptr);
    return text;
}

} // namespace hbk
