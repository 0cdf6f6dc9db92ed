#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "base/error.hpp"
#include "base/file_io.hpp"

namespace felmo {
namespace {

using Bytes = std::vector<std::uint8_t>;

class FileIo : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = std::filesystem::temp_directory_path() /
                  ("felmo-file-io-test-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder_);
    }
    void TearDown() override {
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
        std::filesystem::remove_all(folder_);
    }
    std::size_t entries() const {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder_),
                                                      std::filesystem::directory_iterator()));
    }
    static std::string errorOf(const std::function<void()>& action) {
        try {
            action();
        } catch (const Error& error) {
            return error.what();
        }
        return "no error";
    }
    std::filesystem::path folder_;
};

TEST_F(FileIo, WriteThenReadGivesTheBytesAndLeavesNoTemporary) {
    const std::filesystem::path path = folder_ / "data.bin";
    const Bytes bytes = {0, 1, 2, 255, 'B', 'M'};
    writeFileAtomically(path, bytes);
    EXPECT_EQ(readWholeFile(path), bytes);
    writeFileAtomically(path, Bytes{7});
    EXPECT_EQ(readWholeFile(path), Bytes{7});
    writeFileAtomically(path, Bytes{});
    EXPECT_TRUE(readWholeFile(path).empty());
    EXPECT_EQ(entries(), 1u);
}

TEST_F(FileIo, CopyIsWholeAtTheDestination) {
    const Bytes bytes(100000, 0x5A);
    writeFileAtomically(folder_ / "from", bytes);
    copyFileAtomically(folder_ / "from", folder_ / "to");
    EXPECT_EQ(readWholeFile(folder_ / "to"), bytes);
    EXPECT_EQ(entries(), 2u);
}

TEST_F(FileIo, ReadErrorsCarryThePathAndTheSystemsReason) {
    const std::filesystem::path missing = folder_ / "missing.bmp";
    EXPECT_EQ(errorOf([&] { readWholeFile(missing); }),
              "Cannot open file \"" + missing.string() + "\". No such file or directory");
    EXPECT_EQ(errorOf([&] { readWholeFile(folder_); }),
              "Cannot open file \"" + folder_.string() + "\". Is a directory");
    const std::filesystem::path big = folder_ / "big.bin";
    writeFileAtomically(big, Bytes(11, 0));
    EXPECT_EQ(errorOf([&] { readWholeFile(big, 10); }),
              "Cannot open file \"" + big.string() + "\". The file is too large.");
    EXPECT_EQ(readWholeFile(big, 11).size(), 11u);
}

TEST_F(FileIo, WriteErrorsCarryThePathAndKeepTheOldFile) {
    const std::filesystem::path missingFolder = folder_ / "no" / "0.bmp";
    EXPECT_EQ(errorOf([&] { writeFileAtomically(missingFolder, Bytes{1}); }),
              "Cannot create file \"" + missingFolder.string() + "\". No such file or directory");

    const std::filesystem::path kept = folder_ / "kept.bin";
    writeFileAtomically(kept, Bytes{1, 2, 3});
    if (::geteuid() != 0) {  // permissions do not stop root
        std::filesystem::permissions(
            folder_, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
        EXPECT_EQ(errorOf([&] { writeFileAtomically(kept, Bytes{9}); }),
                  "Cannot create file \"" + kept.string() + "\". Permission denied");
        std::filesystem::permissions(folder_, std::filesystem::perms::owner_all);
        EXPECT_EQ(readWholeFile(kept), (Bytes{1, 2, 3}));
    }
    // Renaming over a directory fails: the temporary is removed again.
    std::filesystem::create_directory(folder_ / "taken");
    std::filesystem::create_directory(folder_ / "taken" / "inside");
    EXPECT_EQ(errorOf([&] {
                  writeFileAtomically(folder_ / "taken", Bytes{1});
              }).rfind("Cannot create file \"" + (folder_ / "taken").string() + "\". ", 0),
              0u);
    EXPECT_EQ(entries(), 2u);
}

TEST(FileIoMessages, ExactTexts) {
    EXPECT_EQ(cannotOpenMessage("/a/b.bmp", "Why"), "Cannot open file \"/a/b.bmp\". Why");
    EXPECT_EQ(cannotCreateMessage("/a/b.bmp", "Why"), "Cannot create file \"/a/b.bmp\". Why");
    EXPECT_EQ(systemReason(ENOENT), "No such file or directory");
}

}  // namespace
}  // namespace felmo
