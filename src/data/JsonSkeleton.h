#pragma once

#include "cli/Reports.h"

#include <cstddef>
#include <istream>

namespace hbk {

// Only the start of a JSON skeleton is searched; the rest is never read.
inline constexpr std::size_t kJsonReadLimit = 1048576;

// ECMAScript patterns: a "bones" key, and the string value of a "spine" key
// whose group 1 is the version text.
inline constexpr const char* kJsonSchemaPattern = R"re("bones"\s*:)re";
inline constexpr const char* kJsonVersionPattern =
    R"re("spine"\s*:\s*"(\d+\.\d+(?:\.\d+)?(?:-[^"]+)?)")re";

// Reads at most kJsonReadLimit bytes from the stream's current position and
// looks for a "bones" key and the string value of a "spine" key. Never seeks.
DataReport inspectJson(std::istream& stream);

} // namespace hbk
