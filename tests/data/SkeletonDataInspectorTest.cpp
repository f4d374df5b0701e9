#include "data/SkeletonDataInspector.h"

#include "data/JsonSkeleton.h"
#include "testsupport/DataReports.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

#include <ostream>
#include <sstream>
#include <string>

namespace hbk {
namespace {

using test::TempDir;

const std::string kJsonDetected = test::detected("json", "4.2.11");
const std::string kSkelDetected = test::detected("skel", "3.8.99");
// JSON read as binary: the scan of its first 256 bytes finds the version text.
const std::string kSkelFromJsonText = test::detected("skel", "4.2.11");
const std::string kJsonSchema = test::invalid("json", test::kSchemaMessage);
const std::string kSkelFailure = test::invalid("skel", test::kSkelMessage);
const std::string kNotOpened =
    test::printedReport("unknown", "file-missing", test::kNotOpenedMessage);

const std::string kJson = R"({"skeleton":{"spine":"4.2.11"},"bones":[]})";
const std::string kSkel = std::string("\x1c") + std::string(27, 'h') + "\x07" + "3.8.99" + "\x01";

struct FileCase {
    const char* name;
    const char* fileName;
    std::string bytes;
    std::string report;
};

void PrintTo(const FileCase& c, std::ostream* os) {
    *os << c.name;
}

class InspectFileTest : public testing::TestWithParam<FileCase> {};

TEST_P(InspectFileTest, ChoosesTheFormatByContent) {
    const TempDir dir;
    const FileCase& c = GetParam();
    const std::filesystem::path file = dir.write(c.fileName, c.bytes);
    EXPECT_EQ(formatDataReport(SkeletonDataInspector().inspect(file)), c.report);
}

INSTANTIATE_TEST_SUITE_P(
    Table, InspectFileTest,
    testing::Values(FileCase{"json", "a.json", kJson, kJsonDetected},
                    FileCase{"binary", "a.skel", kSkel, kSkelDetected},
                    FileCase{"empty file", "a.json", "", kSkelFailure},
                    FileCase{"blanks only", "a.json", " \t\r\n\r\n   ", kSkelFailure},
                    FileCase{"json after blank lines, tabs and CR LF", "a.json",
                             "\r\n\r\n\t\t  \n" + kJson, kJsonDetected},
                    FileCase{"json after a long run of blanks", "a.json",
                             std::string(100000, ' ') + kJson, kJsonDetected},
                    FileCase{"byte-order mark", "a.json", "\xef\xbb\xbf" + kJson, kJsonDetected},
                    FileCase{"byte-order mark, then blanks", "a.json", "\xef\xbb\xbf\r\n  " + kJson,
                             kJsonDetected},
                    FileCase{"byte-order mark, version beyond the binary window", "a.json",
                             "\xef\xbb\xbf{\"bones\":[],\"pad\":\"" + std::string(300, 'p') +
                                 "\",\"spine\":\"4.2.11\"}",
                             kJsonDetected},
                    FileCase{"byte-order mark, no version text", "a.json",
                             "\xef\xbb\xbf{\"bones\":[]}", kJsonSchema},
                    FileCase{"only one byte-order mark is skipped", "a.json",
                             "\xef\xbb\xbf\xef\xbb\xbf" + kJson, kSkelFromJsonText},
                    FileCase{"byte-order mark after blanks", "a.json", " \xef\xbb\xbf" + kJson,
                             kSkelFromJsonText},
                    FileCase{"0xEF that begins no mark", "a.json", "\xef{" + kJson,
                             kSkelFromJsonText},
                    FileCase{"byte-order mark alone", "a.json", "\xef\xbb\xbf", kSkelFailure},
                    FileCase{"form feed", "a.json", "\f" + kJson, kSkelFromJsonText},
                    FileCase{"vertical tab", "a.json", "\v" + kJson, kSkelFromJsonText},
                    FileCase{"blanks that end within the sniff window", "a.json",
                             std::string(kSniffLimit - 1, '\n'), kSkelFailure},
                    FileCase{"a sniff window of blanks goes to the JSON check", "a.json",
                             std::string(kSniffLimit, ' ') + kJson, kJsonSchema},
                    FileCase{"binary named .json", "skeleton.json", kSkel, kSkelDetected},
                    FileCase{"json named .skel", "skeleton.skel", kJson, kJsonDetected},
                    FileCase{"no extension", "skeleton", kJson, kJsonDetected}));

TEST(InspectFileTest, JsonCheckReadsFromTheFirstByteBlanksIncluded) {
    // Ten leading blanks put the colon of the bones key on the first byte
    // past the 1 MiB window; a check that started at the "{" would see it.
    const std::string key = R"("bones":)";
    std::string text = std::string(10, ' ') + R"({"spine":"4.2.11","pad":")";
    text.append(kJsonReadLimit - key.size() + 1 - 2 - text.size(), 'p');
    text += "\"," + key + "[]}";
    ASSERT_EQ(text.find(':', kJsonReadLimit - 2), kJsonReadLimit);
    const TempDir dir;
    const std::filesystem::path file = dir.write("edge.json", text);
    EXPECT_EQ(formatDataReport(SkeletonDataInspector().inspect(file)), kJsonSchema);
}

TEST(InspectFileTest, MissingFileOrFolderCannotBeOpened) {
    const TempDir dir;
    const SkeletonDataInspector inspector;
    EXPECT_EQ(formatDataReport(inspector.inspect(dir.path() / "missing.json")), kNotOpened);
    EXPECT_EQ(formatDataReport(inspector.inspect(dir.path())), kNotOpened);
    EXPECT_EQ(formatDataReport(inspector.inspect("")), kNotOpened);
}

TEST(SniffTest, AsksForOneByteWhenTheFirstIsMeaningful) {
    std::istringstream json("{\"bones\":[]}");
    EXPECT_TRUE(startsLikeJson(json));
    EXPECT_EQ(json.tellg(), 1);

    std::istringstream binary("\x1c"
                              "abc");
    EXPECT_FALSE(startsLikeJson(binary));
    EXPECT_EQ(binary.tellg(), 1);
}

TEST(InspectFileTest, DevicesAreNotRead) {
    if (!std::filesystem::exists("/dev/zero")) {
        GTEST_SKIP() << "no POSIX devices";
    }
    // /dev/zero never ends and /dev/null is no skeleton: neither is opened.
    const SkeletonDataInspector inspector;
    EXPECT_EQ(formatDataReport(inspector.inspect("/dev/zero")), kNotOpened);
    EXPECT_EQ(formatDataReport(inspector.inspect("/dev/null")), kNotOpened);
}

} // namespace
} // namespace hbk
