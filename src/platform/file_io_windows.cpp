#include <algorithm>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include "base/error.hpp"
#include "platform/file_io.hpp"
#include "platform/file_io_shared.hpp"
#include "platform/windows_text.hpp"

namespace felmo {

using windows::Handle;
using windows::utf8FromWide;
using windows::wideFromUtf8;
using windows::widePath;

struct StagedFile::Staging {
    std::wstring folder;  // the folder the written file lands in, without a final separator
    std::wstring name;    // its name there (a link's target's name when the destination is one)
    std::wstring temporaryName;
    // Inside the private tree: the folders on the way, held open so that none can be renamed,
    // removed or swapped for a junction until the file is in place.
    std::vector<Handle> heldFolders;

    std::wstring temporaryPath() const { return inFolder(temporaryName); }
    std::wstring path() const { return inFolder(name); }
    std::wstring inFolder(const std::wstring& entry) const {
        const bool separated = !folder.empty() && (folder.back() == L'\\' || folder.back() == L'/');
        return folder + (separated ? L"" : L"\\") + entry;
    }
};

void StagedFile::StagingDeleter::operator()(Staging* staging) const noexcept {
    delete staging;
}

namespace {

using file_io_detail::PrivateTree;
using file_io_detail::privateTree;
using file_io_detail::temporaryNameFor;

[[noreturn]] void cannotCreate(const std::filesystem::path& path, DWORD code) {
    throw Error(cannotCreateMessage(path, systemReason(static_cast<int>(code))));
}

[[noreturn]] void notRegular(const std::filesystem::path& path) {
    throw Error(cannotCreateMessage(path, "It is not a regular file; it was left as it is."));
}

bool isSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// Opens the folder `path` to hold it: it must be a real folder, not a junction or another reparse
// point, and it cannot be renamed or removed while it is held.
Handle holdFolder(const std::wstring& path, DWORD& error) {
    Handle folder{::CreateFileW(
        path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr)};
    if (!folder.valid()) {
        error = ::GetLastError();
        return folder;
    }
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(folder.get(), &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
        !(information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
        error = ERROR_ACCESS_DENIED;
        folder.reset();
    }
    return folder;
}

// Inside the private tree: each folder below the root is held in turn, refusing links, junctions
// and "..".
void landInPrivateTree(const std::filesystem::path& destination, const std::string& text,
                       const PrivateTree& tree, StagedFile::Staging& staging) {
    const std::wstring relative = wideFromUtf8(std::string_view(text).substr(tree.root.size()));
    std::wstring current = wideFromUtf8(tree.root);
    while (!current.empty() && isSeparator(current.back()))
        current.pop_back();
    std::size_t start = 0;
    std::vector<std::wstring> components;
    while (start <= relative.size()) {
        std::size_t end = start;
        while (end < relative.size() && !isSeparator(relative[end]))
            ++end;
        components.push_back(relative.substr(start, end - start));
        start = end + 1;
    }
    const std::wstring name = components.back();
    components.pop_back();
    if (name.empty() || name == L"." || name == L"..")
        cannotCreate(destination, ERROR_DIRECTORY);
    for (const std::wstring& component : components) {
        if (component.empty() || component == L".")
            continue;
        if (component == L"..")
            cannotCreate(destination, ERROR_ACCESS_DENIED);
        current += L"\\" + component;
        DWORD error = 0;
        Handle held = holdFolder(current, error);
        if (!held.valid())
            cannotCreate(destination, error);
        staging.heldFolders.push_back(std::move(held));
    }
    staging.folder = current;
    staging.name = name;
}

// Elsewhere a symbolic link at the destination is followed to the file it names, which is
// written; the link stays.
void landFollowingLinks(const std::filesystem::path& destination, StagedFile::Staging& staging) {
    std::wstring target = widePath(destination);
    const DWORD attributes = ::GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
        Handle linked{::CreateFileW(target.c_str(), 0,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
        if (!linked.valid())
            cannotCreate(destination, ::GetLastError());
        std::wstring final(MAX_PATH, L'\0');
        for (;;) {
            const DWORD length = ::GetFinalPathNameByHandleW(
                linked.get(), final.data(), static_cast<DWORD>(final.size()), FILE_NAME_NORMALIZED);
            if (length == 0)
                cannotCreate(destination, ::GetLastError());
            if (length < final.size()) {
                final.resize(length);
                break;
            }
            final.resize(length + 1);
        }
        target = final;
    }
    std::size_t separator = target.size();
    while (separator > 0 && !isSeparator(target[separator - 1]))
        --separator;
    staging.name = target.substr(separator);
    if (staging.name.empty() || staging.name == L"." || staging.name == L"..")
        cannotCreate(destination, ERROR_DIRECTORY);
    // The folder keeps its final separator: "C:\" stays the root of the drive.
    staging.folder = separator == 0 ? L"." : target.substr(0, separator);
}

void removeStagedFile(const StagedFile::Staging& staging) {
    ::DeleteFileW(staging.temporaryPath().c_str());
}

}  // namespace

namespace file_io_detail {

void writeAt(NativeHandle file, std::uint64_t offset, std::span<const std::uint8_t> bytes,
             const std::filesystem::path& destination) {
    const HANDLE handle = reinterpret_cast<HANDLE>(file);
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(offset);
    if (!bytes.empty() && !::SetFilePointerEx(handle, at, nullptr, FILE_BEGIN))
        cannotCreate(destination, ::GetLastError());
    std::size_t done = 0;
    while (done < bytes.size()) {
        const DWORD chunk =
            static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD wrote = 0;
        if (!::WriteFile(handle, bytes.data() + done, chunk, &wrote, nullptr))
            cannotCreate(destination, ::GetLastError());
        if (wrote == 0)
            cannotCreate(destination, ERROR_WRITE_FAULT);
        done += wrote;
    }
}

}  // namespace file_io_detail

std::string systemReason(int errorNumber) {
    return windows::messageFor(static_cast<DWORD>(errorNumber));
}

InputFile::InputFile(const std::filesystem::path& path, std::size_t maxBytes) : path_(path) {
    Handle file{::CreateFileW(widePath(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
    if (!file.valid())
        throw Error(cannotOpenMessage(path, systemReason(static_cast<int>(::GetLastError()))));
    // A pipe, a console or a device is refused without waiting on it.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK)
        throw Error(cannotOpenMessage(path, "Not a regular file."));
    BY_HANDLE_FILE_INFORMATION information{};
    if (!::GetFileInformationByHandle(file.get(), &information))
        throw Error(cannotOpenMessage(path, systemReason(static_cast<int>(::GetLastError()))));
    if (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        throw Error(cannotOpenMessage(path, "Is a directory"));
    const std::uint64_t size =
        (std::uint64_t{information.nFileSizeHigh} << 32) | information.nFileSizeLow;
    if (size > maxBytes)
        throw Error(cannotOpenMessage(path, "The file is too large."));
    size_ = size;
    handle_ = reinterpret_cast<NativeHandle>(file.release());
}

InputFile::~InputFile() {
    Handle{reinterpret_cast<HANDLE>(handle_)};
}

std::size_t InputFile::readAt(std::uint64_t position, std::span<std::uint8_t> into) {
    std::size_t done = 0;
    while (done < into.size()) {
        // The position goes with each read, so reads never depend on the handle's own pointer.
        OVERLAPPED at{};
        at.Offset = static_cast<DWORD>((position + done) & 0xFFFFFFFFu);
        at.OffsetHigh = static_cast<DWORD>((position + done) >> 32);
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(into.size() - done, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(reinterpret_cast<HANDLE>(handle_), into.data() + done, chunk, &got, &at)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_HANDLE_EOF)
                break;
            throw Error(cannotOpenMessage(path_, systemReason(static_cast<int>(code))));
        }
        if (got == 0)
            break;  // the end of the file
        done += got;
    }
    return done;
}

void StagedFile::stage(const std::function<void(PositionedOutput&)>& write) {
    const std::filesystem::path& destination = destination_;
    staging_.reset(new Staging());
    Staging& staging = *staging_;
    {
        PrivateTree& tree = privateTree();
        std::lock_guard<std::mutex> guard(tree.lock);
        const std::string text = utf8FromWide(widePath(destination));
        if (file_io_detail::isBelowPrivateRoot(tree, text))
            landInPrivateTree(destination, text, tree, staging);
        else
            landFollowingLinks(destination, staging);
    }

    const DWORD existing = ::GetFileAttributesW(staging.path().c_str());
    if (existing != INVALID_FILE_ATTRIBUTES) {
        // Inside the private tree a link is replaced as an entry, never written through.
        if ((existing & FILE_ATTRIBUTE_DIRECTORY) && !(existing & FILE_ATTRIBUTE_REPARSE_POINT))
            notRegular(destination);
        if (existing & FILE_ATTRIBUTE_DEVICE)
            notRegular(destination);
        replacesExisting_ = true;
    } else if (const DWORD error = ::GetLastError();
               error != ERROR_FILE_NOT_FOUND && error != ERROR_PATH_NOT_FOUND) {
        cannotCreate(destination, error);
    }

    staging.temporaryName = wideFromUtf8(temporaryNameFor(utf8FromWide(staging.name)));
    Handle file{::CreateFileW(staging.temporaryPath().c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file.valid())
        cannotCreate(destination, ::GetLastError());
    auto fail = [&](DWORD error) {
        file.reset();
        removeStagedFile(staging);
        cannotCreate(destination, error);
    };
    try {
        file_io_detail::StagingOutput output(reinterpret_cast<NativeHandle>(file.get()),
                                             destination);
        write(output);
        output.flush();
    } catch (...) {
        file.reset();
        removeStagedFile(staging);
        throw;
    }
    if (!::CloseHandle(file.release()))
        fail(::GetLastError());
}

StagedFile::~StagedFile() {
    if (!committed_ && staging_ && !staging_->temporaryName.empty())
        removeStagedFile(*staging_);
}

void StagedFile::commit() {
    if (committed_)
        return;
    Staging& staging = *staging_;
    if (!::MoveFileExW(staging.temporaryPath().c_str(), staging.path().c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        const DWORD error = ::GetLastError();
        removeStagedFile(staging);
        committed_ = true;
        cannotCreate(destination_, error);
    }
    committed_ = true;
    staging.heldFolders.clear();
}

}  // namespace felmo
