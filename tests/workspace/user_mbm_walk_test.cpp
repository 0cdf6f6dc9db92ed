#include "workspace/user_mbm_walk.hpp"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "text_files.hpp"
#include "workspace/paths.hpp"
#include "workspace/work_tree.hpp"

namespace felmo {
namespace {

using testing::exists;
using testing::readText;
using testing::writeText;

class UserMbmWalk : public ::testing::Test {
  protected:
    void SetUp() override {
        workDir_ = workDirFor(folder_.pathWithSlash(), ::getuid());
        createWorkTree(workDir_);
        output_ = folder_ / "Files";
        for (const MbmSlot& slot : kSlotTable)
            writeText(slotSourcePath(workDir_, slot), "default " + std::string(slot.name));
    }
    std::vector<std::string> walk() { return CopyUserMbmFiles(output_, workDir_); }
    std::string inWorkDir(const std::string& name) { return readText(workDir_ + name); }

    testing::TemporaryFolder folder_;
    std::string workDir_;
    std::string output_;
};

TEST_F(UserMbmWalk, NoOutputFolderLeavesTheDefaults) {
    EXPECT_TRUE(walk().empty());
    EXPECT_EQ(inWorkDir("startup.mbm"), "default startup");
}

TEST_F(UserMbmWalk, FilesBeforeSubFoldersSoTheSubFoldersCopyWins) {
    writeText(output_ + "/startup.mbm", "root startup");
    writeText(output_ + "/zz/startup.mbm", "sub startup");
    writeText(output_ + "/theme.mbm", "theme");
    writeText(output_ + "/notes.txt", "not an mbm");
    writeText(output_ + "/a/b/EidPic.mbm", "deep eidpic");
    EXPECT_EQ(walk(),
              (std::vector<std::string>{"startup.mbm", "theme.mbm", "EidPic.mbm", "startup.mbm"}));
    EXPECT_EQ(inWorkDir("startup.mbm"), "sub startup");
    EXPECT_EQ(inWorkDir("theme.mbm"), "theme");
    EXPECT_EQ(inWorkDir("EidPic.mbm"), "deep eidpic");
    EXPECT_FALSE(exists(workDir_ + "notes.txt"));
    EXPECT_EQ(inWorkDir("Splashscreen.mbm"), "default Splashscreen");
}

TEST_F(UserMbmWalk, SlotNamesInAnotherCaseReplaceTheSlotUnderItsOwnSpelling) {
    writeText(output_ + "/STARTUP.MBM", "upper startup");
    writeText(output_ + "/welcomeIMAGE.Mbm", "welcome");
    EXPECT_EQ(walk(), (std::vector<std::string>{"startup.mbm", "Welcomeimage.mbm"}));
    EXPECT_EQ(inWorkDir("startup.mbm"), "upper startup");
    EXPECT_EQ(inWorkDir("Welcomeimage.mbm"), "welcome");
    EXPECT_FALSE(exists(workDir_ + "STARTUP.MBM"));
}

TEST_F(UserMbmWalk, HiddenEntriesAndLinksAreLeftAlone) {
    writeText(output_ + "/.hidden/startup.mbm", "hidden folder");
    writeText(output_ + "/.startup.mbm", "hidden file");
    writeText(folder_ / "elsewhere/EidPic.mbm", "through a folder link");
    writeText(folder_ / "loose.mbm", "through a file link");
    std::filesystem::create_directory_symlink(folder_ / "elsewhere", output_ + "/linked");
    std::filesystem::create_symlink(folder_ / "loose.mbm", output_ + "/Splashscreen.mbm");
    std::filesystem::create_directory(output_ + "/folder.mbm");  // a folder, not a file
    EXPECT_TRUE(walk().empty());
    EXPECT_EQ(inWorkDir("startup.mbm"), "default startup");
    EXPECT_EQ(inWorkDir("EidPic.mbm"), "default EidPic");
    EXPECT_EQ(inWorkDir("Splashscreen.mbm"), "default Splashscreen");
}

TEST_F(UserMbmWalk, LongNamesAreRecordedWhole) {
    const std::string longName = "a-very-long-theme-name-of-many-characters.mbm";
    writeText(output_ + "/" + longName, "long");
    EXPECT_EQ(walk(), std::vector<std::string>{longName});
    EXPECT_EQ(inWorkDir(longName), "long");
}

TEST_F(UserMbmWalk, UnreadableFolderIsSkippedAndTheWalkGoesOn) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser reads folders whatever their mode";
    writeText(output_ + "/a-locked/startup.mbm", "locked");
    writeText(output_ + "/b-open/EidPic.mbm", "open");
    ::chmod((output_ + "/a-locked").c_str(), 0);
    EXPECT_EQ(walk(), std::vector<std::string>{"EidPic.mbm"});
    EXPECT_EQ(inWorkDir("startup.mbm"), "default startup");
    EXPECT_EQ(inWorkDir("EidPic.mbm"), "open");
}

TEST_F(UserMbmWalk, TheProcessStaysInItsFolder) {
    writeText(output_ + "/sub/theme.mbm", "theme");
    const auto before = std::filesystem::current_path();
    walk();
    EXPECT_EQ(std::filesystem::current_path(), before);
}

}  // namespace
}  // namespace felmo
