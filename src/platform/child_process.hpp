// A child process: started with its arguments and working folder, its standard error (and, when
// asked, its standard output) captured, waited for with a timeout, stopped, and watched through a
// completion handle that an event loop can wait on (POSIX: a pidfd, readable once the process has
// ended; Windows: the process HANDLE, signalled once it has ended).
#pragma once

#include <chrono>
#include <cstddef>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/native.hpp"

namespace felmo {

struct ChildProcessOptions {
    enum class Output {
        Discard,  // to the null device
        Capture,  // kept, read back with capturedOutput() / capturedError()
        Inherit,  // this process's own
    };
    std::string workingDirectory;  // empty: this process's
    // Variables set on top of this process's environment; an empty value removes the variable.
    std::vector<std::pair<std::string, std::string>> environment;
    Output standardOutput = Output::Discard;
    Output standardError = Output::Capture;
};

struct ChildExit {
    // Ended with this status: the exit code, or 128 + the signal's number when a signal ended it
    // (Windows: the exit code; a stopped process ends with 1).
    int status = 0;
    // The signal that ended it (POSIX), 0 when it exited by itself.
    int signal = 0;
    // False when the status was lost (POSIX: the process was reaped elsewhere, which a front end
    // that ignores SIGCHLD causes): only the files the process left then tell how it went.
    bool statusKnown = true;
    bool succeeded() const { return !statusKnown || status == 0; }
};

class ChildProcess {
  public:
    ChildProcess();
    // A process still running is stopped and waited for.
    ~ChildProcess();
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `program` (a path, not looked up) with `arguments` (the program's own name is put
    // first by this function). Standard input is the null device. The child starts with every
    // signal at its default action and none blocked, and inherits no other open file. Throws
    // felmo::Error "<program>: <system's reason>" when it cannot be started.
    static ChildProcess start(const std::string& program, const std::vector<std::string>& arguments,
                              const ChildProcessOptions& options = {});

    bool started() const;
    // How it ended, without blocking; nothing while it runs (or when none was started).
    std::optional<ChildExit> poll();
    // Blocks until it ends or `timeout` passes.
    std::optional<ChildExit> waitFor(std::chrono::milliseconds timeout);
    // Blocks until it ends.
    std::optional<ChildExit> wait();
    // Ends it at once (SIGKILL; Windows: its job object is terminated, taking along what it
    // started) and waits for it. Nothing happens when it has already ended.
    void stop();

    // What it wrote to the captured stream so far, at most `maxBytes` from the start.
    std::string capturedOutput(
        std::size_t maxBytes = std::numeric_limits<std::size_t>::max()) const;
    std::string capturedError(std::size_t maxBytes = std::numeric_limits<std::size_t>::max()) const;

    // Signalled once the process has ended, for an event loop to watch; kNoNativeHandle when
    // there is none (no process, or a system without pidfds). Owned by this object.
    NativeHandle completionHandle() const;

    struct State;
    struct StateDeleter {
        void operator()(State* state) const noexcept;
    };

  private:
    std::unique_ptr<State, StateDeleter> state_;
};

// The command line a Windows program's runtime splits back into exactly `arguments`: each in
// double quotes when it is empty or holds a blank or a quote, a quote inside written \", and
// backslashes doubled where they come before a quote.
std::string windowsCommandLine(const std::vector<std::string>& arguments);

// Whether the completion handle of a ChildProcess is signalled now, without waiting.
bool hasCompleted(NativeHandle completion);

// The file name an executable called `baseName` has here ("bmconv", "bmconv.exe" on Windows).
std::string executableFileName(std::string_view baseName);

// Whether `path` is a regular file this user may run.
bool isExecutableFile(const std::string& path);

// The program `baseName` (executableFileName), first beside the running executable, then in the
// folders of PATH (':'-separated; ';' on Windows) in order; "" when neither has it.
std::string findProgram(std::string_view baseName);

}  // namespace felmo
