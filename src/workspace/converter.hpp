// The seam between the pipelines and the bitmap converter process.
//
// A launcher starts one converter run at a time on the command file "PackUnpack.txt" in a given
// working directory, and reports how the run is going. The pipelines use only this interface, so
// tests can put an in-process fake or a small script in the converter's place.
#pragma once

#include <chrono>
#include <string>

#include "platform/child_process.hpp"
#include "platform/native.hpp"

namespace felmo {

struct ConverterState {
    enum class Kind {
        NotStarted,     // no run launched yet
        Running,        // the process has not ended
        Succeeded,      // ended with exit status 0
        Failed,         // ended with another status, or killed by a signal
        FailedToStart,  // the program could not be found or started
    };
    Kind kind = Kind::NotStarted;
    int exitStatus = 0;   // Failed: the exit status, or 128 + signal number when killed
    std::string message;  // Failed: what the converter wrote to standard error (trimmed, capped)
                          // FailedToStart: the reason
};

class ConverterLauncher {
  public:
    virtual ~ConverterLauncher() = default;

    // Starts a run on "PackUnpack.txt" with `workingDirectory` as the working directory. Never
    // throws for a converter that cannot start: state() then reports FailedToStart. A run still
    // going is waited for first, so two runs never overlap.
    virtual void launch(const std::string& workingDirectory) = 0;

    // The state of the latest run, without blocking. Ends (reaps) a process that has exited.
    virtual ConverterState state() = 0;

    // Blocks until the latest run ends or `timeout` passes; returns state().
    virtual ConverterState waitFor(std::chrono::milliseconds timeout) = 0;

    // A handle signalled when the running process ends, for an event loop to watch (POSIX: a
    // pidfd, readable then; Windows: the process HANDLE); kNoNativeHandle when there is none (no
    // run, or the system lacks pidfds). Valid until the next launch() or the launcher's
    // destruction; the launcher owns it.
    virtual NativeHandle exitNotifier() const = 0;

    // Ends a run still going (SIGKILL) and reaps it. Nothing happens when none runs.
    virtual void kill() = 0;
};

// The real converter: the program `bmconv` (`bmconv.exe` on Windows), started directly (no shell)
// with the one argument "PackUnpack.txt", standard input the null device, standard output
// discarded, standard error captured for the failure message. The process is always reaped: by
// state()/waitFor(), or killed and reaped when the launcher is destroyed.
class ProcessConverterLauncher : public ConverterLauncher {
  public:
    // Looks the converter up at each launch: first "bmconv" beside the running executable, then
    // on PATH.
    ProcessConverterLauncher();
    // Uses exactly this program.
    explicit ProcessConverterLauncher(std::string programPath);
    ~ProcessConverterLauncher() override;
    ProcessConverterLauncher(const ProcessConverterLauncher&) = delete;
    ProcessConverterLauncher& operator=(const ProcessConverterLauncher&) = delete;

    void launch(const std::string& workingDirectory) override;
    ConverterState state() override;
    ConverterState waitFor(std::chrono::milliseconds timeout) override;
    NativeHandle exitNotifier() const override { return process_.completionHandle(); }
    void kill() override;

    // "bmconv" beside the running executable, else the first executable "bmconv" on PATH;
    // "" when neither exists.
    static std::string findConverter();

  private:
    void noteEnd(const std::optional<ChildExit>& exit);

    std::string programPath_;  // empty: look up at each launch
    ChildProcess process_;     // the latest run
    ConverterState last_;
};

}  // namespace felmo
