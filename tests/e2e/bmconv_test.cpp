// Whole runs of the bmconv program: the command files the application writes, the direct
// command line, and every failure with its exit status, its one line and nothing left behind.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "base/utf8_path.hpp"
#include "mbm/mbm_reader.hpp"
#include "mbm/mbm_writer.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "support/child_process.hpp"
#include "support/system_reasons.hpp"
#include "support/temporary_folder.hpp"
#include "support/text_files.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;
using testing::ProcessResult;
using testing::readText;
using testing::TemporaryFolder;
using testing::writeText;

const fs::path kBmconv = fs::path(FELMO_BIN_DIR) / ("bmconv" FELMO_EXE_SUFFIX);

// Frame k: a background of its own colour with a 40 x 30 block whose place moves with k.
Color frameColor(int k) {
    return rgb(static_cast<std::uint8_t>(20 * k), 200, static_cast<std::uint8_t>(255 - 20 * k));
}
constexpr Color kBlock = rgb(255, 255, 0);

Raster frame(int k) {
    Raster raster(176, 208, frameColor(k));
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            raster.setPixel(10 * k + x, 15 * k + y, kBlock);
    return raster;
}

// What a colour reads back as after 16-bit storage, worked out channel by channel.
Color through16Bits(Color c) {
    return rgb(static_cast<std::uint8_t>((redOf(c) >> 3) * 255 / 31),
               static_cast<std::uint8_t>((greenOf(c) >> 2) * 255 / 63),
               static_cast<std::uint8_t>((blueOf(c) >> 3) * 255 / 31));
}

void expectFrame(const Raster& raster, int k) {
    ASSERT_EQ(raster.width(), 176);
    ASSERT_EQ(raster.height(), 208);
    EXPECT_EQ(raster.pixel(0, 207), through16Bits(frameColor(k)));
    EXPECT_EQ(raster.pixel(175, 0), through16Bits(frameColor(k)));
    EXPECT_EQ(raster.pixel(10 * k, 15 * k), through16Bits(kBlock));
    EXPECT_EQ(raster.pixel(10 * k + 39, 15 * k + 29), through16Bits(kBlock));
    EXPECT_EQ(raster.pixel(10 * k + 40, 15 * k + 29), through16Bits(frameColor(k)));
}

std::uint32_t u32(const std::vector<std::uint8_t>& bytes, std::size_t offset) {
    return bytes[offset] | (bytes[offset + 1] << 8) | (bytes[offset + 2] << 16) |
           (static_cast<std::uint32_t>(bytes[offset + 3]) << 24);
}

class Bmconv : public ::testing::Test {
  protected:
    fs::path at(const std::string& name) const { return folder.path() / name; }
    std::string abs(const std::string& name) const { return at(name).string(); }

    ProcessResult run(const std::vector<std::string>& arguments) const {
        testing::ProcessOptions options;
        options.workingDirectory = folder.path();
        return testing::runProcess(kBmconv, arguments, options);
    }

    void saveFrames(const std::string& subfolder, int count) const {
        fs::create_directories(at(subfolder));
        for (int k = 0; k < count; ++k)
            saveBmpFile(frame(k), at(subfolder + "/" + std::to_string(k) + ".bmp"));
    }

    // The pack command file as the application writes it.
    std::string packCommandFile(const std::string& target, int count) const {
        std::string text = abs(target) + "\r\n";
        for (int k = 0; k < count; ++k)
            text += "-c16" + abs("startup/" + std::to_string(k) + ".bmp") + "\r\n";
        return text;
    }

    // Twelve frames packed in-process at 16 bits, as startup.mbm.
    void makeStartupMbm() const {
        std::vector<Raster> frames;
        for (int k = 0; k < 12; ++k)
            frames.push_back(frame(k));
        std::vector<MbmFrame> list;
        for (const Raster& f : frames)
            list.push_back({&f, {16, ColorKind::Color}});
        writeFileAtomically(at("startup.mbm"), encodeMbm(list));
    }

    void expectFailure(const ProcessResult& result, const std::string& line) const {
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.err, "bmconv: " + line + "\n");
        EXPECT_EQ(result.out, "");
    }

    TemporaryFolder folder;
};

