#include "cli/Cli.h"

#include "cli/Reports.h"
#include "data/SkeletonDataInspector.h"
#include "discovery/SpineLocator.h"
#include "probe/SpineCliProbe.h"
#include "process/ProcessRunner.h"
#include "support/PathText.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string_view>
#include <vector>

namespace hbk {

namespace {

int runDetect() {
    const SpineLocator locator;
    const std::vector<std::filesystem::path> found = locator.findInstallations();
    // Converted first, so that a path the code page cannot carry prints
    // nothing rather than part of the list.
    std::string lines;
    for (const std::filesystem::path& path : found) {
        lines += textFromPath(path);
        lines += '\n';
    }
    std::cout << lines;
    return found.empty() ? 1 : 0;
}

int runProbe(int argc, char** argv) {
    const SpineLocator locator;
    const std::optional<std::filesystem::path> executable =
        locator.resolveExecutable(pathFromText(argv[2]));
    if (!executable) {
        std::cerr << "The supplied path does not contain a Spine executable.\n";
        return 1;
    }
    std::int64_t timeout = kDefaultProbeTimeoutMs;
    if (argc >= 4) {
        const std::optional<std::int64_t> parsed = parseTimeout(argv[3]);
        if (!parsed) {
            std::cerr << "Invalid timeout.\n";
            return 2;
        }
        timeout = *parsed;
    }
    // The report goes before the runner it came from.
    const std::unique_ptr<IProcessRunner> runner = createProcessRunner();
    const SpineCliProbe probe(*runner);
    const ProbeReport report = probe.probe(*executable, timeout);
    printProbeReport(report);
    return report.status == ProbeStatus::Available ? 0 : 1;
}

int runInspectData(const char* pathArgument) {
    const SkeletonDataInspector inspector;
    const DataReport report = inspector.inspect(pathFromText(pathArgument));
    printDataReport(report);
    return report.status == DataStatus::Detected ? 0 : 1;
}

} // namespace

std::optional<std::int64_t> parseTimeout(const std::string& text) {
    const char* begin = text.c_str();
    char* end = nullptr;
    errno = 0;
    const long long value = std::strtoll(begin, &end, 10);
    if (end == begin || errno == ERANGE) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(value);
}

void printUsage() {
    std::cout << "Halbrook technical prototype\n"
                 "Usage:\n"
                 "  halbrook-cli detect\n"
                 "  halbrook-cli probe <Spine.app|executable> [timeout-ms]\n"
                 "  halbrook-cli inspect-data <skeleton.json|skeleton.skel>\n";
}

int runCli(int argc, char** argv) {
    if (argc < 2) {
        printUsage();
        return 2;
    }
    const std::string_view command = argv[1];
    if (command == "detect") {
        return runDetect();
    }
    if (command == "probe" && argc >= 3) {
        return runProbe(argc, argv);
    }
    if (command == "inspect-data" && argc >= 3) {
        return runInspectData(argv[2]);
    }
    printUsage();
    return 2;
}

} // namespace hbk
