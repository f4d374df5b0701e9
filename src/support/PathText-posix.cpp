#include "support/PathText.h"

namespace hbk {

std::filesystem::path pathFromText(std::string_view text) {
    return {text};
}

std::string textFromPath(const std::filesystem::path& path) {
    return path.native();
}

} // namespace hbk
