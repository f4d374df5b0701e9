#include "discovery/SpineLocator.h"

#include "testsupport/Environment.h"
#include "testsupport/Platform.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace hbk {
namespace {

namespace fs = std::filesystem;
using test::ScopedCurrentDirectory;
using test::ScopedEnvironment;
using test::TempDir;

using test::kWindows;

// What resolveExecutable must answer: the canonical form of a file below
// the folder, or nothing.
std::optional<fs::path> canonical(const TempDir& dir, const char* relative) {
    return fs::canonical(dir.path() / relative);
}

// The Windows table's rules, on every platform: file names are only names.
class ResolveExecutableTest : public testing::Test {
protected:
    std::optional<fs::path> resolve(const fs::path& path) const {
        return resolveExecutable(path, kWindowsConventions);
    }
    TempDir dir;
};

TEST_F(ResolveExecutableTest, FolderGivesItsSpineCom) {
    dir.write("Spine/Spine.com", "");
    dir.write("Spine/Spine.exe", "");
    EXPECT_EQ(resolve(dir.path() / "Spine"), canonical(dir, "Spine/Spine.com"));
    EXPECT_TRUE(resolve(dir.path() / "Spine")->is_absolute());
}

TEST_F(ResolveExecutableTest, FolderOnlyHoldingSpineExeGivesNothing) {
    dir.write("Spine/Spine.exe", "");
    dir.write("Spine/bin/Spine.com", "");
    EXPECT_EQ(resolve(dir.path() / "Spine"), std::nullopt);
}

TEST_F(ResolveExecutableTest, AppFolderIsAnyFolder) {
    dir.write("Spine.app/Spine.com", "");
    EXPECT_EQ(resolve(dir.path() / "Spine.app"), canonical(dir, "Spine.app/Spine.com"));
}

TEST_F(ResolveExecutableTest, FolderEndingInASeparator) {
    dir.write("Spine/Spine.com", "");
    const std::string folder = (dir.path() / "Spine").string() + (kWindows ? "\\" : "/");
    EXPECT_EQ(resolve(folder), canonical(dir, "Spine/Spine.com"));
}

TEST_F(ResolveExecutableTest, FolderNamedSpineComInsideIsNoExecutable) {
    fs::create_directories(dir.path() / "Spine/Spine.com");
    EXPECT_EQ(resolve(dir.path() / "Spine"), std::nullopt);
}

TEST_F(ResolveExecutableTest, ExeGivesWayToItsComSibling) {
    dir.write("a/Spine.exe", "");
    dir.write("a/Spine.com", "");
    dir.write("b/Spine.exe", "");
    dir.write("c/Spine.exe", "");
    fs::create_directories(dir.path() / "c/Spine.com");
    EXPECT_EQ(resolve(dir.path() / "a/Spine.exe"), canonical(dir, "a/Spine.com"));
    EXPECT_EQ(resolve(dir.path() / "b/Spine.exe"), canonical(dir, "b/Spine.exe"));
    EXPECT_EQ(resolve(dir.path() / "c/Spine.exe"), canonical(dir, "c/Spine.exe"));
}

TEST_F(ResolveExecutableTest, ExtensionTestIsExact) {
    dir.write("Spine.EXE", "");
    dir.write("Spine.com", "");
    EXPECT_EQ(resolve(dir.path() / "Spine.EXE"), canonical(dir, "Spine.EXE"));
}

TEST_F(ResolveExecutableTest, MissingExeWithComSiblingGivesTheSibling) {
    dir.write("Spine.com", "");
    EXPECT_EQ(resolve(dir.path() / "Spine.exe"), canonical(dir, "Spine.com"));
    EXPECT_EQ(resolve(dir.path() / "Other.exe"), std::nullopt);
}

TEST_F(ResolveExecutableTest, AnyRegularFileIsAccepted) {
    for (const char* name : {"Spine.com", "spine", "run.bat", "notes.txt"}) {
        dir.write(name, "");
        EXPECT_EQ(resolve(dir.path() / name), canonical(dir, name)) << name;
    }
}

TEST_F(ResolveExecutableTest, MissingPathsGiveNothing) {
    EXPECT_EQ(resolve(dir.path() / "missing.com"), std::nullopt);
    EXPECT_EQ(resolve(dir.path() / "missing"), std::nullopt);
    EXPECT_EQ(resolve(""), std::nullopt);
}

TEST_F(ResolveExecutableTest, RelativePathBecomesAbsolute) {
    dir.write("tools/Spine/Spine.com", "");
    const ScopedCurrentDirectory inside((dir.path() / "tools").string());
    EXPECT_EQ(resolve("Spine"), canonical(dir, "tools/Spine/Spine.com"));
    EXPECT_EQ(resolve("./Spine/../Spine/Spine.com"), canonical(dir, "tools/Spine/Spine.com"));
}

struct FolderCase {
    const char* name;
    const SpineConventions* conventions;
    std::vector<const char*> files;
    const char* folder;
    const char* resolved; // below the folder; nullptr for nothing
};

void PrintTo(const FolderCase& c, std::ostream* os) {
    *os << c.name;
}

class FolderOfEveryTableTest : public testing::TestWithParam<FolderCase> {};

TEST_P(FolderOfEveryTableTest, GivesTheFirstExecutableNameFound) {
    const FolderCase& c = GetParam();
    const TempDir dir;
    for (const char* file : c.files) {
        if (std::string_view(file).ends_with("/")) {
            fs::create_directories(dir.path() / file);
        } else {
            dir.write(file, "");
        }
    }
    const fs::path folder = dir.path() / c.folder;
    const std::optional<fs::path> expected =
        c.resolved ? std::optional(fs::canonical(folder / c.resolved)) : std::nullopt;
    EXPECT_EQ(resolveExecutable(folder, *c.conventions), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, FolderOfEveryTableTest,
    testing::Values(
        FolderCase{"Windows: Spine.com only",
                   &kWindowsConventions,
                   {"Spine/Spine.sh", "Spine/Contents/MacOS/Spine"},
                   "Spine",
                   nullptr},
        FolderCase{"macOS: the bundle itself",
                   &kMacConventions,
                   {"Applications/Spine.app/Contents/MacOS/Spine"},
                   "Applications/Spine.app",
                   "Contents/MacOS/Spine"},
        FolderCase{"macOS: a bundle name with blanks",
                   &kMacConventions,
                   {"Applications/Spine 4.2.app/Contents/MacOS/Spine"},
                   "Applications/Spine 4.2.app",
                   "Contents/MacOS/Spine"},
        FolderCase{"macOS: a folder holding the bundle",
                   &kMacConventions,
                   {"Applications/Spine/Spine.app/Contents/MacOS/Spine"},
                   "Applications/Spine",
                   "Spine.app/Contents/MacOS/Spine"},
        FolderCase{"macOS: the bundle comes first",
                   &kMacConventions,
                   {"x/Contents/MacOS/Spine", "x/Spine.app/Contents/MacOS/Spine"},
                   "x",
                   "Contents/MacOS/Spine"},
        FolderCase{"macOS: no Spine.com", &kMacConventions, {"Spine/Spine.com"}, "Spine", nullptr},
        FolderCase{"Linux: the launcher script",
                   &kLinuxConventions,
                   {"Spine/Spine.sh", "Spine/SpineTrial.sh", "Spine/Spine.com"},
                   "Spine",
                   "Spine.sh"},
        FolderCase{"Linux: the trial's script",
                   &kLinuxConventions,
                   {"Spine/SpineTrial.sh", "Spine/Spine.com"},
                   "Spine",
                   "SpineTrial.sh"},
        FolderCase{"Linux: a Windows install seen from WSL",
                   &kLinuxConventions,
                   {"Program Files/Spine/Spine.com"},
                   "Program Files/Spine",
                   "Spine.com"},
        FolderCase{"Linux: a folder of the name is passed over",
                   &kLinuxConventions,
                   {"Spine/Spine.sh/", "Spine/SpineTrial.sh"},
                   "Spine",
                   "SpineTrial.sh"},
        FolderCase{"Linux: nothing of the names",
                   &kLinuxConventions,
                   {"Spine/Spine.bash", "Spine/Spine"},
                   "Spine",
                   nullptr}));

// The roots a table's locations hang from, set by the test.
RootLookup rootsIn(std::map<std::string, fs::path> roots) {
    return [roots = std::move(roots)](std::string_view root) -> std::optional<fs::path> {
        const auto found = roots.find(std::string(root));
        return found == roots.end() ? std::nullopt : std::optional(found->second);
    };
}

struct InstallsCase {
    const char* name;
    const SpineConventions* conventions;
    std::vector<const char*> files; // below the temporary folder
    bool withHome;                  // HOME is the folder "home"
    std::vector<const char*> found; // in order
};

void PrintTo(const InstallsCase& c, std::ostream* os) {
    *os << c.name;
}

class InstallsOfEveryTableTest : public testing::TestWithParam<InstallsCase> {};

TEST_P(InstallsOfEveryTableTest, ListsTheLocationsInTableOrder) {
    const InstallsCase& c = GetParam();
    const TempDir dir;
    for (const char* file : c.files) {
        dir.write(file, "");
    }
    std::map<std::string, fs::path> roots{{kFileSystemRoot, dir.path() / "root"}};
    if (c.withHome) {
        roots["HOME"] = dir.path() / "home";
    }
    std::vector<fs::path> expected;
    for (const char* file : c.found) {
        expected.push_back(fs::canonical(dir.path() / file));
    }
    EXPECT_EQ(findInstallations(*c.conventions, rootsIn(roots)), expected);
}

const std::vector<const char*> kEveryMacInstall = {
    "home/Applications/Spine.app/Contents/MacOS/Spine",
    "root/Applications/Spine/Spine.app/Contents/MacOS/Spine",
    "root/Applications/Spine.app/Contents/MacOS/Spine",
};
const std::vector<const char*> kEveryLinuxInstall = {
    "root/mnt/c/Program Files (x86)/Spine/Spine.com",
    "root/mnt/c/Program Files/Spine/Spine.com",
    "home/Spine/SpineTrial.sh",
    "home/Spine/Spine.sh",
};

INSTANTIATE_TEST_SUITE_P(
    Table, InstallsOfEveryTableTest,
    testing::Values(
        InstallsCase{"macOS: all three, in order",
                     &kMacConventions,
                     kEveryMacInstall,
                     true,
                     {"root/Applications/Spine.app/Contents/MacOS/Spine",
                      "root/Applications/Spine/Spine.app/Contents/MacOS/Spine",
                      "home/Applications/Spine.app/Contents/MacOS/Spine"}},
        InstallsCase{"macOS: without HOME, the system's own",
                     &kMacConventions,
                     kEveryMacInstall,
                     false,
                     {"root/Applications/Spine.app/Contents/MacOS/Spine",
                      "root/Applications/Spine/Spine.app/Contents/MacOS/Spine"}},
        InstallsCase{"macOS: a per-user install alone",
                     &kMacConventions,
                     {"home/Applications/Spine.app/Contents/MacOS/Spine"},
                     true,
                     {"home/Applications/Spine.app/Contents/MacOS/Spine"}},
        InstallsCase{"Linux: all four, in order",
                     &kLinuxConventions,
                     kEveryLinuxInstall,
                     true,
                     {"home/Spine/Spine.sh", "home/Spine/SpineTrial.sh",
                      "root/mnt/c/Program Files/Spine/Spine.com",
                      "root/mnt/c/Program Files (x86)/Spine/Spine.com"}},
        InstallsCase{"Linux: without HOME, the WSL paths",
                     &kLinuxConventions,
                     kEveryLinuxInstall,
                     false,
                     {"root/mnt/c/Program Files/Spine/Spine.com",
                      "root/mnt/c/Program Files (x86)/Spine/Spine.com"}},
        InstallsCase{
            "Linux: nothing installed", &kLinuxConventions, {"home/Spine/Spine"}, true, {}},
        InstallsCase{"Windows: nothing but its program folders",
                     &kWindowsConventions,
                     {"root/Spine/Spine.com", "home/Spine/Spine.com"},
                     true,
                     {}}));

TEST(SystemRootTest, OnlyAnAbsoluteValueIsARoot) {
    const TempDir dir;
    EXPECT_EQ(systemRoot(kFileSystemRoot), fs::path("/"));
    const ScopedEnvironment unset("HBK_ROOT_TEST", std::nullopt);
    EXPECT_EQ(systemRoot("HBK_ROOT_TEST"), std::nullopt);
    for (const char* relative : {".", "tools", "./", "C:tools"}) {
        const ScopedEnvironment set("HBK_ROOT_TEST", relative);
        EXPECT_EQ(systemRoot("HBK_ROOT_TEST"), std::nullopt) << relative;
    }
    if (!kWindows) { // the Windows C runtime cannot hold an empty variable
        const ScopedEnvironment empty("HBK_ROOT_TEST", "");
        EXPECT_EQ(systemRoot("HBK_ROOT_TEST"), std::nullopt);
    }
    const ScopedEnvironment absolute("HBK_ROOT_TEST", dir.path().string());
    EXPECT_EQ(systemRoot("HBK_ROOT_TEST"), dir.path());
}

TEST(SpineLocatorTest, UsesThePlatformsTable) {
    const TempDir dir;
    const fs::path installed =
        dir.write(kWindows ? "pf/Spine/Spine.com" : "home/Spine/Spine.sh", "");
    const ScopedEnvironment programFiles("ProgramFiles", (dir.path() / "pf").string());
    const ScopedEnvironment programFilesX86("ProgramFiles(x86)", std::nullopt);
    const ScopedEnvironment home("HOME", (dir.path() / "home").string());
    const std::vector<fs::path> found = SpineLocator().findInstallations();
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front(), fs::canonical(installed));
    EXPECT_EQ(SpineLocator().resolveExecutable(installed.parent_path()), fs::canonical(installed));
}

// The Windows table through the real environment, on every platform.
class FindInstallationsTest : public testing::Test {
protected:
    std::vector<fs::path> find(const std::optional<std::string>& programFiles,
                               const std::optional<std::string>& programFilesX86) const {
        const ScopedEnvironment first("ProgramFiles", programFiles);
        const ScopedEnvironment second("ProgramFiles(x86)", programFilesX86);
        return findInstallations(kWindowsConventions, systemRoot);
    }
    std::string folder(const char* name) const { return (dir.path() / name).string(); }
    TempDir dir;
};

TEST_F(FindInstallationsTest, NeitherVariableSet) {
    EXPECT_TRUE(find(std::nullopt, std::nullopt).empty());
}

TEST_F(FindInstallationsTest, ListsEachFolderInOrderAndEachPathOnce) {
    dir.write("pf/Spine/Spine.com", "");
    dir.write("pf86/Spine/Spine.com", "");
    dir.write("empty/readme.txt", "");
    const fs::path pf = fs::canonical(dir.path() / "pf/Spine/Spine.com");
    const fs::path pf86 = fs::canonical(dir.path() / "pf86/Spine/Spine.com");
    using List = std::vector<fs::path>;

    EXPECT_EQ(find(folder("pf"), folder("pf86")), (List{pf, pf86}));
    EXPECT_EQ(find(folder("pf86"), folder("pf")), (List{pf86, pf}));
    EXPECT_EQ(find(folder("pf"), folder("pf")), (List{pf}));
    EXPECT_EQ(find(folder("pf"), folder("pf") + "/./"), (List{pf}));
    EXPECT_EQ(find(std::nullopt, folder("pf86")), (List{pf86}));
    EXPECT_EQ(find(folder("empty"), folder("pf86")), (List{pf86}));
    EXPECT_EQ(find(folder("missing"), std::nullopt), List{});
}

TEST_F(FindInstallationsTest, PrintsTheNormalisedForm) {
    dir.write("pf/Spine/Spine.com", "");
    const std::vector<fs::path> found = find(folder("pf") + (kWindows ? "\\" : "/"), std::nullopt);
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].native(), fs::canonical(dir.path() / "pf/Spine/Spine.com").native());
    // Uniform separators: the forward slash of "Spine/Spine.com" is gone.
    if (kWindows) {
        EXPECT_EQ(found[0].native().find(L'/'), std::wstring::npos);
    }
}

