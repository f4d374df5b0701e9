#include "testsupport/Environment.h"

#include <cstdlib>
#include <filesystem>

namespace hbk::test {

ScopedEnvironment::ScopedEnvironment(std::string name, const std::optional<std::string>& value)
    : name_(std::move(name)) {
    if (const char* old = std::getenv(name_.c_str())) {
        previous_ = old;
    }
    setEnvironment(name_, value);
}

ScopedEnvironment::~ScopedEnvironment() {
    setEnvironment(name_, previous_);
}

ScopedCurrentDirectory::ScopedCurrentDirectory(const std::string& directory)
    : previous_(std::filesystem::current_path().string()) {
    std::filesystem::current_path(directory);
}

ScopedCurrentDirectory::~ScopedCurrentDirectory() {
    std::filesystem::current_path(previous_);
}

} // namespace hbk::test
