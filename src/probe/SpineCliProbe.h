#pragma once

#include "cli/Reports.h"
#include "probe/SpineOutputClassifier.h"
#include "process/ProcessRunner.h"

#include <cstdint>
#include <filesystem>

namespace hbk {

// Runs a Spine executable once with --version, in its own folder, and
// classifies what it printed. Borrows the runner; the caller keeps it alive.
class SpineCliProbe {
public:
    explicit SpineCliProbe(IProcessRunner& runner)
        : runner_(runner) {}

    ProbeReport probe(const std::filesystem::path& executable, std::int64_t timeout) const;

private:
    IProcessRunner& runner_;
    SpineOutputClassifier classifier_;
};

} // namespace hbk
