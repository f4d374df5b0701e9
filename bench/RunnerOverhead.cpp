// Reports what IProcessRunner::run costs on top of starting a child and
// waiting for it: wall time per run of a child that ends at once, for the
// runner and for a bare spawn-and-wait of the same child, side by side.
#include "BareSpawn.h"
#include "process/ProcessRunner.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

struct Figures {
    double median;
    double mean;
    double minimum;
};

Figures measure(int runs, const std::function<void()>& once) {
    once(); // warm the file cache and the runtime
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto start = Clock::now();
        once();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(ms.begin(), ms.end());
    double sum = 0;
    for (const double value : ms) {
        sum += value;
    }
    return {ms[ms.size() / 2], sum / static_cast<double>(ms.size()), ms.front()};
}

void print(const char* label, const Figures& f) {
    std::printf("  %-22s median %8.3f ms   mean %8.3f ms   min %8.3f ms\n", label, f.median, f.mean,
                f.minimum);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: runner-overhead <quick-child> [runs]\n");
        return 2;
    }
    const std::filesystem::path child = argv[1];
    const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 200;

    const auto runner = hbk::createProcessRunner();
    hbk::ProcessRequest request;
    request.executable = child;
    request.workingDirectory = child.parent_path();

    const Figures bare = measure(runs, [&] { hbk::bench::spawnAndWait(child); });
    const Figures viaRunner = measure(runs, [&] { runner->run(request); });

    std::printf("runner overhead: %d runs of a child that ends at once\n", runs);
    print("bare spawn and wait", bare);
    print("IProcessRunner::run", viaRunner);
    std::printf("  %-22s median %+8.3f ms (%+.0f%%)\n", "overhead", viaRunner.median - bare.median,
                100.0 * (viaRunner.median - bare.median) / bare.median);
    return 0;
}
