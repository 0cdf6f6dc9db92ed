// Small file helpers of the work-tree tests, which name folders as text ending in "/" (the
// temporary folder of each test is support/temporary_folder.hpp, through pathWithSlash()); the
// whole-file reads and writes are support/text_files.hpp.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/places.hpp"
#include "support/system_forms.hpp"
#include "support/temporary_folder.hpp"
#include "support/text_files.hpp"

namespace felmo::testing {

// Whether anything is there, a link counting as itself and not as what it names.
inline bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// Sets the POSIX file mode of `path` (on Windows only the owner's write bit means anything: it
// is the read-only attribute).
inline void setMode(const std::string& path, unsigned mode) {
    std::filesystem::permissions(path, static_cast<std::filesystem::perms>(mode),
                                 std::filesystem::perm_options::replace);
}

}  // namespace felmo::testing
