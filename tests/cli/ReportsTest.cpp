#include "cli/Reports.h"

#include <gtest/gtest.h>

namespace hbk {
namespace {

Version version(std::int32_t major, std::int32_t minor, std::optional<std::int32_t> patch = {}) {
    return Version{major, minor, patch};
}

TEST(StatusNamesTest, NamesEveryValueAndUnknownOutside) {
    EXPECT_EQ(toString(ProbeStatus::Available), "available");
    EXPECT_EQ(toString(ProbeStatus::ObservedButTimedOut), "observed-but-timed-out");
    EXPECT_EQ(toString(ProbeStatus::PathMissing), "path-missing");
    EXPECT_EQ(toString(ProbeStatus::LaunchFailed), "launch-failed");
    EXPECT_EQ(toString(ProbeStatus::UnrecognizedOutput), "unrecognized-output");
    EXPECT_EQ(toString(static_cast<ProbeStatus>(5)), "unknown");
    EXPECT_EQ(toString(static_cast<ProbeStatus>(-1)), "unknown");

    EXPECT_EQ(toString(DataFormat::Json), "json");
    EXPECT_EQ(toString(DataFormat::Skel), "skel");
    EXPECT_EQ(toString(DataFormat::Unknown), "unknown");
    EXPECT_EQ(toString(static_cast<DataFormat>(7)), "unknown");

    EXPECT_EQ(toString(DataStatus::Detected), "detected");
    EXPECT_EQ(toString(DataStatus::FileMissing), "file-missing");
    EXPECT_EQ(toString(DataStatus::InvalidData), "invalid-data");
    EXPECT_EQ(toString(DataStatus::UnsupportedVersion), "unsupported-version");
    EXPECT_EQ(toString(static_cast<DataStatus>(4)), "unknown");
}

TEST(StatusNamesTest, NumberingIsFixed) {
    EXPECT_EQ(static_cast<int>(ProbeStatus::Available), 0);
    EXPECT_EQ(static_cast<int>(ProbeStatus::UnrecognizedOutput), 4);
    EXPECT_EQ(static_cast<int>(DataFormat::Unknown), 2);
    EXPECT_EQ(static_cast<int>(DataStatus::Detected), 0);
    EXPECT_EQ(static_cast<int>(DataStatus::UnsupportedVersion), 3);
}

TEST(ProbeReportTest, FreshReportHoldsTheDefaults) {
    const ProbeReport report;
    EXPECT_TRUE(report.path.empty());
    EXPECT_EQ(report.status, ProbeStatus::UnrecognizedOutput);
    EXPECT_FALSE(report.launcherVersion);
    EXPECT_FALSE(report.editorVersion);
    EXPECT_TRUE(report.edition.empty());
    EXPECT_FALSE(report.timedOut);
    EXPECT_EQ(report.exitCode, -1);
    EXPECT_TRUE(report.output.empty());
    EXPECT_TRUE(report.message.empty());
}

TEST(ProbeReportTest, LeavesOutAbsentVersionsAndEmptyEdition) {
    ProbeReport report;
    report.path = "Spine.com";
    report.status = ProbeStatus::PathMissing;
    report.message = "Spine executable does not exist.";
    report.output = "never printed";
    report.exitCode = 7;
    EXPECT_EQ(formatProbeReport(report), "path: Spine.com\n"
                                         "status: path-missing\n"
                                         "message: Spine executable does not exist.\n");
}

TEST(ProbeReportTest, PrintsVersionsAndEditionInOrder) {
    ProbeReport report;
    report.path = "Spine.com";
    report.status = ProbeStatus::Available;
    report.launcherVersion = version(4, 2);
    report.editorVersion = version(4, 2, 35);
    report.edition = " Professional  ";
    report.message = "Spine CLI probe succeeded.";
    EXPECT_EQ(formatProbeReport(report), "path: Spine.com\n"
                                         "status: available\n"
                                         "launcher: 4.2\n"
                                         "editor: 4.2.35\n"
                                         "edition:  Professional  \n"
                                         "message: Spine CLI probe succeeded.\n");
}

TEST(ProbeReportTest, EmptyMessageStillGetsItsLine) {
    ProbeReport report;
    report.path = "x";
    report.status = static_cast<ProbeStatus>(42);
    EXPECT_EQ(formatProbeReport(report), "path: x\nstatus: unknown\nmessage: \n");
}

TEST(DataReportTest, MissingFileHasNoVersionLine) {
    const DataReport report{DataFormat::Unknown, DataStatus::FileMissing, std::nullopt,
                            "Skeleton data file could not be opened."};
    EXPECT_EQ(formatDataReport(report), "format: unknown\n"
                                        "status: file-missing\n"
                                        "message: Skeleton data file could not be opened.\n");
}

TEST(DataReportTest, UnsupportedVersionKeepsItsVersionLine) {
    const DataReport report{DataFormat::Skel, DataStatus::UnsupportedVersion, version(3, 7, 94),
                            "Spine data version is outside the supported range."};
    EXPECT_EQ(formatDataReport(report),
              "format: skel\n"
              "status: unsupported-version\n"
              "version: 3.7.94\n"
              "message: Spine data version is outside the supported range.\n");
}

TEST(DataReportTest, EmptyMessageStillGetsItsLine) {
    const DataReport report{DataFormat::Json, DataStatus::InvalidData, std::nullopt, ""};
    EXPECT_EQ(formatDataReport(report), "format: json\nstatus: invalid-data\nmessage: \n");
}

} // namespace
} // namespace hbk
