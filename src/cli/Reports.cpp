#include "cli/Reports.h"

#include "support/PathText.h"

#include <iostream>
#include <string_view>

namespace hbk {

namespace {

void appendLine(std::string& out, std::string_view key, std::string_view value) {
    out += key;
    out += ": ";
    out += value;
    out += '\n';
}

} // namespace

std::string toString(ProbeStatus status) {
    switch (status) {
    case ProbeStatus::Available:
        return "available";
    case ProbeStatus::ObservedButTimedOut:
        return "observed-but-timed-out";
    case ProbeStatus::PathMissing:
        return "path-missing";
    case ProbeStatus::LaunchFailed:
        return "launch-failed";
    case ProbeStatus::UnrecognizedOutput:
        return "unrecognized-output";
    }
    return "unknown";
}

std::string toString(DataFormat format) {
    switch (format) {
    case DataFormat::Json:
        return "json";
    case DataFormat::Skel:
        return "skel";
    case DataFormat::Unknown:
        break;
    }
    return "unknown";
}

std::string toString(DataStatus status) {
    switch (status) {
    case DataStatus::Detected:
        return "detected";
    case DataStatus::FileMissing:
        return "file-missing";
    case DataStatus::InvalidData:
        return "invalid-data";
    case DataStatus::UnsupportedVersion:
        return "unsupported-version";
    }
    return "unknown";
}

std::string formatProbeReport(const ProbeReport& report) {
    std::string out;
    appendLine(out, "path", textFromPath(report.path));
    appendLine(out, "status", toString(report.status));
    if (report.launcherVersion) {
        appendLine(out, "launcher", report.launcherVersion->toString());
    }
    if (report.editorVersion) {
        appendLine(out, "editor", report.editorVersion->toString());
    }
    if (!report.edition.empty()) {
        appendLine(out, "edition", report.edition);
    }
    appendLine(out, "message", report.message);
    return out;
}

std::string formatDataReport(const DataReport& report) {
    std::string out;
    appendLine(out, "format", toString(report.format));
    appendLine(out, "status", toString(report.status));
    if (report.version) {
        appendLine(out, "version", report.version->toString());
    }
    appendLine(out, "message", report.message);
    return out;
}

void printProbeReport(const ProbeReport& report) {
    std::cout << formatProbeReport(report);
}

void printDataReport(const DataReport& report) {
    std::cout << formatDataReport(report);
}

} // namespace hbk
