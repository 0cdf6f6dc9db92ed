#include "platform/child_process.hpp"

#include <utility>

#include "platform/places.hpp"

namespace felmo {
namespace {

#ifdef _WIN32
constexpr char kPathListSeparator = ';';
constexpr std::string_view kExecutableSuffix = ".exe";
constexpr std::string_view kDefaultSearchPath = "";
#else
constexpr char kPathListSeparator = ':';
constexpr std::string_view kExecutableSuffix = "";
constexpr std::string_view kDefaultSearchPath = "/usr/local/bin:/usr/bin:/bin";
#endif

std::string folderOf(const std::string& file) {
    const std::size_t separator = file.find_last_of(
#ifdef _WIN32
        "/\\"
#else
        "/"
#endif
    );
    return separator == std::string::npos ? std::string() : file.substr(0, separator + 1);
}

}  // namespace

// The lifetime of a child process is the same on every system; only stopping it differs.
ChildProcess::ChildProcess() = default;

ChildProcess::~ChildProcess() {
    stop();
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept = default;

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
    if (this != &other) {
        stop();
        state_ = std::move(other.state_);
    }
    return *this;
}

bool ChildProcess::started() const {
    return state_ != nullptr;
}

std::string windowsCommandLine(const std::vector<std::string>& arguments) {
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line += ' ';
        if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
            line += argument;
            continue;
        }
        line += '"';
        std::size_t backslashes = 0;
        for (char c : argument) {
            if (c == '\\') {
                ++backslashes;
                continue;
            }
            // Backslashes before a quote are doubled and the quote escaped; elsewhere they stand.
            line.append(c == '"' ? 2 * backslashes + 1 : backslashes, '\\');
            backslashes = 0;
            line += c;
        }
        line.append(2 * backslashes, '\\');  // before the closing quote
        line += '"';
    }
    return line;
}

std::string executableFileName(std::string_view baseName) {
    return std::string(baseName) + std::string(kExecutableSuffix);
}

std::string findProgram(std::string_view baseName) {
    const std::string name = executableFileName(baseName);
    const std::string executable = executablePath();
    if (!executable.empty()) {
        const std::string beside = folderOf(executable) + name;
        if (isExecutableFile(beside))
            return beside;
    }
    const std::string searchPath = environmentVariable("PATH");
    std::string_view folders = searchPath.empty() ? kDefaultSearchPath : searchPath;
    while (!folders.empty()) {
        const std::size_t separator = folders.find(kPathListSeparator);
        std::string folder(folders.substr(0, separator));
        if (folder.empty())
            folder = ".";
#ifdef _WIN32
        // A folder of PATH may be written in quotes.
        if (folder.size() >= 2 && folder.front() == '"' && folder.back() == '"')
            folder = folder.substr(1, folder.size() - 2);
#endif
        const std::string candidate = folder + "/" + name;
        if (isExecutableFile(candidate))
            return candidate;
        if (separator == std::string_view::npos)
            break;
        folders.remove_prefix(separator + 1);
    }
    return {};
}

}  // namespace felmo
