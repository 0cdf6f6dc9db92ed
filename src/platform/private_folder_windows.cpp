#include <aclapi.h>
#include <sddl.h>

#include <random>
#include <utility>
#include <vector>

#include "platform/private_folder.hpp"
#include "platform/windows_text.hpp"

namespace felmo {

using windows::Handle;

namespace {

std::wstring widePathOf(const std::string& path) {
    return windows::widePath(std::filesystem::path(withoutTrailingSeparators(path)));
}

// The token's user and its default owner for new objects (for an administrator the
// Administrators group), either of which owns what the user creates.
struct UserSids {
    std::vector<unsigned char> user;
    std::vector<unsigned char> owner;
};

std::vector<unsigned char> tokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS kind) {
    DWORD size = 0;
    ::GetTokenInformation(token, kind, nullptr, 0, &size);
    std::vector<unsigned char> buffer(size);
    if (size == 0 || !::GetTokenInformation(token, kind, buffer.data(), size, &size))
        buffer.clear();
    return buffer;
}

const UserSids& currentUserSids() {
    static const UserSids sids = [] {
        UserSids found;
        HANDLE token = nullptr;
        if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &token))
            return found;
        found.user = tokenInformation(token, TokenUser);
        found.owner = tokenInformation(token, TokenOwner);
        ::CloseHandle(token);
        return found;
    }();
    return sids;
}

PSID userSid() {
    const UserSids& sids = currentUserSids();
    return sids.user.empty() ? nullptr
                             : reinterpret_cast<const TOKEN_USER*>(sids.user.data())->User.Sid;
}

bool isCurrentUser(PSID owner) {
    if (owner == nullptr)
        return true;  // a file system without owners (FAT) has nothing to check
    const UserSids& sids = currentUserSids();
    if (PSID user = userSid(); user && ::EqualSid(owner, user))
        return true;
    return !sids.owner.empty() &&
           ::EqualSid(owner, reinterpret_cast<const TOKEN_OWNER*>(sids.owner.data())->Owner);
}

FolderRefusal refusalOf(DWORD attributes, PSID owner) {
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return FolderRefusal::Link;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return FolderRefusal::NotFolder;
    if (!isCurrentUser(owner))
        return FolderRefusal::OtherOwner;
    return FolderRefusal::None;
}

// Removes every entry of `folder`; a link or a junction is removed itself, never entered.
void removeContentsOf(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, 0);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::wstring path = folder + L"\\" + found.cFileName;
        const DWORD attributes = found.dwFileAttributes;
        if (attributes & FILE_ATTRIBUTE_READONLY)
            ::SetFileAttributesW(path.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY});
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or a directory link goes as itself: RemoveDirectoryW removes the link.
            if (!(attributes & FILE_ATTRIBUTE_REPARSE_POINT))
                removeContentsOf(path);
            ::RemoveDirectoryW(path.c_str());
        } else {
            ::DeleteFileW(path.c_str());
        }
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
}

}  // namespace

std::string withoutTrailingSeparators(std::string path) {
    while (path.size() > 1 && (path.back() == '/' || path.back() == '\\') &&
           !(path.size() == 3 && path[1] == ':'))
        path.pop_back();
    return path;
}

int createPrivateFolder(const std::string& path) {
    // An access list granting this user alone, which the folder's contents inherit.
    SECURITY_ATTRIBUTES attributes{sizeof attributes, nullptr, FALSE};
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    wchar_t* sidText = nullptr;
    if (PSID user = userSid(); user && ::ConvertSidToStringSidW(user, &sidText)) {
        const std::wstring sddl = L"D:P(A;OICI;FA;;;" + std::wstring(sidText) + L")";
        ::LocalFree(sidText);
        if (::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl.c_str(), SDDL_REVISION_1,
                                                                   &descriptor, nullptr))
            attributes.lpSecurityDescriptor = descriptor;
    }
    if (attributes.lpSecurityDescriptor == nullptr)
        return static_cast<int>(::GetLastError());
    const BOOL made = ::CreateDirectoryW(widePathOf(path).c_str(), &attributes);
    const DWORD error = made ? 0 : ::GetLastError();
    ::LocalFree(descriptor);
    return error == ERROR_ALREADY_EXISTS ? 0 : static_cast<int>(error);
}

