#pragma once

#include "cli/Reports.h"

#include <filesystem>
#include <istream>

namespace hbk {

// Whether the first byte that is not a space, tab, CR or LF is "{". Reads
// from the current position and leaves the stream wherever it stopped.
bool startsWithJsonObject(std::istream& stream);

// Chooses the format by the first meaningful byte, rewinds, and hands the
// stream to the JSON check or the binary header reader.
DataReport inspectStream(std::istream& stream);

// Opens a skeleton data file and reports its format and Spine version. The
// format is chosen by content alone: JSON when the first meaningful byte is
// "{", the binary form otherwise.
class SkeletonDataInspector {
public:
    DataReport inspect(const std::filesystem::path& file) const;
};

} // namespace hbk
