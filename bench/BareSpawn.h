#pragma once

#include <filesystem>

namespace hbk::bench {

// Starts the program with no arguments and waits for it, with nothing else:
// no pipe, no job or process group, no output collection. The baseline the
// runner is measured against.
void spawnAndWait(const std::filesystem::path& program);

} // namespace hbk::bench
