#include "probe/SpineCliProbe.h"

#include <system_error>

namespace hbk {

ProbeReport SpineCliProbe::probe(const std::filesystem::path& executable,
                                 std::int64_t timeout) const {
    std::error_code ignored;
    if (std::filesystem::status(executable, ignored).type() !=
        std::filesystem::file_type::regular) {
        ProbeReport report;
        report.path = executable;
        report.status = ProbeStatus::PathMissing;
        report.message = "Spine executable does not exist.";
        return report;
    }

    ProcessRequest request;
    request.executable = executable;
    request.arguments = {"--version"};
    request.workingDirectory = executable.parent_path();
    request.timeout = timeout;
    return classifier_.classify(executable, runner_.run(request));
}

} // namespace hbk