TEST_F(FindInstallationsTest, SpineComFolderIsNotListed) {
    fs::create_directories(dir.path() / "pf/Spine/Spine.com");
    EXPECT_TRUE(find(folder("pf"), std::nullopt).empty());
}

TEST_F(FindInstallationsTest, OnlyAnAbsoluteValueNamesAProgramFolder) {
    // A Spine planted in the current folder, as a checkout could hold one.
    dir.write("Spine/Spine.com", "");
    dir.write("tools/Spine/Spine.com", "");
    const ScopedCurrentDirectory inside(dir.path().string());
    EXPECT_TRUE(find(".", "tools").empty());
    EXPECT_TRUE(find("./", std::nullopt).empty());
    if (!kWindows) { // the Windows C runtime cannot hold an empty variable
        EXPECT_TRUE(find("", "").empty());
    }
    EXPECT_EQ(find(dir.path().string(), std::nullopt),
              std::vector<fs::path>{fs::canonical(dir.path() / "Spine/Spine.com")});
}

struct AbsoluteCase {
    const char* path;
    bool absolute;
};

TEST(IsAbsolutePathTest, NamesTheSamePlaceFromAnywhere) {
    const std::vector<AbsoluteCase> cases =
        kWindows
            ? std::vector<AbsoluteCase>{{"C:\\Program Files", true},
                                        {"c:/Program Files", true},
                                        {"\\\\server\\share", true},
                                        {"//server/share", true},
                                        {"\\\\?\\C:\\Program Files", true},
                                        {"\\\\.\\C:\\Program Files", true},
                                        {"C:Program Files", false},
                                        {"C:", false},
                                        {"\\Program Files", false},
                                        {"Program Files", false},
                                        {"", false}}
            : std::vector<AbsoluteCase>{
                  {"/opt", true}, {"//opt", true}, {"opt", false}, {"./opt", false}, {"", false}};
    for (const AbsoluteCase& c : cases) {
        EXPECT_EQ(isAbsolutePath(c.path), c.absolute) << c.path;
    }
}

