#include "ChildPlatform.h"
#include "process/WindowsCommandLine.h"

#include <windows.h>

#include <shellapi.h>

namespace child {

namespace {

std::string narrow(std::wstring_view wide) {
    if (wide.empty()) {
        return {};
    }
    const int size = static_cast<int>(wide.size());
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), bytes, nullptr, nullptr);
    return out;
}

} // namespace

void writeRaw(int stream, std::string_view bytes) {
    const HANDLE handle = GetStdHandle(stream == 1 ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE);
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written == 0) {
            return;
        }
        bytes.remove_prefix(written);
    }
}

void closeOutputs() {
    CloseHandle(GetStdHandle(STD_OUTPUT_HANDLE));
    if (GetStdHandle(STD_ERROR_HANDLE) != GetStdHandle(STD_OUTPUT_HANDLE)) {
        CloseHandle(GetStdHandle(STD_ERROR_HANDLE));
    }
    SetStdHandle(STD_OUTPUT_HANDLE, nullptr);
    SetStdHandle(STD_ERROR_HANDLE, nullptr);
}

void sleepMilliseconds(std::int64_t milliseconds) {
    Sleep(static_cast<DWORD>(milliseconds));
}

void exitWith(std::int64_t code) {
    ExitProcess(static_cast<UINT>(code));
}

std::int64_t spawnSelf(const std::vector<std::string>& arguments) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine = hbk::buildCommandLine(self, arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                        &startup, &info)) {
        return -1;
    }
    CloseHandle(info.hThread);
    CloseHandle(info.hProcess);
    return info.dwProcessId;
}

std::int64_t processId() {
    return GetCurrentProcessId();
}

std::string executablePath() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH * 4);
    return narrow(std::wstring_view(buffer, length));
}

void leaveSession() {}

std::string readInput() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(input, buffer, sizeof(buffer), &got, nullptr) && got > 0) {
        text.append(buffer, got);
    }
    return text;
}

std::string signalDispositions() {
    return {};
}

std::string currentDirectory() {
    wchar_t buffer[MAX_PATH * 4];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH * 4, buffer);
    return narrow(std::wstring_view(buffer, length));
}

std::string commandLine() {
    return narrow(GetCommandLineW());
}

std::vector<std::string> arguments(int, char**) {
    int count = 0;
    wchar_t** items = CommandLineToArgvW(GetCommandLineW(), &count);
    std::vector<std::string> out;
    for (int i = 1; i < count; ++i) {
        out.push_back(narrow(items[i]));
    }
    LocalFree(items);
    return out;
}

std::string environmentValue(const char* name) {
    const std::wstring wide(name, name + std::char_traits<char>::length(name));
    wchar_t buffer[32768];
    const DWORD length = GetEnvironmentVariableW(wide.c_str(), buffer, 32768);
    return length == 0 || length >= 32768 ? std::string()
                                          : narrow(std::wstring_view(buffer, length));
}

} // namespace child
