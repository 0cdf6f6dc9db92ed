#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <map>
#include <thread>

#include "base/error.hpp"
#include "platform/child_process.hpp"
#include "platform/file_io.hpp"
#include "platform/posix_descriptor.hpp"

extern char** environ;

namespace felmo {

struct ChildProcess::State {
    pid_t pid = -1;  // -1 once reaped
    FileDescriptor pidDescriptor;
    FileDescriptor output;  // memory files receiving the captured streams
    FileDescriptor error;
    std::optional<ChildExit> exit;
};

void ChildProcess::StateDeleter::operator()(State* state) const noexcept {
    delete state;
}

namespace {

int openPidDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    long descriptor = ::syscall(SYS_pidfd_open, pid, 0);
    if (descriptor >= 0) {
        ::fcntl(static_cast<int>(descriptor), F_SETFD, FD_CLOEXEC);
        return static_cast<int>(descriptor);
    }
#else
    (void)pid;
#endif
    return -1;
}

// Frees the spawn attributes and file actions however start() leaves.
struct SpawnSetup {
    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
};

std::vector<std::string> environmentFor(const ChildProcessOptions& options) {
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

// Points `target` (1 or 2) where `mode` says; a captured stream goes to a new memory file.
void routeOutput(SpawnSetup& setup, int target, ChildProcessOptions::Output mode,
                 FileDescriptor& capture, const std::string& program) {
    switch (mode) {
        case ChildProcessOptions::Output::Discard:
            posix_spawn_file_actions_addopen(&setup.actions, target, "/dev/null", O_WRONLY, 0);
            break;
        case ChildProcessOptions::Output::Capture:
            capture.reset(::memfd_create("felmo-child-output", MFD_CLOEXEC));
            if (!capture.valid())
                throw Error(program + ": " + systemReason(errno));
            posix_spawn_file_actions_adddup2(&setup.actions, capture.get(), target);
            break;
        case ChildProcessOptions::Output::Inherit:
            break;
    }
}

std::string readCapture(const FileDescriptor& capture, std::size_t maxBytes) {
    if (!capture.valid())
        return {};
    struct stat info {};
    if (::fstat(capture.get(), &info) != 0)
        return {};
    std::string text(std::min<std::size_t>(maxBytes, static_cast<std::size_t>(info.st_size)), '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t got = ::pread(capture.get(), text.data() + done, text.size() - done,
                                    static_cast<off_t>(done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        done += static_cast<std::size_t>(got);
    }
    text.resize(done);
    return text;
}

// Reaps the process when it has ended (or, with `block`, once it ends).
void reap(ChildProcess::State& state, bool block) {
    if (state.pid <= 0)
        return;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(state.pid, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return;  // still running
    state.pid = -1;
    ChildExit exit;
    if (result < 0)
        exit.statusKnown = false;  // reaped elsewhere (SIGCHLD ignored): the status is lost
    else if (WIFEXITED(status))
        exit.status = WEXITSTATUS(status);
    else
        exit = ChildExit{128 + WTERMSIG(status), WTERMSIG(status), true};
    state.exit = exit;
}

}  // namespace

ChildProcess ChildProcess::start(const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const ChildProcessOptions& options) {
    ChildProcess child;
    auto state = std::make_unique<State>();
    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    routeOutput(setup, STDOUT_FILENO, options.standardOutput, state->output, program);
    routeOutput(setup, STDERR_FILENO, options.standardError, state->error, program);
    if (!options.workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&setup.actions, options.workingDirectory.c_str());
    // The child starts with no blocked signals and every signal at its default action, whatever
    // the front end did with its own.
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&setup.attributes, &signals);
    sigfillset(&signals);
    sigdelset(&signals, SIGKILL);
    sigdelset(&signals, SIGSTOP);
    posix_spawnattr_setsigdefault(&setup.attributes, &signals);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<std::string> argumentTexts{program};
    argumentTexts.insert(argumentTexts.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv = pointersTo(argumentTexts);
    std::vector<std::string> environmentTexts;
    std::vector<char*> environment;
    if (!options.environment.empty()) {
        environmentTexts = environmentFor(options);
        environment = pointersTo(environmentTexts);
    }
    pid_t pid = -1;
    const int result =
        ::posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, argv.data(),
                      options.environment.empty() ? environ : environment.data());
    if (result != 0)
        throw Error(program + ": " + systemReason(result));
    state->pid = pid;
    state->pidDescriptor.reset(openPidDescriptor(pid));
    child.state_.reset(state.release());
    return child;
}

std::optional<ChildExit> ChildProcess::poll() {
    if (!state_)
        return std::nullopt;
    reap(*state_, /*block=*/false);
    return state_->exit;
}

std::optional<ChildExit> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    if (!state_)
        return std::nullopt;
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (state_->pid > 0) {
        reap(*state_, /*block=*/false);
        if (state_->pid <= 0)
            break;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        if (state_->pidDescriptor.valid()) {
            pollfd watch{state_->pidDescriptor.get(), POLLIN, 0};
            ::poll(&watch, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        } else {
            std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(5)));
        }
    }
    return state_->exit;
}

std::optional<ChildExit> ChildProcess::wait() {
    if (!state_)
        return std::nullopt;
    reap(*state_, /*block=*/true);
    return state_->exit;
}

void ChildProcess::stop() {
    if (!state_ || state_->pid <= 0)
        return;
    // Not reaped yet, so the id is still this child's.
    ::kill(state_->pid, SIGKILL);
    reap(*state_, /*block=*/true);
}

std::string ChildProcess::capturedOutput(std::size_t maxBytes) const {
    return state_ ? readCapture(state_->output, maxBytes) : std::string();
}

std::string ChildProcess::capturedError(std::size_t maxBytes) const {
    return state_ ? readCapture(state_->error, maxBytes) : std::string();
}

NativeHandle ChildProcess::completionHandle() const {
    return state_ && state_->pidDescriptor.valid() ? state_->pidDescriptor.get() : kNoNativeHandle;
}

bool hasCompleted(NativeHandle completion) {
    if (completion == kNoNativeHandle)
        return false;
    pollfd watched{static_cast<int>(completion), POLLIN, 0};
    return ::poll(&watched, 1, 0) > 0 && (watched.revents & POLLIN) != 0;
}

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

}  // namespace felmo
