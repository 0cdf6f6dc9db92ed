#include "workspace/converter.hpp"

#include "base/error.hpp"
#include "base/translation.hpp"
#include "workspace/paths.hpp"

namespace felmo {
namespace {

constexpr std::string_view kConverterName = "bmconv";
constexpr std::size_t kMaxErrorTextBytes = 4000;

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

}  // namespace

ProcessConverterLauncher::ProcessConverterLauncher() = default;

ProcessConverterLauncher::ProcessConverterLauncher(std::string programPath)
    : programPath_(std::move(programPath)) {}

ProcessConverterLauncher::~ProcessConverterLauncher() = default;  // the run is stopped

std::string ProcessConverterLauncher::findConverter() {
    return findProgram(kConverterName);
}

void ProcessConverterLauncher::launch(const std::string& workingDirectory) {
    if (process_.started() && last_.kind == ConverterState::Kind::Running)
        noteEnd(process_.wait());
    process_ = ChildProcess();

    std::string program = programPath_.empty() ? findConverter() : programPath_;
    if (program.empty()) {
        last_ = failedToStart(
            formatMessage(_("программа %1 не найдена ни рядом с программой, ни в PATH"),
                          executableFileName(kConverterName)));
        return;
    }
    ChildProcessOptions options;
    options.workingDirectory = workingDirectory;
    try {
        process_ = ChildProcess::start(program, {std::string(kCommandFileName)}, options);
    } catch (const Error& error) {
        last_ = failedToStart(error.what());
        return;
    }
    last_ = ConverterState{ConverterState::Kind::Running, 0, {}};
}

void ProcessConverterLauncher::noteEnd(const std::optional<ChildExit>& exit) {
    if (!exit || last_.kind != ConverterState::Kind::Running)
        return;
    ConverterState ended;
    if (exit->succeeded()) {
        // A lost status (the process reaped elsewhere) counts as success: the awaited file alone
        // tells then whether the run worked.
        ended.kind = ConverterState::Kind::Succeeded;
    } else {
        ended.kind = ConverterState::Kind::Failed;
        ended.exitStatus = exit->status;
        ended.message = trimmed(process_.capturedError(kMaxErrorTextBytes));
    }
    last_ = ended;
}

ConverterState ProcessConverterLauncher::state() {
    if (last_.kind == ConverterState::Kind::Running)
        noteEnd(process_.poll());
    return last_;
}

ConverterState ProcessConverterLauncher::waitFor(std::chrono::milliseconds timeout) {
    if (last_.kind == ConverterState::Kind::Running)
        noteEnd(process_.waitFor(timeout));
    return last_;
}

void ProcessConverterLauncher::kill() {
    if (last_.kind != ConverterState::Kind::Running)
        return;
    process_.stop();
    noteEnd(process_.poll());
}

}  // namespace felmo
