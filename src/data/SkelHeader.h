#pragma once

#include "cli/Reports.h"

#include <cstddef>
#include <istream>
#include <optional>
#include <string>

namespace hbk {

// The longest string content readSkelString accepts, and the window of the
// fallback scan: a binary header is never read further than this.
inline constexpr std::size_t kSkelStringLimit = 4096;
inline constexpr std::size_t kSkelScanWindow = 256;

// ECMAScript pattern of the fallback scan: a 3.8 or 4.0 to 4.3 version text,
// the whole match being group 1.
inline constexpr const char* kSkelVersionPattern =
    R"re((3\.8(?:\.\d+)?(?:-[A-Za-z0-9.-]+)?|4\.[0-3](?:\.\d+)?(?:-[A-Za-z0-9.-]+)?))re";

// One length-prefixed string at the current position: a varint of 1 to 5
// bytes holding n, then n - 1 content bytes (n = 0 is the null string).
// Nothing for a null, oversized, malformed or truncated string; the stream
// is then left wherever reading stopped.
std::optional<std::string> readSkelString(std::istream& stream);

// Reads the version from a binary skeleton header: the second length-prefixed
// string, or else a version text within the first kSkelScanWindow bytes.
// Expects the stream at offset 0; seeks it back there for the fallback scan.
DataReport inspectSkel(std::istream& stream);

} // namespace hbk
