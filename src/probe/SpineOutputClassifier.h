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
// banner, the editor after "Launching:" or "Starting:", and the editor's own
// line, which begins with "Spine" (after blanks or tabs at most), so that an
// update check's "Up to date: Spine 4.2.35" or an error line naming a
// version is not taken for the editor that runs. Group 1 is the version
// text, with a pre-release suffix after the patch ("-beta", "-rc.1") that
// the version parser drops. Group 2 of the editor patterns is the edition:
// after blanks or tabs, the rest of the version's own line, never a later
// line.
inline constexpr const char* kLauncherPattern = R"re(Spine Launcher\s+(\d+\.\d+(?:\.\d+)?))re";
inline constexpr const char* kEditorStartPattern =
    R"re((?:Launching:|Starting:)\s*Spine\s+(\d+\.\d+(?:\.\d+(?:-[^ \t\r\n]*)?)?)(?:[ \t]+([^\r\n]+))?)re";
inline constexpr const char* kEditorPattern =
    R"re((?:^|[\r\n])[ \t]*Spine\s+(\d+\.\d+(?:\.\d+(?:-[^ \t\r\n]*)?)?)(?:[ \t]+([^\r\n]+))?)re";

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
