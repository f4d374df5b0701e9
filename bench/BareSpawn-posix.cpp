#include "BareSpawn.h"

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace hbk::bench {

void spawnAndWait(const std::filesystem::path& program) {
    std::string name = program.native();
    char* argv[] = {name.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, name.c_str(), nullptr, nullptr, argv, environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
    }
}

} // namespace hbk::bench
