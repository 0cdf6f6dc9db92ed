#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "base/utf8_path.hpp"
#include "platform/child_process.hpp"
#include "platform/file_io.hpp"
#include "platform/file_system.hpp"
#include "platform/places.hpp"
#include "platform/private_folder.hpp"
#ifdef _WIN32
#include <cctype>
#include <cstring>
#include <optional>

#include "platform/windows_text.hpp"
#endif
#include "support/scoped_environment.hpp"
#include "support/temporary_folder.hpp"

namespace felmo {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

// --- The Windows command line, split back by the rules of the Windows C runtime ---

struct CommandLineCase {
    std::vector<std::string> arguments;
    std::string line;
};

class WindowsCommandLine : public ::testing::TestWithParam<CommandLineCase> {};

TEST_P(WindowsCommandLine, QuotesSoTheRuntimeSplitsItBack) {
    EXPECT_EQ(windowsCommandLine(GetParam().arguments), GetParam().line);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WindowsCommandLine,
    ::testing::Values(CommandLineCase{{"bmconv.exe", "PackUnpack.txt"},
                                      "bmconv.exe PackUnpack.txt"},
                      // A program folder with a blank in it (C:\Program Files\...).
                      CommandLineCase{{"C:\\Program Files\\FELMO\\bmconv.exe", "PackUnpack.txt"},
                                      "\"C:\\Program Files\\FELMO\\bmconv.exe\" PackUnpack.txt"},
                      CommandLineCase{{"a", ""}, "a \"\""},
                      // Backslashes stand as they are unless a quote follows them.
                      CommandLineCase{{"C:\\dir\\"}, "C:\\dir\\"},
                      CommandLineCase{{"C:\\my dir\\"}, "\"C:\\my dir\\\\\""},
                      CommandLineCase{{"say \"hi\""}, "\"say \\\"hi\\\"\""},
                      CommandLineCase{{"a\\\"b"}, "\"a\\\\\\\"b\""},
                      CommandLineCase{{"tab\there"}, "\"tab\there\""}));

// --- The private work folder ---

TEST(PrivateFolder, IsMadeForTheUserAloneAndAcceptedAsPrivate) {
    testing::TemporaryFolder folder("private");
    const std::string path = folder / "work";
    ASSERT_EQ(createPrivateFolder(path), 0);
    EXPECT_EQ(createPrivateFolder(path), 0);  // already there: fine
    int error = -1;
    EXPECT_EQ(privateFolderRefusal(path, error), FolderRefusal::None);
    EXPECT_EQ(error, 0);
    const OpenFolder open = OpenFolder::open(path, /*followLink=*/false, error);
    ASSERT_TRUE(open.valid());
    EXPECT_EQ(open.refusal(), FolderRefusal::None);
#ifndef _WIN32
    EXPECT_EQ(std::filesystem::status(path).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_all);
#endif
}

TEST(PrivateFolder, AFileInPlaceOfTheFolderIsRefused) {
    testing::TemporaryFolder folder("private");
    writeFileAtomically(folder / "work", Bytes{1});
    int error = 0;
    EXPECT_EQ(privateFolderRefusal(folder / "work", error), FolderRefusal::NotFolder);
    EXPECT_FALSE(OpenFolder::open(folder / "work", /*followLink=*/false, error).valid());
    EXPECT_NE(error, 0);
    privateFolderRefusal(folder / "missing", error);
    EXPECT_NE(error, 0);
}

TEST(PrivateFolder, TheLockKeepsASecondHolderAwayUntilReleased) {
    testing::TemporaryFolder folder("private");
    const std::string path = folder / "work";
    ASSERT_EQ(createPrivateFolder(path), 0);
    int error = 0;
    OpenFolder first = OpenFolder::open(path, false, error);
    ASSERT_EQ(first.tryLock(error), OpenFolder::Lock::Taken);
    OpenFolder second = OpenFolder::open(path, false, error);
    ASSERT_TRUE(second.valid());  // opening is fine; locking is not
    EXPECT_EQ(second.tryLock(error), OpenFolder::Lock::HeldByOther);
    first = OpenFolder();
    OpenFolder third = OpenFolder::open(path, false, error);
    EXPECT_EQ(third.tryLock(error), OpenFolder::Lock::Taken);
}

TEST(PrivateFolder, FoldersAreMadeAndEmptiedInside) {
    testing::TemporaryFolder folder("private");
    const std::string path = folder / "work";
    ASSERT_EQ(createPrivateFolder(path), 0);
    {
        int error = 0;
        const OpenFolder open = OpenFolder::open(path, false, error);
        open.makeFolder("startup");
        open.makeFolder("EidPic");
        writeFileAtomically(path + "/startup/0.bmp", Bytes{1, 2});
        EXPECT_TRUE(isFolder(path + "/EidPic"));
        open.removeContents();
        EXPECT_EQ(listFolder(path)->size(), 0u);
    }
    // A folder still open somewhere may stay until it is closed on Windows; this one is closed.
    deleteTree(path);
    EXPECT_FALSE(pathExists(path));
    deleteTree(path);  // nothing there: fine
}

TEST(PrivateFolder, UniqueFoldersDiffer) {
    testing::TemporaryFolder folder("private");
    const std::string a = createUniquePrivateFolder(folder.path().string(), "x-");
    const std::string b = createUniquePrivateFolder(folder.path().string(), "x-");
    ASSERT_FALSE(a.empty());
    EXPECT_NE(a, b);
    EXPECT_TRUE(isFolder(a));
    EXPECT_TRUE(isFolder(b));
}

#ifndef _WIN32
TEST(PrivateFolder, ALinkInPlaceIsRefusedAndDeletedAsALink) {
    testing::TemporaryFolder folder("private");
    std::filesystem::create_directory(folder / "target");
    writeFileAtomically(folder / "target/keep", Bytes{7});
    std::filesystem::create_directory_symlink(folder / "target", folder / "work");
    int error = 0;
    EXPECT_EQ(privateFolderRefusal(folder / "work", error), FolderRefusal::Link);
    EXPECT_FALSE(OpenFolder::open(folder / "work", /*followLink=*/false, error).valid());
    EXPECT_TRUE(OpenFolder::open(folder / "work", /*followLink=*/true, error).valid());
    deleteTree(folder / "work");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status(folder / "work")));
    EXPECT_TRUE(isRegularFile(folder / "target/keep"));
}
#endif

