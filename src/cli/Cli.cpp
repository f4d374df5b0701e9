#include "cli/Cli.h"

#include "cli/Reports.h"
#include "data/SkeletonDataInspector.h"
#include "support/PathText.h"

#include <cerrno>
#include <cstdlib>
#include <iostream>
#include <string_view>

namespace hbk {

namespace {

int runDetect() {
    std::cerr << "The detect command is not available yet.\n";
    return 1;
}

int runProbe(int /*argc*/, char** /*argv*/) {
    std::cerr << "The probe command is not available yet.\n";
    return 1;
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
