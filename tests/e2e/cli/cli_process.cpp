#include "cli_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace felmo::testing {
namespace fs = std::filesystem;

namespace {

std::string slurp(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

ProcessResult runProcess(const fs::path& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options) {
    std::map<std::string, std::string> environment;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string text = *entry;
        const std::size_t equals = text.find('=');
        if (equals != std::string::npos)
            environment[text.substr(0, equals)] = text.substr(equals + 1);
    }
    for (const auto& [name, value] : options.environment) {
        if (value.empty())
            environment.erase(name);
        else
            environment[name] = value;
    }
    std::vector<std::string> environmentText;
    for (const auto& [name, value] : environment)
        environmentText.push_back(name + "=" + value);
    std::vector<char*> environmentPointers;
    for (std::string& text : environmentText)
        environmentPointers.push_back(text.data());
    environmentPointers.push_back(nullptr);

    std::vector<std::string> argumentText{program.string()};
    argumentText.insert(argumentText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argumentPointers;
    for (std::string& text : argumentText)
        argumentPointers.push_back(text.data());
    argumentPointers.push_back(nullptr);

    char outPattern[] = "/tmp/felmo-cli-out-XXXXXX";
    char errPattern[] = "/tmp/felmo-cli-err-XXXXXX";
    const int outFile = mkstemp(outPattern);
    const int errFile = mkstemp(errPattern);
    if (outFile < 0 || errFile < 0)
        throw std::runtime_error("mkstemp failed");

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, outFile, 1);
    posix_spawn_file_actions_adddup2(&actions, errFile, 2);
    const fs::path cwd = fs::current_path();
    if (!options.workingDirectory.empty())
        fs::current_path(options.workingDirectory);
    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr,
                                    argumentPointers.data(), environmentPointers.data());
    if (!options.workingDirectory.empty())
        fs::current_path(cwd);
    posix_spawn_file_actions_destroy(&actions);
    close(outFile);
    close(errFile);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + program.string());

    ProcessResult result;
    int status = 0;
    for (;;) {
        const pid_t ended = waitpid(pid, &status, WNOHANG);
        if (ended == pid)
            break;
        if (std::chrono::steady_clock::now() - start > options.timeout) {
            ::kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            result.timedOut = true;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    result.exitStatus = !result.timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.out = slurp(outPattern);
    result.err = slurp(errPattern);
    fs::remove(outPattern);
    fs::remove(errPattern);
    return result;
}

}  // namespace felmo::testing
