#include "workspace/command_file.hpp"

#include <gtest/gtest.h>

#include "base/error.hpp"
#include "text_files.hpp"

namespace felmo {
namespace {

const std::string kWorkDir = "/tmp/Temp_FELMO-1000/";

TEST(CommandFile, UnpackOfStartupByteForByte) {
    std::string expected = " -u /tmp/Temp_FELMO-1000/startup.mbm\r\n";
    for (int k = 0; k <= 11; ++k)
        expected += "/tmp/Temp_FELMO-1000/startup/" + std::to_string(k) + ".bmp\r\n";
    EXPECT_EQ(commandFileText(unpackCommandLines(kWorkDir, slotAt(kStartupSlot))), expected);
}

TEST(CommandFile, PackOfEidPicAtDefaultDepth) {
    EXPECT_EQ(commandFileText(packCommandLines(kWorkDir, slotAt(kEidPicSlot), "16")),
              "/tmp/Temp_FELMO-1000/NewMbmFiles/EidPic.mbm\r\n"
              "-c16/tmp/Temp_FELMO-1000/EidPic/0.bmp\r\n"
              "-c16/tmp/Temp_FELMO-1000/EidPic/1.bmp\r\n"
              "-c16/tmp/Temp_FELMO-1000/EidPic/2.bmp\r\n"
              "-c16/tmp/Temp_FELMO-1000/EidPic/3.bmp\r\n"
              "-c16/tmp/Temp_FELMO-1000/EidPic/4.bmp\r\n");
}

TEST(CommandFile, TypedDepthIsUsedVerbatim) {
    EXPECT_EQ(commandFileText(packCommandLines(kWorkDir, slotAt(kWelcomeimageSlot), "32")),
              "/tmp/Temp_FELMO-1000/NewMbmFiles/Welcomeimage.mbm\r\n"
              "-c32/tmp/Temp_FELMO-1000/Welcomeimage/0.bmp\r\n");
    EXPECT_EQ(packCommandLines(kWorkDir, slotAt(kSplashscreenSlot), " 8c")[1],
              "-c 8c/tmp/Temp_FELMO-1000/Splashscreen/0.bmp");
}

TEST(CommandFile, LineBreaksInsideALineAreRefused) {
    EXPECT_THROW(commandFileText(packCommandLines(kWorkDir, slotAt(0), "16\r\n-u /etc/x")), Error);
}

TEST(CommandFile, WrittenIntoTheProgramDirectoryAndDeleted) {
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

TEST(WindowsCommandFile, OriginalForms) {
    const std::string workDir = "C:\\Temp\\Temp_FELMO\\";
    EXPECT_EQ(commandFileText(
                  windows_command_file::packCommandLines(workDir, slotAt(kSplashscreenSlot), "16")),
              "\\Temp\\Temp_FELMO\\NewMbmFiles\\Splashscreen.mbm\r\n"
              "/c16C:\\Temp\\Temp_FELMO\\Splashscreen\\0.bmp\r\n");
    auto unpack = windows_command_file::unpackCommandLines(workDir, slotAt(kStartupSlot));
    ASSERT_EQ(unpack.size(), 13u);
    EXPECT_EQ(unpack[0], " /u C:\\Temp\\Temp_FELMO\\startup.mbm");
    EXPECT_EQ(unpack[12], "C:\\Temp\\Temp_FELMO\\startup\\11.bmp");
}

}  // namespace
}  // namespace felmo
