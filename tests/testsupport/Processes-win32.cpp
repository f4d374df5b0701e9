#include "testsupport/Processes.h"

#include <windows.h>

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

} // namespace hbk::test
