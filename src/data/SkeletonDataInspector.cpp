#include "data/SkeletonDataInspector.h"

#include "data/JsonSkeleton.h"
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

} // namespace

bool startsWithJsonObject(std::istream& stream) {
    // Blocks double from one byte: a typical file costs a one-byte read, and
    // a long run of leading blanks only a few reads.
    constexpr std::streamsize kLargestBlock = 65536;
    std::string block;
    for (std::streamsize want = 1;; want = std::min(want * 2, kLargestBlock)) {
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
    }
}

DataReport inspectStream(std::istream& stream) {
    const bool json = startsWithJsonObject(stream);
    stream.clear();
    stream.seekg(0);
    return json ? inspectJson(stream) : inspectSkel(stream);
}

DataReport SkeletonDataInspector::inspect(const std::filesystem::path& file) const {
    // Windows refuses to open a directory as a file; make every platform agree.
    std::error_code ignored;
    if (std::filesystem::is_directory(file, ignored)) {
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
