#include "probe/SpineOutputClassifier.h"

namespace hbk {

namespace {

struct ProbePatterns {
    Regex launcher;
    Regex editorStart;
    Regex editor;
};

// All three are compiled together, the first time output is searched.
const ProbePatterns& probePatterns() {
    static const ProbePatterns patterns{compilePattern(kLauncherPattern),
                                        compilePattern(kEditorStartPattern),
                                        compilePattern(kEditorPattern)};
    return patterns;
}

} // namespace

std::optional<Version> findVersion(const std::string& text, const Regex& pattern,
                                   std::string* edition) {
    RegexMatch match;
    if (!searchPattern(text, pattern, match)) {
        return std::nullopt;
    }
    if (edition != nullptr && match.size() > 2) {
        *edition = std::string(groupText(match, 2));
    }
    return parseVersion(groupText(match, 1));
}

ProbeReport SpineOutputClassifier::classify(const std::filesystem::path& executable,
                                            const ProcessResult& result) const {
    ProbeReport report;
    report.path = executable;
    report.timedOut = result.timedOut;
    report.exitCode = result.exitCode;
    report.output = result.output;

    if (!result.started) {
        report.status = ProbeStatus::LaunchFailed;
        report.message = result.errorMessage.empty() ? "Spine process could not be started."
                                                     : result.errorMessage;
        return report;
    }

    const ProbePatterns& patterns = probePatterns();
    report.launcherVersion = findVersion(report.output, patterns.launcher, nullptr);
    report.editorVersion = findVersion(report.output, patterns.editorStart, &report.edition);
    if (!report.editorVersion) {
        report.editorVersion = findVersion(report.output, patterns.editor, &report.edition);
    }

    if (!report.launcherVersion && !report.editorVersion) {
        report.status = ProbeStatus::UnrecognizedOutput;
        report.message = "Process started, but its output was not recognized as Spine.";
    } else if (report.timedOut) {
        report.status = ProbeStatus::ObservedButTimedOut;
        report.message = "Spine was detected, but the version probe timed out.";
    } else if (report.exitCode != 0) {
        report.status = ProbeStatus::LaunchFailed;
        report.message = "Spine was detected, but the process returned a failure code.";
    } else {
        report.status = ProbeStatus::Available;
        report.message = "Spine CLI probe succeeded.";
    }
    return report;
}

} // namespace hbk
