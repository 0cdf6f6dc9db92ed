// File names carried as UTF-8 text (arguments, command files, messages) and the paths the system
// takes. On POSIX a path is its bytes and both conversions keep them as they are. On Windows a
// path is UTF-16, and the plain narrow conversions of std::filesystem go through the ANSI code
// page, which cannot hold most names (a Cyrillic one on a Western system): these go through
// UTF-8 instead.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace felmo {

// The path named by UTF-8 text. On Windows, text that is not valid UTF-8 throws felmo::Error.
std::filesystem::path pathFromUtf8(std::string_view text);

// The path as UTF-8 text, for messages and files. On Windows a name that is not valid UTF-16
// shows U+FFFD for the units that cannot be converted.
std::string utf8FromPath(const std::filesystem::path& path);

}  // namespace felmo