TEST_F(Bmconv, PacksFromTheApplicationsCommandFile) {
    saveFrames("startup", 12);
    fs::create_directories(at("NewMbmFiles"));
    writeText(at("PackUnpack.txt"), packCommandFile("NewMbmFiles/startup.mbm", 12));

    const ProcessResult result = run({"PackUnpack.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "Success.\n");
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(fs::directory_iterator(at("NewMbmFiles"))->path().filename(), "startup.mbm");
    EXPECT_EQ(std::distance(fs::directory_iterator(at("NewMbmFiles")), fs::directory_iterator()),
              1);

    const std::vector<MbmBitmap> bitmaps = decodeMbm(readWholeFile(at("NewMbmFiles/startup.mbm")));
    ASSERT_EQ(bitmaps.size(), 12u);
    for (int k = 0; k < 12; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(bitmaps[k].info.mode, (BitmapMode{16, ColorKind::Color}));
        EXPECT_EQ(bitmaps[k].info.compression, Compression::SixteenBit);
        expectFrame(bitmaps[k].raster, k);
    }
}

TEST_F(Bmconv, UnpacksFromTheApplicationsCommandFile) {
    makeStartupMbm();
    fs::create_directories(at("startup"));
    std::string text = " -u " + abs("startup.mbm") + "\r\n";
    for (int k = 0; k < 12; ++k)
        text += abs("startup/" + std::to_string(k) + ".bmp") + "\r\n";
    writeText(at("PackUnpack.txt"), text);

    const ProcessResult result = run({"PackUnpack.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(result.out, "Success.\n");

    std::vector<std::string> expectedNames;
    for (int k = 0; k < 12; ++k)
        expectedNames.push_back(std::to_string(k) + ".bmp");
    std::sort(expectedNames.begin(), expectedNames.end());
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(at("startup")))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, expectedNames);  // no temporary file left over

    for (int k = 0; k < 12; ++k) {
        SCOPED_TRACE(k);
        const auto bytes = readWholeFile(at("startup/" + std::to_string(k) + ".bmp"));
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(bytes[0], 'B');
        EXPECT_EQ(bytes[1], 'M');
        EXPECT_EQ(u32(bytes, 14), 40u);               // info header
        EXPECT_EQ(u32(bytes, 22), 208u);              // positive height: bottom-up
        EXPECT_EQ(bytes[28] | (bytes[29] << 8), 24);  // bits per pixel
        EXPECT_EQ(u32(bytes, 38), 0u);                // pixels per metre
        EXPECT_EQ(u32(bytes, 42), 0u);
        EXPECT_EQ(bytes.size(), 54u + 176 * 3 * 208);
        expectFrame(decodeBmp(bytes), k);
    }
}

TEST_F(Bmconv, ReadsCommentsAndPlainLineFeedsInCommandFiles) {
    saveFrames("startup", 2);
    writeText(at("cmd.txt"), "// the status strip\n" + abs("strip.mbm") + "  // target\n\t-c16" +
                                 abs("startup/0.bmp") + " -c16" + abs("startup/1.bmp"));
    const ProcessResult result = run({"cmd.txt"});
    EXPECT_EQ(result.exitStatus, 0) << result.err;
    EXPECT_EQ(decodeMbm(readWholeFile(at("strip.mbm"))).size(), 2u);
}

TEST_F(Bmconv, DirectFormPacksListsAndUnpacks) {
    saveBmpFile(frame(1), at("a.bmp"));
    saveBmpFile(Raster(1, 1, colors::white), at("b.bmp"));
    const ProcessResult packed = run({"-n", "-q", "out.mbm", "-c24a.bmp", "-1b.bmp"});
    EXPECT_EQ(packed.exitStatus, 0) << packed.err;
    EXPECT_EQ(packed.out, "");  // quiet

    const ProcessResult listed = run({"-v", "out.mbm"});
    EXPECT_EQ(listed.exitStatus, 0);
    EXPECT_EQ(listed.out,
              "out.mbm: 2 bitmap(s)\n"
              "  1: 176 x 208 pixels, 0 x 0 twips, 24 bpp colour, uncompressed, 109824 of 109824 "
              "bytes (100%)\n"
              "  2: 1 x 1 pixels, 0 x 0 twips, 1 bpp grey, uncompressed, 4 of 4 bytes (100%)\n"
              "Success.\n");

    // Fewer names than bitmaps: the first bitmaps only.
    const ProcessResult unpacked = run({"-u", "out.mbm", "back.bmp"});
    EXPECT_EQ(unpacked.exitStatus, 0) << unpacked.err;
    const Raster back = loadBmpFile(at("back.bmp"));
    EXPECT_EQ(back.pixel(10, 15), kBlock);
    EXPECT_EQ(back.pixel(0, 0), frameColor(1));  // 24 bits: exact
    EXPECT_EQ(folder.entries(),
              (std::vector<std::string>{"a.bmp", "b.bmp", "back.bmp", "out.mbm"}));
}

TEST_F(Bmconv, MissingSourceWritesNothing) {
    saveFrames("startup", 1);
    expectFailure(run({"out.mbm", "-c16" + abs("startup/0.bmp"), "-c16" + abs("missing.bmp")}),
                  abs("missing.bmp") + ": File does not exist");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"startup"});
}

