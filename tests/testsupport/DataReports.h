#pragma once

#include <string>

// The printed data reports the data tests expect, built from the fixed
// messages so that each test states only format, status and version.
namespace hbk::test {

inline constexpr const char* kDetectedMessage = "Spine data version detected.";
inline constexpr const char* kOutsideMessage = "Spine data version is outside the supported range.";
inline constexpr const char* kSchemaMessage =
    "JSON does not contain the minimum Spine skeleton schema.";
inline constexpr const char* kJsonVersionMessage = "Spine JSON version is invalid.";
inline constexpr const char* kSkelMessage = "SKEL header does not contain a valid Spine version.";
inline constexpr const char* kNotOpenedMessage = "Skeleton data file could not be opened.";

inline std::string printedReport(const std::string& format, const std::string& status,
                                 const std::string& message, const std::string& version = "") {
    return "format: " + format + "\nstatus: " + status + "\n" +
           (version.empty() ? "" : "version: " + version + "\n") + "message: " + message + "\n";
}

inline std::string detected(const std::string& format, const std::string& version) {
    return printedReport(format, "detected", kDetectedMessage, version);
}

inline std::string unsupported(const std::string& format, const std::string& version) {
    return printedReport(format, "unsupported-version", kOutsideMessage, version);
}

inline std::string invalid(const std::string& format, const std::string& message) {
    return printedReport(format, "invalid-data", message);
}

} // namespace hbk::test