// --- File names beyond ASCII ---

TEST(FileSystem, ACyrillicNameRoundTrips) {
    testing::TemporaryFolder folder("names");
    const std::string name = "Заставка тема.mbm";
    const std::string path = folder / name;
    writeFileAtomically(path, Bytes{1, 2, 3});
    EXPECT_EQ(readWholeFile(path), (Bytes{1, 2, 3}));
    EXPECT_TRUE(isRegularFile(path));
    EXPECT_EQ(regularFileSize(path), 3u);
    const auto listing = listFolder(folder.path());
    ASSERT_TRUE(listing);
    ASSERT_EQ(listing->size(), 1u);
    EXPECT_EQ(listing->front().name, name);
    EXPECT_EQ(listing->front().kind, FolderEntry::Kind::File);
    ASSERT_TRUE(createFolders(folder / "Папка/вложенная"));
    EXPECT_TRUE(isFolder(folder / "Папка"));
    removeFile(path);
    EXPECT_FALSE(pathExists(path));
}

// A message shows the name as its UTF-8 text once, whether the path was made from that text
// directly or through pathFromUtf8.
TEST(FileSystem, MessagesShowACyrillicNameAsItsText) {
    testing::TemporaryFolder folder("names");
    const std::string missing = folder / "Нет такой папки/файл ё.bmp";
    for (const std::filesystem::path& path :
         {std::filesystem::path(missing), pathFromUtf8(missing)}) {
        for (bool reading : {true, false}) {
            std::string message = "no error";
            try {
                if (reading)
                    readWholeFile(path);
                else
                    writeFileAtomically(path, Bytes{1});
            } catch (const Error& error) {
                message = error.what();
            }
            const std::string start = reading ? "Cannot open file \"" : "Cannot create file \"";
            EXPECT_EQ(message.rfind(start + missing + "\". ", 0), 0u) << message;
        }
    }
}

