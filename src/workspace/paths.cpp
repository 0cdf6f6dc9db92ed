#include "workspace/paths.hpp"

#include <array>
#include <filesystem>
#include <sstream>

#include "platform/file_io.hpp"
#include "platform/file_system.hpp"
#include "platform/places.hpp"
#include "workspace/command_file.hpp"

namespace felmo {
namespace {

std::string withTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string environment(const char* name) {
    return environmentVariable(name);
}

std::string withoutTrailingSlashes(std::string folder) {
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    return folder;
}

// The value of one user-dirs.dirs assignment: a double-quoted shell word (backslash escapes
// honoured) or a bare word. "$HOME" at its start stands for `home`; any other value that is not
// an absolute path is not a folder and gives "".
std::string userDirValue(std::string_view text, std::string_view home) {
    std::string value;
    if (!text.empty() && text.front() == '"') {
        std::size_t at = 1;
        for (; at < text.size() && text[at] != '"'; ++at) {
            if (text[at] == '\\' && at + 1 < text.size())
                ++at;
            value += text[at];
        }
        if (at >= text.size())
            return "";  // no closing quote
    } else {
        std::size_t end = text.find_first_of(" \t#");
        value = std::string(text.substr(0, end));
    }
    constexpr std::string_view kHome = "$HOME";
    if (value.rfind(kHome, 0) == 0 && (value.size() == kHome.size() || value[kHome.size()] == '/'))
        value = std::string(home) + value.substr(kHome.size());
    if (value.empty() || value.front() != '/')
        return "";
    return withoutTrailingSlashes(value);
}

}  // namespace

std::string workDirFor(std::string_view tmpDir, unsigned userId) {
    std::string base = tmpDir.empty() ? std::string("/tmp") : std::string(tmpDir);
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    if (base == "/")
        base.clear();
    return base + "/Temp_FELMO-" + std::to_string(userId) + "/";
}

std::string perUserConfigDirectoryFor(std::string_view xdgConfigHome, std::string_view home) {
    // An XDG_CONFIG_HOME that is not absolute is to be ignored.
    if (!xdgConfigHome.empty() && xdgConfigHome.front() == '/')
        return withTrailingSlash(std::string(xdgConfigHome)) + "felmo/";
    return withTrailingSlash(std::string(home)) + ".config/felmo/";
}

std::string executableFolderOf(std::string_view executablePath) {
#ifdef _WIN32
    // The system names the executable with backslashes.
    const std::size_t slash = executablePath.find_last_of("/\\");
#else
    std::size_t slash = executablePath.rfind('/');
#endif
    if (slash == std::string_view::npos)
        return "./";
    return std::string(executablePath.substr(0, slash + 1));
}

std::string currentExecutablePath() {
    return executablePath();
}

std::string currentWorkDir() {
    // Absolute and normalised, as every path the converter reads back from a command file:
    // a relative TMPDIR means relative to the current folder, "//tmp" is "/tmp".
#ifdef _WIN32
    std::string workDir = windows_paths::workDirIn(temporaryFolder());
#else
    std::string workDir = workDirFor(temporaryFolder(), currentUserId());
#endif
    checkCommandFilePath(workDir);
    return workDir;
}

bool isSystemFolder(std::string_view folder) {
    static constexpr std::array<std::string_view, 8> kSystemRoots = {
        "/usr", "/opt", "/bin", "/sbin", "/lib", "/lib32", "/lib64", "/libx32"};
    const std::string normal =
        std::filesystem::path(std::string(folder)).lexically_normal().generic_string();
    for (std::string_view root : kSystemRoots) {
        if (normal.rfind(root, 0) != 0)
            continue;
        if (normal.size() == root.size() || normal[root.size()] == '/')
            return true;
    }
    return false;
}

bool isPortableProgramFolder(std::string_view folder, const ProgramFolderFacts& facts,
                             bool runAsRoot) {
    if (folder.empty() || !facts.writable)
        return false;
    const bool systemFolder = isSystemFolder(folder);
    if (facts.ownedByUser && !systemFolder)
        return true;
    return facts.holdsUsersSettings && !(runAsRoot && systemFolder);
}

ProgramFolderFacts programFolderFactsOf(const std::string& folder) {
    ProgramFolderFacts facts;
    if (folder.empty())
        return facts;
    const std::string withSlash = withTrailingSlash(folder);
    facts.writable = isWritableFolder(withSlash);
    facts.ownedByUser = isFolder(withSlash) && isOwnedByUser(withSlash);
    facts.holdsUsersSettings = isUsersWritableFile(settingsFilePath(withSlash));
    return facts;
}

ProgramLocation findProgramLocation(const std::string& executableFolder) {
    const std::string folder = withTrailingSlash(executableFolder);
    if (!executableFolder.empty() &&
        isPortableProgramFolder(folder, programFolderFactsOf(folder), runsAsSuperuser()))
        return {folder, true};
#ifdef _WIN32
    return {windows_paths::perUserProgramDirectory(applicationDataFolder()), false};
#else
    return {perUserConfigDirectoryFor(environment("XDG_CONFIG_HOME"), homeFolder()), false};
#endif
}

ProgramLocation programLocationFor(const std::string& executableFolder) {
    ProgramLocation location = findProgramLocation(executableFolder);
    if (!location.portable)
        createFolders(location.directory);  // one that cannot be made shows when a file is written
    return location;
}

std::string programDirectoryFor(const std::string& executableFolder) {
    return programLocationFor(executableFolder).directory;
}

std::string currentProgramDirectory() {
    std::string executable = currentExecutablePath();
    return programDirectoryFor(executable.empty() ? std::string() : executableFolderOf(executable));
}

std::string documentsFolderFor(std::string_view userDirsText, std::string_view environmentValue,
                               std::string_view home) {
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=";
    std::string fromFile;
    std::istringstream lines{std::string(userDirsText)};
    for (std::string line; std::getline(lines, line);) {
        std::string_view rest = line;
        while (!rest.empty() && (rest.front() == ' ' || rest.front() == '\t'))
            rest.remove_prefix(1);
        if (rest.rfind(kKey, 0) != 0)
            continue;
        rest.remove_prefix(kKey.size());
        if (!rest.empty() && rest.back() == '\r')
            rest.remove_suffix(1);
        fromFile = userDirValue(rest, home);
    }
    if (!fromFile.empty())
        return fromFile;
    if (!environmentValue.empty() && environmentValue.front() == '/')
        return withoutTrailingSlashes(std::string(environmentValue));
    return withoutTrailingSlashes(std::string(home)) + "/Documents";
}

std::string currentDocumentsFolder() {
    if (std::string named = systemDocumentsFolder(); !named.empty())
        return named;
    const std::string home = homeFolder();
    const std::string configHome = environment("XDG_CONFIG_HOME");
    const std::string userDirsFile =
        (!configHome.empty() && configHome.front() == '/' ? withTrailingSlash(configHome)
                                                          : withTrailingSlash(home) + ".config/") +
        "user-dirs.dirs";
    std::string text;
    const std::optional<std::uintmax_t> size = regularFileSize(userDirsFile);
    if (size && *size < 64 * 1024) {
        try {
            const std::vector<std::uint8_t> bytes = readWholeFile(userDirsFile, 64 * 1024);
            text.assign(bytes.begin(), bytes.end());
        } catch (const Error&) {
            // An unreadable file names no folder.
        }
    }
    return documentsFolderFor(text, environment("XDG_DOCUMENTS_DIR"), home);
}

std::string installedOutputFolder(std::string_view documentsFolder) {
    return withoutTrailingSlashes(std::string(documentsFolder)) + "/FELMO";
}

std::string defaultOutputFolder(std::string_view programDirectory) {
    return std::string(programDirectory) + "Files";
}

std::string settingsFilePath(std::string_view programDirectory) {
    return std::string(programDirectory) + "Settings.ini";
}

std::string commandFilePath(std::string_view programDirectory) {
    return std::string(programDirectory) + std::string(kCommandFileName);
}

std::string newMbmFolder(std::string_view workDir) {
    return std::string(workDir) + std::string(kNewMbmFolderName) + "/";
}

std::string slotFolder(std::string_view workDir, const MbmSlot& slot) {
    return std::string(workDir) + std::string(slot.name) + "/";
}

std::string framePath(std::string_view workDir, const MbmSlot& slot, int frameIndex) {
    return slotFolder(workDir, slot) + std::to_string(frameIndex) + ".bmp";
}

std::string doneMarkerPath(std::string_view workDir, const MbmSlot& slot) {
    return framePath(workDir, slot, slot.lastFrameIndex);
}

std::string slotSourcePath(std::string_view workDir, const MbmSlot& slot) {
    return std::string(workDir) + std::string(slot.name) + ".mbm";
}

std::string builtFilePath(std::string_view workDir, const MbmSlot& slot) {
    return newMbmFolder(workDir) + std::string(slot.name) + ".mbm";
}

std::string outputFilePath(std::string_view outputFolder, const MbmSlot& slot) {
    return std::string(outputFolder) + "/" + std::string(slot.name) + ".mbm";
}

namespace windows_paths {

std::string driveRootPrefix(std::string_view executablePath) {
    return std::string(executablePath.substr(0, 3));
}

std::string workDir(std::string_view executablePath) {
    return driveRootPrefix(executablePath) + std::string(kRelativeWorkPath);
}

namespace {
std::string withBackslash(std::string_view folder) {
    std::string text(folder);
    if (text.empty() || (text.back() != '\\' && text.back() != '/'))
        text += '\\';
    return text;
}
}  // namespace

std::string workDirIn(std::string_view temporaryFolder) {
    return withBackslash(temporaryFolder) + "Temp_FELMO\\";
}

std::string perUserProgramDirectory(std::string_view applicationDataFolder) {
    return withBackslash(applicationDataFolder) + "FELMO\\";
}

std::string programDirectory(std::string_view executablePath) {
    std::size_t backslash = executablePath.rfind('\\');
    if (backslash == std::string_view::npos)
        return std::string();
    return std::string(executablePath.substr(0, backslash + 1));
}

std::string defaultOutputFolder(std::string_view executablePath) {
    return programDirectory(executablePath) + "Files";
}

std::string outputFilePath(std::string_view outputFolder, const MbmSlot& slot) {
    return std::string(outputFolder) + "\\" + std::string(slot.name) + ".mbm";
}

std::string framePath(std::string_view workDir, const MbmSlot& slot, int frameIndex) {
    return std::string(workDir) + std::string(slot.name) + "\\" + std::to_string(frameIndex) +
           ".bmp";
}

std::string builtFilePath(std::string_view workDir, const MbmSlot& slot) {
    return std::string(workDir) + "NewMbmFiles\\" + std::string(slot.name) + ".mbm";
}

}  // namespace windows_paths

}  // namespace felmo
