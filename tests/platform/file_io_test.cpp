#include <gtest/gtest.h>

// File modes, FIFOs and symbolic links: the POSIX side of file I/O. The Windows side is tested
// with the other platform tests.
#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "base/error.hpp"
#include "platform/file_io.hpp"
#include "platform/private_folder.hpp"

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

TEST_F(FileIo, AnInputFileGivesTheBytesAtAnyPositionAndRefusesWhatItNoLongerHolds) {
    const std::filesystem::path path = folder_ / "pieces.bin";
    Bytes bytes(100000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 7 + i / 256);
    writeFileAtomically(path, bytes);
    InputFile file(path);
    EXPECT_EQ(file.size(), bytes.size());
    EXPECT_FALSE(file.isInMemory());
    Bytes scratch;
    for (const auto& [position, length] :
         {std::pair<std::size_t, std::size_t>{0, 14}, {99990, 10}, {4097, 65536}, {100000, 0}}) {
        const auto got = file.bytesAt(position, length, scratch);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), bytes.begin() + position,
                               bytes.begin() + position + length))
            << position;
    }
    EXPECT_EQ(errorOf([&] { file.bytesAt(99991, 10, scratch); }),
              "Cannot open file \"" + path.string() + "\". A read beyond the end of the file.");
    // Cut short by someone else while open: the missing bytes are an error, not zeros.
    std::filesystem::resize_file(path, 50000);
    EXPECT_EQ(errorOf([&] { file.bytesAt(40000, 20000, scratch); }),
              "Cannot open file \"" + path.string() + "\". The file changed while it was read.");
    EXPECT_EQ(file.readWhole().size(), 50000u);
    // Opened as readWholeFile opens: the same refusals.
    EXPECT_EQ(
        errorOf([&] { InputFile{folder_ / "missing"}; }),
        "Cannot open file \"" + (folder_ / "missing").string() + "\". No such file or directory");
    EXPECT_EQ(errorOf([&] { InputFile(path, 49999); }),
              "Cannot open file \"" + path.string() + "\". The file is too large.");
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

TEST_F(FileIo, OnlyRegularFilesAreReadAndAFifoIsNotWaitedOn) {
    const std::filesystem::path fifo = folder_ / "pipe.jpg";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(errorOf([&] { readWholeFile(fifo); }),
              "Cannot open file \"" + fifo.string() + "\". Not a regular file.");
    writeFileAtomically(folder_ / "real", Bytes{4, 2});
    std::filesystem::create_symlink(folder_ / "real", folder_ / "link");
    EXPECT_EQ(readWholeFile(folder_ / "link"), (Bytes{4, 2}));
    EXPECT_NE(errorOf([&] { readWholeFile("/dev/null"); }).find("Not a regular file."),
              std::string::npos);
}

TEST_F(FileIo, ANonRegularDestinationIsRefusedAndLeftAlone) {
    const std::filesystem::path fifo = folder_ / "out.mbm";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::filesystem::create_directory(folder_ / "folder.mbm");
    for (const std::filesystem::path& target : {fifo, folder_ / "folder.mbm"}) {
        EXPECT_EQ(errorOf([&] { writeFileAtomically(target, Bytes{1}); }),
                  "Cannot create file \"" + target.string() +
                      "\". It is not a regular file; it was left as it is.");
    }
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
    EXPECT_TRUE(std::filesystem::is_directory(folder_ / "folder.mbm"));
    EXPECT_EQ(entries(), 2u);
    // A link to a FIFO is refused as the FIFO is.
    std::filesystem::create_symlink(fifo, folder_ / "to-fifo");
    EXPECT_NE(errorOf([&] { writeFileAtomically(folder_ / "to-fifo", Bytes{1}); }), "no error");
    EXPECT_TRUE(std::filesystem::is_fifo(fifo));
}

TEST_F(FileIo, ALinkStaysALinkAndItsTargetIsReplaced) {
    std::filesystem::create_directory(folder_ / "real");
    writeFileAtomically(folder_ / "real" / "Settings.ini", Bytes{1});
    std::filesystem::create_symlink("real/Settings.ini", folder_ / "Settings.ini");
    std::filesystem::create_symlink(folder_ / "Settings.ini", folder_ / "chain.ini");
    writeFileAtomically(folder_ / "chain.ini", Bytes{7, 7});
    EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "chain.ini"));
    EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "Settings.ini"));
    EXPECT_EQ(readWholeFile(folder_ / "real" / "Settings.ini"), (Bytes{7, 7}));
    EXPECT_EQ(entries(), 3u);
    // A link that names nothing yet: the file it names is made.
    std::filesystem::create_symlink("real/new.mbm", folder_ / "dangling.mbm");
    writeFileAtomically(folder_ / "dangling.mbm", Bytes{3});
    EXPECT_TRUE(std::filesystem::is_symlink(folder_ / "dangling.mbm"));
    EXPECT_EQ(readWholeFile(folder_ / "real" / "new.mbm"), Bytes{3});
}

