// parseVersion on any bytes; a parsed version must print as a text that
// parses back to the same fields.
#include "version/Version.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<hbk::Version> version = hbk::parseVersion(text);
    if (!version) {
        return 0;
    }
    const std::optional<hbk::Version> again = hbk::parseVersion(version->toString());
    if (!again || again->major != version->major || again->minor != version->minor ||
        again->patch != version->patch) {
        std::abort();
    }
    return 0;
}
