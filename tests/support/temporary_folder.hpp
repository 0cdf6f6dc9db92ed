// A fresh empty folder for one test (or one benchmark run) under the system's temporary folder,
// removed with everything in it when the object goes.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace felmo::testing {

class TemporaryFolder {
  public:
    // Made as <temporary folder>/felmo-<label>-XXXXXX. The temporary folder is the one this
    // process had when its first TemporaryFolder was made, so a test that points TMPDIR at a
    // folder of its own for the code under test does not move the folders made after it.
    explicit TemporaryFolder(std::string_view label = "test");
    // Gives back the permissions a test took away from folders inside, so that all can go.
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    // The folder as text ending in "/", as the work-tree code writes folders.
    std::string pathWithSlash() const { return path_.string() + "/"; }
    // The path of `name` inside the folder, as text.
    std::string operator/(std::string_view name) const { return pathWithSlash().append(name); }
    // Names of every entry (dot files included), sorted.
    std::vector<std::string> entries() const;

  private:
    std::filesystem::path path_;
};

}  // namespace felmo::testing
