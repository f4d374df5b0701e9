#pragma once

#include <optional>
#include <string>

namespace hbk::test {

// Sets (or with nullopt removes) an environment variable of this process
// for the lifetime of the object, then restores what was there.
class ScopedEnvironment {
public:
    ScopedEnvironment(std::string name, const std::optional<std::string>& value);
    ~ScopedEnvironment();
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    std::string name_;
    std::optional<std::string> previous_;
};

// Changes the current directory for the lifetime of the object.
class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const std::string& directory);
    ~ScopedCurrentDirectory();
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

private:
    std::string previous_;
};

void setEnvironment(const std::string& name, const std::optional<std::string>& value);

} // namespace hbk::test
