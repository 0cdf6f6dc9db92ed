// The whole headless run as the user starts it: one felmo-cli process that unpacks the five
// built-in defaults through bmconv and builds the five .mbm files again. Target: under 150 ms.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Runs felmo-cli with `arguments`, TMPDIR set to `tmpDir`, output discarded; its exit status.
int runFelmoCli(const std::vector<std::string>& arguments, const fs::path& tmpDir) {
    std::vector<std::string> environmentText;
    for (char** entry = environ; *entry != nullptr; ++entry)
        if (std::string(*entry).rfind("TMPDIR=", 0) != 0)
            environmentText.emplace_back(*entry);
    environmentText.push_back("TMPDIR=" + tmpDir.string());
    std::vector<char*> environment;
    for (std::string& text : environmentText)
        environment.push_back(text.data());
    environment.push_back(nullptr);

    const fs::path program = fs::path(FELMO_BIN_DIR) / "felmo-cli";
    std::vector<std::string> argumentText{program.string()};
    argumentText.insert(argumentText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (std::string& text : argumentText)
        argv.push_back(text.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void BM_HeadlessStartUpAndBuild(benchmark::State& state) {
    char pattern[] = "/tmp/felmo-cli-bench-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        state.SkipWithError("mkdtemp failed");
        return;
    }
    const fs::path root = pattern;
    fs::create_directories(root / "tmp");
    const std::vector<std::string> arguments = {"--settings", (root / "Settings.ini").string(),
                                                "--output", (root / "out").string()};
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(root / "out");  // no user files: the defaults are unpacked
        state.ResumeTiming();
        if (runFelmoCli(arguments, root / "tmp") != 0) {
            state.SkipWithError("felmo-cli failed");
            break;
        }
    }
    fs::remove_all(root);
}
BENCHMARK(BM_HeadlessStartUpAndBuild)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
