// The system's own words for the failures the tests provoke most, as the program's messages quote
// them: a file that is not there, and a folder on the way to it that is not there (one reason on
// POSIX, two on Windows).
#pragma once

#include <cerrno>
#include <string>

#include "platform/file_io.hpp"

namespace felmo::testing {

inline std::string missingFileReason() {
#ifdef _WIN32
    return systemReason(2);  // ERROR_FILE_NOT_FOUND
#else
    return systemReason(ENOENT);
#endif
}

inline std::string missingFolderReason() {
#ifdef _WIN32
    return systemReason(3);  // ERROR_PATH_NOT_FOUND
#else
    return systemReason(ENOENT);
#endif
}

}  // namespace felmo::testing
