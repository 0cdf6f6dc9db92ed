#include "workspace/converter.hpp"

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
#include <cstdlib>
#include <thread>

#include "base/file_io.hpp"
#include "base/translation.hpp"
#include "workspace/paths.hpp"

extern char** environ;

namespace felmo {
namespace {

constexpr std::string_view kConverterName = "bmconv";
constexpr std::size_t kMaxErrorTextBytes = 4000;

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           ::access(path.c_str(), X_OK) == 0;
}

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

std::string trimmed(std::string text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.back()))
        text.pop_back();
    std::size_t start = 0;
    while (start < text.size() && blank(text[start]))
        ++start;
    return text.substr(start);
}

ConverterState failedToStart(std::string reason) {
    ConverterState state;
    state.kind = ConverterState::Kind::FailedToStart;
    state.message = std::move(reason);
    return state;
}

// Frees the spawn attributes and file actions however launch() leaves.
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

}  // namespace

ProcessConverterLauncher::ProcessConverterLauncher() = default;

ProcessConverterLauncher::ProcessConverterLauncher(std::string programPath)
    : programPath_(std::move(programPath)) {}

ProcessConverterLauncher::~ProcessConverterLauncher() {
    kill();
    closeDescriptors();
}

std::string ProcessConverterLauncher::findConverter() {
    std::string executable = currentExecutablePath();
    if (!executable.empty()) {
        std::string beside = executableFolderOf(executable) + std::string(kConverterName);
        if (isExecutableFile(beside))
            return beside;
    }
    const char* searchPath = std::getenv("PATH");
    std::string_view folders = searchPath ? searchPath : "/usr/local/bin:/usr/bin:/bin";
    while (true) {
        std::size_t colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        if (folder.empty())
            folder = ".";
        std::string candidate = folder + "/" + std::string(kConverterName);
        if (isExecutableFile(candidate))
            return candidate;
        if (colon == std::string_view::npos)
            break;
        folders.remove_prefix(colon + 1);
    }
    return {};
}

void ProcessConverterLauncher::closeDescriptors() {
    if (pidDescriptor_ >= 0)
        ::close(pidDescriptor_);
    if (errorCapture_ >= 0)
        ::close(errorCapture_);
    pidDescriptor_ = -1;
    errorCapture_ = -1;
}

void ProcessConverterLauncher::launch(const std::string& workingDirectory) {
    if (pid_ > 0)
        reapIfEnded(/*block=*/true);
    closeDescriptors();

    std::string program = programPath_.empty() ? findConverter() : programPath_;
    if (program.empty()) {
        last_ = failedToStart(formatMessage(
            _("программа %1 не найдена ни рядом с программой, ни в PATH"), kConverterName));
        return;
    }

    errorCapture_ = ::memfd_create("felmo-converter-stderr", MFD_CLOEXEC);
    if (errorCapture_ < 0) {
        last_ = failedToStart(systemReason(errno));
        return;
    }

    SpawnSetup setup;
    posix_spawn_file_actions_addopen(&setup.actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&setup.actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&setup.actions, errorCapture_, STDERR_FILENO);
    posix_spawn_file_actions_addchdir_np(&setup.actions, workingDirectory.c_str());
    // The converter starts with no blocked signals and every signal at its default action,
    // whatever the front end did with its own.
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&setup.attributes, &signals);
    sigfillset(&signals);
    sigdelset(&signals, SIGKILL);
    sigdelset(&signals, SIGSTOP);
    posix_spawnattr_setsigdefault(&setup.attributes, &signals);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::string argument(kCommandFileName);
    char* arguments[] = {program.data(), argument.data(), nullptr};
    pid_t pid = -1;
    int result =
        ::posix_spawn(&pid, program.c_str(), &setup.actions, &setup.attributes, arguments, environ);
    if (result != 0) {
        closeDescriptors();
        last_ = failedToStart(program + ": " + systemReason(result));
        return;
    }
    pid_ = pid;
    pidDescriptor_ = openPidDescriptor(pid);
    last_ = ConverterState{ConverterState::Kind::Running, 0, {}};
}

std::string ProcessConverterLauncher::readCapturedError() {
    if (errorCapture_ < 0)
        return {};
    std::string text(kMaxErrorTextBytes, '\0');
    ssize_t got = ::pread(errorCapture_, text.data(), text.size(), 0);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return trimmed(std::move(text));
}

void ProcessConverterLauncher::reapIfEnded(bool block) {
    if (pid_ <= 0)
        return;
    int status = 0;
    pid_t result;
    do {
        result = ::waitpid(pid_, &status, block ? 0 : WNOHANG);
    } while (result < 0 && errno == EINTR);
    if (result == 0)
        return;  // still running
    pid_ = -1;
    ConverterState ended;
    if (result < 0) {
        // Reaped elsewhere (SIGCHLD ignored by the front end): the status is lost, and the
        // awaited file alone tells whether the run worked.
        ended.kind = ConverterState::Kind::Succeeded;
    } else if (WIFEXITED(status) && WEXITSTATUS(status) == 0) {
        ended.kind = ConverterState::Kind::Succeeded;
    } else {
        ended.kind = ConverterState::Kind::Failed;
        ended.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        ended.message = readCapturedError();
    }
    last_ = ended;
}

ConverterState ProcessConverterLauncher::state() {
    reapIfEnded(/*block=*/false);
    return last_;
}

ConverterState ProcessConverterLauncher::waitFor(std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (pid_ > 0) {
        reapIfEnded(/*block=*/false);
        if (pid_ <= 0)
            break;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            break;
        if (pidDescriptor_ >= 0) {
            pollfd watch{pidDescriptor_, POLLIN, 0};
            ::poll(&watch, 1, static_cast<int>(std::min<long long>(left.count(), 1000)));
        } else {
            std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(5)));
        }
    }
    return last_;
}

void ProcessConverterLauncher::kill() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    reapIfEnded(/*block=*/true);
}

}  // namespace felmo
