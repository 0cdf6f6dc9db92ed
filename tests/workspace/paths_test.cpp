#include "workspace/paths.hpp"

#include <gtest/gtest.h>

#include <filesystem>

#include "base/error.hpp"
#include "support/scoped_environment.hpp"
#include "text_files.hpp"
#include "workspace/slot_table.hpp"

namespace felmo {
namespace {

TEST(SlotTable, FiveSlotsInTheirFixedOrder) {
    ASSERT_EQ(kSlotTable.size(), 5u);
    const char* names[] = {"startup", "EidPic", "backgroundimage", "Splashscreen", "Welcomeimage"};
    const int lastFrames[] = {11, 4, 1, 0, 0};
    const char* markers[] = {"startup/11.bmp", "EidPic/4.bmp", "backgroundimage/1.bmp",
                             "Splashscreen/0.bmp", "Welcomeimage/0.bmp"};
    for (int index = 0; index < kSlotCount; ++index) {
        const MbmSlot& slot = slotAt(index);
        EXPECT_EQ(slot.name, names[index]);
        EXPECT_EQ(slot.lastFrameIndex, lastFrames[index]);
        EXPECT_EQ(slot.frameCount, lastFrames[index] + 1);
        EXPECT_EQ(doneMarkerPath("", slot), markers[index]);
    }
    EXPECT_THROW(slotAt(5), std::out_of_range);
    EXPECT_THROW(slotAt(-1), std::out_of_range);
}

TEST(SlotTable, LookupIgnoresLetterCase) {
    EXPECT_EQ(findSlotIndex("STARTUP"), kStartupSlot);
    EXPECT_EQ(findSlotIndex("eidpic"), kEidPicSlot);
    EXPECT_EQ(findSlotIndex("WelcomeImage"), kWelcomeimageSlot);
    EXPECT_EQ(findSlotIndex("startup.mbm"), -1);
    EXPECT_EQ(findSlotIndex("theme"), -1);
    EXPECT_EQ(findSlot("SPLASHSCREEN"), &kSlotTable[kSplashscreenSlot]);
    EXPECT_EQ(findSlot(""), nullptr);
}

TEST(Paths, WorkDirOfTheUser) {
    EXPECT_EQ(workDirFor("", 1000), "/tmp/Temp_FELMO-1000/");
    EXPECT_EQ(workDirFor("/var/tmp", 0), "/var/tmp/Temp_FELMO-0/");
    EXPECT_EQ(workDirFor("/var/tmp//", 42), "/var/tmp/Temp_FELMO-42/");
    EXPECT_EQ(workDirFor("/", 7), "/Temp_FELMO-7/");
}

TEST(Paths, CurrentWorkDirFollowsTheTemporaryFolder) {
    testing::TemporaryFolder folder;
    std::string workDir;
    {
        testing::ScopedEnvironment environment;
        testing::setTemporaryFolder(environment, folder.path());
        workDir = currentWorkDir();
    }
    EXPECT_EQ(workDir, testing::pathIn(testing::workTreeIn(folder.path()), {""}));
}

// currentWorkDir() with TMPDIR set to `value` for the call.
std::string workDirWithTmpdir(const std::string& value) {
    testing::ScopedEnvironment environment;
    environment.set("TMPDIR", value);
    return currentWorkDir();
}

TEST(Paths, CurrentWorkDirIsAbsoluteAndNormalised) {
    if (!testing::kPosix)
        GTEST_SKIP() << "TMPDIR is the POSIX temporary folder";
    const std::string suffix = "Temp_FELMO-" + std::to_string(currentUserId()) + "/";
    const std::string here = std::filesystem::current_path().string();
    EXPECT_EQ(workDirWithTmpdir("//tmp"), "/tmp/" + suffix);
    EXPECT_EQ(workDirWithTmpdir("/tmp/./a/../x y//"), "/tmp/x y/" + suffix);
    EXPECT_EQ(workDirWithTmpdir("relative/t"), here + "/relative/t/" + suffix);
    EXPECT_THROW(workDirWithTmpdir("/tmp/say \"hi\""), Error);
    EXPECT_THROW(workDirWithTmpdir("/tmp/two\nlines"), Error);
}

TEST(Paths, PerUserConfigDirectory) {
    EXPECT_EQ(perUserConfigDirectoryFor("", "/home/ann"), "/home/ann/.config/felmo/");
    EXPECT_EQ(perUserConfigDirectoryFor("/xdg/", "/home/ann"), "/xdg/felmo/");
    EXPECT_EQ(perUserConfigDirectoryFor("relative", "/home/ann"), "/home/ann/.config/felmo/");
}

TEST(Paths, ProgramDirectoryIsTheWritableExecutableFolder) {
    testing::TemporaryFolder folder;
    EXPECT_EQ(executableFolderOf(folder.pathWithSlash() + "felmo"), folder.pathWithSlash());
    EXPECT_EQ(programDirectoryFor(folder.pathWithSlash()), folder.pathWithSlash());
    std::string noSlash = folder.pathWithSlash().substr(0, folder.pathWithSlash().size() - 1);
    EXPECT_EQ(programDirectoryFor(noSlash), folder.pathWithSlash());
}

TEST(Paths, SystemFolders) {
    struct Case {
        const char* folder;
        bool system;
    };
    const Case cases[] = {
        {"/usr/bin/", true},         {"/usr/local/bin", true},  {"/usr", true},
        {"/opt/felmo/", true},       {"/bin/", true},           {"/lib64/felmo", true},
        {"/usr/../home/a", false},   {"/usrlocal/bin/", false}, {"/optional/", false},
        {"/home/ann/felmo/", false}, {"/root/felmo/", false},   {"/tmp/", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isSystemFolder(c.folder), c.system) << c.folder;
}

TEST(Paths, PortableCopyOrInstalledProgram) {
    struct Case {
        const char* folder;
        ProgramFolderFacts facts;  // writable, owned by the user, holds the user's Settings.ini
        bool root;
        bool portable;
    };
    const Case cases[] = {
        {"/home/ann/felmo/", {true, true, false}, false, true},
        {"/home/ann/felmo/", {false, true, false}, false, false},    // read-only copy
        {"/srv/shared/felmo/", {true, false, false}, false, false},  // another user's folder
        {"/srv/shared/felmo/", {true, false, true}, false, true},    // ... with the user's settings
        {"/usr/bin/", {false, false, false}, false, false},
        // Root may write anywhere: an installed program still keeps its files out of /usr.
        {"/usr/local/bin/", {true, true, false}, true, false},
        {"/usr/local/bin/", {true, true, true}, true, false},
        {"/opt/felmo/", {true, true, false}, false, false},
        {"/opt/felmo/", {true, true, true}, false, true},  // an earlier portable copy's settings
        {"/root/felmo/", {true, true, false}, true, true},
        {"", {true, true, true}, false, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(isPortableProgramFolder(c.folder, c.facts, c.root), c.portable)
            << c.folder << " root=" << c.root;
}

TEST(Paths, FolderFactsOfTheFileSystem) {
    testing::TemporaryFolder folder;
    ProgramFolderFacts facts = programFolderFactsOf(folder.pathWithSlash());
    EXPECT_TRUE(facts.writable);
    EXPECT_TRUE(facts.ownedByUser);
    EXPECT_FALSE(facts.holdsUsersSettings);
    testing::writeText(folder.pathWithSlash() + "Settings.ini", "[FELMO]\n");
    EXPECT_TRUE(programFolderFactsOf(folder.pathWithSlash()).holdsUsersSettings);
    EXPECT_FALSE(programFolderFactsOf(folder.pathWithSlash() + "missing/").writable);
}

TEST(Paths, InstalledProgramUsesThePerUserFolder) {
    if (!testing::kPosix)
        GTEST_SKIP() << "the XDG folders of a POSIX desktop";
    testing::TemporaryFolder folder;
    testing::ScopedEnvironment environment;
    environment.set("XDG_CONFIG_HOME", folder.pathWithSlash() + "config");
    const ProgramLocation location = programLocationFor("/usr/bin/");
    EXPECT_FALSE(location.portable);
    EXPECT_EQ(location.directory, folder.pathWithSlash() + "config/felmo/");
    EXPECT_TRUE(std::filesystem::is_directory(location.directory));
    EXPECT_TRUE(programLocationFor(folder.pathWithSlash()).portable);
}

TEST(Paths, DocumentsFolder) {
    struct Case {
        const char* userDirs;
        const char* environment;
        const char* expected;
    };
    const Case cases[] = {
        {"", "", "/home/ann/Documents"},
        {"# written by xdg-user-dirs-update\nXDG_DOCUMENTS_DIR=\"$HOME/Документы\"\n", "",
         "/home/ann/Документы"},
        {"XDG_DOCUMENTS_DIR=\"/data/docs/\"\r\n", "", "/data/docs"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/My \\\"Docs\\\"\"", "", "/home/ann/My \"Docs\""},
        {"XDG_DOCUMENTS_DIR=\"$HOME\"", "", "/home/ann"},
        // The last assignment counts; a value that is not a folder is ignored.
        {"XDG_DOCUMENTS_DIR=\"$HOME/a\"\nXDG_DOCUMENTS_DIR=\"$HOME/b\"", "", "/home/ann/b"},
        {"XDG_DOCUMENTS_DIR=\"docs\"", "", "/home/ann/Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOMEX/docs\"", "", "/home/ann/Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/unterminated", "", "/home/ann/Documents"},
        {"XDG_DESKTOP_DIR=\"$HOME/Desktop\"", "/env/docs/", "/env/docs"},
        {"", "relative/docs", "/home/ann/Documents"},
        {"XDG_DOCUMENTS_DIR=\"$HOME/file\"", "/env/docs", "/home/ann/file"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(documentsFolderFor(c.userDirs, c.environment, "/home/ann"), c.expected)
            << c.userDirs << " | " << c.environment;
    EXPECT_EQ(installedOutputFolder("/home/ann/Documents"), "/home/ann/Documents/FELMO");
}

TEST(Paths, CurrentDocumentsFolderReadsTheUserDirsFile) {
    if (!testing::kPosix)
        GTEST_SKIP() << "the XDG folders of a POSIX desktop";
    testing::TemporaryFolder folder;
    testing::ScopedEnvironment environment;
    environment.set("HOME", folder.pathWithSlash() + "home");
    environment.set("XDG_CONFIG_HOME", std::nullopt);
    environment.set("XDG_DOCUMENTS_DIR", std::nullopt);
    EXPECT_EQ(currentDocumentsFolder(), folder.pathWithSlash() + "home/Documents");
    testing::writeText(folder.pathWithSlash() + "home/.config/user-dirs.dirs",
                       "XDG_DOCUMENTS_DIR=\"$HOME/Papers\"\n");
    EXPECT_EQ(currentDocumentsFolder(), folder.pathWithSlash() + "home/Papers");
    environment.set("XDG_CONFIG_HOME", folder.pathWithSlash() + "elsewhere");
    EXPECT_EQ(currentDocumentsFolder(), folder.pathWithSlash() + "home/Documents");
}

TEST(Paths, FormsBuiltByConcatenation) {
    const std::string workDir = "/tmp/Temp_FELMO-1000/";
    const MbmSlot& startup = slotAt(kStartupSlot);
    const MbmSlot& eidPic = slotAt(kEidPicSlot);
    EXPECT_EQ(slotFolder(workDir, eidPic), "/tmp/Temp_FELMO-1000/EidPic/");
    EXPECT_EQ(framePath(workDir, startup, 0), "/tmp/Temp_FELMO-1000/startup/0.bmp");
    EXPECT_EQ(framePath(workDir, startup, 11), "/tmp/Temp_FELMO-1000/startup/11.bmp");
    EXPECT_EQ(doneMarkerPath(workDir, eidPic), "/tmp/Temp_FELMO-1000/EidPic/4.bmp");
    EXPECT_EQ(slotSourcePath(workDir, startup), "/tmp/Temp_FELMO-1000/startup.mbm");
    EXPECT_EQ(builtFilePath(workDir, eidPic), "/tmp/Temp_FELMO-1000/NewMbmFiles/EidPic.mbm");
    EXPECT_EQ(newMbmFolder(workDir), "/tmp/Temp_FELMO-1000/NewMbmFiles/");
    EXPECT_EQ(outputFilePath("/home/ann/Files", startup), "/home/ann/Files/startup.mbm");
    EXPECT_EQ(outputFilePath("/", startup), "//startup.mbm");  // harmless doubled separator
    EXPECT_EQ(defaultOutputFolder("/opt/felmo/"), "/opt/felmo/Files");
    EXPECT_EQ(settingsFilePath("/opt/felmo/"), "/opt/felmo/Settings.ini");
    EXPECT_EQ(commandFilePath("/opt/felmo/"), "/opt/felmo/PackUnpack.txt");
}

TEST(WindowsPaths, FromTheExecutablePath) {
    namespace wp = windows_paths;
    EXPECT_EQ(wp::driveRootPrefix("C:\\Tools\\felmo.exe"), "C:\\");
    EXPECT_EQ(wp::programDirectory("C:\\Tools\\felmo.exe"), "C:\\Tools\\");
    EXPECT_EQ(wp::workDir("C:\\Tools\\felmo.exe"), "C:\\Temp\\Temp_FELMO\\");
    // The work tree lives on the executable's drive, whatever the system's temporary folder is.
    EXPECT_EQ(wp::workDir("E:\\Programs\\FELMO\\felmo.exe"), "E:\\Temp\\Temp_FELMO\\");
    EXPECT_EQ(wp::defaultOutputFolder("C:\\Tools\\felmo.exe"), "C:\\Tools\\Files");
    EXPECT_EQ(wp::outputFilePath("D:\\", slotAt(kStartupSlot)), "D:\\\\startup.mbm");
    EXPECT_EQ(wp::outputFilePath("C:\\Tools\\Files", slotAt(kWelcomeimageSlot)),
              "C:\\Tools\\Files\\Welcomeimage.mbm");
    EXPECT_EQ(wp::framePath("C:\\Temp\\Temp_FELMO\\", slotAt(kStartupSlot), 11),
              "C:\\Temp\\Temp_FELMO\\startup\\11.bmp");
    EXPECT_EQ(wp::builtFilePath("C:\\Temp\\Temp_FELMO\\", slotAt(kSplashscreenSlot)),
              "C:\\Temp\\Temp_FELMO\\NewMbmFiles\\Splashscreen.mbm");
}

}  // namespace
}  // namespace felmo
