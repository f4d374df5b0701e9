// The probe's classification of any output. The first two bytes choose the
// exit code and whether the run timed out; the rest is the output.
#include "probe/SpineOutputClassifier.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

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
                             (!result.timedOut && result.exitCode == 0));
    if (!consistent) {
        std::abort();
    }
    return 0;
}
