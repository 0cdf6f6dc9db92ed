// Small file helpers of the work-tree tests, which name folders as text ending in "/" (the
// temporary folder of each test is support/temporary_folder.hpp, through pathWithSlash()); the
// whole-file reads and writes are support/text_files.hpp.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "support/temporary_folder.hpp"
#include "support/text_files.hpp"

namespace felmo::testing {

inline bool exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace felmo::testing
