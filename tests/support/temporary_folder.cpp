#include "support/temporary_folder.hpp"

#include <algorithm>
#include <stdexcept>
#include <system_error>

#include "platform/private_folder.hpp"

namespace felmo::testing {
namespace fs = std::filesystem;

namespace {

const fs::path& systemTemporaryFolder() {
    static const fs::path folder = fs::temp_directory_path();
    return folder;
}

}  // namespace

TemporaryFolder::TemporaryFolder(std::string_view label) {
    const std::string prefix = "felmo-" + std::string(label) + "-";
    const std::string made = createUniquePrivateFolder(systemTemporaryFolder().string(), prefix);
    if (made.empty())
        throw std::runtime_error("cannot make a temporary folder " + prefix + "* in " +
                                 systemTemporaryFolder().string());
    path_ = made;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code ignored;
    fs::permissions(path_, fs::perms::owner_all, ignored);
    // A folder is opened for the walk only after the loop has given its permissions back.
    for (auto it = fs::recursive_directory_iterator(
             path_, fs::directory_options::skip_permission_denied, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        if (it->is_directory(ignored) && !it->is_symlink(ignored))
            fs::permissions(it->path(), fs::perms::owner_all, ignored);
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