TEST_F(FileIo, PermissionBitsAreKeptAndNewFilesFollowTheUmask) {
    const std::filesystem::path secret = folder_ / "secret.ini";
    writeFileAtomically(secret, Bytes{1});
    ::chmod(secret.c_str(), 0600);
    writeFileAtomically(secret, Bytes{2});
    struct stat info {};
    ASSERT_EQ(::stat(secret.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600u);

    const mode_t saved = ::umask(002);
    writeFileAtomically(folder_ / "shared.mbm", Bytes{1});
    ::umask(saved);
    ASSERT_EQ(::stat((folder_ / "shared.mbm").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0664u);
}

TEST_F(FileIo, AStagedFileTouchesNothingUntilCommittedAndGoesWhenDropped) {
    const std::filesystem::path target = folder_ / "startup.mbm";
    writeFileAtomically(target, Bytes{1});
    {
        StagedFile staged(target, Bytes{2, 2});
        EXPECT_TRUE(staged.replacesExistingFile());
        EXPECT_EQ(readWholeFile(target), Bytes{1});
        EXPECT_EQ(entries(), 2u);
        bool sawTemporary = false;
        for (const auto& entry : std::filesystem::directory_iterator(folder_))
            sawTemporary |= isStagingTemporaryOf(entry.path().filename().string(), "startup.mbm");
        EXPECT_TRUE(sawTemporary);
    }
    EXPECT_EQ(readWholeFile(target), Bytes{1});
    EXPECT_EQ(entries(), 1u);
    StagedFile staged(target, Bytes{3});
    staged.commit();
    EXPECT_EQ(readWholeFile(target), Bytes{3});
    EXPECT_EQ(entries(), 1u);
}

TEST(FileIoNames, StagingTemporariesAreRecognisedExactly) {
    EXPECT_TRUE(isStagingTemporaryOf(".startup.mbm.0123456789abcdef.tmp", "startup.mbm"));
    for (std::string_view other :
         {"notes.tmp", ".startup.mbm.0123456789abcde.tmp", ".startup.mbm.0123456789ABCDEF.tmp",
          ".startup.mbm.0123456789abcdef.tmp~", "startup.mbm.0123456789abcdef.tmp",
          ".EidPic.mbm.0123456789abcdef.tmp", ".startup.mbm.0123456789abcdeg.tmp"})
        EXPECT_FALSE(isStagingTemporaryOf(other, "startup.mbm")) << other;
}

TEST_F(FileIo, InsideAPrivateTreeNoLinkIsFollowed) {
    const std::filesystem::path tree = folder_ / "tree";
    const std::filesystem::path outside = folder_ / "outside";
    std::filesystem::create_directories(tree / "startup");
    std::filesystem::create_directory(outside);
    int error = 0;
    const OpenFolder root = OpenFolder::open(tree.string(), /*followLink=*/false, error);
    ASSERT_TRUE(root.valid());
    {
        PrivateTreeWrites guard(tree.string() + "/", root);
        writeFileAtomically(tree / "startup" / "0.bmp", Bytes{1});
        EXPECT_EQ(readWholeFile(tree / "startup" / "0.bmp"), Bytes{1});
        // A slot folder swapped for a link to a folder outside the tree.
        std::filesystem::remove_all(tree / "startup");
        std::filesystem::create_directory_symlink(outside, tree / "startup");
        EXPECT_NE(errorOf([&] { writeFileAtomically(tree / "startup" / "1.bmp", Bytes{1}); }),
                  "no error");
        EXPECT_NE(errorOf([&] {
                      writeFileAtomically(tree / "x" / ".." / "startup" / "2.bmp", Bytes{1});
                  }),
                  "no error");
        // A link as the file itself is replaced as an entry, not written through.
        std::filesystem::create_directory(tree / "EidPic");
        std::filesystem::create_symlink(outside / "victim", tree / "EidPic" / "0.bmp");
        writeFileAtomically(tree / "EidPic" / "0.bmp", Bytes{5});
        EXPECT_FALSE(std::filesystem::is_symlink(tree / "EidPic" / "0.bmp"));
    }
    EXPECT_TRUE(std::filesystem::is_empty(outside));
    // Without the guard the same path is an ordinary one again.
    writeFileAtomically(tree / "startup" / "3.bmp", Bytes{1});
    EXPECT_TRUE(std::filesystem::exists(outside / "3.bmp"));
}

TEST(FileIoMessages, ExactTexts) {
    EXPECT_EQ(cannotOpenMessage("/a/b.bmp", "Why"), "Cannot open file \"/a/b.bmp\". Why");
    EXPECT_EQ(cannotCreateMessage("/a/b.bmp", "Why"), "Cannot create file \"/a/b.bmp\". Why");
    EXPECT_EQ(systemReason(ENOENT), "No such file or directory");
    EXPECT_EQ(cannotOpenMessage("/a/\x1b[2J.bmp", "Why"),
              "Cannot open file \"/a/\\x1b[2J.bmp\". Why");
}

}  // namespace
}  // namespace felmo
#endif
