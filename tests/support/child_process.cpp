#include "support/child_process.hpp"

#include <stdexcept>

#include "base/error.hpp"
#include "platform/child_process.hpp"

namespace felmo::testing {
namespace fs = std::filesystem;

ProcessResult runProcess(const fs::path& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options) {
    ChildProcessOptions childOptions;
    childOptions.environment.assign(options.environment.begin(), options.environment.end());
    childOptions.workingDirectory = options.workingDirectory.string();
    using Output = ChildProcessOptions::Output;
    childOptions.standardOutput = options.captureOutput ? Output::Capture : Output::Discard;
    childOptions.standardError = options.captureOutput ? Output::Capture : Output::Inherit;

    const auto start = std::chrono::steady_clock::now();
    ChildProcess child;
    try {
        child = ChildProcess::start(program.string(), arguments, childOptions);
    } catch (const Error& error) {
        throw std::runtime_error("cannot start " + program.string() + ": " + error.what());
    }
    ProcessResult result;
    std::optional<ChildExit> exit = child.waitFor(options.timeout);
    if (!exit) {
        child.stop();
        result.timedOut = true;
    }
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    result.exitStatus = exit && exit->signal == 0 ? exit->status : -1;
    result.out = child.capturedOutput();
    result.err = child.capturedError();
    return result;
}

}  // namespace felmo::testing