TEST(NormalizePathTest, ResolvesDotsToAnAbsolutePath) {
    const TempDir dir;
    dir.write("a/file", "");
    const fs::path messy = dir.path() / "a" / "." / ".." / "a" / "file";
    EXPECT_EQ(normalizePath(messy), fs::canonical(dir.path() / "a/file"));
}

#ifdef _WIN32
TEST(NormalizePathTest, KeepsTheDevicePrefixes) {
    // The standard library sees no root in these forms and would make
    // them paths on the current drive.
    const TempDir dir;
    dir.write("a/file", "");
    const std::wstring plain = fs::canonical(dir.path() / "a/file").native();
    struct Case {
        std::wstring given;
        std::wstring normal;
    };
    for (const Case& c : {Case{L"\\\\?\\" + plain, L"\\\\?\\" + plain},
                          Case{L"\\\\.\\" + plain, L"\\\\.\\" + plain},
                          Case{L"\\\\.\\" + plain.substr(0, 2) + L"\\a\\..\\" + plain.substr(3),
                               L"\\\\.\\" + plain}}) {
        const fs::path normal = normalizePath(c.given);
        EXPECT_EQ(normal.native(), c.normal);
        EXPECT_EQ(fs::status(normal).type(), fs::file_type::regular) << normal;
    }
}

TEST(NormalizePathTest, KeepsAPathWhoseFullFormIsNotTheSameFile) {
    // No file to compare with: the path stays exactly as given.
    const TempDir dir;
    const fs::path missing = dir.path() / "missing" / ".." / "file";
    EXPECT_EQ(normalizePath(missing).native(), missing.native());
}
#endif

} // namespace
} // namespace hbk
