#include "data/SkelHeader.h"

#include "data/SupportedVersions.h"
#include "support/Regex.h"
#include "version/Version.h"

#include <cstdint>

namespace hbk {

namespace {

std::optional<Version> scanHeaderWindow(std::istream& stream) {
    static const Regex headerVersionPattern = compilePattern(kSkelVersionPattern);

    stream.clear();
    stream.seekg(0);
    std::string window(kSkelScanWindow, '\0');
    stream.read(window.data(), static_cast<std::streamsize>(window.size()));
    window.resize(static_cast<std::size_t>(stream.gcount()));

    // A match right after a "." is the tail of a longer dotted number, such
    // as the "4.0" of "4.4.0" or the "4.1" of "4.4.12", not a version of its
    // own: skip it and search on from the next byte.
    std::string_view rest = window;
    RegexMatch match;
    while (searchPattern(rest, headerVersionPattern, match)) {
        const auto start = static_cast<std::size_t>(match[0].first - window.data());
        if (start == 0 || window[start - 1] != '.') {
            return parseVersion(groupText(match, 1));
        }
        rest = std::string_view(window).substr(start + 1);
    }
    return std::nullopt;
}

} // namespace

std::optional<std::string> readSkelString(std::istream& stream) {
    std::uint32_t value = 0;
    for (unsigned shift = 0;; shift += 7) {
        if (shift == 35) {
            return std::nullopt; // a fifth byte that still announces more
        }
        const std::istream::int_type c = stream.get();
        if (c == std::istream::traits_type::eof()) {
            return std::nullopt;
        }
        // Unsigned shift: the fifth byte's bits beyond bit 31 drop out.
        value |= (static_cast<std::uint32_t>(c) & 0x7Fu) << shift;
        if ((c & 0x80) == 0) {
            break;
        }
    }
    if (value == 0) {
        return std::nullopt;
    }
    const std::uint32_t length = value - 1;
    if (length > kSkelStringLimit) {
        return std::nullopt;
    }
    std::string content(length, '\0');
    if (length > 0) {
        stream.read(content.data(), static_cast<std::streamsize>(length));
        if (stream.fail()) {
            return std::nullopt;
        }
    }
    return content;
}

DataReport inspectSkel(std::istream& stream) {
    // Both reads always happen: the second from wherever the first stopped.
    const std::optional<std::string> first = readSkelString(stream);
    const std::optional<std::string> second = readSkelString(stream);
    std::optional<Version> version;
    if (first && second) {
        version = parseVersion(*second);
    }
    if (!version) {
        version = scanHeaderWindow(stream);
    }
    if (!version) {
        return DataReport{DataFormat::Skel, DataStatus::InvalidData, std::nullopt,
                          "SKEL header does not contain a valid Spine version."};
    }
    return makeVersionReport(DataFormat::Skel, *version);
}

} // namespace hbk
