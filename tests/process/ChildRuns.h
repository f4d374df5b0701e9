#pragma once

// What the runner's test files share: the test child (hbk-test-child) and
// one run of it.
#include "process/ProcessRunner.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

namespace hbk::test {

inline const std::filesystem::path kChild = HBK_TEST_CHILD;

inline ProcessResult runChild(std::vector<std::string> arguments, std::int64_t timeout = 30000) {
    ProcessRequest request;
    request.executable = kChild;
    request.arguments = std::move(arguments);
    request.timeout = timeout;
    return createProcessRunner()->run(request);
}

// The process id the child wrote with pid=, grandchild= or daemon=.
inline std::int64_t readId(const std::filesystem::path& file) {
    std::int64_t id = -1;
    std::ifstream(file) >> id;
    return id;
}

} // namespace hbk::test
