#include "data/JsonSkeleton.h"

#include "testsupport/DataReports.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>

namespace hbk {
namespace {

using test::kJsonVersionMessage;
using test::kSchemaMessage;

const std::string kSchemaFailure = test::invalid("json", kSchemaMessage);
const std::string kInvalidVersion = test::invalid("json", kJsonVersionMessage);

std::string detected(const std::string& version) {
    return test::detected("json", version);
}

std::string unsupported(const std::string& version) {
    return test::unsupported("json", version);
}

std::string inspectText(const std::string& text) {
    std::istringstream stream(text);
    return formatDataReport(inspectJson(stream));
}

struct JsonCase {
    const char* name;
    std::string text;
    std::string report;
};

void PrintTo(const JsonCase& c, std::ostream* os) {
    *os << c.name;
}

class InspectJsonTest : public testing::TestWithParam<JsonCase> {};

TEST_P(InspectJsonTest, Reports) {
    EXPECT_EQ(inspectText(GetParam().text), GetParam().report);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InspectJsonTest,
    testing::Values(
        JsonCase{"nested spine, top-level bones",
                 R"({"skeleton":{"hash":"x","spine":"4.2.11"},"bones":[{"name":"root"}]})",
                 detected("4.2.11")},
        JsonCase{"spine after bones", R"({"bones":[],"skeleton":{"spine":"4.0.64"}})",
                 detected("4.0.64")},
        JsonCase{"blanks around colons", "{\"bones\" \t\r\n:[],\"spine\"\r\n :\n\t \"4.2\"}",
                 detected("4.2")},
        JsonCase{"3.8.99", R"({"spine":"3.8.99","bones":[]})", detected("3.8.99")},
        JsonCase{"3.7.94", R"({"spine":"3.7.94","bones":[]})", unsupported("3.7.94")},
        JsonCase{"4.4.0", R"({"spine":"4.4.0","bones":[]})", unsupported("4.4.0")},
        JsonCase{"suffix after patch", R"({"spine":"4.1.5-beta","bones":[]})", detected("4.1.5")},
        JsonCase{"suffix after minor", R"({"spine":"3.8-beta","bones":[]})", kInvalidVersion},
        JsonCase{"major out of range", R"({"spine":"99999999999.1","bones":[]})", kInvalidVersion},
        JsonCase{"letters after patch", R"({"spine":"4.2.11x","bones":[]})", kSchemaFailure},
        JsonCase{"empty version", R"({"spine":"","bones":[]})", kSchemaFailure},
        JsonCase{"bare hyphen", R"({"spine":"4.2.11-","bones":[]})", kSchemaFailure},
        JsonCase{"number, not string", R"({"spine":4.2,"bones":[]})", kSchemaFailure},
        JsonCase{"later well-formed value",
                 R"({"spine":"x","skeleton":{"spine":"4.0.1"},"bones":[]})", detected("4.0.1")},
        JsonCase{"leftmost match wins even when it does not parse",
                 R"({"spine":"3.8-beta","skeleton":{"spine":"4.0.1"},"bones":[]})",
                 kInvalidVersion},
        JsonCase{"keys are case-sensitive", R"({"Bones":[],"spine":"4.2.1"})", kSchemaFailure},
        JsonCase{"SPINE does not count", R"({"bones":[],"SPINE":"4.2.1"})", kSchemaFailure},
        JsonCase{"version without bones", R"({"skeleton":{"spine":"4.2.1"}})", kSchemaFailure},
        JsonCase{"bones without colon", R"({"bones" ,"spine":"4.2.1"})", kSchemaFailure},
        JsonCase{"bones key inside a string value",
                 R"({"spine":"4.2.1","note":"see "bones": here"})", detected("4.2.1")},
        JsonCase{"NUL bytes are kept", std::string("{\0\"bones\":[],\0\"spine\":\"4.3.0\"}", 29),
                 detected("4.3.0")},
        JsonCase{"empty object", "{}", kSchemaFailure}, JsonCase{"empty text", "", kSchemaFailure},
        JsonCase{"vertical tab is white space in \\s", "{\"bones\"\v:[],\"spine\":\f\"4.2.0\"}",
                 detected("4.2.0")}));

TEST(InspectJsonLimitTest, ReadsExactlyTheFirstMebibyte) {
    std::string text = R"({"bones":[],"pad":")";
    text.append(kJsonReadLimit - text.size() - 1, 'p');
    text += R"("spine":"4.2.1")"; // starts one byte inside the window
    std::istringstream stream(text);
    EXPECT_EQ(formatDataReport(inspectJson(stream)), kSchemaFailure);
    EXPECT_EQ(static_cast<std::size_t>(stream.tellg()), kJsonReadLimit);
}

TEST(InspectJsonLimitTest, FindsAVersionThatEndsAtTheLastByte) {
    const std::string tail = R"("spine":"4.2.1")";
    std::string text = R"({"bones":[],"pad":")";
    text.append(kJsonReadLimit - text.size() - tail.size(), 'p');
    text += tail;
    ASSERT_EQ(text.size(), kJsonReadLimit);
    EXPECT_EQ(inspectText(text + "garbage"), detected("4.2.1"));
}

TEST(InspectJsonLimitTest, BonesBeyondTheWindowDoNotCount) {
    std::string text = R"({"spine":"4.2.1","pad":")";
    text.append(kJsonReadLimit, ' ');
    text += R"(","bones":[]})";
    EXPECT_EQ(inspectText(text), kSchemaFailure);
}

} // namespace
} // namespace hbk
