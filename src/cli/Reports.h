#pragma once

#include "version/Version.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace hbk {

// The numbering is part of the contract: exit code 0 means value 0.
enum class ProbeStatus : std::int32_t {
    Available = 0,
    ObservedButTimedOut = 1,
    PathMissing = 2,
    LaunchFailed = 3,
    UnrecognizedOutput = 4,
};

struct ProbeReport {
    std::filesystem::path path;
    ProbeStatus status = ProbeStatus::UnrecognizedOutput;
    std::optional<Version> launcherVersion;
    std::optional<Version> editorVersion;
    std::string edition;
    bool timedOut = false;
    std::int32_t exitCode = -1;
    std::string output;
    std::string message;
};

enum class DataFormat : std::int32_t {
    Json = 0,
    Skel = 1,
    Unknown = 2,
};

enum class DataStatus : std::int32_t {
    Detected = 0,
    FileMissing = 1,
    InvalidData = 2,
    UnsupportedVersion = 3,
};

struct DataReport {
    DataFormat format;
    DataStatus status = DataStatus::InvalidData;
    std::optional<Version> version;
    std::string message;
};

// The lower-case names that scripts read; "unknown" for any other value.
std::string toString(ProbeStatus status);
std::string toString(DataFormat format);
std::string toString(DataStatus status);

// The report lines, each "key: value\n". The probe report's path goes
// through textFromPath and so can throw PathTextError.
std::string formatProbeReport(const ProbeReport& report);
std::string formatDataReport(const DataReport& report);

// Write the formatted report to standard output in one piece, so that a
// failed path conversion prints nothing rather than half a report.
void printProbeReport(const ProbeReport& report);
void printDataReport(const DataReport& report);

} // namespace hbk
