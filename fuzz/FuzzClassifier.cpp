// The probe's classification of any output. The first two bytes choose the
// exit code and whether the run timed out; the rest is the output.
#include "probe/SpineOutputClassifier.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

// The edition is the end of one line of the output, the line of the version
// it belongs to: after blanks or tabs that follow the version's digits. It
// never holds a line break.
bool editionEndsAVersionLine(std::string_view output, std::string_view edition) {
    if (edition.empty()) {
        return true;
    }
    if (edition.find_first_of("\r\n") != std::string_view::npos) {
        return false;
    }
    std::size_t start = 0;
    while (start <= output.size()) {
        std::size_t end = output.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            end = output.size();
        }
        const std::string_view line = output.substr(start, end - start);
        if (line.size() > edition.size() && line.ends_with(edition)) {
            const std::string_view before = line.substr(0, line.size() - edition.size());
            if ((before.back() == ' ' || before.back() == '\t') &&
                before.find_first_of("0123456789") != std::string_view::npos) {
                return true;
            }
        }
        start = end + 1;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) {
        return 0;
    }
    hbk::ProcessResult result;
    result.started = true;
    result.exitCode = data[0] % 3 == 0 ? 0 : data[0];
    result.timedOut = (data[1] & 1) != 0;
    result.output.assign(reinterpret_cast<const char*>(data + 2), size - 2);

    const hbk::ProbeReport report = hbk::SpineOutputClassifier().classify("Spine.com", result);
    const bool recognised = report.launcherVersion || report.editorVersion;
    const bool consistent = report.output == result.output && report.timedOut == result.timedOut &&
                            report.exitCode == result.exitCode && !report.message.empty() &&
                            recognised == (report.status != hbk::ProbeStatus::UnrecognizedOutput) &&
                            (report.status != hbk::ProbeStatus::Available ||
                             (!result.timedOut && result.exitCode == 0)) &&
                            editionEndsAVersionLine(report.output, report.edition);
    if (!consistent) {
        std::abort();
    }
    return 0;
}
