#include <algorithm>
#include <cwctype>
#include <map>

#include "base/error.hpp"
#include "platform/child_process.hpp"
#include "platform/places.hpp"
#include "platform/windows_text.hpp"

namespace felmo {

using windows::Handle;
using windows::wideFromUtf8;

struct ChildProcess::State {
    Handle process;
    Handle job;     // holds the process and whatever it starts; invalid when none could be made
    Handle output;  // delete-on-close files receiving the captured streams
    Handle error;
    std::optional<ChildExit> exit;
};

void ChildProcess::StateDeleter::operator()(State* state) const noexcept {
    delete state;
}

namespace {

[[noreturn]] void cannotStart(const std::string& program, DWORD error) {
    throw Error(program + ": " + windows::messageFor(error));
}

Handle inheritable(HANDLE handle) {
    HANDLE copy = INVALID_HANDLE_VALUE;
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        !::DuplicateHandle(::GetCurrentProcess(), handle, ::GetCurrentProcess(), &copy, 0, TRUE,
                           DUPLICATE_SAME_ACCESS))
        return Handle();
    return Handle(copy);
}

Handle nullDevice(DWORD access) {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
    return Handle(::CreateFileW(L"NUL", access, FILE_SHARE_READ | FILE_SHARE_WRITE, &attributes,
                                OPEN_EXISTING, 0, nullptr));
}

// A file in the user's temporary folder that is gone once the last handle to it is closed.
Handle captureFile() {
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, TRUE};
    wchar_t folder[MAX_PATH + 1];
    wchar_t name[MAX_PATH + 1];
    if (::GetTempPathW(MAX_PATH + 1, folder) == 0 ||
        ::GetTempFileNameW(folder, L"flm", 0, name) == 0)
        return Handle();
    return Handle(::CreateFileW(
        name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
        &attributes, CREATE_ALWAYS, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
}

Handle outputFor(ChildProcessOptions::Output mode, DWORD standardHandle, Handle& capture) {
    switch (mode) {
        case ChildProcessOptions::Output::Discard:
            return nullDevice(GENERIC_WRITE);
        case ChildProcessOptions::Output::Capture:
            capture = captureFile();
            return inheritable(capture.get());
        case ChildProcessOptions::Output::Inherit:
            break;
    }
    return inheritable(::GetStdHandle(standardHandle));
}

// This process's environment with `changes` on top, as a block for CreateProcessW (names are
// compared without regard to case, as Windows does).
std::wstring environmentBlock(const ChildProcessOptions& options) {
    auto lessIgnoringCase = [](const std::wstring& a, const std::wstring& b) {
        return std::lexicographical_compare(
            a.begin(), a.end(), b.begin(), b.end(),
            [](wchar_t x, wchar_t y) { return std::towupper(x) < std::towupper(y); });
    };
    std::map<std::wstring, std::wstring, decltype(lessIgnoringCase)> variables(lessIgnoringCase);
    if (wchar_t* strings = ::GetEnvironmentStringsW()) {
        for (const wchar_t* entry = strings; *entry != L'\0'; entry += std::wcslen(entry) + 1) {
            const std::wstring text = entry;
            const std::size_t equals = text.find(L'=', 1);  // "=C:=C:\..." entries begin with '='
            if (equals != std::wstring::npos)
                variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
        ::FreeEnvironmentStringsW(strings);
    }
    for (const auto& [name, value] : options.environment) {
        if (value.empty())
            variables.erase(wideFromUtf8(name));
        else
            variables[wideFromUtf8(name)] = wideFromUtf8(value);
    }
    std::wstring block;
    for (const auto& [name, value] : variables) {
        block += name + L"=" + value;
        block += L'\0';
    }
    block += L'\0';
    return block;
}

std::string readCapture(const Handle& capture, std::size_t maxBytes) {
    if (!capture.valid())
        return {};
    LARGE_INTEGER size{};
    if (!::GetFileSizeEx(capture.get(), &size))
        return {};
    std::string text(std::min<std::size_t>(maxBytes, static_cast<std::size_t>(size.QuadPart)),
                     '\0');
    std::size_t done = 0;
    while (done < text.size()) {
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>(done);
        at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(done) >> 32);
        DWORD got = 0;
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1u << 30));
        if (!::ReadFile(capture.get(), text.data() + done, chunk, &got, &at) || got == 0)
            break;
        done += got;
    }
    text.resize(done);
    return text;
}

void noteExit(ChildProcess::State& state) {
    DWORD code = 0;
    if (!::GetExitCodeProcess(state.process.get(), &code))
        state.exit = ChildExit{0, 0, false};
    else
        state.exit = ChildExit{static_cast<int>(code), 0, true};
}

std::optional<ChildExit> waitMilliseconds(ChildProcess::State* state, DWORD milliseconds) {
    if (!state)
        return std::nullopt;
    if (!state->exit && ::WaitForSingleObject(state->process.get(), milliseconds) == WAIT_OBJECT_0)
        noteExit(*state);
    return state->exit;
}

}  // namespace