TEST_F(Bmconv, SourceThatIsNoBmpIsABadSource) {
    writeText(at("a.bmp"), "not a picture");
    const ProcessResult result = run({"out.mbm", "-c16a.bmp"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err.rfind("bmconv: a.bmp: Bad source file(s). ", 0), 0u) << result.err;
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"a.bmp"});
}

TEST_F(Bmconv, UnwritableDestinationLeavesNothing) {
    saveBmpFile(frame(0), at("a.bmp"));
    // The destination's folder is a file: no permission trick needed, so root fails too.
    expectFailure(run({"out.mbm/x.mbm", "-c16a.bmp"}),
                  "Bad destination file(s). Cannot create file \"out.mbm/x.mbm\". " +
                      testing::missingFolderReason());
#ifdef _WIN32
    const std::string fileAsFolder = testing::missingFolderReason();
#else
    const std::string fileAsFolder = systemReason(ENOTDIR);
#endif
    expectFailure(run({abs("a.bmp") + "/x.mbm", "-c16a.bmp"}),
                  "Bad destination file(s). Cannot create file \"" + abs("a.bmp") + "/x.mbm\". " +
                      fileAsFolder);
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"a.bmp"});
}

TEST_F(Bmconv, BadDepthIsAnInvalidMode) {
    saveBmpFile(frame(0), at("a.bmp"));
    writeText(at("PackUnpack.txt"), abs("out.mbm") + "\r\n-cabc" + abs("a.bmp") + "\r\n");
    expectFailure(run({"PackUnpack.txt"}),
                  "-cabc" + abs("a.bmp") + ": Invalid bitmap mode specified.");
    expectFailure(run({"out.mbm", "-c10a.bmp"}), "-c10a.bmp: Invalid bitmap mode specified.");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"PackUnpack.txt", "a.bmp"}));
}

TEST_F(Bmconv, MoreNamesThanBitmapsWritesNoFile) {
    makeStartupMbm();
    std::string text = " -u " + abs("startup.mbm") + "\r\n";
    for (int k = 0; k < 13; ++k)
        text += abs(std::to_string(k) + ".bmp") + "\r\n";
    writeText(at("PackUnpack.txt"), text);
    expectFailure(run({"PackUnpack.txt"}),
                  abs("startup.mbm") +
                      ": Number of sources/targets mismatch. It holds 12 bitmap(s), 13 file names "
                      "were given.");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"PackUnpack.txt", "startup.mbm"}));
}

TEST_F(Bmconv, FailedUnpackTakesBackTheFilesItWrote) {
    makeStartupMbm();
    const ProcessResult result = run({"-u", "startup.mbm", "0.bmp", "1.bmp", "nofolder/2.bmp"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err,
              "bmconv: Bad destination file(s). Cannot create file \"nofolder/2.bmp\". " +
                  testing::missingFolderReason() + "\n");
    EXPECT_EQ(folder.entries(), std::vector<std::string>{"startup.mbm"});
}

TEST_F(Bmconv, AFailedUnpackLeavesFilesThatWereThereAsTheyWere) {
    makeStartupMbm();
    writeText(at("keep.bmp"), "precious");
    fs::create_directory(at("isdir"));
    const ProcessResult result = run({"-u", "startup.mbm", "keep.bmp", "new.bmp", "isdir"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_NE(result.err.find("isdir"), std::string::npos) << result.err;
    EXPECT_EQ(readText(at("keep.bmp")), "precious");
    EXPECT_TRUE(fs::is_directory(at("isdir")));
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"isdir", "keep.bmp", "startup.mbm"}));
}

