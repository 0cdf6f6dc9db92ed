// The whole headless run as the user starts it: one felmo-cli process that unpacks the five
// built-in defaults through bmconv and builds the five .mbm files again. Target: under 150 ms.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <string>
#include <vector>

#include "support/child_process.hpp"
#include "support/temporary_folder.hpp"

namespace {

namespace fs = std::filesystem;
using felmo::testing::ProcessOptions;
using felmo::testing::runProcess;
using felmo::testing::TemporaryFolder;

void BM_HeadlessStartUpAndBuild(benchmark::State& state) {
    const TemporaryFolder folder("cli-bench");
    const fs::path& root = folder.path();
    fs::create_directories(root / "tmp");
    const std::vector<std::string> arguments = {"--settings", (root / "Settings.ini").string(),
                                                "--output", (root / "out").string()};
    ProcessOptions options;
    options.environment["TMPDIR"] = (root / "tmp").string();
    options.captureOutput = false;
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(root / "out");  // no user files: the defaults are unpacked
        state.ResumeTiming();
        if (runProcess(fs::path(FELMO_BIN_DIR) / "felmo-cli", arguments, options).exitStatus != 0) {
            state.SkipWithError("felmo-cli failed");
            break;
        }
    }
}
BENCHMARK(BM_HeadlessStartUpAndBuild)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
