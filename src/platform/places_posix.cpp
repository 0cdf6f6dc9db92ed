#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "platform/file_system.hpp"
#include "platform/places.hpp"

namespace felmo {

std::string executablePath() {
    std::error_code error;
    const std::filesystem::path path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

std::string environmentVariable(const char* name) {
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string temporaryFolder() {
    // A relative TMPDIR means relative to the current folder, "//tmp" is "/tmp".
    const std::string tmpDir = environmentVariable("TMPDIR");
    if (tmpDir.empty())
        return "/tmp";
    return absoluteNormalPath(tmpDir).string();
}

std::string homeFolder() {
    std::string home = environmentVariable("HOME");
    if (home.empty()) {
        if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
            home = entry->pw_dir;
    }
    return home;
}

std::string applicationDataFolder() {
    return {};
}

std::string systemDocumentsFolder() {
    return {};
}

unsigned currentUserId() {
    return ::getuid();
}

bool runsAsSuperuser() {
    return ::getuid() == 0;
}

bool isWritableFolder(const std::string& folder) {
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

bool isOwnedByUser(const std::string& path) {
    struct stat status {};
    return ::stat(path.c_str(), &status) == 0 && status.st_uid == ::getuid();
}

bool isUsersWritableFile(const std::string& path) {
    struct stat status {};
    return ::lstat(path.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
           status.st_uid == ::getuid() && ::access(path.c_str(), W_OK) == 0;
}

}  // namespace felmo
