#include "workspace/work_tree.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/error.hpp"
#include "text_files.hpp"
#include "workspace/paths.hpp"

namespace felmo {
namespace {

using testing::exists;
using testing::readText;
using testing::TemporaryFolder;
using testing::writeText;

std::string workDirIn(const TemporaryFolder& folder) {
    return workDirFor(folder.pathWithSlash(), currentUserId());
}

TEST(WorkTree, PrepareCreatesAPrivateFolder) {
    TemporaryFolder folder;
    const std::string workDir = workDirIn(folder);
    prepareWorkDir(workDir);
    const std::filesystem::file_status status = std::filesystem::symlink_status(workDir);
    EXPECT_EQ(status.type(), std::filesystem::file_type::directory);
    // (On Windows the folder is private by its access list, which file modes do not show.)
    if (testing::kPosix) {
        EXPECT_EQ(status.permissions() & std::filesystem::perms::all,
                  std::filesystem::perms::owner_all);
    }
    prepareWorkDir(workDir);  // an existing private folder is fine
}

TEST(WorkTree, CreatesTheWholeTree) {
    TemporaryFolder folder;
    const std::string workDir = workDirIn(folder);
    createWorkTree(workDir);
    for (const char* name :
         {"backgroundimage", "EidPic", "Splashscreen", "startup", "Welcomeimage", "NewMbmFiles"})
        EXPECT_TRUE(std::filesystem::is_directory(workDir + name)) << name;
    createWorkTree(workDir);  // again: nothing fails
}

enum class Intruder { SymbolicLink, OpenFolder, PlainFile };

class WorkDirRefused : public ::testing::TestWithParam<Intruder> {};

TEST_P(WorkDirRefused, WithAClearMessage) {
    if (!testing::kPosix && GetParam() != Intruder::PlainFile)
        GTEST_SKIP() << "symbolic links and folder modes are POSIX's";
    TemporaryFolder folder;
    const std::string workDir = workDirIn(folder);
    const std::string bare = workDir.substr(0, workDir.size() - 1);
    std::filesystem::create_directory(folder / "elsewhere");
    const char* expectedReason = "";
    switch (GetParam()) {
        case Intruder::SymbolicLink:
            std::filesystem::create_directory_symlink(folder / "elsewhere", bare);
            expectedReason = "символическая ссылка";
            break;
        case Intruder::OpenFolder:
            std::filesystem::create_directory(bare);
            testing::setMode(bare, 0755);
            expectedReason = "открыта для других";
            break;
        case Intruder::PlainFile:
            writeText(bare, "not a folder");
            expectedReason = "не папка";
            break;
    }
    for (int attempt = 0; attempt < 2; ++attempt) {
        try {
            if (attempt == 0)
                prepareWorkDir(workDir);
            else
                WorkDirLock lock(workDir);
            FAIL() << "the work folder should have been refused";
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()).find(expectedReason), std::string::npos)
                << error.what();
            EXPECT_NE(std::string(error.what()).find(workDir), std::string::npos) << error.what();
        }
    }
    EXPECT_TRUE(std::filesystem::is_empty(folder / "elsewhere"));  // nothing made through a link
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkDirRefused,
                         ::testing::Values(Intruder::SymbolicLink, Intruder::OpenFolder,
                                           Intruder::PlainFile));

TEST(WorkTree, SecondLockOfTheSameUserSaysFelmoIsRunning) {
    TemporaryFolder folder;
    const std::string workDir = workDirIn(folder);
    {
        WorkDirLock first(workDir);
        createWorkTree(workDir);
        writeText(workDir + "startup/0.bmp", "frame");
        try {
            WorkDirLock second(workDir);
            FAIL() << "a second lock should have been refused";
        } catch (const Error& error) {
            EXPECT_STREQ(error.what(), "Программа FELMO уже запущена.");
        }
        EXPECT_EQ(readText(workDir + "startup/0.bmp"), "frame");  // the tree is untouched
    }
    WorkDirLock again(workDir);  // released with the first holder
}

TEST(WorkTree, EmptySlotFoldersLeavesTheFoldersAndTheRootFiles) {
    TemporaryFolder folder;
    const std::string workDir = workDirIn(folder);
    createWorkTree(workDir);
    writeText(workDir + "startup/11.bmp", "stale");
    writeText(workDir + "EidPic/deep/x.bmp", "stale");
    writeText(workDir + "NewMbmFiles/startup.mbm", "stale");
    writeText(workDir + "startup.mbm", "source");
    emptySlotFolders(workDir);
    EXPECT_FALSE(exists(workDir + "startup/11.bmp"));
    EXPECT_FALSE(exists(workDir + "EidPic/deep"));
    EXPECT_FALSE(exists(workDir + "NewMbmFiles/startup.mbm"));
    EXPECT_TRUE(std::filesystem::is_directory(workDir + "startup"));
    EXPECT_TRUE(std::filesystem::is_directory(workDir + "NewMbmFiles"));
    EXPECT_EQ(readText(workDir + "startup.mbm"), "source");
}

TEST(WorkTree, DeleteTreeRemovesEverythingButNeverFollowsALinkOut) {
    if (!testing::kPosix)
        GTEST_SKIP() << "symbolic links and folder modes are POSIX's";
    TemporaryFolder folder;
    const std::string workDir = workDirIn(folder);
    createWorkTree(workDir);
    writeText(folder / "outside/keep.txt", "precious");
    writeText(folder / "outside-file.txt", "precious too");
    writeText(workDir + "startup/0.bmp", "frame");
    writeText(workDir + ".hidden", "hidden");
    writeText(workDir + "EidPic/a/b/c/d.bmp", "deep");
    std::filesystem::create_directory_symlink(folder / "outside", workDir + "EidPic/link");
    std::filesystem::create_symlink(folder / "outside-file.txt", workDir + "file-link");
    testing::setMode(workDir + "Splashscreen", 0500);  // a read-only folder still goes

    DeleteTree(workDir);
    EXPECT_FALSE(exists(workDir));
    EXPECT_EQ(readText(folder / "outside/keep.txt"), "precious");
    EXPECT_EQ(readText(folder / "outside-file.txt"), "precious too");
}

TEST(WorkTree, DeleteTreeOfALinkRemovesOnlyTheLink) {
    if (!testing::kPosix)
        GTEST_SKIP() << "symbolic links are POSIX's";
    TemporaryFolder folder;
    writeText(folder / "target/keep.txt", "precious");
    std::filesystem::create_directory_symlink(folder / "target", folder / "link");
    DeleteTree(folder / "link/");
    EXPECT_FALSE(exists(folder / "link"));
    EXPECT_EQ(readText(folder / "target/keep.txt"), "precious");
    DeleteTree(folder / "never-there/");  // nothing to do, nothing reported
}

}  // namespace
}  // namespace felmo
