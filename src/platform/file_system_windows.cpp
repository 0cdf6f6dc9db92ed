#include <system_error>

#include "platform/file_system.hpp"
#include "platform/windows_text.hpp"

namespace felmo {
namespace windows {
namespace {

bool isUtf8(std::string_view bytes) {
    return bytes.empty() || ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                                                  static_cast<int>(bytes.size()), nullptr, 0) > 0;
}

}  // namespace

std::wstring wideFromUtf8(std::string_view text) {
    if (text.empty())
        return {};
    const UINT codePage = isUtf8(text) ? CP_UTF8 : CP_ACP;
    const int length =
        ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), wide.data(),
                          length);
    return wide;
}

std::string utf8FromWide(std::wstring_view text) {
    if (text.empty())
        return {};
    const int length = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                             nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), narrow.data(),
                          length, nullptr, nullptr);
    return narrow;
}

std::wstring widePath(const std::filesystem::path& path) {
    // The program builds its paths from UTF-8 text. The narrow conversion of std::filesystem
    // (the C runtime's default locale) carries each byte over as one unit below 0x100, so such a
    // path holds the UTF-8 bytes themselves: they are decoded here. A path whose units do not read
    // as UTF-8 that way (one made from UTF-16, a listing's, say) is already what the system takes.
    const std::wstring& units = path.native();
    bool carriesBytes = false;
    for (wchar_t unit : units) {
        if (unit >= 0x100)
            return units;
        carriesBytes = carriesBytes || unit >= 0x80;
    }
    if (!carriesBytes)
        return units;
    std::string bytes;
    bytes.reserve(units.size());
    for (wchar_t unit : units)
        bytes += static_cast<char>(static_cast<unsigned char>(unit));
    return isUtf8(bytes) ? wideFromUtf8(bytes) : units;
}

std::wstring withoutTrailingSeparators(std::wstring folder) {
    const auto isSeparator = [](wchar_t unit) { return unit == L'\\' || unit == L'/'; };
    // What must stay: one leading separator, or "X:" and the separator after it (after the
    // "\\?\" of a long path, if any).
    const std::size_t start = folder.starts_with(L"\\\\?\\") ? 4 : 0;
    const bool hasDrive = folder.size() >= start + 2 && folder[start + 1] == L':';
    const std::size_t rootLength =
        start +
        (hasDrive ? (folder.size() >= start + 3 && isSeparator(folder[start + 2]) ? 3 : 2) : 1);
    while (folder.size() > rootLength && isSeparator(folder.back()))
        folder.pop_back();
    return folder;
}

std::string messageFor(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length > 0 && buffer ? std::wstring(buffer, length) : std::wstring();
    if (buffer)
        ::LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' '))
        text.pop_back();
    if (text.empty())
        return "Error " + std::to_string(code);
    return utf8FromWide(text);
}

}  // namespace windows

std::filesystem::path nativePath(const std::filesystem::path& path) {
    return std::filesystem::path(windows::widePath(path));
}

std::filesystem::path pathFromNative(const std::filesystem::path& native) {
    // Kept as the system's UTF-16: the narrow constructor carries UTF-8 over byte by byte, but
    // string() encodes every unit as UTF-8, so a path made from UTF-8 text would come back from
    // string() encoded twice. This one comes back as its UTF-8 text, and widePath takes it as is.
    return std::filesystem::path(native.native());
}

std::optional<std::vector<FolderEntry>> listFolder(const std::filesystem::path& folder) {
    const std::wstring pattern = windows::widePath(folder) + L"\\*";
    WIN32_FIND_DATAW found{};
    HANDLE search = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                       FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE)
        return std::nullopt;
    std::vector<FolderEntry> listing;
    do {
        const std::wstring_view name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        FolderEntry entry;
        entry.name = windows::utf8FromWide(name);
        const DWORD attributes = found.dwFileAttributes;
        // A symbolic link or a junction is a reparse point: reported as a link, never entered.
        if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
            entry.kind = FolderEntry::Kind::Link;
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            entry.kind = FolderEntry::Kind::Folder;
        else if (attributes & FILE_ATTRIBUTE_DEVICE)
            entry.kind = FolderEntry::Kind::Other;
        else
            entry.kind = FolderEntry::Kind::File;
        listing.push_back(std::move(entry));
    } while (::FindNextFileW(search, &found));
    ::FindClose(search);
    return listing;
}

}  // namespace felmo
