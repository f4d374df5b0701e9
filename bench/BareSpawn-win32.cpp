#include "BareSpawn.h"

#include <windows.h>

#include <string>

namespace hbk::bench {

void spawnAndWait(const std::filesystem::path& program) {
    std::wstring commandLine = program.native();
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE,
                       CREATE_NO_WINDOW, nullptr, nullptr, &startup, &info)) {
        WaitForSingleObject(info.hProcess, INFINITE);
        CloseHandle(info.hThread);
        CloseHandle(info.hProcess);
    }
}

} // namespace hbk::bench
