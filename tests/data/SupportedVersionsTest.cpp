#include "data/SupportedVersions.h"

#include "testsupport/DataReports.h"

#include <gtest/gtest.h>

namespace hbk {
namespace {

TEST(SupportedVersionsTest, JudgesTheRange) {
    struct Case {
        Version version;
        bool supported;
    };
    const Case cases[] = {
        {{3, 8, std::nullopt}, true},
        {{3, 8, 20}, true},
        {{3, 8, 99}, true},
        {{4, 0, std::nullopt}, true},
        {{4, 3, 5}, true},
        {{4, 2, 0}, true},
        {{4, 2, 999}, true},
        {{4, 2, -7}, true},
        {{3, 8, 19}, false},
        {{3, 8, 0}, false},
        {{3, 8, -1}, false},
        {{3, 9, 0}, false},
        {{3, 7, 94}, false},
        {{4, 4, 0}, false},
        {{4, -1, 0}, false},
        {{4, INT32_MIN, 0}, false},
        {{5, 0, 0}, false},
        {{-4, 2, 0}, false},
        {{-3, 8, std::nullopt}, false},
        {{0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(isSupportedDataVersion(c.version), c.supported) << c.version.toString();
    }
}

TEST(SupportedVersionsTest, ReportAlwaysCarriesTheVersion) {
    const DataReport detected = makeVersionReport(DataFormat::Json, Version{4, 2, 11});
    EXPECT_EQ(formatDataReport(detected), test::detected("json", "4.2.11"));

    const DataReport outside = makeVersionReport(DataFormat::Skel, Version{5, 0, std::nullopt});
    EXPECT_EQ(formatDataReport(outside), test::unsupported("skel", "5.0"));
}

} // namespace
} // namespace hbk
