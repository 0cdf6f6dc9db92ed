#include "workspace/paths.hpp"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "workspace/command_file.hpp"

namespace felmo {
namespace {

std::string withTrailingSlash(std::string folder) {
    if (folder.empty() || folder.back() != '/')
        folder += '/';
    return folder;
}

std::string environment(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
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
    std::size_t slash = executablePath.rfind('/');
    if (slash == std::string_view::npos)
        return "./";
    return std::string(executablePath.substr(0, slash + 1));
}

std::string currentExecutablePath() {
    std::error_code error;
    std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string currentWorkDir() {
    // Absolute and normalised, as every path the converter reads back from a command file:
    // a relative TMPDIR means relative to the current folder, "//tmp" is "/tmp".
    std::string tmpDir = environment("TMPDIR");
    if (!tmpDir.empty()) {
        std::error_code error;
        const std::filesystem::path absolute = std::filesystem::absolute(tmpDir, error);
        if (!error)
            tmpDir = absolute.lexically_normal().string();
    }
    std::string workDir = workDirFor(tmpDir, ::getuid());
    checkCommandFilePath(workDir);
    return workDir;
}

std::string programDirectoryFor(const std::string& executableFolder) {
    std::string folder = withTrailingSlash(executableFolder);
    if (!executableFolder.empty() && ::access(folder.c_str(), W_OK) == 0)
        return folder;

    std::string home = environment("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
            home = entry->pw_dir;
    }
    std::string configFolder = perUserConfigDirectoryFor(environment("XDG_CONFIG_HOME"), home);
    std::error_code ignored;  // a folder that cannot be made shows when a file is written there
    std::filesystem::create_directories(configFolder, ignored);
    return configFolder;
}

std::string currentProgramDirectory() {
    std::string executable = currentExecutablePath();
    return programDirectoryFor(executable.empty() ? std::string() : executableFolderOf(executable));
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
    return std::string(workDir) + std::string(slot.doneMarker);
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
