// The JSON check on any bytes, read through a stream as from a file.
#include "ReportChecks.h"
#include "data/JsonSkeleton.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::istringstream stream(std::string(reinterpret_cast<const char*>(data), size));
    checkDataReport(hbk::inspectJson(stream), hbk::DataFormat::Json);
    return 0;
}
