// The binary header reader on any bytes, and the length-prefixed string
// reader, which must never return more than its limit.
#include "ReportChecks.h"
#include "data/SkelHeader.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream header(bytes);
    checkDataReport(hbk::inspectSkel(header), hbk::DataFormat::Skel);

    std::istringstream strings(bytes);
    while (const std::optional<std::string> content = hbk::readSkelString(strings)) {
        if (content->size() > hbk::kSkelStringLimit) {
            std::abort();
        }
    }
    return 0;
}
