#pragma once

#include <filesystem>
#include <string_view>

namespace hbk::test {

// A fresh folder below the system's temporary folder, removed with its
// contents when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Writes the bytes exactly (binary mode) to a file below the folder and
    // returns its path; missing parent folders are made.
    std::filesystem::path write(const std::filesystem::path& relative,
                                std::string_view bytes) const;

private:
    std::filesystem::path path_;
};

} // namespace hbk::test
