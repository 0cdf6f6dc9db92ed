#include "workspace/settings.hpp"

#include <gtest/gtest.h>

#include "base/error.hpp"
#include "text_files.hpp"

namespace felmo {
namespace {

using testing::readText;
using testing::TemporaryFolder;
using testing::writeText;

struct IntegerCase {
    const char* text;
    int expected;  // with default -7
};

class SettingsInteger : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(SettingsInteger, ReadingRules) {
    TemporaryFolder folder;
    writeText(folder / "Settings.ini", std::string("[FELMO]\r\nX1=") + GetParam().text + "\r\n");
    Settings settings(folder / "Settings.ini");
    EXPECT_EQ(settings.readInteger("FELMO", "X1", -7), GetParam().expected) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SettingsInteger,
    ::testing::Values(IntegerCase{"215", 215}, IntegerCase{"0", 0}, IntegerCase{"-40", -40},
                      IntegerCase{"+12", 12}, IntegerCase{" 33 ", 33}, IntegerCase{"0x1F", 31},
                      IntegerCase{"0X1f", 31}, IntegerCase{"0xFFFFFFFF", -1},
                      IntegerCase{"0x", -7},  // two characters only: not hexadecimal
                      IntegerCase{"0x1G", -7}, IntegerCase{"0x123456789", -7},
                      IntegerCase{"12abc", -7}, IntegerCase{"abc", -7}, IntegerCase{"", -7},
                      IntegerCase{"-", -7}, IntegerCase{"2147483647", 2147483647},
                      IntegerCase{"-2147483648", -2147483647 - 1}, IntegerCase{"2147483648", -7},
                      IntegerCase{"1.5", -7}));

TEST(Settings, MissingFileGivesEveryDefaultAndIsNotCreatedByReading) {
    TemporaryFolder folder;
    Settings settings(folder / "Settings.ini");
    EXPECT_EQ(settings.readInteger("FELMO", "X1", 215), 215);
    EXPECT_TRUE(settings.readBool("FELMO", "DeduceBackground", true));
    EXPECT_FALSE(settings.readBool("FELMO", "OpenFolderWithDrawing", false));
    EXPECT_EQ(settings.readString("FELMO", "RoadDirFiles", "/opt/felmo/Files"), "/opt/felmo/Files");
    EXPECT_FALSE(testing::exists(folder / "Settings.ini"));
}

TEST(Settings, KeysAndSectionsIgnoreLetterCaseAndOtherSectionsDoNotLeak) {
    TemporaryFolder folder;
    writeText(folder / "Settings.ini",
              "; comment\n[Other]\nX1=1\n[felmo]\n  x1 = 5\nTrackBarU=0x10\n[Later]\nY1=9\n");
    Settings settings(folder / "Settings.ini");
    EXPECT_EQ(settings.readInteger("FELMO", "X1", 0), 5);
    EXPECT_EQ(settings.readInteger("FELMO", "TRACKBARU", 0), 16);
    EXPECT_EQ(settings.readInteger("FELMO", "Y1", 111), 111);
    EXPECT_EQ(settings.readInteger("Other", "X1", 0), 1);
}

TEST(Settings, BooleansAreIntegersTrueWhenNonZero) {
    TemporaryFolder folder;
    writeText(folder / "Settings.ini", "[FELMO]\nA=0\nB=1\nC=-3\nD=yes\n");
    Settings settings(folder / "Settings.ini");
    EXPECT_FALSE(settings.readBool("FELMO", "A", true));
    EXPECT_TRUE(settings.readBool("FELMO", "B", false));
    EXPECT_TRUE(settings.readBool("FELMO", "C", false));
    EXPECT_TRUE(settings.readBool("FELMO", "D", true));  // not a number: the default
    EXPECT_FALSE(settings.readBool("FELMO", "D", false));
    settings.writeBool("FELMO", "A", true);
    settings.writeBool("FELMO", "B", false);
    EXPECT_EQ(readText(folder / "Settings.ini"), "[FELMO]\nA=1\nB=0\nC=-3\nD=yes\n");
}

TEST(Settings, StringsAreReadUpTo2047Characters) {
    TemporaryFolder folder;
    std::string longValue(3000, 'a');
    std::string cyrillic;
    for (int i = 0; i < 2100; ++i)
        cyrillic += "ж";  // two bytes each
    writeText(folder / "Settings.ini", "[FELMO]\nRoadDirFiles=" + longValue + "\nName=" + cyrillic +
                                           "\nEmpty=\nQuoted=\"/a b/\"\n");
    Settings settings(folder / "Settings.ini");
    EXPECT_EQ(settings.readString("FELMO", "RoadDirFiles", ""), std::string(2047, 'a'));
    std::string name = settings.readString("FELMO", "Name", "");
    EXPECT_EQ(name.size(), 2047u * 2);  // whole characters, never half of one
    EXPECT_EQ(settings.readString("FELMO", "Empty", "default"), "");
    EXPECT_EQ(settings.readString("FELMO", "Quoted", ""), "/a b/");
}

TEST(Settings, WriteCreatesTheFileAndEveryReadSeesTheLatestWrite) {
    TemporaryFolder folder;
    Settings settings(folder / "Settings.ini");
    settings.writeInteger("FELMO", "X1", 0);
    settings.writeInteger("FELMO", "Y1", 0);
    settings.writeString("FELMO", "RoadDirFiles", "/home/ann/Телефон");
    EXPECT_EQ(readText(folder / "Settings.ini"),
              "[FELMO]\nX1=0\nY1=0\nRoadDirFiles=/home/ann/Телефон\n");
    EXPECT_EQ(settings.readInteger("FELMO", "X1", 215), 0);
    // Another writer (a second settings object on the same file) is seen at once: nothing cached.
    Settings other(folder / "Settings.ini");
    other.writeInteger("FELMO", "X1", 300);
    EXPECT_EQ(settings.readInteger("FELMO", "X1", 215), 300);
}

TEST(Settings, WriteKeepsEverythingElseAndTheFilesLineEnds) {
    TemporaryFolder folder;
    const std::string before =
        "\xEF\xBB\xBF; settings\r\n[FELMO]\r\nX1=10\r\nTrackBarU=20\r\n\r\n[Window]\r\nX1=77\r\n";
    writeText(folder / "Settings.ini", before);
    Settings settings(folder / "Settings.ini");
    settings.writeInteger("FELMO", "X1", 11);
    settings.writeInteger("FELMO", "AlphaPicX1", 40);
    settings.writeInteger("Extra", "K", 1);
    EXPECT_EQ(readText(folder / "Settings.ini"),
              "\xEF\xBB\xBF; settings\r\n[FELMO]\r\nX1=11\r\nTrackBarU=20\r\nAlphaPicX1=40\r\n"
              "\r\n[Window]\r\nX1=77\r\n[Extra]\r\nK=1\r\n");
    EXPECT_EQ(settings.readInteger("Window", "X1", 0), 77);
    // No temporary file is left behind.
    int entries = 0;
    for ([[maybe_unused]] auto& entry : std::filesystem::directory_iterator(folder.pathWithSlash()))
        ++entries;
    EXPECT_EQ(entries, 1);
}

TEST(Settings, LastLineWithoutLineEnd) {
    TemporaryFolder folder;
    writeText(folder / "Settings.ini", "[FELMO]\nX1=1");
    Settings settings(folder / "Settings.ini");
    settings.writeInteger("FELMO", "Y1", 2);
    EXPECT_EQ(readText(folder / "Settings.ini"), "[FELMO]\nX1=1\nY1=2\n");
}

TEST(Settings, RefusedWriteNamesTheSettingsFile) {
    TemporaryFolder folder;
    const std::string path = folder / "missing-folder/Settings.ini";
    Settings settings(path);
    try {
        settings.writeInteger("FELMO", "X1", 1);
        FAIL() << "the write should have been refused";
    } catch (const Error& error) {
        EXPECT_STREQ(error.what(), ("Unable to write to " + path).c_str());
    }
}

TEST(Settings, UnwritableFolderIsRefused) {
    if (!testing::kPosix || runsAsSuperuser())
        GTEST_SKIP() << "only POSIX folder modes close a folder, and not to the superuser";
    TemporaryFolder folder;
    std::filesystem::create_directory(folder / "locked");
    testing::setMode(folder / "locked", 0500);
    Settings settings(folder / "locked/Settings.ini");
    EXPECT_THROW(settings.writeInteger("FELMO", "X1", 1), Error);
}

TEST(Settings, ValueWithLineBreakIsRefusedAndTheFileKept) {
    TemporaryFolder folder;
    writeText(folder / "Settings.ini", "[FELMO]\nX1=1\n");
    Settings settings(folder / "Settings.ini");
    EXPECT_THROW(settings.writeString("FELMO", "RoadDirFiles", "/a\nX1=5"), Error);
    EXPECT_EQ(readText(folder / "Settings.ini"), "[FELMO]\nX1=1\n");
}

TEST(Settings, DesignedDefaults) {
    EXPECT_EQ(kSettingsSection, "FELMO");
    EXPECT_EQ(setting::X1.designedDefault, 215);
    EXPECT_EQ(setting::Y1.designedDefault, 111);
    EXPECT_EQ(setting::AlphaPicX1.designedDefault, 40);
    EXPECT_EQ(setting::AlphaPicX2.designedDefault, 150);
    EXPECT_EQ(setting::AlphaPicY1.designedDefault, 30);
    EXPECT_EQ(setting::AlphaPicY2.designedDefault, 60);
    EXPECT_EQ(setting::TrackBarU.designedDefault, 20);
    EXPECT_EQ(setting::TrackBarD.designedDefault, 20);
    EXPECT_EQ(setting::TrackBarL.designedDefault, 30);
    EXPECT_EQ(setting::TrackBarR.designedDefault, 30);
    EXPECT_EQ(setting::TrackBarAlpha.designedDefault, 200);
    EXPECT_FALSE(setting::OpenFolderWithDrawing.designedDefault);
    EXPECT_FALSE(setting::DeduceBackground.designedDefault);
}

}  // namespace
}  // namespace felmo