ChildProcess ChildProcess::start(const std::string& program,
                                 const std::vector<std::string>& arguments,
                                 const ChildProcessOptions& options) {
    auto state = std::make_unique<State>();
    Handle input = nullDevice(GENERIC_READ);
    Handle output = outputFor(options.standardOutput, STD_OUTPUT_HANDLE, state->output);
    Handle error = outputFor(options.standardError, STD_ERROR_HANDLE, state->error);
    if (!input.valid() || !output.valid() || !error.valid())
        cannotStart(program, ::GetLastError());

    // The child inherits these three handles and nothing else.
    HANDLE inherited[] = {input.get(), output.get(), error.get()};
    SIZE_T size = 0;
    ::InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<unsigned char> attributeBuffer(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributeBuffer.data());
    if (!::InitializeProcThreadAttributeList(attributes, 1, 0, &size))
        cannotStart(program, ::GetLastError());
    ::UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST, inherited,
                                sizeof inherited, nullptr, nullptr);

    STARTUPINFOEXW startup{};
    startup.StartupInfo.cb = sizeof startup;
    startup.StartupInfo.dwFlags = STARTF_USESTDHANDLES;
    startup.StartupInfo.hStdInput = input.get();
    startup.StartupInfo.hStdOutput = output.get();
    startup.StartupInfo.hStdError = error.get();
    startup.lpAttributeList = attributes;

    std::vector<std::string> all{program};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::wstring commandLine = wideFromUtf8(windowsCommandLine(all));
    const std::wstring application = windows::widePath(std::filesystem::path(program));
    std::wstring environment = environmentBlock(options);
    // Some systems refuse a working folder written with a separator at its end and start the
    // program elsewhere without failing, so the folder is given without one.
    const std::wstring folder =
        options.workingDirectory.empty()
            ? std::wstring()
            : windows::withoutTrailingSeparators(windows::widePath(options.workingDirectory));
    PROCESS_INFORMATION process{};
    const BOOL started =
        ::CreateProcessW(application.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                         CREATE_SUSPENDED | CREATE_NO_WINDOW | CREATE_UNICODE_ENVIRONMENT |
                             EXTENDED_STARTUPINFO_PRESENT,
                         environment.data(), folder.empty() ? nullptr : folder.c_str(),
                         &startup.StartupInfo, &process);
    const DWORD startError = ::GetLastError();
    ::DeleteProcThreadAttributeList(attributes);
    if (!started)
        cannotStart(program, startError);
    state->process.reset(process.hProcess);
    Handle thread(process.hThread);

    // A job that ends everything in it when stopped, or when this process goes.
    state->job.reset(::CreateJobObjectW(nullptr, nullptr));
    if (state->job.valid()) {
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        if (!::SetInformationJobObject(state->job.get(), JobObjectExtendedLimitInformation, &limits,
                                       sizeof limits) ||
            !::AssignProcessToJobObject(state->job.get(), state->process.get()))
            state->job.reset();
    }
    ::ResumeThread(thread.get());

    ChildProcess child;
    child.state_.reset(state.release());
    return child;
}

std::optional<ChildExit> ChildProcess::poll() {
    return waitMilliseconds(state_.get(), 0);
}

std::optional<ChildExit> ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    const long long limit = std::clamp<long long>(timeout.count(), 0, INFINITE - 1);
    return waitMilliseconds(state_.get(), static_cast<DWORD>(limit));
}

std::optional<ChildExit> ChildProcess::wait() {
    return waitMilliseconds(state_.get(), INFINITE);
}

void ChildProcess::stop() {
    if (!state_ || state_->exit)
        return;
    if (state_->job.valid())
        ::TerminateJobObject(state_->job.get(), 1);
    else
        ::TerminateProcess(state_->process.get(), 1);
    waitMilliseconds(state_.get(), INFINITE);
}

std::string ChildProcess::capturedOutput(std::size_t maxBytes) const {
    return state_ ? readCapture(state_->output, maxBytes) : std::string();
}

std::string ChildProcess::capturedError(std::size_t maxBytes) const {
    return state_ ? readCapture(state_->error, maxBytes) : std::string();
}

NativeHandle ChildProcess::completionHandle() const {
    return state_ && state_->process.valid() ? reinterpret_cast<NativeHandle>(state_->process.get())
                                             : kNoNativeHandle;
}

bool hasCompleted(NativeHandle completion) {
    return completion != kNoNativeHandle &&
           ::WaitForSingleObject(reinterpret_cast<HANDLE>(completion), 0) == WAIT_OBJECT_0;
}

bool isExecutableFile(const std::string& path) {
    const DWORD attributes =
        ::GetFileAttributesW(windows::widePath(std::filesystem::path(path)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace felmo
