#include "discovery/SpineLocator.h"

#include "testsupport/Environment.h"
#include "testsupport/Platform.h"
#include "testsupport/TempDir.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

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

class ResolveExecutableTest : public testing::Test {
protected:
    std::optional<fs::path> resolve(const fs::path& path) const {
        return SpineLocator().resolveExecutable(path);
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

class FindInstallationsTest : public testing::Test {
protected:
    std::vector<fs::path> find(const std::optional<std::string>& programFiles,
                               const std::optional<std::string>& programFilesX86) const {
        const ScopedEnvironment first("ProgramFiles", programFiles);
        const ScopedEnvironment second("ProgramFiles(x86)", programFilesX86);
        return SpineLocator().findInstallations();
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
