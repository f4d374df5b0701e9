// Inputs built to make a backtracking matcher recurse deeply or search long:
// each must be inspected to an ordinary report, in both builds.
#include "data/JsonSkeleton.h"
#include "data/SkeletonDataInspector.h"
#include "testsupport/DataReports.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

#include <ostream>
#include <random>
#include <string>

namespace hbk {
namespace {

const std::string kSchemaFailure = test::invalid("json", test::kSchemaMessage);

// Fills the rest of a 1 MiB text with a repeated byte pattern.
std::string fill(std::string head, const std::string& unit, std::string tail = "") {
    while (head.size() + unit.size() + tail.size() <= kJsonReadLimit) {
        head += unit;
    }
    return head + tail;
}

struct AdversarialCase {
    const char* name;
    std::string text;
    std::string report;
};

void PrintTo(const AdversarialCase& c, std::ostream* os) {
    *os << c.name;
}

class AdversarialJsonTest : public testing::TestWithParam<AdversarialCase> {};

TEST_P(AdversarialJsonTest, IsInspectedWithoutCrashing) {
    const test::TempDir dir;
    const std::filesystem::path file = dir.write("adversarial.json", GetParam().text);
    EXPECT_EQ(formatDataReport(SkeletonDataInspector().inspect(file)), GetParam().report);
}

std::string randomBytes() {
    std::mt19937 random(12345);
    std::string text = "{";
    while (text.size() < kJsonReadLimit) {
        text += static_cast<char>(random() & 0xff);
    }
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    MebibyteFiles, AdversarialJsonTest,
    testing::Values(AdversarialCase{"suffix without a closing quote",
                                    fill(R"({"bones":[],"spine": "4.2.1-)", "x"), kSchemaFailure},
                    AdversarialCase{
                        "suffix of non-quote bytes of every kind",
                        fill(R"({"bones":[],"spine": "4.2.1-)", std::string("\x01\xff\n\r\\ a", 7)),
                        kSchemaFailure},
                    AdversarialCase{"blanks after the bones key", fill(R"({"bones")", " \t\r\n"),
                                    kSchemaFailure},
                    AdversarialCase{"blanks after the spine key",
                                    fill(R"({"bones":[],"spine")", " \n"), kSchemaFailure},
                    AdversarialCase{"blanks after the spine colon",
                                    fill(R"({"bones":[],"spine":)", "\t "), kSchemaFailure},
                    AdversarialCase{"digits of the major", fill(R"({"bones":[],"spine":")", "7"),
                                    kSchemaFailure},
                    AdversarialCase{"digits of the minor", fill(R"({"bones":[],"spine":"4.)", "2"),
                                    kSchemaFailure},
                    AdversarialCase{"digits of the patch",
                                    fill(R"({"bones":[],"spine":"4.2.)", "1"), kSchemaFailure},
                    AdversarialCase{"repeated keys without values",
                                    fill("{", R"("bones" "spine": )"), kSchemaFailure},
                    AdversarialCase{"repeated unfinished versions",
                                    fill(R"({"bones":[],)", R"("spine":"4.2.1-)"), kSchemaFailure},
                    AdversarialCase{"quotes only", fill("{", "\""), kSchemaFailure},
                    AdversarialCase{"random bytes", randomBytes(), kSchemaFailure},
                    AdversarialCase{"long suffix that does close",
                                    fill(R"({"bones":[],"spine":"4.2.1-)", "y", R"("})"),
                                    test::detected("json", "4.2.1")}));

} // namespace
} // namespace hbk
