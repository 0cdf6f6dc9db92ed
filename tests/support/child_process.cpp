#include "support/child_process.hpp"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <thread>

#include "support/temporary_folder.hpp"
#include "support/text_files.hpp"

extern char** environ;

namespace felmo::testing {
namespace fs = std::filesystem;

namespace {

std::vector<std::string> environmentFor(const ProcessOptions& options) {
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
    std::vector<std::string> texts;
    for (const auto& [name, value] : environment)
        texts.push_back(name + "=" + value);
    return texts;
}

std::vector<char*> pointersTo(std::vector<std::string>& texts) {
    std::vector<char*> pointers;
    for (std::string& text : texts)
        pointers.push_back(text.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Waits for the child to end and reaps it; kills it first when `timeout` passes. The child is
// only looked at (not reaped) until the watchdog knows it has ended, so the watchdog can never
// signal a process that took over its id.
int waitFor(pid_t pid, std::chrono::milliseconds timeout, bool& timedOut) {
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    std::thread watchdog([&] {
        std::unique_lock lock(mutex);
        if (!ended.wait_for(lock, timeout, [&] { return done; })) {
            ::kill(pid, SIGKILL);
            timedOut = true;
        }
    });
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) < 0 &&
           errno == EINTR) {
    }
    {
        std::lock_guard lock(mutex);
        done = true;
    }
    ended.notify_one();
    watchdog.join();
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

}  // namespace

ProcessResult runProcess(const fs::path& program, const std::vector<std::string>& arguments,
                         const ProcessOptions& options) {
    std::vector<std::string> environmentText = environmentFor(options);
    std::vector<char*> environment = pointersTo(environmentText);
    std::vector<std::string> argumentText{program.string()};
    argumentText.insert(argumentText.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv = pointersTo(argumentText);

    std::optional<TemporaryFolder> capture;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    if (options.captureOutput) {
        capture.emplace("child");
        posix_spawn_file_actions_addopen(&actions, 1, (capture->path() / "out").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_addopen(&actions, 2, (capture->path() / "err").c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0644);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    }
    if (!options.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions, options.workingDirectory.c_str());

    const auto start = std::chrono::steady_clock::now();
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + program.string());

    ProcessResult result;
    const int status = waitFor(pid, options.timeout, result.timedOut);
    result.elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start);
    result.exitStatus = !result.timedOut && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (capture) {
        result.out = readText(capture->path() / "out");
        result.err = readText(capture->path() / "err");
    }
    return result;
}

}  // namespace felmo::testing
