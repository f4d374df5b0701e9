#include "cli/Cli.h"

#include "cli/Reports.h"
#include "data/SkeletonDataInspector.h"
#include "discovery/SpineLocator.h"
#include "probe/SpineCliProbe.h"
#include "process/ProcessRunner.h"
#include "support/PathText.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <iostream>
#include <memory>
#include <new>
#include <type_traits>
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

// The narrow text of an argument that only strtoll reads: ASCII as it is,
// anything else a byte that is neither blank, sign nor digit.
std::string asciiText(const NativeArgument& argument) {
    std::string text;
    text.reserve(argument.size());
    for (const auto unit : argument) {
        const auto code = static_cast<std::make_unsigned_t<NativeArgument::value_type>>(unit);
        text += code < 0x80 ? static_cast<char>(code) : '?';
    }
    return text;
}

bool isCommand(const NativeArgument& argument, const char* command) {
    return argument == std::filesystem::path(command).native();
}

int runProbe(const std::vector<NativeArgument>& arguments) {
    const SpineLocator locator;
    const std::optional<std::filesystem::path> executable =
        locator.resolveExecutable(std::filesystem::path(arguments[2]));
    if (!executable) {
        std::cerr << "The supplied path does not contain a Spine executable.\n";
        return 1;
    }
    std::int64_t timeout = kDefaultProbeTimeoutMs;
    if (arguments.size() >= 4) {
        const std::optional<std::int64_t> parsed = parseTimeout(asciiText(arguments[3]));
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

int runInspectData(const NativeArgument& pathArgument) {
    const SkeletonDataInspector inspector;
    const DataReport report = inspector.inspect(std::filesystem::path(pathArgument));
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

int runCli(const std::vector<NativeArgument>& arguments) {
    if (arguments.size() < 2) {
        printUsage();
        return 2;
    }
    const NativeArgument& command = arguments[1];
    if (isCommand(command, "--version")) {
        std::cout << "halbrook-cli " HBK_VERSION "\n";
        return 0;
    }
    if (isCommand(command, "--help") || isCommand(command, "-h")) {
        printUsage();
        return 0;
    }
    if (isCommand(command, "detect")) {
        return runDetect();
    }
    if (isCommand(command, "probe") && arguments.size() >= 3) {
        return runProbe(arguments);
    }
    if (isCommand(command, "inspect-data") && arguments.size() >= 3) {
        return runInspectData(arguments[2]);
    }
    printUsage();
    return 2;
}

int runTool(const std::vector<NativeArgument>& arguments) {
    int code = 1;
    try {
        code = runCli(arguments);
    } catch (const PathTextError&) {
        std::cerr << "A path cannot be converted between text and the file-system code page.\n";
    } catch (const std::bad_alloc&) {
        std::cerr << "Out of memory.\n";
    } catch (const std::exception& error) {
        std::cerr << "Unexpected error: " << error.what() << ".\n";
    } catch (...) {
        std::cerr << "Unexpected error.\n";
    }
    // A report lost to a full disk or a closed pipe must not read as success.
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
        std::cerr << "The report could not be written.\n";
        return 1;
    }
    return code;
}

} // namespace hbk
