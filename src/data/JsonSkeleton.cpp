#include "data/JsonSkeleton.h"

#include "data/SupportedVersions.h"
#include "support/Regex.h"
#include "version/Version.h"

#include <string>

namespace hbk {

namespace {

DataReport invalidJson(const char* message) {
    return DataReport{DataFormat::Json, DataStatus::InvalidData, std::nullopt, message};
}

constexpr const char* kSchemaMessage = "JSON does not contain the minimum Spine skeleton schema.";

} // namespace

DataReport inspectJson(std::istream& stream) {
    static const Regex schemaPattern = compilePattern(kJsonSchemaPattern);
    static const Regex versionPattern = compilePattern(kJsonVersionPattern);

    std::string text(kJsonReadLimit, '\0');
    stream.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(stream.gcount()));

    RegexMatch match;
    if (!searchPattern(text, schemaPattern, match)) {
        return invalidJson(kSchemaMessage);
    }
    if (!searchPattern(text, versionPattern, match)) {
        return invalidJson(kSchemaMessage);
    }
    const std::optional<Version> version = parseVersion(groupText(match, 1));
    if (!version) {
        return invalidJson("Spine JSON version is invalid.");
    }
    return makeVersionReport(DataFormat::Json, *version);
}

} // namespace hbk
