#pragma once

#include "cli/Reports.h"
#include "process/ProcessRunner.h"
#include "support/Regex.h"
#include "version/Version.h"

#include <filesystem>
#include <optional>
#include <string>

namespace hbk {

// ECMAScript patterns for what Spine prints for --version: the launcher
// banner, the editor after "Launching:" or "Starting:", and the editor
// alone. Group 1 is the version text; group 2 of the editor patterns is the
// edition, the rest of that line.
inline constexpr const char* kLauncherPattern = R"re(Spine Launcher\s+(\d+\.\d+(?:\.\d+)?))re";
inline constexpr const char* kEditorStartPattern =
    R"re((?:Launching:|Starting:)\s*Spine\s+(\d+\.\d+(?:\.\d+)?)(?:\s+([^\r\n]+))?)re";
inline constexpr const char* kEditorPattern =
    R"re(Spine\s+(\d+\.\d+(?:\.\d+)?)(?:\s+([^\r\n]+))?)re";

// The version in group 1 of the leftmost match. When an edition destination
// is given and the pattern has a group 2, that group's text (empty when it
// took no part) is assigned on every match, also when the version then
// fails to parse.
std::optional<Version> findVersion(const std::string& text, const Regex& pattern,
                                   std::string* edition);

// Turns what a Spine process did into a probe report.
class SpineOutputClassifier {
public:
    ProbeReport classify(const std::filesystem::path& executable,
                         const ProcessResult& result) const;
};

} // namespace hbk
