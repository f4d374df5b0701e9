#include "process/WindowsCommandLine.h"

#include <windows.h>

#include <climits>
#include <stdexcept>

namespace hbk {

namespace {

std::wstring widenUtf8(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    if (text.size() > static_cast<std::size_t>(INT_MAX)) {
        throw std::length_error("argument too long");
    }
    const int length = static_cast<int>(text.size());
    // No MB_ERR_INVALID_CHARS: invalid bytes become U+FFFD, the argument
    // is still passed.
    const int units = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, wide.data(), units);
    return wide;
}

} // namespace

std::wstring quoteArgument(std::wstring_view text) {
    if (text.find_first_of(L" \t\"") == std::wstring_view::npos) {
        return std::wstring(text);
    }
    // Backslashes are literal unless a double quote follows them; before
    // one (the text's own or the closing one) they must be doubled.
    std::wstring quoted = L"\"";
    std::size_t pendingBackslashes = 0;
    for (const wchar_t c : text) {
        if (c == L'\\') {
            ++pendingBackslashes;
            continue;
        }
        if (c == L'"') {
            quoted.append(2 * pendingBackslashes + 1, L'\\');
        } else {
            quoted.append(pendingBackslashes, L'\\');
        }
        quoted += c;
        pendingBackslashes = 0;
    }
    quoted.append(2 * pendingBackslashes, L'\\');
    quoted += L'"';
    return quoted;
}

std::wstring buildCommandLine(std::wstring_view executable,
                              const std::vector<std::string>& arguments) {
    std::wstring commandLine = quoteArgument(executable);
    for (const std::string& argument : arguments) {
        commandLine += L' ';
        commandLine += quoteArgument(widenUtf8(argument));
    }
    return commandLine;
}

bool isBatchFile(std::wstring_view executable) {
    const std::size_t end = executable.find_last_not_of(L". ");
    if (end == std::wstring_view::npos || end < 3) {
        return false;
    }
    std::wstring extension(executable.substr(end - 3, 4));
    for (wchar_t& c : extension) {
        if (c >= L'A' && c <= L'Z') {
            c = static_cast<wchar_t>(c - L'A' + L'a');
        }
    }
    return extension == L".bat" || extension == L".cmd";
}

} // namespace hbk
