#include "support/PathText.h"

#include <windows.h>

#include <climits>
#include <clocale>

namespace hbk {

namespace {

// libstdc++ on MinGW converts narrow path text as Latin-1 one way and UTF-8
// the other, so the tool does the code page conversion itself.
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

std::filesystem::path pathFromText(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const UINT codePage = fileSystemCodePage();
    const int length = checkedLength(text.size());
    const int units =
        MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, nullptr, 0);
    if (units <= 0) {
        throw PathTextError("path text is not valid in the file-system code page");
    }
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), length, wide.data(), units);
    return {std::move(wide)};
}

std::string textFromPath(const std::filesystem::path& path) {
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
