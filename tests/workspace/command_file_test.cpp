#include "workspace/command_file.hpp"

#include <gtest/gtest.h>

#include "base/error.hpp"
#include "text_files.hpp"

namespace felmo {
namespace {

const std::string kWorkDir = "/tmp/Temp_FELMO-1000/";

TEST(CommandFile, UnpackOfStartupByteForByte) {
    if (!testing::kPosix)
        GTEST_SKIP() << "the POSIX command-file form";
    std::string expected = " -u /tmp/Temp_FELMO-1000/startup.mbm\r\n";
    for (int k = 0; k <= 11; ++k)
        expected += "/tmp/Temp_FELMO-1000/startup/" + std::to_string(k) + ".bmp\r\n";
    EXPECT_EQ(commandFileText(unpackCommandLines(kWorkDir, slotAt(kStartupSlot))), expected);
}

TEST(CommandFile, PackOfEidPicAtDefaultDepth) {
    if (!testing::kPosix)
        GTEST_SKIP() << "the POSIX command-file form";
    EXPECT_EQ(commandFileText(packCommandLines(kWorkDir, slotAt(kEidPicSlot), "16")),
              "/tmp/Temp_FELMO-1000/NewMbmFiles/EidPic.mbm\r\n"
              "-c16/tmp/Temp_FELMO-1000/EidPic/0.bmp\r\n"
              "-c16/tmp/Temp_FELMO-1000/EidPic/1.bmp\r\n"
              "-c16/tmp/Temp_FELMO-1000/EidPic/2.bmp\r\n"
              "-c16/tmp/Temp_FELMO-1000/EidPic/3.bmp\r\n"
              "-c16/tmp/Temp_FELMO-1000/EidPic/4.bmp\r\n");
}

TEST(CommandFile, TypedDepthIsUsedVerbatim) {
    if (!testing::kPosix)
        GTEST_SKIP() << "the POSIX command-file form";
    EXPECT_EQ(commandFileText(packCommandLines(kWorkDir, slotAt(kWelcomeimageSlot), "32")),
              "/tmp/Temp_FELMO-1000/NewMbmFiles/Welcomeimage.mbm\r\n"
              "-c32/tmp/Temp_FELMO-1000/Welcomeimage/0.bmp\r\n");
    for (std::string_view depth : {"4", "8", "12", "16", "24", "32"})
        EXPECT_EQ(packCommandLines(kWorkDir, slotAt(kSplashscreenSlot), depth)[1],
                  "-c" + std::string(depth) + "/tmp/Temp_FELMO-1000/Splashscreen/0.bmp");
}

class WrongDepthText : public ::testing::TestWithParam<std::string> {};

TEST_P(WrongDepthText, IsRefusedAndShownInTheMessage) {
    try {
        packCommandLines(kWorkDir, slotAt(kStartupSlot), GetParam());
        FAIL() << "accepted";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("4, 8, 12, 16, 24 и 32"), std::string::npos)
            << error.what();
        if (GetParam() == "7" || GetParam() == "16/some/other.bmp -c16") {
            EXPECT_NE(std::string(error.what()).find("\"" + GetParam() + "\""), std::string::npos);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(NotExactlyADepth, WrongDepthText,
                         ::testing::Values("", "7", "abc", "08", "016", "+16", " 16", "16 ", "1 6",
                                           "16/some/other.bmp -c16", "\"16\"", "16\r\n-u /etc/x",
                                           "２４", "24\t", "2", "1", "64", "-16"));

struct QuotedPath {
    std::string workDir;
    std::string expectedFrame;
};

class CommandFileQuoting : public ::testing::TestWithParam<QuotedPath> {};

TEST_P(CommandFileQuoting, PathsWithBlanksOrALeadingDoubleSlashAreQuoted) {
    if (!testing::kPosix)
        GTEST_SKIP() << "the POSIX command-file form";
    const auto unpack = unpackCommandLines(GetParam().workDir, slotAt(kWelcomeimageSlot));
    EXPECT_EQ(unpack.at(1), GetParam().expectedFrame);
    const auto pack = packCommandLines(GetParam().workDir, slotAt(kWelcomeimageSlot), "16");
    EXPECT_EQ(pack.at(1), "-c16" + GetParam().expectedFrame);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, CommandFileQuoting,
    ::testing::Values(QuotedPath{"/tmp/W/", "/tmp/W/Welcomeimage/0.bmp"},
                      QuotedPath{"/tmp/x y/W/", "\"/tmp/x y/W/Welcomeimage/0.bmp\""},
                      QuotedPath{"/tmp/tab\there/", "\"/tmp/tab\there/Welcomeimage/0.bmp\""},
                      QuotedPath{"//tmp/W/", "\"//tmp/W/Welcomeimage/0.bmp\""},
                      QuotedPath{"/tmp/a//b/", "/tmp/a//b/Welcomeimage/0.bmp"},
                      QuotedPath{"/tmp/Жук'$x/", "/tmp/Жук'$x/Welcomeimage/0.bmp"}));

TEST(CommandFile, PathsTheFileCannotCarryAreRefusedByName) {
    for (std::string_view workDir : {"/tmp/say \"hi\"/", "/tmp/line\nbreak/", "/tmp/cr\rx/"}) {
        try {
            unpackCommandLines(workDir, slotAt(kStartupSlot));
            FAIL() << workDir;
        } catch (const Error& error) {
            EXPECT_NE(std::string(error.what()).find("/tmp/"), std::string::npos) << error.what();
            EXPECT_EQ(std::string(error.what()).find_first_of("\r\n"), std::string::npos);
        }
    }
    EXPECT_THROW(commandFileText({"a\r\nb"}), Error);
}

TEST(CommandFile, WrittenIntoTheProgramDirectoryAndDeleted) {
    if (!testing::kPosix)
        GTEST_SKIP() << "the POSIX command-file form";
    testing::TemporaryFolder folder;
    auto lines = unpackCommandLines(kWorkDir, slotAt(kBackgroundimageSlot));
    writeCommandFile(folder.pathWithSlash(), lines);
    EXPECT_EQ(testing::readText(folder / "PackUnpack.txt"),
              " -u /tmp/Temp_FELMO-1000/backgroundimage.mbm\r\n"
              "/tmp/Temp_FELMO-1000/backgroundimage/0.bmp\r\n"
              "/tmp/Temp_FELMO-1000/backgroundimage/1.bmp\r\n");
    deleteCommandFile(folder.pathWithSlash());
    EXPECT_FALSE(testing::exists(folder / "PackUnpack.txt"));
    deleteCommandFile(folder.pathWithSlash());  // already gone: fine
}

TEST(WindowsCommandFile, WindowsForms) {
    const std::string workDir = "C:\\Temp\\Temp_FELMO\\";
    EXPECT_EQ(commandFileText(
                  windows_command_file::packCommandLines(workDir, slotAt(kSplashscreenSlot), "16")),
              "C:\\Temp\\Temp_FELMO\\NewMbmFiles\\Splashscreen.mbm\r\n"
              "/c16C:\\Temp\\Temp_FELMO\\Splashscreen\\0.bmp\r\n");
    auto unpack = windows_command_file::unpackCommandLines(workDir, slotAt(kStartupSlot));
    ASSERT_EQ(unpack.size(), 13u);
    EXPECT_EQ(unpack[0], " /u C:\\Temp\\Temp_FELMO\\startup.mbm");
    EXPECT_EQ(unpack[12], "C:\\Temp\\Temp_FELMO\\startup\\11.bmp");
}

TEST(WindowsCommandFile, APathWithBlanksIsOneToken) {
    // The usual temporary folder of a user whose name has a blank in it.
    const std::string workDir = "C:\\Users\\Ann Lee\\AppData\\Local\\Temp\\Temp_FELMO\\";
    auto pack = windows_command_file::packCommandLines(workDir, slotAt(kWelcomeimageSlot), "24");
    ASSERT_EQ(pack.size(), 2u);
    EXPECT_EQ(pack[0], "\"" + workDir + "NewMbmFiles\\Welcomeimage.mbm\"");
    EXPECT_EQ(pack[1], "/c24\"" + workDir + "Welcomeimage\\0.bmp\"");
    auto unpack = windows_command_file::unpackCommandLines(workDir, slotAt(kEidPicSlot));
    EXPECT_EQ(unpack[0], " /u \"" + workDir + "EidPic.mbm\"");
    EXPECT_THROW(windows_command_file::packCommandLines(workDir, slotAt(kEidPicSlot), "16 -u"),
                 Error);
}

}  // namespace
}  // namespace felmo
