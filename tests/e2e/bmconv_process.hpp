// Runs a built program of the project as a separate process and collects what it printed.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace felmo::test {

struct ProcessResult {
    int exitStatus = -1;  // the exit status, or -1 when the process did not exit normally
    std::string out;
    std::string err;
};

// Runs `program` with `arguments` in `workingDirectory`, standard input closed (/dev/null), and
// waits for it.
ProcessResult runProcess(const std::filesystem::path& program,
                         const std::vector<std::string>& arguments,
                         const std::filesystem::path& workingDirectory);

// A fresh empty folder under the system's temporary folder, removed with its contents when the
// object goes.
class TemporaryFolder {
  public:
    TemporaryFolder();
    ~TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const std::filesystem::path& path() const { return path_; }
    // Names of every entry (dot files included), sorted.
    std::vector<std::string> entries() const;

  private:
    std::filesystem::path path_;
};

}  // namespace felmo::test