TEST(FileSystem, TheListingTellsFoldersFromFilesAndLeavesDotsOut) {
    testing::TemporaryFolder folder("names");
    createFolders(folder / "sub");
    writeFileAtomically(folder / "a.mbm", Bytes{1});
    auto listing = *listFolder(folder.path());
    std::sort(listing.begin(), listing.end(),
              [](const FolderEntry& a, const FolderEntry& b) { return a.name < b.name; });
    ASSERT_EQ(listing.size(), 2u);
    EXPECT_EQ(listing[0].name, "a.mbm");
    EXPECT_EQ(listing[0].kind, FolderEntry::Kind::File);
    EXPECT_EQ(listing[1].name, "sub");
    EXPECT_EQ(listing[1].kind, FolderEntry::Kind::Folder);
    EXPECT_FALSE(listFolder(folder / "missing"));
}

// --- Places ---

TEST(Places, TheExecutableAndTheTemporaryFolderAreAbsolute) {
    const std::string executable = executablePath();
    ASSERT_FALSE(executable.empty());
    EXPECT_TRUE(std::filesystem::path(executable).is_absolute()) << executable;
    EXPECT_TRUE(isRegularFile(executable));
    EXPECT_TRUE(isFolder(temporaryFolder()));
}

TEST(Places, TheProgramIsFoundOnThePathAfterBesideTheExecutable) {
    testing::TemporaryFolder folder("places");
    testing::ScopedEnvironment environment;
    const std::string name = "felmo-no-such-tool";
    environment.set("PATH", folder.path().string());
    EXPECT_EQ(findProgram(name), "");
    const std::string program = folder / executableFileName(name);
    writeFileAtomically(program, Bytes{'#', '!'});
#ifndef _WIN32
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
#endif
    EXPECT_EQ(std::filesystem::path(findProgram(name)), std::filesystem::path(program));
    EXPECT_EQ(environmentVariable("PATH"), folder.path().string());
}

#ifndef _WIN32
// --- Child processes (the shell stands in for a converter) ---

ChildProcess startShell(const std::string& script, ChildProcessOptions options = {}) {
    return ChildProcess::start("/bin/sh", {"-c", script}, options);
}

TEST(ChildProcess, CapturesItsStreamsAndItsStatus) {
    ChildProcessOptions options;
    options.standardOutput = ChildProcessOptions::Output::Capture;
    ChildProcess child = startShell("echo out; echo err >&2; exit 3", options);
    const auto exit = child.waitFor(10s);
    ASSERT_TRUE(exit);
    EXPECT_EQ(exit->status, 3);
    EXPECT_FALSE(exit->succeeded());
    EXPECT_EQ(child.capturedOutput(), "out\n");
    EXPECT_EQ(child.capturedError(), "err\n");
    EXPECT_EQ(child.capturedError(2), "er");
}

TEST(ChildProcess, RunsInItsFolderWithItsEnvironment) {
    testing::TemporaryFolder folder("child");
    ChildProcessOptions options;
    options.workingDirectory = folder.path().string();
    options.environment = {{"FELMO_TEST_VALUE", "Привет"}, {"HOME", ""}};
    options.standardOutput = ChildProcessOptions::Output::Capture;
    ChildProcess child =
        startShell("pwd; echo \"$FELMO_TEST_VALUE\"; echo \"${HOME-unset}\"", options);
    ASSERT_TRUE(child.wait());
    EXPECT_EQ(child.capturedOutput(),
              std::filesystem::canonical(folder.path()).string() + "\nПривет\nunset\n");
}

TEST(ChildProcess, WaitingTimesOutAndStopEndsIt) {
    ChildProcess child = startShell("exec sleep 30");
    EXPECT_FALSE(child.waitFor(20ms));
    EXPECT_FALSE(child.poll());
    EXPECT_FALSE(hasCompleted(child.completionHandle()));
    child.stop();
    const auto exit = child.poll();
    ASSERT_TRUE(exit);
    EXPECT_EQ(exit->signal, 9);
    EXPECT_EQ(exit->status, 128 + 9);
    if (child.completionHandle() != kNoNativeHandle) {
        EXPECT_TRUE(hasCompleted(child.completionHandle()));
    }
}

