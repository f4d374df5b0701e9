#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace hbk {

// A Spine version as the tool reads it: major.minor with an optional patch.
// There is deliberately no ordering: range checks read the fields directly.
struct Version {
    std::int32_t major = 0;
    std::int32_t minor = 0;
    std::optional<std::int32_t> patch;

    // major.minor, plus .patch when present, in shortest decimal form.
    std::string toString() const;
};

// The whole token must be an optional "-" and ASCII digits within int32 range.
std::optional<std::int32_t> parseInt(std::string_view text);

// Strict: the text is wholly a version, except that a "-" suffix after the
// patch digits is accepted and dropped.
std::optional<Version> parseVersion(std::string_view text);

} // namespace hbk
