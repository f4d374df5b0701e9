// Reads the version resource and the manifest back from the built
// halbrook-cli.exe, through the same calls Explorer and the loader use.
#include <windows.h>

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <type_traits>
#include <vector>

namespace hbk {
namespace {

const std::filesystem::path kTool = HBK_TOOL_EXE;

// The project version as CMake states it, padded with zeros to the four
// numbers of the fixed file info.
std::array<WORD, 4> projectVersionNumbers() {
    std::array<WORD, 4> numbers{};
    std::istringstream text(HBK_PROJECT_VERSION);
    std::string number;
    for (std::size_t i = 0; i < numbers.size() && std::getline(text, number, '.'); ++i) {
        numbers[i] = static_cast<WORD>(std::stoul(number));
    }
    return numbers;
}

std::array<WORD, 4> split(DWORD high, DWORD low) {
    return {HIWORD(high), LOWORD(high), HIWORD(low), LOWORD(low)};
}

// The expected texts are ASCII, so widening char by char is exact.
std::wstring widen(const std::string& text) {
    return {text.begin(), text.end()};
}

std::vector<char> readVersionInfo() {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(kTool.c_str(), &ignored);
    std::vector<char> block(size);
    if (size == 0 || !GetFileVersionInfoW(kTool.c_str(), 0, size, block.data())) {
        return {};
    }
    return block;
}

TEST(VersionResourceTest, FixedInfoCarriesTheProjectVersion) {
    const std::vector<char> block = readVersionInfo();
    ASSERT_FALSE(block.empty()) << "no version resource, error " << GetLastError();
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&info), &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));

    EXPECT_EQ(info->dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(split(info->dwFileVersionMS, info->dwFileVersionLS), projectVersionNumbers());
    EXPECT_EQ(split(info->dwProductVersionMS, info->dwProductVersionLS), projectVersionNumbers());
    EXPECT_EQ(info->dwFileType, static_cast<DWORD>(VFT_APP));
    EXPECT_EQ(info->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
    // Neither a debug, a prerelease nor a patched build.
    EXPECT_EQ(info->dwFileFlags & info->dwFileFlagsMask, 0U);
}

TEST(VersionResourceTest, StringsNameTheToolAndItsVersion) {
    const std::vector<char> block = readVersionInfo();
    ASSERT_FALSE(block.empty()) << "no version resource, error " << GetLastError();

    // One translation, U.S. English in UTF-16, and the strings under it.
    WORD* translation = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                               reinterpret_cast<void**>(&translation), &length));
    ASSERT_EQ(length, 2 * sizeof(WORD));
    EXPECT_EQ(translation[0], 0x0409);
    EXPECT_EQ(translation[1], 1200);

    const std::array<WORD, 4> n = projectVersionNumbers();
    const std::wstring fileVersionText = std::to_wstring(n[0]) + L"." + std::to_wstring(n[1]) +
                                         L"." + std::to_wstring(n[2]) + L"." +
                                         std::to_wstring(n[3]);
    struct Case {
        std::wstring name;
        std::wstring value;
    };
    const Case cases[] = {
        {L"FileVersion", fileVersionText},
        {L"ProductVersion", widen(HBK_PROJECT_VERSION)},
        {L"FileDescription", widen(HBK_PROJECT_DESCRIPTION)},
        {L"ProductName", L"halbrook-cli"},
        {L"OriginalFilename", kTool.filename().wstring()},
        {L"InternalName", kTool.stem().wstring()},
        {L"CompanyName", L"Halbrook"},
    };
    for (const Case& c : cases) {
        const std::wstring key = L"\\StringFileInfo\\040904B0\\" + c.name;
        wchar_t* value = nullptr;
        UINT characters = 0;
        ASSERT_TRUE(VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value),
                                   &characters))
            << "no version string " << c.name;
        EXPECT_EQ(std::wstring(value), c.value);
    }
}

struct ModuleFree {
    void operator()(HMODULE module) const { FreeLibrary(module); }
};
using Module = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleFree>;

// RT_MANIFEST and CREATEPROCESS_MANIFEST_RESOURCE_ID, as wide names: the
// headers spell them for the ANSI functions, as the build defines no UNICODE.
const LPCWSTR kManifestType = MAKEINTRESOURCEW(24);
const LPCWSTR kProcessManifestId = MAKEINTRESOURCEW(1);

BOOL CALLBACK collectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) {
    reinterpret_cast<std::vector<ULONG_PTR>*>(names)->push_back(reinterpret_cast<ULONG_PTR>(name));
    return TRUE;
}

TEST(ManifestTest, RunsAsInvokerAndDeclaresWindows10And11) {
    const Module module(LoadLibraryExW(kTool.c_str(), nullptr,
                                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    ASSERT_NE(module, nullptr) << "cannot load the .exe as data, error " << GetLastError();

    // Exactly one manifest, the one the loader reads: a second one (a
    // toolchain's default) would go unnoticed otherwise.
    std::vector<ULONG_PTR> names;
    EnumResourceNamesW(module.get(), kManifestType, collectName,
                       reinterpret_cast<LONG_PTR>(&names));
    EXPECT_EQ(names, std::vector<ULONG_PTR>{1});

    HRSRC found = FindResourceW(module.get(), kProcessManifestId, kManifestType);
    ASSERT_NE(found, nullptr) << "no manifest, error " << GetLastError();
    HGLOBAL loaded = LoadResource(module.get(), found);
    ASSERT_NE(loaded, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(loaded)),
                               SizeofResource(module.get(), found));

    EXPECT_EQ(manifest.rfind("<?xml ", 0), 0U) << manifest;
    EXPECT_NE(manifest.find("<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"),
              std::string::npos)
        << manifest;
    EXPECT_NE(manifest.find("<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"),
              std::string::npos)
        << manifest;
}

// The side-by-side parser the loader runs at start-up accepts the manifest;
// where it does not, Windows refuses to start the program.
TEST(ManifestTest, ParsesAsAnActivationContext) {
    ACTCTXW context{};
    context.cbSize = sizeof(context);
    context.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    context.lpSource = kTool.c_str();
    context.lpResourceName = kProcessManifestId;
    const HANDLE handle = CreateActCtxW(&context);
    ASSERT_NE(handle, INVALID_HANDLE_VALUE) << "error " << GetLastError();
    ReleaseActCtx(handle);
}

} // namespace
} // namespace hbk
