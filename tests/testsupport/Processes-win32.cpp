#include "testsupport/Processes.h"

#include <windows.h>

#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>

namespace hbk::test {

bool processGone(std::int64_t pid, std::chrono::milliseconds patience) {
    const HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(pid));
    if (process == nullptr) {
        return true;
    }
    const auto wait = static_cast<DWORD>(std::max<std::int64_t>(patience.count(), 0));
    const bool ended = WaitForSingleObject(process, wait) == WAIT_OBJECT_0;
    CloseHandle(process);
    return ended;
}

std::size_t openHandleCount() {
    // GetProcessHandleCount always says 0 under Wine, so count the handle
    // values that name an open handle instead.
    std::size_t count = 0;
    for (std::uintptr_t value = 4; value < 65536; value += 4) {
        DWORD flags = 0;
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) {
            ++count;
        }
    }
    return count;
}

namespace {

std::uint64_t creationTime(HANDLE process) {
    FILETIME created{};
    FILETIME exited{};
    FILETIME kernel{};
    FILETIME user{};
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    return (std::uint64_t{created.dwHighDateTime} << 32) | created.dwLowDateTime;
}

// A running process whose parent is this one: process ids are reused, so
// one that is older than this process only names an earlier parent.
bool isRunningChild(const PROCESSENTRY32W& entry, std::uint64_t since) {
    if (entry.th32ParentProcessID != GetCurrentProcessId()) {
        return false;
    }
    const HANDLE process =
        OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
    if (process == nullptr) {
        return false;
    }
    const bool running =
        WaitForSingleObject(process, 0) == WAIT_TIMEOUT && creationTime(process) >= since;
    CloseHandle(process);
    return running;
}

bool anyRunningChild() {
    const std::uint64_t since = creationTime(GetCurrentProcess());
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof(entry);
    bool found = false;
    for (BOOL more = Process32FirstW(snapshot, &entry); more && !found;
         more = Process32NextW(snapshot, &entry)) {
        found = isRunningChild(entry, since);
    }
    CloseHandle(snapshot);
    return found;
}

} // namespace

// The read end is inheritable, as a console or pipe handed to this
// process is; the write end is not.
ScopedPipedInput::ScopedPipedInput(std::string_view bytes) {
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof(inheritable);
    inheritable.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0)) {
        return;
    }
    SetHandleInformation(writeEnd, HANDLE_FLAG_INHERIT, 0);
    DWORD written = 0;
    WriteFile(writeEnd, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    previous_ = reinterpret_cast<std::intptr_t>(GetStdHandle(STD_INPUT_HANDLE));
    SetStdHandle(STD_INPUT_HANDLE, readEnd);
    writeEnd_ = reinterpret_cast<std::intptr_t>(writeEnd);
}

ScopedPipedInput::~ScopedPipedInput() {
    if (writeEnd_ != -1) {
        CloseHandle(GetStdHandle(STD_INPUT_HANDLE));
        SetStdHandle(STD_INPUT_HANDLE, reinterpret_cast<HANDLE>(previous_));
        CloseHandle(reinterpret_cast<HANDLE>(writeEnd_));
    }
}

bool noChildLeft(std::chrono::milliseconds patience) {
    const auto until = std::chrono::steady_clock::now() + patience;
    while (anyRunningChild()) {
        if (std::chrono::steady_clock::now() >= until) {
            return false;
        }
        Sleep(10);
    }
    return true;
}

} // namespace hbk::test
