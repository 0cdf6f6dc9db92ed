// The file-system questions and small operations the core asks outside the private work tree,
// with paths as UTF-8 text (std::filesystem::path built from UTF-8). On Windows every one goes to
// the system as UTF-16, so that a path with Cyrillic letters in it works.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace felmo {

// The path as the system's own calls take it: on POSIX the same; on Windows built from the UTF-8
// bytes of `path`'s narrow text as UTF-16, so std::filesystem operations on it reach the file the
// UTF-8 text names.
std::filesystem::path nativePath(const std::filesystem::path& path);
// The reverse: a path the system gave (a folder listing, say) as a path of UTF-8 text.
std::filesystem::path pathFromNative(const std::filesystem::path& native);

// A folder, following links.
bool isFolder(const std::filesystem::path& path);
// A regular file, following links.
bool isRegularFile(const std::filesystem::path& path);
// The size of a regular file (following links); nothing for anything else.
std::optional<std::uintmax_t> regularFileSize(const std::filesystem::path& path);

// Creates the folder and its missing parents; false when it is not a folder afterwards.
bool createFolders(const std::filesystem::path& path);
// Removes one file (a link as itself); a missing file is fine, failures are ignored.
void removeFile(const std::filesystem::path& path);

// Whether anything is there (following links).
bool pathExists(const std::filesystem::path& path);

// The path made absolute against the current folder; the path as it is when the current folder
// cannot be had.
std::filesystem::path absolutePath(const std::filesystem::path& path);
// The same, normalised lexically as well.
std::filesystem::path absoluteNormalPath(const std::filesystem::path& path);

// One entry of a folder listing. Links are reported as links, not followed.
struct FolderEntry {
    enum class Kind { File, Folder, Link, Other };
    std::string name;  // UTF-8
    Kind kind = Kind::Other;
};
// The entries of `folder` in the order the system lists them ("." and ".." left out); nothing
// when it cannot be read. An entry whose kind cannot be had is left out.
std::optional<std::vector<FolderEntry>> listFolder(const std::filesystem::path& folder);

}  // namespace felmo
