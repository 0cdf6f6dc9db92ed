#include "workspace/user_mbm_walk.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "mbm/mbm_writer.hpp"
#include "text_files.hpp"
#include "workspace/paths.hpp"
#include "workspace/run_budget.hpp"
#include "workspace/work_tree.hpp"

namespace felmo {
namespace {

using testing::exists;
using testing::readText;
using testing::writeText;

class UserMbmWalk : public ::testing::Test {
  protected:
    void SetUp() override {
        workDir_ = workDirFor(folder_.pathWithSlash(), currentUserId());
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

std::string mbmOfSize(int width, int height) {
    const Raster picture(width, height, rgb(10, 20, 30));
    const std::vector<MbmFrame> frames = {{&picture, {16, ColorKind::Color}}};
    const std::vector<std::uint8_t> bytes = encodeMbm(frames);
    return std::string(bytes.begin(), bytes.end());
}

// Where `message` names `path`, whichever separators either writes.
std::size_t named(const std::string& message, const std::string& path) {
    return testing::withForwardSlashes(message).find(testing::withForwardSlashes(path));
}

void makeSparseFile(const std::string& path, std::size_t bytes) {
    writeText(path, "");
    std::filesystem::resize_file(path, bytes);
}

TEST_F(UserMbmWalk, FilesThatCannotBePhoneGraphicsArePassedOverByName) {
    const std::string small = mbmOfSize(2, 2);
    writeText(output_ + "/startup.mbm", small);
    writeText(output_ + "/wide/startup.mbm", mbmOfSize(kMaxUserMbmSide + 1, 1));
    writeText(output_ + "/tall/EidPic.mbm", mbmOfSize(1, kMaxUserMbmSide + 1));
    writeText(output_ + "/fits/Splashscreen.mbm", mbmOfSize(kMaxUserMbmSide, 3));
    makeSparseFile(output_ + "/huge/Welcomeimage.mbm", kMaxUserMbmBytes + 1);
    std::vector<std::string> refusals;
    EXPECT_EQ(CopyUserMbmFiles(output_, workDir_, &refusals),
              (std::vector<std::string>{"startup.mbm", "Splashscreen.mbm"}));
    EXPECT_EQ(inWorkDir("startup.mbm"), small);  // the earlier candidate stays
    EXPECT_EQ(inWorkDir("EidPic.mbm"), "default EidPic");
    EXPECT_EQ(inWorkDir("Welcomeimage.mbm"), "default Welcomeimage");
    ASSERT_EQ(refusals.size(), 3u);
    EXPECT_NE(named(refusals[0], output_ + "/huge/Welcomeimage.mbm"), std::string::npos);
    EXPECT_NE(refusals[0].find("8 МБ"), std::string::npos) << refusals[0];
    EXPECT_NE(named(refusals[1], output_ + "/tall/EidPic.mbm"), std::string::npos);
    EXPECT_NE(refusals[1].find("1 x 1025"), std::string::npos) << refusals[1];
    EXPECT_NE(named(refusals[2], output_ + "/wide/startup.mbm"), std::string::npos);
}

TEST_F(UserMbmWalk, APictureTooLargeForTheReaderIsPassedOverByItsSize) {
    std::string crafted = mbmOfSize(2, 2);
    const std::size_t widthField = 20 + 8;  // first bitmap header, after the file header
    crafted[widthField] = 0;
    crafted[widthField + 1] = 0x40;  // 16384
    writeText(output_ + "/startup.mbm", crafted);
    writeText(output_ + "/theme.mbm", "not an mbm at all: the converter reports it");
    std::vector<std::string> refusals;
    EXPECT_EQ(CopyUserMbmFiles(output_, workDir_, &refusals),
              std::vector<std::string>{"theme.mbm"});
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_NE(refusals[0].find("16384 x 2"), std::string::npos) << refusals[0];
    EXPECT_EQ(inWorkDir("startup.mbm"), "default startup");
}

TEST_F(UserMbmWalk, TheCopiesTogetherStayWithinTheirBudget) {
    const std::size_t each = kMaxUserMbmBytes - 1;  // not .mbm content: copied as it is
    const std::size_t fit = kMaxUserMbmCopyBytes / each;
    for (std::size_t i = 0; i <= fit; ++i)
        makeSparseFile(output_ + "/theme" + std::to_string(i) + ".mbm", each);
    // The same name again replaces its copy, so it does not count twice.
    makeSparseFile(output_ + "/sub/theme0.mbm", each);
    std::vector<std::string> refusals;
    const std::vector<std::string> found = CopyUserMbmFiles(output_, workDir_, &refusals);
    EXPECT_EQ(found.size(), fit + 1);
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_NE(refusals[0].find("theme" + std::to_string(fit) + ".mbm"), std::string::npos)
        << refusals[0];
    EXPECT_FALSE(exists(workDir_ + "theme" + std::to_string(fit) + ".mbm"));
}

std::string mbmOfBitmaps(int count, int side) {
    const Raster picture(side, side, rgb(10, 20, 30));
    const std::vector<MbmFrame> frames(static_cast<std::size_t>(count),
                                       MbmFrame{&picture, {2, ColorKind::Grey}});
    const std::vector<std::uint8_t> bytes = encodeMbm(frames);
    return std::string(bytes.begin(), bytes.end());
}

TEST_F(UserMbmWalk, ThePicturesTheStartUpUnpacksStayWithinTheirBudget) {
    // 1024 x 1024 pictures: 8 fit. startup unpacks its first 12 bitmaps only, so its 14th and
    // 15th do not count; a file of another name is not unpacked at all.
    constexpr int kSide = kMaxUserMbmSide;
    constexpr std::int64_t kFit = kMaxUserMbmUnpackedPixels / (std::int64_t{kSide} * kSide);
    static_assert(kFit == 8);
    writeText(output_ + "/a/startup.mbm", mbmOfBitmaps(15, kSide));         // 12 counted: too many
    writeText(output_ + "/b/startup.mbm", mbmOfBitmaps(5, kSide));          // 5
    writeText(output_ + "/c/EidPic.mbm", mbmOfBitmaps(1, kSide));           // 6
    writeText(output_ + "/d/theme.mbm", mbmOfBitmaps(6, kSide));            // not unpacked
    writeText(output_ + "/e/startup.mbm", mbmOfBitmaps(6, kSide));          // replaces the 5: 7
    writeText(output_ + "/f/backgroundimage.mbm", mbmOfBitmaps(2, kSide));  // 9: too many
    writeText(output_ + "/g/Welcomeimage.mbm", mbmOfBitmaps(1, kSide));     // 8: fits exactly
    std::vector<std::string> refusals;
    EXPECT_EQ(CopyUserMbmFiles(output_, workDir_, &refusals),
              (std::vector<std::string>{"startup.mbm", "EidPic.mbm", "theme.mbm", "startup.mbm",
                                        "Welcomeimage.mbm"}));
    ASSERT_EQ(refusals.size(), 2u);
    EXPECT_NE(named(refusals[0], "a/startup.mbm"), std::string::npos) << refusals[0];
    EXPECT_NE(named(refusals[1], "f/backgroundimage.mbm"), std::string::npos) << refusals[1];
    EXPECT_NE(refusals[1].find("8 Мпикс"), std::string::npos) << refusals[1];
    EXPECT_EQ(inWorkDir("startup.mbm"), mbmOfBitmaps(6, kSide));
    EXPECT_EQ(inWorkDir("backgroundimage.mbm"), "default backgroundimage");
}

TEST_F(UserMbmWalk, TheCopiesAndTheirFramesStayWithinTheWorkTreesAllowance) {
    // A slot's file costs its bytes and its frames as 24-bit BMP files (30054 bytes at 100 x 100).
    const std::string twelve = mbmOfBitmaps(12, 100), one = mbmOfBitmaps(1, 100),
                      two = mbmOfBitmaps(2, 100);
    const std::uint64_t frame = bmpFileBytes(100, 100);
    writeText(output_ + "/a/startup.mbm", twelve);
    writeText(output_ + "/b/EidPic.mbm", one);   // would pass the allowance by a byte
    writeText(output_ + "/c/startup.mbm", two);  // replaces the twelve
    writeText(output_ + "/d/EidPic.mbm", one);   // fits now
    const std::uint64_t allowance = twelve.size() + 12 * frame + one.size() + frame - 1;
    std::vector<std::string> refusals;
    EXPECT_EQ(CopyUserMbmFiles(output_, workDir_, &refusals, allowance),
              (std::vector<std::string>{"startup.mbm", "startup.mbm", "EidPic.mbm"}));
    ASSERT_EQ(refusals.size(), 1u);
    EXPECT_NE(named(refusals[0], "b/EidPic.mbm"), std::string::npos) << refusals[0];
    EXPECT_NE(refusals[0].find("заняли бы во временной папке больше 0."), std::string::npos) << refusals[0];
    EXPECT_EQ(inWorkDir("startup.mbm"), two);
    EXPECT_EQ(inWorkDir("EidPic.mbm"), one);
}

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
    // (Windows names ignore letter case: there STARTUP.MBM is startup.mbm.)
    if (testing::kPosix) {
        EXPECT_FALSE(exists(workDir_ + "STARTUP.MBM"));
    }
}

TEST_F(UserMbmWalk, HiddenEntriesAndLinksAreLeftAlone) {
    if (!testing::kPosix)
        GTEST_SKIP() << "symbolic links and dot files as hidden ones are POSIX's";
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
    if (!testing::kPosix || runsAsSuperuser())
        GTEST_SKIP() << "only POSIX folder modes close a folder, and not to the superuser";
    writeText(output_ + "/a-locked/startup.mbm", "locked");
    writeText(output_ + "/b-open/EidPic.mbm", "open");
    testing::setMode(output_ + "/a-locked", 0);
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
