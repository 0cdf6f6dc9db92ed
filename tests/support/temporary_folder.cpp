#include "support/temporary_folder.hpp"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <stdexcept>
#include <system_error>

namespace felmo::testing {
namespace fs = std::filesystem;

namespace {

const fs::path& systemTemporaryFolder() {
    static const fs::path folder = fs::temp_directory_path();
    return folder;
}

}  // namespace

TemporaryFolder::TemporaryFolder(std::string_view label) {
    std::string pattern =
        (systemTemporaryFolder() / ("felmo-" + std::string(label) + "-XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot make a temporary folder from " + pattern);
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    ::chmod(path_.c_str(), 0700);
    // A folder is opened for the walk only after the loop has given its permissions back.
    for (auto it = fs::recursive_directory_iterator(
             path_, fs::directory_options::skip_permission_denied, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            ::chmod(it->path().c_str(), 0700);
    fs::remove_all(path_, ignored);
}

std::vector<std::string> TemporaryFolder::entries() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace felmo::testing