TEST(ChildProcess, AProgramThatCannotStartIsAnErrorNamingIt) {
    try {
        ChildProcess::start("/no/such/program", {});
        FAIL() << "started";
    } catch (const Error& error) {
        EXPECT_NE(std::string(error.what()).find("/no/such/program"), std::string::npos);
    }
    ChildProcess none;
    EXPECT_FALSE(none.started());
    EXPECT_FALSE(none.poll());
    EXPECT_EQ(none.completionHandle(), kNoNativeHandle);
}
#endif

#ifdef _WIN32
// --- The working folder of a child process on Windows ---

struct FolderCase {
    std::wstring given;
    std::wstring expected;
};

class WorkingFolder : public ::testing::TestWithParam<FolderCase> {};

TEST_P(WorkingFolder, LosesTheSeparatorsAfterItsLastNameButNotARoots) {
    EXPECT_EQ(windows::withoutTrailingSeparators(GetParam().given), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Forms, WorkingFolder,
                         ::testing::Values(FolderCase{L"C:\\work\\windows\\", L"C:\\work\\windows"},
                                           FolderCase{L"C:\\work\\\\/", L"C:\\work"},
                                           FolderCase{L"C:\\work", L"C:\\work"},
                                           FolderCase{L"C:\\", L"C:\\"},
                                           FolderCase{L"C:\\\\", L"C:\\"}, FolderCase{L"C:", L"C:"},
                                           FolderCase{L"\\", L"\\"},
                                           FolderCase{L"\\\\server\\share\\", L"\\\\server\\share"},
                                           FolderCase{L"\\\\?\\C:\\", L"\\\\?\\C:\\"},
                                           FolderCase{L"\\\\?\\C:\\work\\", L"\\\\?\\C:\\work"},
                                           FolderCase{L"work\\", L"work"}, FolderCase{L"", L""}));

std::string lowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

TEST(ChildProcess, StartsInAWorkingFolderGivenWithASeparatorAtItsEnd) {
    testing::TemporaryFolder folder("child");
    const std::string shell = environmentVariable("ComSpec");
    ASSERT_FALSE(shell.empty());
    ChildProcessOptions options;
    options.workingDirectory = folder.path().string() + "\\";
    options.standardOutput = ChildProcessOptions::Output::Capture;
    ChildProcess child = ChildProcess::start(shell, {"/c", "cd"}, options);
    ASSERT_TRUE(child.waitFor(30s));
    const std::string expected =
        windows::utf8FromWide(windows::withoutTrailingSeparators(
            windows::widePath(std::filesystem::path(folder.path()).make_preferred()))) +
        "\r\n";
    EXPECT_EQ(lowerCase(child.capturedOutput()), lowerCase(expected));
}

// --- A junction inside the private work folder ---

// Makes `link` a junction to the folder `target` (both whole paths), as "mklink /J" does; false
// when the file system cannot hold one.
bool makeJunction(const std::wstring& link, const std::wstring& target) {
    if (!::CreateDirectoryW(link.c_str(), nullptr))
        return false;
    windows::Handle handle(::CreateFileW(link.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                         nullptr));
    if (!handle.valid())
        return false;
    const std::wstring substitute = L"\\??\\" + target;
    // The mount-point layout: tag, data length, reserved; then the offsets and lengths (in bytes)
    // of the substitute and the print names, and both names with their terminating zeros.
    std::vector<WORD> names(substitute.begin(), substitute.end());
    names.push_back(0);
    names.insert(names.end(), target.begin(), target.end());
    names.push_back(0);
    const auto bytes = [](std::size_t units) { return static_cast<WORD>(units * sizeof(WORD)); };
    std::vector<BYTE> buffer(8 + 8 + names.size() * sizeof(WORD));
    const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
    const WORD header[6] = {
        bytes(names.size() + 4), 0, 0, bytes(substitute.size()), bytes(substitute.size() + 1),
        bytes(target.size())};
    std::memcpy(buffer.data(), &tag, sizeof tag);
    std::memcpy(buffer.data() + 4, header, sizeof header);
    std::memcpy(buffer.data() + 16, names.data(), names.size() * sizeof(WORD));
    DWORD returned = 0;
    return ::DeviceIoControl(handle.get(), FSCTL_SET_REPARSE_POINT, buffer.data(),
                             static_cast<DWORD>(buffer.size()), nullptr, 0, &returned, nullptr);
}

std::wstring wholeWidePath(const std::filesystem::path& path) {
    return windows::widePath(std::filesystem::absolute(path).make_preferred());
}

// A private tree "work" and, beside it, a folder "outside" that nothing may reach from the tree.
class PrivateTreeBesideAFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(createPrivateFolder(tree.string()), 0);
        std::filesystem::create_directory(outside);
    }
    testing::TemporaryFolder folder{"private-tree"};
    const std::filesystem::path tree = folder.path() / "work";
    const std::filesystem::path outside = folder.path() / "outside";
};

