// The forms the program's files take on the system the tests run on, for tests that run on
// POSIX and on Windows alike: where the user's temporary folder is set and the work tree the
// program makes in it, and how a command file writes its options and paths.
#pragma once

#include <filesystem>
#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/places.hpp"
#include "support/scoped_environment.hpp"

namespace felmo::testing {

#ifdef _WIN32
inline constexpr char kSeparator = '\\';
// False where file modes, symbolic links, TMPDIR and the XDG folders mean nothing: a test of those
// skips there.
inline constexpr bool kPosix = false;
#else
inline constexpr char kSeparator = '/';
inline constexpr bool kPosix = true;
#endif

// Points the user's temporary folder at `folder` for as long as `environment` lives: TMPDIR on
// POSIX, TMP and TEMP (read in that order) on Windows.
inline void setTemporaryFolder(ScopedEnvironment& environment,
                               const std::filesystem::path& folder) {
#ifdef _WIN32
    environment.set("TMP", folder.string());
    environment.set("TEMP", folder.string());
#else
    environment.set("TMPDIR", folder.string());
#endif
}

// The work tree the program makes in the temporary folder `folder`: Temp_FELMO-<user id> on
// POSIX, Temp_FELMO on Windows, where the temporary folder is the user's own.
inline std::filesystem::path workTreeIn(const std::filesystem::path& folder) {
#ifdef _WIN32
    return folder / "Temp_FELMO";
#else
    return folder / ("Temp_FELMO-" + std::to_string(currentUserId()));
#endif
}

// `path`, written with "/" in a test, as the system writes it: "a\b" on Windows.
inline std::string systemPath(std::string_view path) {
    std::string text(path);
    for (char& c : text)
        if (c == '/')
            c = kSeparator;
    return text;
}

// `text` with every separator written "/": a message that names a path in the system's form, or
// with both separators, compares with a path a test writes.
inline std::string withForwardSlashes(std::string_view text) {
    std::string result(text);
    for (char& c : result)
        if (c == kSeparator)
            c = '/';
    return result;
}

// `folder` followed by `names`, joined by the system's separator, as a command file names them.
inline std::string pathIn(const std::filesystem::path& folder,
                          std::initializer_list<std::string_view> names) {
    std::string text = folder.string();
    for (std::string_view name : names)
        text.append(1, kSeparator).append(name);
    return text;
}

// The option that opens an unpack command file, with the blanks around it.
#ifdef _WIN32
inline constexpr std::string_view kUnpackOption = " /u ";
#else
inline constexpr std::string_view kUnpackOption = " -u ";
#endif

// The colour-depth option of a pack command file's frame line ("-c16", Windows "/c16").
inline std::string depthOption(std::string_view depth) {
#ifdef _WIN32
    return "/c" + std::string(depth);
#else
    return "-c" + std::string(depth);
#endif
}

}  // namespace felmo::testing
