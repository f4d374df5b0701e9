#pragma once

#include "cli/Reports.h"

#include <filesystem>
#include <istream>

namespace hbk {

// The sniff sees at most this much of a file, the JSON check's window.
inline constexpr std::size_t kSniffLimit = 1048576;

// Whether the file goes to the JSON check: its first byte that is not a
// space, tab, CR or LF (after one UTF-8 byte-order mark) is "{", or its first
// kSniffLimit bytes are all blanks, which the JSON check then reports.
// Reads from the current position and leaves the stream wherever it stopped.
bool startsLikeJson(std::istream& stream);

// Chooses the format by the first meaningful byte, and hands the stream to
// the JSON check or the binary header reader from its first byte again. The
// source is read front to back only, never sought, so a pipe works.
DataReport inspectStream(std::istream& source);

// Opens a skeleton data file and reports its format and Spine version. The
// format is chosen by content alone: JSON when the first meaningful byte is
// "{", the binary form otherwise. Only regular files and pipes are read.
class SkeletonDataInspector {
public:
    DataReport inspect(const std::filesystem::path& file) const;
};

} // namespace hbk