// A slot folder of the private tree swapped for a junction to a folder outside: it is refused as
// a private folder, writes through it fail, and emptying or deleting the tree removes the
// junction itself while what it names stays untouched.
TEST_F(PrivateTreeBesideAFolder, AJunctionInPlaceOfASlotFolderIsRefusedAndNeverFollowed) {
    writeFileAtomically(outside / "keep.bmp", Bytes{7});
    if (!makeJunction(wholeWidePath(tree / "startup"), wholeWidePath(outside)))
        GTEST_SKIP() << "this file system cannot hold a junction: "
                     << windows::messageFor(::GetLastError());
    // The junction is real: the file outside shows through it.
    const DWORD attributes = ::GetFileAttributesW(wholeWidePath(tree / "startup").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    ASSERT_NE(attributes & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    ASSERT_EQ(readWholeFile(tree / "startup" / "keep.bmp"), Bytes{7});

    int error = 0;
    EXPECT_EQ(privateFolderRefusal((tree / "startup").string(), error), FolderRefusal::Link);
    EXPECT_FALSE(
        OpenFolder::open((tree / "startup").string(), /*followLink=*/false, error).valid());
    {
        const OpenFolder root = OpenFolder::open(tree.string(), /*followLink=*/false, error);
        ASSERT_TRUE(root.valid());
        PrivateTreeWrites guard(tree.string() + "\\", root);
        EXPECT_THROW(writeFileAtomically(tree / "startup" / "0.bmp", Bytes{1}), Error);
        EXPECT_THROW(writeFileAtomically(tree / "startup" / "keep.bmp", Bytes{1}), Error);
        root.removeContents();
    }
    EXPECT_FALSE(pathExists(tree / "startup"));
    ASSERT_TRUE(makeJunction(wholeWidePath(tree / "startup"), wholeWidePath(outside)));
    deleteTree(tree.string());
    EXPECT_FALSE(pathExists(tree));
    // A junction in place of the whole tree goes as itself, too.
    ASSERT_TRUE(makeJunction(wholeWidePath(tree), wholeWidePath(outside)));
    EXPECT_EQ(privateFolderRefusal(tree.string(), error), FolderRefusal::Link);
    deleteTree(tree.string());
    EXPECT_FALSE(pathExists(tree));

    const std::optional<std::vector<FolderEntry>> left = listFolder(outside);
    ASSERT_TRUE(left);
    ASSERT_EQ(left->size(), 1u);
    EXPECT_EQ(left->front().name, "keep.bmp");
    EXPECT_EQ(readWholeFile(outside / "keep.bmp"), Bytes{7});
}

// What holds without a junction: inside the private tree a path that climbs out with "..", or
// passes through a file where a folder should be, is refused, and nothing lands outside.
TEST_F(PrivateTreeBesideAFolder, InsideItOnlyRealFoldersOnTheWayAreTaken) {
    int error = 0;
    const OpenFolder root = OpenFolder::open(tree.string(), /*followLink=*/false, error);
    ASSERT_TRUE(root.valid());
    root.makeFolder("startup");
    writeFileAtomically(tree / "EidPic", Bytes{1});
    {
        PrivateTreeWrites guard(tree.string() + "\\", root);
        EXPECT_THROW(
            writeFileAtomically(tree / "startup" / ".." / ".." / "outside" / "0.bmp", Bytes{1}),
            Error);
        EXPECT_THROW(writeFileAtomically(tree / "EidPic" / "0.bmp", Bytes{1}), Error);
        writeFileAtomically(tree / "startup" / "0.bmp", Bytes{2});
    }
    EXPECT_EQ(readWholeFile(tree / "startup" / "0.bmp"), Bytes{2});
    EXPECT_TRUE(std::filesystem::is_empty(outside));
}
#endif

}  // namespace
}  // namespace felmo
