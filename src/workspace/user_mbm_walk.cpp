#include "workspace/user_mbm_walk.hpp"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/ascii.hpp"
#include "base/error.hpp"
#include "base/file_io.hpp"
#include "workspace/slot_table.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;

bool endsWithMbm(const std::string& name) {
    return endsWithIgnoringAsciiCase(name, ".mbm");
}

// The name a user file gets in WorkDir: a slot's file takes the slot's own spelling.
std::string nameInWorkDir(const std::string& name) {
    if (const MbmSlot* slot = findSlot(std::string_view(name).substr(0, name.size() - 4)))
        return std::string(slot->name) + ".mbm";
    return name;
}

void visitFolder(const fs::path& folder, const std::string& workDir,
                 std::vector<std::string>& foundMbmNames) {
    std::vector<std::string> files;
    std::vector<std::string> subFolders;
    std::error_code error;
    fs::directory_iterator entries(folder, error);
    if (error)
        return;  // a folder that cannot be read is skipped; the walk goes on
    for (; entries != fs::directory_iterator(); entries.increment(error)) {
        if (error)
            break;
        std::string name = entries->path().filename().string();
        if (name.empty() || name.front() == '.')
            continue;
        fs::file_status status = entries->symlink_status(error);
        if (error) {
            error.clear();
            continue;
        }
        if (fs::is_regular_file(status) && endsWithMbm(name))
            files.push_back(std::move(name));
        else if (fs::is_directory(status))
            subFolders.push_back(std::move(name));
    }
    // Sorted, so that the copy that wins among files of one name does not depend on the order
    // in which the file system happens to list a folder.
    std::sort(files.begin(), files.end());
    std::sort(subFolders.begin(), subFolders.end());

    for (const std::string& name : files) {
        std::string target = nameInWorkDir(name);
        try {
            copyFileAtomically(folder / name, workDir + target);
        } catch (const Error&) {
            // A copy that fails leaves the default (or an earlier copy) in place.
        }
        foundMbmNames.push_back(target);
    }
    for (const std::string& name : subFolders)
        visitFolder(folder / name, workDir, foundMbmNames);
}

}  // namespace

std::vector<std::string> CopyUserMbmFiles(const std::string& outputFolder,
                                          const std::string& workDir) {
    std::vector<std::string> foundMbmNames;
    std::error_code error;
    if (outputFolder.empty() || !fs::is_directory(outputFolder, error))
        return foundMbmNames;
    visitFolder(fs::path(outputFolder), workDir, foundMbmNames);
    return foundMbmNames;
}

}  // namespace felmo
