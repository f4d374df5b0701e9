#include "probe/SpineOutputClassifier.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace hbk {
namespace {

const char* kAvailable = "Spine CLI probe succeeded.";
const char* kUnrecognized = "Process started, but its output was not recognized as Spine.";
const char* kTimedOut = "Spine was detected, but the version probe timed out.";
const char* kFailureCode = "Spine was detected, but the process returned a failure code.";

ProcessResult finished(std::string output, std::int32_t exitCode = 0, bool timedOut = false) {
    ProcessResult result;
    result.started = true;
    result.timedOut = timedOut;
    result.exitCode = exitCode;
    result.output = std::move(output);
    return result;
}

// The printed report without its path line, for compact expectations.
std::string classified(const ProcessResult& result) {
    const std::string text =
        formatProbeReport(SpineOutputClassifier().classify("Spine.com", result));
    return text.substr(text.find('\n') + 1);
}

std::string report(const char* status, const char* launcher, const char* editor,
                   const std::string& edition, const char* message) {
    std::string text = std::string("status: ") + status + "\n";
    if (launcher) {
        text += std::string("launcher: ") + launcher + "\n";
    }
    if (editor) {
        text += std::string("editor: ") + editor + "\n";
    }
    if (!edition.empty()) {
        text += "edition: " + edition + "\n";
    }
    return text + "message: " + message + "\n";
}

struct OutputCase {
    const char* name;
    ProcessResult result;
    std::string expected;
};

void PrintTo(const OutputCase& c, std::ostream* os) {
    *os << c.name;
}

class ClassifyTest : public testing::TestWithParam<OutputCase> {};

TEST_P(ClassifyTest, Reports) {
    EXPECT_EQ(classified(GetParam().result), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ClassifyTest,
    testing::Values(
        OutputCase{"launcher only", finished("Spine Launcher 4.2.1"),
                   report("available", "4.2.1", nullptr, "", kAvailable)},
        OutputCase{"starting line", finished("Starting: Spine 4.2.35 Standard"),
                   report("available", nullptr, "4.2.35", "Standard", kAvailable)},
        OutputCase{"no blank after the colon", finished("Launching:Spine 4.1.0"),
                   report("available", nullptr, "4.1.0", "", kAvailable)},
        OutputCase{"launcher and plain editor",
                   finished("Spine Launcher 4.2.1\nSpine 4.2.35 Extended"),
                   report("available", "4.2.1", "4.2.35", "Extended", kAvailable)},
        OutputCase{"starting line wins over an earlier plain editor",
                   finished("Spine 4.2.99 Deluxe\nStarting: Spine 4.2.10 Basic"),
                   report("available", nullptr, "4.2.10", "Basic", kAvailable)},
        OutputCase{"CR LF ends the edition",
                   finished("Spine Launcher 4.2.1\r\nStarting: Spine 4.2.35 Professional\r\n"),
                   report("available", "4.2.1", "4.2.35", "Professional", kAvailable)},
        OutputCase{"lower case", finished("spine 4.2.35"),
                   report("unrecognized-output", nullptr, nullptr, "", kUnrecognized)},
        OutputCase{"upper case", finished("SPINE 4.2.35"),
                   report("unrecognized-output", nullptr, nullptr, "", kUnrecognized)},
        OutputCase{"four components", finished("Spine 4.2.1.7"),
                   report("available", nullptr, "4.2.1", "", kAvailable)},
        OutputCase{"no patch", finished("Spine 4.2"),
                   report("available", nullptr, "4.2", "", kAvailable)},
        OutputCase{"edition is not trimmed", finished("Spine 4.2.35 Basic  "),
                   report("available", nullptr, "4.2.35", "Basic  ", kAvailable)},
        OutputCase{"edition never comes from a later line",
                   finished("Spine 4.2.35\n\n \t Pro Edition\nmore"),
                   report("available", nullptr, "4.2.35", "", kAvailable)},
        OutputCase{"blank at the end of the version's line", finished("Spine 4.2.35 \r\nPro\r\n"),
                   report("available", nullptr, "4.2.35", "", kAvailable)},
        OutputCase{"tab before the edition", finished("Spine 4.2.35\tEssential\n"),
                   report("available", nullptr, "4.2.35", "Essential", kAvailable)},
        OutputCase{"update check before the editor's own line",
                   finished("Spine Launcher 3.8.81\r\n"
                            "Esoteric Software LLC (C) 2013-2020 | http://esotericsoftware.com\r\n"
                            "Windows 10 Enterprise x86 10.0\r\n"
                            "Up to date: Spine 3.8.82\r\n"
                            "Spine 3.8.82 Professional\r\n"
                            "NVIDIA Corporation, GeForce RTX 2060 SUPER/PCIe/SSE2, 4.6.0\r\n"),
                   report("available", "3.8.81", "3.8.82", "Professional", kAvailable)},
        OutputCase{"a version on an error line is no editor",
                   finished("ERROR: Unable to start: Spine 3.8.99\n"
                            "ERROR: An unexpected error has occurred:\n"
                            "java.lang.IllegalStateException: broken\n"
                            "\tat com.example.Main.main(Main.java:10)\n"),
                   report("unrecognized-output", nullptr, nullptr, "", kUnrecognized)},
        OutputCase{"a version in the middle of a line is no editor",
                   finished("Running Spine 4.2.35 Pro\n"),
                   report("unrecognized-output", nullptr, nullptr, "", kUnrecognized)},
        OutputCase{"blanks before the editor's line",
                   finished("Spine Launcher 4.2.1\n \t Spine 4.2.35 Pro\n"),
                   report("available", "4.2.1", "4.2.35", "Pro", kAvailable)},
        OutputCase{"a lone CR also begins a line", finished("loading 50%\rSpine 4.2.35 Pro"),
                   report("available", nullptr, "4.2.35", "Pro", kAvailable)},
        OutputCase{"pre-release suffix before the edition",
                   finished("Spine Launcher 3.6.32\nMac OS X x86_64 10.12.6\n"
                            "Java 1.7.0_51 Esoteric Software\n64-bit Server VM\n"
                            "Spine 3.7.15-beta Professional\n"),
                   report("available", "3.6.32", "3.7.15", "Professional", kAvailable)},
        OutputCase{"pre-release suffix on a starting line",
                   finished("Starting: Spine 4.1.05-rc.1 Enterprise\r\n"),
                   report("available", nullptr, "4.1.5", "Enterprise", kAvailable)},
        OutputCase{"suffix after the minor is no version part", finished("Spine 4.2-beta Pro"),
                   report("available", nullptr, "4.2", "", kAvailable)},
        OutputCase{"legacy launcher with launching and starting lines",
                   finished("Spine Launcher 3.5.12\r\nLaunching: Spine 3.5.51 Professional\r\n"
                            "Starting: Spine 3.5.51 Professional\r\n"),
                   report("available", "3.5.12", "3.5.51", "Professional", kAvailable)},
        OutputCase{"starting line ending in a blank", finished("Starting: Spine 4.2.35 \nPro"),
                   report("available", nullptr, "4.2.35", "", kAvailable)},
        OutputCase{"line break at the end", finished("Spine 4.2.35\r\n"),
                   report("available", nullptr, "4.2.35", "", kAvailable)},
        OutputCase{"two blanks at the end give a one-blank edition", finished("Spine 4.2.35  "),
                   report("available", nullptr, "4.2.35", " ", kAvailable)},
        OutputCase{"timed out after the version", finished("Spine 4.2.35\n", 1, true),
                   report("observed-but-timed-out", nullptr, "4.2.35", "", kTimedOut)},
        OutputCase{"timed out, exit code 0", finished("Spine Launcher 4.0.1", 0, true),
                   report("observed-but-timed-out", "4.0.1", nullptr, "", kTimedOut)},
        OutputCase{"timed out without a version", finished("loading...", 1, true),
                   report("unrecognized-output", nullptr, nullptr, "", kUnrecognized)},
        OutputCase{"failure code", finished("Spine 4.2.35\n", 1),
                   report("launch-failed", nullptr, "4.2.35", "", kFailureCode)},
        OutputCase{"negative failure code", finished("Spine 4.2.35\n", -1073741819),
                   report("launch-failed", nullptr, "4.2.35", "", kFailureCode)},
        OutputCase{"unparsable version keeps its edition", finished("Spine 99999999999.1 Ultimate"),
                   report("unrecognized-output", nullptr, nullptr, "Ultimate", kUnrecognized)},
        OutputCase{"unparsable start version, the editor's own line still counts",
                   finished("Starting: Spine 99999999999.0 X\nSpine 4.2.1 Y"),
                   report("available", nullptr, "4.2.1", "Y", kAvailable)},
        OutputCase{"unparsable start version and no editor line keep the start edition",
                   finished("Starting: Spine 99999999999.0 X\n"),
                   report("unrecognized-output", nullptr, nullptr, "X", kUnrecognized)},
        OutputCase{"launcher banner is not an editor", finished("Spine Launcher 4.2.1 Extra"),
                   report("available", "4.2.1", nullptr, "", kAvailable)},
        OutputCase{"nothing at all", finished(""),
                   report("unrecognized-output", nullptr, nullptr, "", kUnrecognized)}));

TEST(ClassifyTest, NotStartedSearchesNothing) {
    ProcessResult result;
    result.errorMessage = "CreateProcessW failed: 193";
    result.output = "Spine 4.2.35"; // not searched
    EXPECT_EQ(classified(result),
              report("launch-failed", nullptr, nullptr, "", "CreateProcessW failed: 193"));

    result.errorMessage.clear();
    EXPECT_EQ(classified(result),
              report("launch-failed", nullptr, nullptr, "", "Spine process could not be started."));
}

TEST(ClassifyTest, CopiesTheRunIntoTheReport) {
    const ProbeReport report =
        SpineOutputClassifier().classify("dir/Spine.com", finished("Spine 4.2.35\n", 5, true));
    EXPECT_EQ(report.path, std::filesystem::path("dir/Spine.com"));
    EXPECT_TRUE(report.timedOut);
    EXPECT_EQ(report.exitCode, 5);
    EXPECT_EQ(report.output, "Spine 4.2.35\n");
}

TEST(ClassifyTest, LongLineWithoutBreakIsNoProblem) {
    const std::string tail(kProcessOutputLimit - 13, 'x');
    const ProbeReport report =
        SpineOutputClassifier().classify("Spine.com", finished("Spine 4.2.35 " + tail));
    EXPECT_EQ(report.status, ProbeStatus::Available);
    EXPECT_EQ(report.edition, tail);
}

TEST(FindVersionTest, LeavesTheEditionAloneWithoutAMatch) {
    const Regex pattern = compilePattern(kEditorPattern);
    std::string edition = "kept";
    EXPECT_FALSE(findVersion("nothing here", pattern, &edition));
    EXPECT_EQ(edition, "kept");
    EXPECT_TRUE(findVersion("Spine 4.2\n", pattern, &edition));
    EXPECT_EQ(edition, ""); // group 2 took no part: overwritten with empty
}

} // namespace
} // namespace hbk
