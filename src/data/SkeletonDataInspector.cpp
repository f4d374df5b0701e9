#include "data/SkeletonDataInspector.h"

#include "data/JsonSkeleton.h"
#include "data/ReplayBuffer.h"
#include "data/SkelHeader.h"

#include <algorithm>
#include <fstream>
#include <string>
#include <system_error>

namespace hbk {

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

DataReport notOpened() {
    return DataReport{DataFormat::Unknown, DataStatus::FileMissing, std::nullopt,
                      "Skeleton data file could not be opened."};
}

// Reads on past blanks until the first other byte, which decides, or until
// `seen` bytes from the file's start reach the limit: a window of blanks
// holds no schema, which the JSON check then reports.
bool firstAfterBlanksIsBrace(std::istream& stream, std::streamsize seen) {
    // Blocks double from one byte: a typical file costs a one-byte read, and
    // a long run of leading blanks only a few reads.
    constexpr auto kLimit = static_cast<std::streamsize>(kSniffLimit);
    constexpr std::streamsize kLargestBlock = 65536;
    std::string block;
    for (std::streamsize want = 1; seen < kLimit; want = std::min(want * 2, kLargestBlock)) {
        want = std::min(want, kLimit - seen);
        block.resize(static_cast<std::size_t>(want));
        stream.read(block.data(), want);
        const std::streamsize got = stream.gcount();
        for (std::streamsize i = 0; i < got; ++i) {
            const char c = block[static_cast<std::size_t>(i)];
            if (!isBlank(c)) {
                return c == '{';
            }
        }
        if (got < want) {
            return false; // the file holds nothing but blanks
        }
        seen += got;
    }
    return true;
}

} // namespace

bool startsLikeJson(std::istream& stream) {
    char head[3];
    stream.read(head, 1);
    if (stream.gcount() == 0) {
        return false;
    }
    // One UTF-8 byte-order mark, as some Windows editors write before JSON,
    // is skipped; an 0xEF that begins none is a meaningful byte.
    if (head[0] == '\xef') {
        stream.read(head + 1, 2);
        const bool mark = stream.gcount() == 2 && head[1] == '\xbb' && head[2] == '\xbf';
        return mark && firstAfterBlanksIsBrace(stream, 3);
    }
    if (!isBlank(head[0])) {
        return head[0] == '{';
    }
    return firstAfterBlanksIsBrace(stream, 1);
}

DataReport inspectStream(std::istream& source) {
    ReplayBuffer replay(*source.rdbuf());
    std::istream stream(&replay);
    const bool json = startsLikeJson(stream);
    stream.clear();
    stream.seekg(0);
    return json ? inspectJson(stream) : inspectSkel(stream);
}

DataReport SkeletonDataInspector::inspect(const std::filesystem::path& file) const {
    // A directory, a terminal or a device is not read: Windows refuses to
    // open a directory anyway, and a device may never end. A pipe is read.
    std::error_code ignored;
    const std::filesystem::file_type type = std::filesystem::status(file, ignored).type();
    if (type != std::filesystem::file_type::regular && type != std::filesystem::file_type::fifo) {
        return notOpened();
    }

    std::ifstream stream;
    // Unbuffered, so that every read the checks make is one read of the file
    // and nothing beyond their limits is fetched.
    stream.rdbuf()->pubsetbuf(nullptr, 0);
    stream.open(file, std::ios::binary);
    if (!stream.is_open()) {
        return notOpened();
    }

    return inspectStream(stream);
}

} // namespace hbk