// Links, permission bits and FIFOs: POSIX matters.
#ifndef _WIN32
TEST_F(Bmconv, OutputsKeepTheirLinkAndModeAndOnlyRegularFilesAreReplaced) {
    makeStartupMbm();
    fs::create_directory(at("real"));
    writeText(at("real/0.bmp"), "old");
    fs::create_symlink("real/0.bmp", at("0.bmp"));
    writeText(at("1.bmp"), "old");
    fs::permissions(at("1.bmp"), fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_EQ(run({"-u", "startup.mbm", "0.bmp", "1.bmp"}).exitStatus, 0);
    EXPECT_TRUE(fs::is_symlink(at("0.bmp")));
    EXPECT_EQ(loadBmpFile(at("real/0.bmp")).width(), 176);
    EXPECT_EQ(fs::status(at("1.bmp")).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    ASSERT_EQ(::mkfifo(at("pipe.bmp").c_str(), 0600), 0);
    const ProcessResult fifo = run({"-u", "startup.mbm", "pipe.bmp"});
    EXPECT_EQ(fifo.exitStatus, 1);
    EXPECT_NE(fifo.err.find("not a regular file"), std::string::npos) << fifo.err;
    EXPECT_TRUE(fs::is_fifo(at("pipe.bmp")));
}

TEST_F(Bmconv, AFifoAsAnyInputIsRefusedAtOnce) {
    makeStartupMbm();
    saveFrames("startup", 1);
    ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
    const std::vector<std::vector<std::string>> runs = {
        {"fifo"}, {"-u", "fifo", "0.bmp"}, {"out.mbm", "-c16fifo"}, {"-v", "fifo"}};
    for (const std::vector<std::string>& arguments : runs) {
        const ProcessResult result = run(arguments);  // would block for ever on the open
        EXPECT_EQ(result.exitStatus, 1) << arguments.back();
        EXPECT_NE(result.err.find("Not a regular file."), std::string::npos) << result.err;
    }
    EXPECT_FALSE(fs::exists(at("out.mbm")));
}
#endif

TEST_F(Bmconv, QuotedPathsInACommandFileKeepTheirBlanks) {
    fs::create_directories(at("x y"));
    saveBmpFile(frame(3), at("x y/0 .bmp"));
    writeText(at("PackUnpack.txt"),
              "\"" + abs("x y/out.mbm") + "\"\r\n-c16\"" + abs("x y/0 .bmp") + "\"\r\n");
    const ProcessResult packed = run({"PackUnpack.txt"});
    ASSERT_EQ(packed.exitStatus, 0) << packed.err;
#ifdef _WIN32
    const std::string back = abs("x y/back .bmp");
#else
    // A doubled separator at the start of a quoted path is part of the path, not a comment.
    const std::string back = "//" + abs("x y/back .bmp").substr(1);
#endif
    writeText(at("PackUnpack.txt"), " -u \"" + abs("x y/out.mbm") + "\"\r\n\"" + back + "\"\r\n");
    const ProcessResult unpacked = run({"PackUnpack.txt"});
    ASSERT_EQ(unpacked.exitStatus, 0) << unpacked.err;
    expectFrame(loadBmpFile(at("x y/back .bmp")), 3);
}

// The command files in the form of this system (on Windows backslashes, " /u " and "/c16"), in a
// folder whose name is not in any one-byte code page, and the same names given as arguments.
TEST_F(Bmconv, CommandFileOfThisSystemInACyrillicFolder) {
#ifdef _WIN32
    const std::string option = "/";
    auto native = [](std::string text) {
        std::replace(text.begin(), text.end(), '/', '\\');
        return text;
    };
#else
    const std::string option = "-";
    auto native = [](std::string text) { return text; };
#endif
    const std::string dir = "Заставка ё";
    fs::create_directories(pathFromUtf8(utf8FromPath(folder.path()) + "/" + dir));
    auto in = [&](const std::string& name) {
        return native(utf8FromPath(folder.path()) + "/" + dir + "/" + name);
    };
    saveBmpFile(frame(2), pathFromUtf8(in("кадр 0.bmp")));
    saveBmpFile(frame(5), pathFromUtf8(in("кадр 1.bmp")));

    writeText(at("PackUnpack.txt"), "\"" + in("пуск.mbm") + "\"\r\n" + option + "c16\"" +
                                        in("кадр 0.bmp") + "\"\r\n" + option + "c16\"" +
                                        in("кадр 1.bmp") + "\"\r\n");
    const ProcessResult packed = run({"PackUnpack.txt"});
    ASSERT_EQ(packed.exitStatus, 0) << packed.err;
    EXPECT_EQ(packed.out, "Success.\n");

    writeText(at("PackUnpack.txt"), " " + option + "u \"" + in("пуск.mbm") + "\"\r\n\"" +
                                        in("назад 0.bmp") + "\"\r\n\"" + in("назад 1.bmp") +
                                        "\"\r\n");
    const ProcessResult unpacked = run({"PackUnpack.txt"});
    ASSERT_EQ(unpacked.exitStatus, 0) << unpacked.err;
    expectFrame(loadBmpFile(pathFromUtf8(in("назад 0.bmp"))), 2);
    expectFrame(loadBmpFile(pathFromUtf8(in("назад 1.bmp"))), 5);

    // The same names on the command line, and in the listing and the messages.
    const ProcessResult listed = run({option + "v", in("пуск.mbm")});
    ASSERT_EQ(listed.exitStatus, 0) << listed.err;
    EXPECT_EQ(listed.out.rfind(in("пуск.mbm") + ": 2 bitmap(s)\n", 0), 0u) << listed.out;
    expectFailure(run({option + "v", in("нет.mbm")}), in("нет.mbm") + ": File does not exist");
}

TEST_F(Bmconv, MessagesShowHostileBytesEscapedAndCut) {
    writeText(at("garbage.txt"),
              "out.mbm -c7\x1b[2J\x1b]0;owned\x07" + std::string(900 * 1024, 'A'));
    const ProcessResult result = run({"garbage.txt"});
    EXPECT_EQ(result.exitStatus, 1);
    EXPECT_EQ(result.err.find('\x1b'), std::string::npos) << result.err.substr(0, 300);
    EXPECT_NE(result.err.find("\\x1b[2J"), std::string::npos) << result.err.substr(0, 300);
    EXPECT_LT(result.err.size(), 600u);
    EXPECT_NE(result.err.find("…"), std::string::npos);
}

TEST_F(Bmconv, DamagedFilesAreRefusedAndTheValidCopyUnpacks) {
    const fs::path corrupt = fs::path(FELMO_FIXTURES_DIR) / "corrupt";
    const ProcessResult good = run({"-u", (corrupt / "00_grbmap.mbm").string(), "0.bmp", "1.bmp"});
    EXPECT_EQ(good.exitStatus, 0) << good.err;
    EXPECT_EQ(loadBmpFile(at("1.bmp")).width(), 48);
    fs::remove(at("0.bmp"));
    fs::remove(at("1.bmp"));

    for (const auto& entry : fs::directory_iterator(corrupt)) {
        if (entry.path().filename() == "00_grbmap.mbm")
            continue;
        SCOPED_TRACE(entry.path().filename().string());
        const ProcessResult result = run({"-u", entry.path().string(), "0.bmp", "1.bmp"});
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.err.rfind(
                      "bmconv: " + entry.path().string() + ": Bad source file(s). Bitmap 1: ", 0),
                  0u)
            << result.err;
        EXPECT_TRUE(folder.entries().empty());
    }
}

TEST_F(Bmconv, CommandFileProblems) {
    expectFailure(run({"nothere.txt"}), "nothere.txt: File does not exist");
    writeText(at("empty.txt"), "\r\n// nothing\r\n");
    expectFailure(run({"empty.txt"}),
                  "empty.txt: Bad command file. No multi-bitmap file is named.");
    writeText(at("odd.txt"), "-x out.mbm a.bmp\r\n");
    expectFailure(run({"odd.txt"}), "odd.txt: Bad command file. Unknown option -x.");
    EXPECT_EQ(folder.entries(), (std::vector<std::string>{"empty.txt", "odd.txt"}));
}

TEST_F(Bmconv, UsageHelpAndVersion) {
    const ProcessResult none = run({});
    EXPECT_EQ(none.exitStatus, 2);
    EXPECT_EQ(none.err, "bmconv: No arguments.\nTry 'bmconv --help'.\n");
    const ProcessResult help = run({"--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.out.rfind("Usage:\n", 0), 0u);
    const ProcessResult version = run({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out.rfind("bmconv (FELMO) ", 0), 0u);
    const ProcessResult unknown = run({"-x", "out.mbm"});
    EXPECT_EQ(unknown.exitStatus, 2);
    EXPECT_EQ(unknown.err, "bmconv: Unknown option -x.\nTry 'bmconv --help'.\n");
}

}  // namespace
}  // namespace felmo
