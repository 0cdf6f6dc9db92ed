#include <shlobj.h>

#include <string>

#include "platform/places.hpp"
#include "platform/windows_text.hpp"

namespace felmo {

using windows::utf8FromWide;
using windows::wideFromUtf8;

namespace {

std::string knownFolder(REFKNOWNFOLDERID id) {
    wchar_t* path = nullptr;
    std::string folder;
    if (::SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &path) == S_OK && path)
        folder = utf8FromWide(path);
    ::CoTaskMemFree(path);
    return folder;
}

}  // namespace

std::string executablePath() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return utf8FromWide(path);
        }
        path.resize(path.size() * 2);
    }
}

std::string environmentVariable(const char* name) {
    const std::wstring wideName = wideFromUtf8(name);
    const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return {};
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    value.resize(length < size ? length : 0);
    return utf8FromWide(value);
}

std::string temporaryFolder() {
    wchar_t path[MAX_PATH + 2];
    const DWORD length = ::GetTempPathW(MAX_PATH + 2, path);
    if (length == 0 || length > MAX_PATH + 1)
        return {};
    return utf8FromWide(std::wstring_view(path, length));
}

std::string homeFolder() {
    std::string home = knownFolder(FOLDERID_Profile);
    return home.empty() ? environmentVariable("USERPROFILE") : home;
}

std::string applicationDataFolder() {
    std::string folder = knownFolder(FOLDERID_RoamingAppData);
    return folder.empty() ? environmentVariable("APPDATA") : folder;
}

std::string systemDocumentsFolder() {
    return knownFolder(FOLDERID_Documents);
}

unsigned currentUserId() {
    return 0;
}

bool runsAsSuperuser() {
    // An administrator's programs folder is still the place of an installed copy, whoever runs it.
    return false;
}

bool isWritableFolder(const std::string& folder) {
    // Access lists are too many-sided to be read here: a file is made and removed again.
    const std::wstring probe = windows::widePath(std::filesystem::path(folder)) +
                               L"\\.felmo-write-probe-" + std::to_wstring(::GetCurrentProcessId());
    const HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                      FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    ::CloseHandle(file);
    return true;
}

bool isOwnedByUser(const std::string&) {
    // A folder the user may write into is the user's to use; Windows shares folders through
    // access lists rather than through an owner.
    return true;
}

bool isUsersWritableFile(const std::string& path) {
    const DWORD attributes =
        ::GetFileAttributesW(windows::widePath(std::filesystem::path(path)).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES &&
           !(attributes &
             (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_REPARSE_POINT));
}

}  // namespace felmo
