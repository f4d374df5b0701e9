#include "probe/SpineCliProbe.h"

#include "testsupport/Environment.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

#include <vector>

namespace hbk {
namespace {

// Records each request and answers with a prepared result.
class FakeRunner final : public IProcessRunner {
public:
    explicit FakeRunner(ProcessResult answer)
        : answer_(std::move(answer)) {}
    ProcessResult run(const ProcessRequest& request) override {
        requests.push_back(request);
        return answer_;
    }
    std::vector<ProcessRequest> requests;

private:
    ProcessResult answer_;
};

ProcessResult spineOutput() {
    ProcessResult result;
    result.started = true;
    result.exitCode = 0;
    result.output = "Spine Launcher 4.2.1\n";
    return result;
}

TEST(SpineCliProbeTest, RunsVersionOnceInTheExecutablesFolder) {
    const test::TempDir dir;
    const std::filesystem::path executable = dir.write("Spine/Spine.com", "");
    FakeRunner runner(spineOutput());
    const ProbeReport report = SpineCliProbe(runner).probe(executable, -5);

    ASSERT_EQ(runner.requests.size(), 1u);
    const ProcessRequest& request = runner.requests[0];
    EXPECT_EQ(request.executable, executable);
    EXPECT_EQ(request.arguments, std::vector<std::string>{"--version"});
    EXPECT_EQ(request.workingDirectory, dir.path() / "Spine");
    EXPECT_EQ(request.timeout, -5);
    EXPECT_EQ(report.status, ProbeStatus::Available);
    EXPECT_EQ(report.path, executable);
}

TEST(SpineCliProbeTest, BareFileNameRunsInTheCurrentFolder) {
    const test::TempDir dir;
    dir.write("Spine.com", "");
    const test::ScopedCurrentDirectory inside(dir.path().string());
    FakeRunner runner(spineOutput());
    SpineCliProbe(runner).probe("Spine.com", 10000);
    ASSERT_EQ(runner.requests.size(), 1u);
    EXPECT_TRUE(runner.requests[0].workingDirectory.empty());
}

TEST(SpineCliProbeTest, MissingExecutableStartsNothing) {
    const test::TempDir dir;
    for (const std::filesystem::path& path : {dir.path() / "missing.com", dir.path()}) {
        FakeRunner runner(spineOutput());
        const ProbeReport report = SpineCliProbe(runner).probe(path, 10000);
        EXPECT_TRUE(runner.requests.empty());
        EXPECT_EQ(formatProbeReport(report), "path: " + path.string() +
                                                 "\nstatus: path-missing\n"
                                                 "message: Spine executable does not exist.\n");
        EXPECT_EQ(report.exitCode, -1);
        EXPECT_FALSE(report.timedOut);
        EXPECT_TRUE(report.output.empty());
    }
}

TEST(SpineCliProbeTest, WorksWithTheRealRunner) {
    const test::TempDir dir;
    const std::unique_ptr<IProcessRunner> runner = createProcessRunner();
    const ProbeReport report = SpineCliProbe(*runner).probe(dir.path() / "Spine.com", 1000);
    EXPECT_EQ(report.status, ProbeStatus::PathMissing);
}

} // namespace
} // namespace hbk
