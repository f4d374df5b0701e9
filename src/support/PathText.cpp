#include "support/PathText.h"

#include <algorithm>

namespace hbk {

std::string textFromPath(const std::filesystem::path& path) {
    // A line break in a printed path would add report lines of its own, so
    // no control character is printed at all.
    std::string text = detail::platformTextFromPath(path);
    const bool control = std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7f;
    });
    if (control) {
        throw PathTextError("path holds a control character");
    }
    return text;
}

} // namespace hbk