std::string createUniquePrivateFolder(const std::string& parent, std::string_view prefix) {
    static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::random_device seed;
    std::mt19937 generator(seed());
    std::uniform_int_distribution<int> letter(0, 35);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string path = withoutTrailingSeparators(parent) + "\\" + std::string(prefix);
        for (int i = 0; i < 6; ++i)
            path += kLetters[letter(generator)];
        if (::GetFileAttributesW(widePathOf(path).c_str()) != INVALID_FILE_ATTRIBUTES)
            continue;
        if (createPrivateFolder(path) == 0)
            return path;
    }
    return {};
}

FolderRefusal privateFolderRefusal(const std::string& path, int& error) {
    const std::wstring wide = widePathOf(path);
    const DWORD attributes = ::GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = static_cast<int>(::GetLastError());
        return FolderRefusal::None;
    }
    error = 0;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetNamedSecurityInfoW(wide.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                nullptr, nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        owner = nullptr;
    const FolderRefusal refusal = refusalOf(attributes, owner);
    ::LocalFree(descriptor);
    return refusal;
}

void OpenFolder::close() {
    for (NativeHandle* handle : {&lock_, &handle_}) {
        if (*handle != kNoNativeHandle)
            ::CloseHandle(reinterpret_cast<HANDLE>(*handle));
        *handle = kNoNativeHandle;
    }
}

OpenFolder OpenFolder::open(const std::string& path, bool followLink, int& error) {
    OpenFolder folder;
    Handle handle{::CreateFileW(
        widePathOf(path).c_str(), FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | READ_CONTROL,
        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
        FILE_FLAG_BACKUP_SEMANTICS | (followLink ? 0 : FILE_FLAG_OPEN_REPARSE_POINT), nullptr)};
    if (!handle.valid()) {
        error = static_cast<int>(::GetLastError());
        return folder;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(handle.get(), &information)) {
        error = static_cast<int>(::GetLastError());
        return folder;
    }
    if (!followLink && (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        error = ERROR_CANT_ACCESS_FILE;  // a junction or a link in place of the folder
        return folder;
    }
    if (!(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = ERROR_DIRECTORY;
        return folder;
    }
    error = 0;
    folder.handle_ = reinterpret_cast<NativeHandle>(handle.release());
    folder.path_ = path;
    return folder;
}

FolderRefusal OpenFolder::refusal() const {
    const HANDLE handle = reinterpret_cast<HANDLE>(handle_);
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(handle, &information))
        return FolderRefusal::NotFolder;
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (::GetSecurityInfo(handle, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                          nullptr, nullptr, &descriptor) != ERROR_SUCCESS)
        owner = nullptr;
    const FolderRefusal refusal = refusalOf(information.dwFileAttributes, owner);
    ::LocalFree(descriptor);
    return refusal;
}

OpenFolder::Lock OpenFolder::tryLock(int& error) {
    // A hidden lock file inside, opened for this process alone and gone when it is closed. The
    // folder itself stays open to everyone: it is the converter's working folder.
    const std::string lockPath = withoutTrailingSeparators(path_) + "\\.felmo.lock";
    HANDLE lock =
        ::CreateFileW(widePathOf(lockPath).c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                      OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (lock == INVALID_HANDLE_VALUE) {
        error = static_cast<int>(::GetLastError());
        return error == ERROR_SHARING_VIOLATION ? Lock::HeldByOther : Lock::Unavailable;
    }
    error = 0;
    lock_ = reinterpret_cast<NativeHandle>(lock);
    return Lock::Taken;
}

void OpenFolder::makeFolder(std::string_view name) const {
    const std::string path = withoutTrailingSeparators(path_) + "\\" + std::string(name);
    ::CreateDirectoryW(widePathOf(path).c_str(), nullptr);
}

void OpenFolder::removeContents() const {
    removeContentsOf(widePathOf(path_));
}

void deleteTree(const std::string& path) {
    const std::wstring target = widePathOf(path);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // A junction or a link in place of the folder goes as itself.
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            ::RemoveDirectoryW(target.c_str());
        else
            ::DeleteFileW(target.c_str());
        return;
    }
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        ::DeleteFileW(target.c_str());
        return;
    }
    removeContentsOf(target);
    ::RemoveDirectoryW(target.c_str());
}

void removeEmptyFolder(const std::string& path) {
    ::RemoveDirectoryW(widePathOf(path).c_str());
}

}  // namespace felmo
