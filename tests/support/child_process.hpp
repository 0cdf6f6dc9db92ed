// Runs a program as a child process for the whole-program tests and the benchmarks: standard
// input closed (/dev/null), its own environment and working directory, standard output and error
// captured, killed when it overruns its time.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace felmo::testing {

struct ProcessResult {
    int exitStatus = -1;  // -1 when it was killed or ended by a signal
    bool timedOut = false;
    std::string out;
    std::string err;
    std::chrono::milliseconds elapsed{0};
};

struct ProcessOptions {
    // Variables set (or, with an empty value, removed) on top of this process's environment.
    std::map<std::string, std::string> environment;
    std::filesystem::path workingDirectory;  // empty: this process's
    std::chrono::milliseconds timeout{60000};
    // Off (for benchmarks): standard output goes to the null device and standard error stays this
    // process's, so nothing is written or read back for the run.
    bool captureOutput = true;
};

// Throws std::runtime_error when the program cannot be started.
ProcessResult runProcess(const std::filesystem::path& program,
                         const std::vector<std::string>& arguments,
                         const ProcessOptions& options = {});

}  // namespace felmo::testing
