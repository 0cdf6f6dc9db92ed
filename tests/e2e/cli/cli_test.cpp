// Whole runs of felmo-cli: each test gives the program its own TMPDIR (so its own work tree), its
// own settings file and output folder, and checks the files it leaves behind, pixel for pixel
// where a picture is involved.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <array>
#include <csignal>
#include <cstdlib>
#include <future>
#include <map>

#include "base/utf8_path.hpp"
#include "mbm/mbm_reader.hpp"
#include "platform/file_io.hpp"
#include "raster/bmp.hpp"
#include "raster/raster.hpp"
#include "support/child_process.hpp"
#include "support/picture_files.hpp"
#include "support/reference_decoders.hpp"
#include "support/temporary_folder.hpp"
#include "support/text_files.hpp"
#include "workspace/work_tree.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;
using testing::ProcessOptions;
using testing::ProcessResult;
using testing::readText;
using testing::runProcess;
using testing::writeText;

const fs::path kBinDir = FELMO_BIN_DIR;
// Built without translations, felmo-cli speaks Russian whatever it is asked.
#if FELMO_NLS
constexpr bool kSpeaksEnglish = true;
#else
constexpr bool kSpeaksEnglish = false;
#endif
const fs::path kFelmoCli = kBinDir / ("felmo-cli" FELMO_EXE_SUFFIX);
const fs::path kBmconvProgram = kBinDir / ("bmconv" FELMO_EXE_SUFFIX);
const fs::path kRecorder = kBinDir / ("command_file_recorder" FELMO_EXE_SUFFIX);

// A fresh folder per test with the layout the runs use:
//   tmp/            TMPDIR of the program (its work tree goes below)
//   program/        the settings file, the command file
//   out/            the output folder (made only when a test wants one)
class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(root / "tmp");
        fs::create_directories(root / "program");
    }

    fs::path settings() const { return root / "program" / "Settings.ini"; }
    fs::path output() const { return root / "out"; }
    fs::path workTreeRoot() const { return root / "tmp"; }

    // felmo-cli --language ru --settings <settings> --output <out> ARGS...: the messages the
    // tests read are the program's own Russian, whatever the machine's locale.
    ProcessResult felmo(std::vector<std::string> arguments, fs::path program = kFelmoCli,
                        std::map<std::string, std::string> environment = {}) {
        std::vector<std::string> full = {"--language",        "ru",       "--settings",
                                         settings().string(), "--output", output().string()};
        full.insert(full.end(), arguments.begin(), arguments.end());
        return runBare(full, program, std::move(environment));
    }
    ProcessResult runBare(std::vector<std::string> arguments, fs::path program = kFelmoCli,
                          std::map<std::string, std::string> environment = {}) {
        ProcessOptions options;
        options.environment = std::move(environment);
        options.environment["TMPDIR"] = workTreeRoot().string();
#ifdef _WIN32
        // Windows takes the user's temporary folder from TMP, then TEMP.
        options.environment["TMP"] = workTreeRoot().string();
        options.environment["TEMP"] = workTreeRoot().string();
#endif
        options.workingDirectory = root;
        return runProcess(program, arguments, options);
    }

    // Packs frames into an .mbm file with the real converter, at 24 bits.
    void packMbm(const fs::path& target, const std::vector<Raster>& frames) {
        const fs::path folder = root / "pack";
        fs::remove_all(folder);
        fs::create_directories(folder);
        fs::create_directories(target.parent_path());
        std::string command = target.string() + "\r\n";
        for (std::size_t k = 0; k < frames.size(); ++k) {
            const fs::path frame = folder / (std::to_string(k) + ".bmp");
            saveBmpFile(frames[k], frame);
            command += "-c24" + frame.string() + "\r\n";
        }
        writeText(folder / "PackUnpack.txt", command);
        ProcessOptions options;
        options.workingDirectory = folder;
        const ProcessResult packed = runProcess(kBmconvProgram, {"PackUnpack.txt"}, options);
        ASSERT_EQ(packed.exitStatus, 0) << packed.err;
        ASSERT_TRUE(fs::exists(target));
    }

    // Unpacks an .mbm file with the real converter into `count` BMP frames and reads them back.
    std::vector<Raster> unpackMbm(const fs::path& mbm, int count) {
        const fs::path folder = root / "unpack";
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::string command = " -u " + mbm.string() + "\r\n";
        for (int k = 0; k < count; ++k)
            command += (folder / (std::to_string(k) + ".bmp")).string() + "\r\n";
        writeText(folder / "PackUnpack.txt", command);
        ProcessOptions options;
        options.workingDirectory = folder;
        const ProcessResult unpacked = runProcess(kBmconvProgram, {"PackUnpack.txt"}, options);
        EXPECT_EQ(unpacked.exitStatus, 0) << unpacked.err;
        std::vector<Raster> frames;
        for (int k = 0; k < count; ++k)
            frames.push_back(loadBmpFile(folder / (std::to_string(k) + ".bmp")));
        return frames;
    }

    // A copy of felmo-cli alone in a folder of its own, with `converterScript` beside it as
    // "bmconv" (none when empty).
    fs::path lonelyCopy(const std::string& converterScript) {
        const fs::path folder = root / "lonely";
        fs::create_directories(folder);
#ifdef _WIN32
        // Only the converter's absence can be staged on Windows: a script is no program there.
        EXPECT_TRUE(converterScript.empty());
        fs::copy_file(kFelmoCli, folder / kFelmoCli.filename());
        return folder / kFelmoCli.filename();
#endif
        fs::copy_file(kFelmoCli, folder / "felmo-cli");
        if (!converterScript.empty()) {
            writeText(folder / "bmconv", converterScript);
            fs::permissions(folder / "bmconv", fs::perms::owner_all);
        }
        return folder / "felmo-cli";
    }

    testing::TemporaryFolder scratch{"cli-test"};
    const fs::path root = scratch.path();
};

struct SlotShape {
    const char* name;
    std::vector<std::pair<int, int>> frameSizes;
};

const std::array<SlotShape, 5> kSlotShapes = {{
    {"startup", std::vector<std::pair<int, int>>(12, {176, 208})},
    {"EidPic", {{176, 12}, {176, 68}, {176, 68}, {176, 68}, {176, 68}}},
    {"backgroundimage", {{176, 132}, {1, 1}}},
    {"Splashscreen", {{176, 208}}},
    {"Welcomeimage", {{176, 208}}},
}};

TEST_F(CliTest, WithoutAnOutputFolderTheDefaultsAreUnpackedAndBuiltAgain) {
    const ProcessResult run = felmo({"build"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "Файлы графики созданы.\n");
    EXPECT_EQ(run.err, "");

    for (const SlotShape& slot : kSlotShapes) {
        const fs::path built = output() / (std::string(slot.name) + ".mbm");
        ASSERT_TRUE(fs::exists(built)) << built;
        const std::vector<std::uint8_t> bytes = readWholeFile(built);
        const std::vector<MbmBitmapInfo> directory = readMbmDirectory(bytes);
        ASSERT_EQ(directory.size(), slot.frameSizes.size()) << slot.name;
        const std::vector<Raster> frames =
            unpackMbm(built, static_cast<int>(slot.frameSizes.size()));
        for (std::size_t k = 0; k < frames.size(); ++k) {
            EXPECT_EQ(frames[k].width(), slot.frameSizes[k].first) << slot.name << " " << k;
            EXPECT_EQ(frames[k].height(), slot.frameSizes[k].second) << slot.name << " " << k;
        }
    }
    // The work tree went at close and the settings were written.
    EXPECT_TRUE(fs::is_empty(workTreeRoot()));
    EXPECT_FALSE(fs::exists(root / "program" / "PackUnpack.txt"));
    const std::string ini = readText(settings());
    EXPECT_NE(ini.find("X1=215"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Y1=111"), std::string::npos) << ini;
}

TEST_F(CliTest, NoCommandMeansStartUpAndBuild) {
    const ProcessResult run = felmo({});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "Файлы графики созданы.\n");
    for (const SlotShape& slot : kSlotShapes)
        EXPECT_TRUE(fs::exists(output() / (std::string(slot.name) + ".mbm"))) << slot.name;
}

// Folder and file names in a script no one-byte code page holds together with Latin ones: the
// picture, the settings file and the output folder all reach the program whole.
TEST_F(CliTest, NamesInAnyScriptForPicturesSettingsAndOutput) {
    const std::string base = utf8FromPath(root);
    const std::string pictures = base + "/Картинки ё", program = base + "/Программа Ünïcode",
                      out = base + "/Вывод";
    fs::create_directories(pathFromUtf8(pictures));
    saveBmpFile(Raster(176, 208, rgb(10, 200, 90)), pathFromUtf8(pictures + "/заставка.bmp"));
    fs::create_directories(pathFromUtf8(program));

    const ProcessResult run =
        runBare({"--language", "ru", "--settings", program + "/Settings.ini", "--output", out,
                 "splash", pictures + "/заставка.bmp", "depth", "splash=24", "build"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "Файлы графики созданы.\n");
    for (const SlotShape& slot : kSlotShapes)
        EXPECT_TRUE(fs::exists(pathFromUtf8(out + "/" + slot.name + ".mbm"))) << slot.name;
    EXPECT_TRUE(fs::exists(pathFromUtf8(program + "/Settings.ini")));
    const std::vector<MbmBitmap> splash =
        decodeMbm(readWholeFile(pathFromUtf8(out + "/Splashscreen.mbm")));
    ASSERT_EQ(splash.size(), 1u);
    EXPECT_EQ(splash[0].raster.pixel(88, 104), rgb(10, 200, 90));

    const ProcessResult missing =
        runBare({"--language", "ru", "--settings", program + "/Settings.ini", "--output", out,
                 "splash", pictures + "/нет.bmp"});
    EXPECT_EQ(missing.exitStatus, 1);
    EXPECT_NE(missing.err.find("нет.bmp"), std::string::npos) << missing.err;
}

// Twelve start-up frames, each of one colour of its own.
std::vector<Raster> twelveColours(std::uint8_t green) {
    std::vector<Raster> frames;
    for (int k = 0; k < 12; ++k)
        frames.emplace_back(
            176, 208,
            rgb(static_cast<std::uint8_t>(250 - 20 * k), green, static_cast<std::uint8_t>(15 * k)));
    return frames;
}

// A message names a file in any script as it is: the settings file that cannot be written
// because a folder stands in its place, and a work tree whose temporary folder is missing.
TEST_F(CliTest, AMessageShowsANameInAnyScriptAsItIs) {
    const std::string program = utf8FromPath(root) + "/Папка Ünïcode";
    fs::create_directories(pathFromUtf8(program + "/Settings.ini"));
    const ProcessResult settingsRun =
        runBare({"--language", "ru", "--settings", program + "/Settings.ini", "--output",
                 utf8FromPath(output()), "build"});
    EXPECT_NE(settingsRun.exitStatus, 0);
    EXPECT_NE(settingsRun.err.find("Папка Ünïcode"), std::string::npos) << settingsRun.err;

    const std::string missing = utf8FromPath(root / pathFromUtf8("Нет такой папки"));
    ProcessOptions options;
    for (const char* name : {"TMPDIR", "TMP", "TEMP"})
        options.environment[name] = missing;
    options.workingDirectory = root;
    const ProcessResult treeRun = runProcess(
        kFelmoCli, {"--language", "ru", "--settings", settings().string(), "build"}, options);
    EXPECT_NE(treeRun.exitStatus, 0);
    EXPECT_NE(treeRun.err.find("Cannot create file \"" + missing), std::string::npos)
        << treeRun.err;
}

// The work tree in a temporary folder with a Cyrillic name: the user's file is copied in,
// unpacked and packed again without a word, and the tree goes at the end.
TEST_F(CliTest, AWorkTreeUnderACyrillicTemporaryFolderWorks) {
    const std::vector<Raster> frames = twelveColours(90);
    packMbm(output() / "startup.mbm", frames);
    const fs::path temporary = root / pathFromUtf8("Временная папка");
    fs::create_directories(temporary);

    ProcessOptions options;
    for (const char* name : {"TMPDIR", "TMP", "TEMP"})
        options.environment[name] = utf8FromPath(temporary);
    options.workingDirectory = root;
    const ProcessResult run =
        runProcess(kFelmoCli,
                   {"--language", "ru", "--settings", settings().string(), "--output",
                    output().string(), "depth", "startup=24", "build"},
                   options);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<Raster> built = unpackMbm(output() / "startup.mbm", 12);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(built[k].pixel(88, 104), frames[k].pixel(88, 104)) << k;
    EXPECT_TRUE(fs::is_empty(temporary));
}

// Splits a command file into its lines.
std::vector<std::string> commandFileLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "a command file ends with CR LF";
    return lines;
}

// A path token of a command file, without the quotes around it.
std::string unquoted(std::string token) {
    if (token.size() >= 2 && token.front() == '"' && token.back() == '"')
        token = token.substr(1, token.size() - 2);
    return token;
}

// The command files felmo-cli writes are in this system's form (on Windows " /u ", "/c16" and
// whole paths with backslashes), and the converter built with it reads them back: a stand-in
// beside the program keeps each file before the real converter runs on it.
TEST_F(CliTest, TheCommandFilesAreInThisSystemsFormAndTheConverterReadsThemBack) {
#ifdef _WIN32
    const std::string unpackOption = " /u ", depthOption = "/c";
    const char otherSeparator = '/';
#else
    const std::string unpackOption = " -u ", depthOption = "-c";
    const char otherSeparator = '\\';
#endif
    const std::vector<Raster> frames = twelveColours(30);
    packMbm(output() / "startup.mbm", frames);
    const fs::path program = lonelyCopy("");
    fs::copy_file(kRecorder, program.parent_path() / kBmconvProgram.filename());
    const fs::path records = root / "records";
    fs::create_directories(records);

    const ProcessResult run = felmo({"depth", "startup=24", "build"}, program,
                                    {{"FELMO_RECORD_FOLDER", records.string()},
                                     {"FELMO_REAL_CONVERTER", kBmconvProgram.string()}});
    ASSERT_EQ(run.exitStatus, 0) << run.err;

    int unpacks = 0, packs = 0;
    for (int n = 1; fs::exists(records / (std::to_string(n) + ".txt")); ++n) {
        const std::vector<std::string> lines =
            commandFileLines(readText(records / (std::to_string(n) + ".txt")));
        ASSERT_GE(lines.size(), 2u) << n;
        const bool unpack = lines[0].rfind(unpackOption, 0) == 0;
        (unpack ? unpacks : packs)++;
        std::vector<std::string> paths = {unpack ? lines[0].substr(unpackOption.size()) : lines[0]};
        for (std::size_t i = 1; i < lines.size(); ++i) {
            if (unpack) {
                paths.push_back(lines[i]);
                continue;
            }
            ASSERT_EQ(lines[i].rfind(depthOption, 0), 0u) << lines[i];
            const std::size_t digits = lines[i].find_first_not_of("0123456789", 2);
            paths.push_back(lines[i].substr(digits));
        }
        for (const std::string& token : paths) {
            const std::string path = unquoted(token);
            EXPECT_EQ(path.find(otherSeparator), std::string::npos) << path;
#ifdef _WIN32
            EXPECT_EQ(path.substr(1, 2), ":\\") << path;  // whole, from a drive
#else
            EXPECT_EQ(path.front(), '/') << path;
#endif
        }
    }
    EXPECT_EQ(unpacks, 5);
    EXPECT_EQ(packs, 5);
    // What the user's file held comes out of the build unchanged.
    const std::vector<Raster> built = unpackMbm(output() / "startup.mbm", 12);
    for (int k = 0; k < 12; ++k) {
        EXPECT_EQ(built[k].pixel(0, 0), frames[k].pixel(0, 0)) << k;
        EXPECT_EQ(built[k].pixel(175, 207), frames[k].pixel(175, 207)) << k;
    }
}

TEST_F(CliTest, TheProgramDirectoryIsTheExecutablesFolder) {
    const fs::path program = lonelyCopy("");
    fs::copy_file(kBmconvProgram, program.parent_path() / kBmconvProgram.filename());
    const ProcessResult run = runBare({}, program);
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_TRUE(fs::exists(program.parent_path() / "Settings.ini"));
    for (const SlotShape& slot : kSlotShapes)
        EXPECT_TRUE(
            fs::exists(program.parent_path() / "Files" / (std::string(slot.name) + ".mbm")));
}

const Color kRed = rgb(220, 20, 20);
const Color kBlue = rgb(20, 20, 220);
const Color kGreen = rgb(20, 200, 20);

std::vector<Raster> plainAnimation(Color colour) {
    return std::vector<Raster>(12, Raster(176, 208, colour));
}

TEST_F(CliTest, TheUsersFileInASubFolderWinsOverTheRootOne) {
    packMbm(output() / "startup.mbm", plainAnimation(kRed));
    packMbm(output() / "phone" / "startup.mbm", plainAnimation(kBlue));
    packMbm(output() / "theme.mbm", {Raster(4, 4, kGreen)});

    const ProcessResult run = felmo({"export", (root / "frames").string()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(
            loadBmpFile(root / "frames" / "startup" / (std::to_string(k) + ".bmp")).pixel(88, 104),
            kBlue)
            << k;
    // The user's files stay as they were; nothing was built.
    EXPECT_TRUE(fs::exists(output() / "theme.mbm"));
    EXPECT_FALSE(fs::exists(output() / "EidPic.mbm"));
    EXPECT_EQ(run.out, "");
}

TEST_F(CliTest, AHiddenFolderIsNotSearched) {
    packMbm(output() / ".hidden" / "startup.mbm", plainAnimation(kGreen));
    packMbm(output() / ".startup.mbm", plainAnimation(kGreen));
    const ProcessResult run = felmo({"export", (root / "frames").string()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const Raster frame = loadBmpFile(root / "frames" / "startup" / "0.bmp");
    EXPECT_EQ(frame.width(), 176);
    EXPECT_NE(frame.pixel(88, 104), kGreen);
}

// A converter that cannot be found, or that fails, ends the run with a clear message at once,
// and the user's files in the output folder are untouched.
struct BrokenConverterCase {
    const char* name;
    const char* script;  // "" for none at all
    const char* expectedInMessage;
};

class BrokenConverter : public CliTest,
                        public ::testing::WithParamInterface<BrokenConverterCase> {};

TEST_P(BrokenConverter, GivesAClearErrorWithinSecondsAndLosesNothing) {
    const BrokenConverterCase& c = GetParam();
#ifdef _WIN32
    if (*c.script != '\0')
        GTEST_SKIP() << "a shell script cannot stand in for the converter on Windows";
#endif
    const fs::path program = lonelyCopy(c.script);
    writeText(output() / "startup.mbm", "the user's own file");
    writeText(output() / "notes.txt", "keep me");

    const ProcessResult run = felmo({"build"}, program, {{"PATH", "/nonexistent-felmo-path"}});
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_LT(run.elapsed.count(), 10000);
    EXPECT_NE(run.err.find("startup"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find(c.expectedInMessage), std::string::npos) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(readText(output() / "startup.mbm"), "the user's own file");
    EXPECT_EQ(readText(output() / "notes.txt"), "keep me");
    EXPECT_FALSE(fs::exists(output() / "EidPic.mbm"));
    // Close still ran: the work tree is gone.
    EXPECT_TRUE(fs::is_empty(workTreeRoot()));
}

INSTANTIATE_TEST_SUITE_P(
    Cli, BrokenConverter,
    ::testing::Values(
        BrokenConverterCase{"Missing", "", "bmconv"},
        BrokenConverterCase{"Failing", "#!/bin/sh\necho 'converter out of order' >&2\nexit 3\n",
                            "converter out of order"},
        BrokenConverterCase{"SilentlyWritingNothing", "#!/bin/sh\nexit 0\n", "startup"}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(CliTest, AnExistingMbmSurvivesABuildThatFailsPartWay) {
#ifdef _WIN32
    GTEST_SKIP() << "a shell script cannot stand in for the converter on Windows";
#endif
    packMbm(output() / "Splashscreen.mbm", {Raster(176, 208, kGreen)});
    const std::string before = readText(output() / "Splashscreen.mbm");
    // The real converter, except that packing the welcome image fails.
    const std::string script =
        "#!/bin/sh\n"
        "if grep -q 'NewMbmFiles/Welcomeimage.mbm' PackUnpack.txt; then\n"
        "  echo 'disk full' >&2; exit 1\n"
        "fi\n"
        "exec '" +
        (kBmconvProgram).string() + "' \"$@\"\n";
    const fs::path program = lonelyCopy(script);

    const ProcessResult run = felmo({"build"}, program);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("Welcomeimage"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("disk full"), std::string::npos) << run.err;
    EXPECT_EQ(readText(output() / "Splashscreen.mbm"), before);
    EXPECT_FALSE(fs::exists(output() / "startup.mbm"));
    EXPECT_EQ(run.out, "");
}

// Pictures the tests write: two colours split at a column (or row).
Raster splitPicture(int width, int height, int split, bool vertical, Color first, Color second) {
    Raster picture(width, height, first);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if ((vertical ? y : x) >= split)
                picture.setPixel(x, y, second);
    return picture;
}

Raster exportedFrame(const fs::path& folder, const char* slot, int k) {
    return loadBmpFile(folder / slot / (std::to_string(k) + ".bmp"));
}

TEST_F(CliTest, SlideRightMovesThePictureSixteenColumnsAFrame) {
    saveBmpFile(splitPicture(352, 208, 176, false, kRed, kBlue), root / "wide.bmp");
    const ProcessResult run = felmo({"effect", "slide-right", (root / "wide.bmp").string(),
                                     "export", (root / "frames").string()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    // Frame n shows the strip from column (11 - n) * 16 on: red up to strip column 175.
    for (int n = 0; n < 12; ++n) {
        const Raster frame = exportedFrame(root / "frames", "startup", n);
        ASSERT_EQ(frame.width(), 176);
        const int firstBlue = 176 - (11 - n) * 16;
        for (int x : {0, firstBlue - 1, firstBlue, 175}) {
            if (x < 0 || x > 175)
                continue;
            EXPECT_EQ(frame.pixel(x, 100), x < firstBlue ? kRed : kBlue)
                << "frame " << n << " column " << x;
        }
    }
}

// The same picture as BMP and as PNG (under a name that says neither) gives the same five files.
TEST_F(CliTest, APictureGivesTheSameMbmFilesAsBmpAndAsPng) {
    const Raster picture = splitPicture(300, 250, 120, true, kGreen, kRed);
    saveBmpFile(picture, root / "picture.bmp");
    std::vector<std::uint8_t> rgb;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            rgb.insert(rgb.end(), {redOf(picture.pixel(x, y)), greenOf(picture.pixel(x, y)),
                                   blueOf(picture.pixel(x, y))});
    writeFileAtomically(root / "picture.data", testing::encodeRgbPng(300, 250, rgb));
    for (const char* file : {"picture.bmp", "picture.data"}) {
        const std::string path = (root / file).string();
        const ProcessResult run =
            runBare({"--settings", settings().string(), "--output", (root / file).string() + ".out",
                     "background", path, "splash", path, "welcome", path, "overlay", path, "effect",
                     "slide-down", path, "build"});
        ASSERT_EQ(run.exitStatus, 0) << file << ": " << run.err;
    }
    for (const SlotShape& slot : kSlotShapes) {
        const std::string name = std::string(slot.name) + ".mbm";
        EXPECT_EQ(readText(root / "picture.bmp.out" / name),
                  readText(root / "picture.data.out" / name))
            << name;
    }
}

// Three GIF frames, each one colour: the start-up frames show them in turn, four each.
TEST_F(CliTest, AnAnimatedGifBecomesTheTwelveFrames) {
    testing::GifDescription gif{4, 4, {{20, 200, 20}, {200, 20, 20}, {20, 20, 200}, {0, 0, 0}}, {}};
    for (std::uint8_t colour = 0; colour < 3; ++colour)
        gif.frames.push_back(testing::GifFrameDescription{
            0, 0, 4, 4, 10, 1, -1, false, {}, std::vector<std::uint8_t>(16, colour)});
    writeFileAtomically(root / "moving.gif", testing::encodeGif(gif));
    const ProcessResult run = felmo({"effect", "animation", (root / "moving.gif").string(),
                                     "export", (root / "frames").string()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    const Color colours[] = {rgb(20, 200, 20), rgb(200, 20, 20), rgb(20, 20, 200)};
    for (int k = 0; k < 12; ++k) {
        const Raster frame = exportedFrame(root / "frames", "startup", k);
        ASSERT_EQ(frame.width(), 176);
        ASSERT_EQ(frame.height(), 208);
        EXPECT_EQ(frame.pixel(0, 0), colours[k / 4]) << "frame " << k;
        EXPECT_EQ(frame.pixel(175, 207), colours[k / 4]) << "frame " << k;
    }
}

TEST_F(CliTest, SlideUpAndZoomInOnTheSplashPicture) {
    saveBmpFile(splitPicture(176, 416, 208, true, kRed, kBlue), root / "tall.bmp");
    Raster splash(176, 208, kRed);
    splash.setPixel(0, 0, kGreen);
    saveBmpFile(splash, root / "splash.bmp");

    const ProcessResult run =
        felmo({"effect", "slide-up", (root / "tall.bmp").string(), "export",
               (root / "slide").string(), "splash", (root / "splash.bmp").string(), "effect",
               "zoom-in", "export", (root / "zoom").string()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    // Tag 12: frame 0 shows the top half, frame 11 the bottom half.
    EXPECT_EQ(exportedFrame(root / "slide", "startup", 0).pixel(88, 207), kRed);
    EXPECT_EQ(exportedFrame(root / "slide", "startup", 11).pixel(88, 0), kBlue);

    // Drawing 0 is a 22 x 26 copy at (77, 91) on a field of the splash's corner colour.
    const Raster first = exportedFrame(root / "zoom", "startup", 0);
    EXPECT_EQ(first.pixel(76, 100), kGreen);
    EXPECT_EQ(first.pixel(99, 100), kGreen);
    EXPECT_EQ(first.pixel(88, 90), kGreen);
    EXPECT_EQ(first.pixel(77, 91), kGreen);  // the splash's own corner pixel, scaled
    EXPECT_EQ(first.pixel(78, 92), kRed);
    EXPECT_EQ(first.pixel(98, 116), kRed);
    EXPECT_EQ(first.pixel(88, 117), kGreen);
    const Raster last = exportedFrame(root / "zoom", "startup", 11);
    EXPECT_EQ(last.pixel(0, 0), kGreen);
    EXPECT_EQ(last.pixel(1, 0), kRed);
    // The splash screen itself is exported as loaded.
    EXPECT_EQ(exportedFrame(root / "zoom", "Splashscreen", 0).pixel(175, 207), kRed);
}

TEST_F(CliTest, BackgroundAndWelcomeLandInTheirFrames) {
    saveBmpFile(splitPicture(176, 200, 68, true, kGreen, kBlue), root / "wall.bmp");
    saveBmpFile(splitPicture(176, 208, 100, false, kRed, kBlue), root / "welcome.bmp");
    const ProcessResult run = felmo({"background", (root / "wall.bmp").string(), "welcome",
                                     (root / "welcome.bmp").string(), "strip", "15", "strip-colour",
                                     "1E90FF", "export", (root / "frames").string(), "build"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    for (int k = 1; k <= 4; ++k) {
        const Raster strip = exportedFrame(root / "frames", "EidPic", k);
        EXPECT_EQ(strip.height(), 68);
        EXPECT_EQ(strip.pixel(0, 0), kGreen);
        EXPECT_EQ(strip.pixel(175, 67), kGreen);
    }
    const Raster background = exportedFrame(root / "frames", "backgroundimage", 0);
    EXPECT_EQ(background.pixel(0, 0), kBlue);
    EXPECT_EQ(background.pixel(175, 131), kBlue);
    const Raster welcome = exportedFrame(root / "frames", "Welcomeimage", 0);
    EXPECT_EQ(welcome.pixel(99, 5), kRed);
    EXPECT_EQ(welcome.pixel(100, 5), kBlue);
    // The build packs the same pictures (24-bit depth keeps the colours exact).
    EXPECT_EQ(run.out, "Файлы графики созданы.\n");
}

// The files to share hold exactly the frames a build packs: the animation its twelve start-up
// frames (WebP pixel for pixel, GIF at 150 hundredths a cycle), the poster the four screens.
TEST_F(CliTest, ExportsToShareHoldTheFramesTheBuildPacks) {
    saveBmpFile(splitPicture(176, 208, 100, false, kRed, kBlue), root / "splash.bmp");
    saveBmpFile(splitPicture(176, 200, 68, true, kGreen, kBlue), root / "wall.bmp");
    const ProcessResult run =
        felmo({"splash", (root / "splash.bmp").string(), "background", (root / "wall.bmp").string(),
               "effect", "fade-in-white", "export-animation", (root / "theme.GIF").string(),
               "export-animation", (root / "theme.webp").string(), "export-poster",
               (root / "theme.png").string(), "export", (root / "frames").string()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_EQ(run.out, "");

    const testing::DecodedAnimation webp =
        testing::decodeWebpForTest(readWholeFile(root / "theme.webp"));
    ASSERT_EQ(testing::differenceFromPhoneAnimation(webp, testing::kStartupWebpDelays), "");
    for (int k = 0; k < 12; ++k) {
        const Raster frame = exportedFrame(root / "frames", "startup", k);
        for (int y = 0; y < 208; ++y)
            for (int x = 0; x < 176; ++x)
                ASSERT_EQ(webp.frames[k].pixel(x, y), frame.pixel(x, y)) << k;
    }

    const testing::DecodedAnimation gif =
        testing::decodeGifForTest(readWholeFile(root / "theme.GIF"));
    EXPECT_EQ(testing::differenceFromPhoneAnimation(gif, testing::kStartupGifDelays), "");

    // Four screens 8 pixels apart; the standby screen is the status area over the background.
    const Raster poster = testing::decodePngForTest(readWholeFile(root / "theme.png"));
    ASSERT_EQ(poster.width(), 744);
    ASSERT_EQ(poster.height(), 224);
    const auto showsAt = [&poster](const Raster& picture, int left, int top) {
        for (int y = 0; y < picture.height(); ++y)
            for (int x = 0; x < picture.width(); ++x)
                if (poster.pixel(left + x, top + y) != picture.pixel(x, y))
                    return false;
        return true;
    };
    EXPECT_TRUE(showsAt(exportedFrame(root / "frames", "EidPic", 1), 8, 8));
    EXPECT_TRUE(showsAt(exportedFrame(root / "frames", "backgroundimage", 0), 8, 76));
    EXPECT_TRUE(showsAt(exportedFrame(root / "frames", "Splashscreen", 0), 192, 8));
    EXPECT_TRUE(showsAt(exportedFrame(root / "frames", "startup", 11), 376, 8));
    EXPECT_TRUE(showsAt(exportedFrame(root / "frames", "Welcomeimage", 0), 560, 8));
}

TEST_F(CliTest, AnExportIntoAFolderThatCannotBeWrittenFailsByName) {
    for (const char* name : {"theme.gif", "theme.webp", "theme.png"}) {
        const fs::path file = root / "missing" / name;
        const ProcessResult run =
            felmo({std::string(name).ends_with(".png") ? "export-poster" : "export-animation",
                   file.string()});
        EXPECT_EQ(run.exitStatus, 1);
        EXPECT_NE(run.err.find("Cannot create file \"" + file.string() + "\""), std::string::npos)
            << run.err;
    }
    EXPECT_FALSE(fs::exists(root / "missing"));
}

TEST_F(CliTest, DepthTextsChooseTheStoredColourDepth) {
    const ProcessResult run =
        felmo({"depth", "startup=24", "status=8", "splash=12", "welcome=16", "build"});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    auto depthOf = [&](const char* name) {
        const std::vector<std::uint8_t> bytes = readWholeFile(output() / name);
        return readMbmDirectory(bytes).at(0).mode.bitsPerPixel;
    };
    EXPECT_EQ(depthOf("startup.mbm"), 24);
    EXPECT_EQ(depthOf("EidPic.mbm"), 8);
    EXPECT_EQ(depthOf("backgroundimage.mbm"), 8);
    EXPECT_EQ(depthOf("Splashscreen.mbm"), 12);
    EXPECT_EQ(depthOf("Welcomeimage.mbm"), 16);
}

// The overlay picture of the overlay runs: white, its top-left pixel (the background colour) and
// one more pixel of that colour, and one magenta pixel.
constexpr Color kOverlayBackground = 0x00302010;
Raster overlayPicture() {
    Raster overlay(176, 68, colors::white);
    overlay.setPixel(0, 0, kOverlayBackground);
    overlay.setPixel(90, 45, kOverlayBackground);
    overlay.setPixel(100, 45, colors::magenta);
    return overlay;
}

std::uint8_t blendedWithWhite(int channel, int opacity) {
    return static_cast<std::uint8_t>(((255 - opacity) * channel + opacity * 255) / 255);
}

TEST_F(CliTest, AnOverlayIsComposedIntoTheEidPicFramesOneToFour) {
    saveBmpFile(overlayPicture(), root / "overlay.bmp");
    const ProcessResult run =
        felmo({"export", (root / "bare").string(), "overlay", (root / "overlay.bmp").string(),
               "export", (root / "frames").string()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;

    const Raster base = loadBmpFile(root / "bare" / "EidPic" / "4.bmp");
    // The default settings: opacity 200 in columns 40..150, rows 30..60, falling by 151 per
    // column beyond the sides and by 20 per row above and below; the rectangle's corners are
    // blended twice.
    Raster expected = base;
    for (int y = 0; y < 68; ++y)
        for (int x = 0; x < 176; ++x) {
            if ((x == 90 || x == 100) && y == 45)
                continue;
            const int dx = x < 40 ? 40 - x : x > 150 ? x - 150 : 0;
            const int dy = y < 30 ? 30 - y : y > 60 ? y - 60 : 0;
            const int opacity = 200 - 151 * dx - 20 * dy;
            if (opacity <= 0)
                continue;
            const int times = (y == 30 || y == 60) && (x == 40 || x == 150) ? 2 : 1;
            Color c = base.pixel(x, y);
            for (int t = 0; t < times; ++t)
                c = rgb(blendedWithWhite(redOf(c), opacity), blendedWithWhite(greenOf(c), opacity),
                        blendedWithWhite(blueOf(c), opacity));
            expected.setPixel(x, y, c);
        }
    for (int k = 1; k <= 4; ++k) {
        const Raster frame = loadBmpFile(root / "frames" / "EidPic" / (std::to_string(k) + ".bmp"));
        ASSERT_EQ(frame.width(), 176);
        ASSERT_EQ(frame.height(), 68);
        for (int y = 0; y < 68; ++y)
            for (int x = 0; x < 176; ++x)
                ASSERT_EQ(frame.pixel(x, y), expected.pixel(x, y))
                    << "frame " << k << ", column " << x << ", row " << y;
    }
    // Opening the overlay does not store anything: only the window's close does.
    EXPECT_EQ(readText(settings()).find("TrackBarAlpha"), std::string::npos);
}

TEST_F(CliTest, OverlaySetStoresItsValuesAndTheNextRunReadsThemBack) {
    saveBmpFile(overlayPicture(), root / "overlay.bmp");
    const ProcessResult first =
        felmo({"export", (root / "bare").string(), "overlay", (root / "overlay.bmp").string(),
               "overlay-set", "alpha=255", "up=37", "down=33", "left=36", "right=34",
               "region=10,20,5,15", "keep-background=1", "export", (root / "first").string()});
    ASSERT_EQ(first.exitStatus, 0) << first.err;
    const std::string ini = readText(settings());
    EXPECT_NE(ini.find("TrackBarU=37\nTrackBarD=33\nTrackBarL=36\nTrackBarR=34\n"
                       "TrackBarAlpha=255\nAlphaPicX1=10\nAlphaPicX2=20\nAlphaPicY1=5\n"
                       "AlphaPicY2=15\nDeduceBackground=1\n"),
              std::string::npos)
        << ini;

    // Full opacity and hard edges: the rectangle shows the overlay exactly, the rest the base.
    const Raster base = loadBmpFile(root / "bare" / "EidPic" / "4.bmp");
    const Raster composed = loadBmpFile(root / "first" / "EidPic" / "1.bmp");
    for (int y = 0; y < 68; ++y)
        for (int x = 0; x < 176; ++x) {
            const bool inside = x >= 10 && x <= 20 && y >= 5 && y <= 15;
            ASSERT_EQ(composed.pixel(x, y), inside ? colors::white : base.pixel(x, y))
                << x << "," << y;
        }

    // The stored region (start-up) and controls (the window's activation) come back.
    const ProcessResult second =
        felmo({"overlay", (root / "overlay.bmp").string(), "export", (root / "second").string()});
    ASSERT_EQ(second.exitStatus, 0) << second.err;
    EXPECT_EQ(readWholeFile(root / "second" / "EidPic" / "1.bmp"),
              readWholeFile(root / "first" / "EidPic" / "1.bmp"));
}

TEST_F(CliTest, AFailedCommandStopsTheRunAndNamesTheFile) {
    const ProcessResult run =
        felmo({"welcome", (root / "missing.bmp").string(), "export", (root / "frames").string()});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("missing.bmp"), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(root / "frames"));
    EXPECT_TRUE(fs::is_empty(workTreeRoot()));
}

TEST_F(CliTest, UsageErrorsExitWithTwoAndTouchNothing) {
    const std::vector<std::vector<std::string>> mistakes = {
        {"bogus"},
        {"background"},
        {"strip", "16"},
        {"strip", "-1"},
        {"strip", "7x"},
        {"strip-colour", "12345"},
        {"strip-colour", "GG0000"},
        {"depth"},
        {"depth", "foo=16"},
        {"depth", "startup="},
        // A depth text is one converter option, nothing more.
        {"depth", "startup=16/some/other.bmp -c16", "build"},
        {"depth", "startup=7"},
        {"depth", "status=abc"},
        {"depth", "splash=08"},
        {"depth", "splash=016"},
        {"depth", "welcome=+16"},
        {"depth", "welcome= 16"},
        {"depth", "welcome=16 "},
        {"depth", "startup=\"16\""},
        {"depth", "startup=16\r\n-c16/etc/passwd"},
        {"effect"},
        {"effect", "nope"},
        {"effect", "slide-right"},
        {"overlay-set", "colour=1"},
        {"overlay-set"},
        {"overlay-set", "alpha=256"},
        {"overlay-set", "up=38"},
        {"overlay-set", "left=-1"},
        {"overlay-set", "right=x"},
        {"overlay-set", "region=1,2,3"},
        {"overlay-set", "region=1,2,3,4,5"},
        {"overlay-set", "region=50,40,0,10"},
        {"overlay-set", "region=0,177,0,10"},
        {"overlay-set", "region=0,10,-1,10"},
        {"overlay-set", "keep-background=2"},
        {"overlay-set", "alpha=1", "alpha=2"},
        {"overlay"},
        {"export"},
        {"export-animation"},
        {"export-animation", "theme.png"},
        {"export-animation", ".gif"},
        {"export-poster"},
        {"export-poster", "theme.gif"},
        {"build", "--output", "x"},
        {"--frob"},
        {"--list", "build"},
    };
    for (const std::vector<std::string>& arguments : mistakes) {
        const ProcessResult run = felmo(arguments);
        std::string shown;
        for (const std::string& a : arguments)
            shown += a + " ";
        EXPECT_EQ(run.exitStatus, 2) << shown << run.err;
        EXPECT_NE(run.err.find("felmo-cli: "), std::string::npos) << shown;
        EXPECT_NE(run.err.find("--help"), std::string::npos) << shown;
        EXPECT_EQ(run.out, "") << shown;
    }
    EXPECT_FALSE(fs::exists(settings()));
    EXPECT_TRUE(fs::is_empty(workTreeRoot()));
    EXPECT_EQ(runBare({"--output"}).exitStatus, 2);
    EXPECT_EQ(runBare({"--settings", settings().string(), "--settings", "x"}).exitStatus, 2);
}

TEST_F(CliTest, ATmpdirWithBlanksOrADoubleSlashStillBuilds) {
#ifdef _WIN32
    GTEST_SKIP() << "TMPDIR names the temporary folder on POSIX only";
#endif
    const std::string tmpdirs[] = {(root / "tmp with blanks").string(),
                                   "/" + (root / "tmp").string(), "tmp/../tmp"};
    for (const std::string& tmpdir : tmpdirs) {
        fs::create_directories(root / "tmp with blanks");
        fs::remove_all(output());
        ProcessOptions options;
        options.environment["TMPDIR"] = tmpdir;
        options.workingDirectory = root;
        const ProcessResult run = runProcess(
            kFelmoCli, {"--settings", settings().string(), "--output", output().string(), "build"},
            options);
        EXPECT_EQ(run.exitStatus, 0) << tmpdir << ": " << run.err;
        EXPECT_TRUE(fs::exists(output() / "startup.mbm")) << tmpdir;
    }
}

TEST_F(CliTest, ATmpdirACommandFileCannotCarryIsRefusedByName) {
#ifdef _WIN32
    GTEST_SKIP() << "TMPDIR names the temporary folder on POSIX only";
#endif
    const fs::path quoted = root / "say \"hi\"";
    fs::create_directories(quoted);
    ProcessOptions options;
    options.environment["TMPDIR"] = quoted.string();
    options.workingDirectory = root;
    const ProcessResult run = runProcess(
        kFelmoCli, {"--settings", settings().string(), "--output", output().string(), "build"},
        options);
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("say \"hi\""), std::string::npos) << run.err;
    EXPECT_TRUE(fs::is_empty(quoted));
    EXPECT_FALSE(fs::exists(output()));
}

TEST_F(CliTest, ASecondRunOnTheSameProgramDirectoryIsRefused) {
    // Another FELMO holds the program directory (a different TMPDIR would not help it).
    const ProgramDirectoryLock other((root / "program").string() + "/");
    const ProcessResult run = felmo({"build"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find(std::string(alreadyRunningMessage())), std::string::npos) << run.err;
    EXPECT_FALSE(fs::exists(output() / "startup.mbm"));
    EXPECT_FALSE(fs::exists(root / "program" / "PackUnpack.txt"));
}

TEST_F(CliTest, TheCoreSpeaksEnglishWhenAsked) {
    if (!kSpeaksEnglish)
        GTEST_SKIP() << "built without translations";
    const ProgramDirectoryLock other((root / "program").string() + "/");
    const ProcessResult run = runBare({"--language", "en", "--settings", settings().string(),
                                       "--output", output().string(), "build"});
    EXPECT_EQ(run.exitStatus, 1);
    EXPECT_NE(run.err.find("FELMO is already running. The program folder "), std::string::npos)
        << run.err;
    EXPECT_EQ(run.err.find("Программа"), std::string::npos) << run.err;
}

TEST_F(CliTest, AUserMbmThatCannotBeAPhoneGraphicIsPassedOverByName) {
    // A sub-folder's file would win; this one is far too wide, so the root one stays.
    packMbm(output() / "startup.mbm", plainAnimation(kRed));
    const Raster wide(2048, 16, kBlue);
    packMbm(output() / "zz" / "startup.mbm", std::vector<Raster>(12, wide));
    const ProcessResult run = felmo({"export", (root / "frames").string()});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find((output() / "zz" / "startup.mbm").string()), std::string::npos)
        << run.err;
    EXPECT_NE(run.err.find("2048 x 16"), std::string::npos) << run.err;
    EXPECT_EQ(exportedFrame(root / "frames", "startup", 5).pixel(3, 3), kRed);
}

TEST_F(CliTest, EndedBySigtermItRemovesItsWorkTreeAsANormalEndDoes) {
#ifdef _WIN32
    GTEST_SKIP() << "SIGTERM and shell-script converters are POSIX only";
#endif
    // The converter asks its parent, felmo-cli, to end, as a user's kill would.
    const fs::path program = lonelyCopy("#!/bin/sh\nkill -TERM $PPID\nsleep 1\nexit 1\n");
    const ProcessResult run = felmo({"build"}, program);
    EXPECT_EQ(run.exitStatus, 128 + SIGTERM) << run.err;
    EXPECT_NE(run.err.find("сигналом 15"), std::string::npos) << run.err;
    EXPECT_TRUE(fs::is_empty(workTreeRoot()));
    EXPECT_FALSE(fs::exists(output() / "startup.mbm"));
}

// A red splash picture, so that a build has something new to deliver.
fs::path redSplash(const fs::path& root) {
    const fs::path picture = root / "red.bmp";
    saveBmpFile(Raster(176, 208, kRed), picture);
    return picture;
}

// Every file of a folder with its bytes, to show that a run left the folder as it was.
std::map<std::string, std::string> folderContents(const fs::path& folder) {
    std::map<std::string, std::string> contents;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder))
        contents[entry.path().filename().string()] = readText(entry.path());
    return contents;
}

TEST_F(CliTest, ABuildPastItsDeadlineIsStoppedAndTheOutputFolderKeepsItsFiles) {
#ifdef _WIN32
    GTEST_SKIP() << "a shell script cannot stand in for the converter on Windows";
#endif
    ASSERT_EQ(felmo({"build"}).exitStatus, 0);  // five files of an earlier build
    writeText(output() / "notes.txt", "the user's notes");
    const std::map<std::string, std::string> before = folderContents(output());
    // The real converter unpacks; packing never ends.
    const std::string script =
        "#!/bin/sh\n"
        "if grep -q -- ' -u ' PackUnpack.txt; then\n"
        "  exec '" +
        kBmconvProgram.string() +
        "' \"$@\"\n"
        "fi\n"
        "exec sleep 600\n";
    const fs::path program = lonelyCopy(script);

    const ProcessResult run = felmo({"splash", redSplash(root).string(), "build"}, program,
                                    {{"FELMO_TIME_LIMIT_MS", "5000"}});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_NE(run.err.find("build: Создание графики остановлено: прошло больше 5 с (упаковка "
                           "startup). Файлы в папке вывода не изменены."),
              std::string::npos)
        << run.err;
    EXPECT_EQ(folderContents(output()), before);
    EXPECT_TRUE(fs::is_empty(workTreeRoot()));
    EXPECT_EQ(run.out, "");
}

TEST_F(CliTest, AUserMbmWhoseFramesWouldPassALoweredCeilingIsPassedOverByName) {
    // A small file whose frames take 8.6 MB: more than 8 MB leaves beside the defaults.
    packMbm(output() / "startup.mbm", std::vector<Raster>(12, Raster(600, 400, kBlue)));
    const ProcessResult run = felmo({"export", (root / "frames").string()}, kFelmoCli,
                                    {{"FELMO_WORK_TREE_LIMIT_BYTES", "8000000"}});
    ASSERT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.err.find("запуск: Файл " + (output() / "startup.mbm").string() + " пропущен"),
              std::string::npos)
        << run.err;
    EXPECT_NE(exportedFrame(root / "frames", "startup", 5).pixel(3, 3), kBlue);
    EXPECT_EQ(exportedFrame(root / "frames", "startup", 5).width(), 176);
}

// The ceiling lowered so that the start-up, or only the build, passes it.
struct CeilingCase {
    const char* limitBytes;
    const char* message;
};

class WorkTreeCeiling : public CliTest, public ::testing::WithParamInterface<CeilingCase> {};

TEST_P(WorkTreeCeiling, StopsTheRunWithItsMessageAndTheOutputFolderKeepsItsFiles) {
    ASSERT_EQ(felmo({"build"}).exitStatus, 0);
    writeText(output() / "notes.txt", "the user's notes");
    const std::map<std::string, std::string> before = folderContents(output());
    const ProcessResult run = felmo({"splash", redSplash(root).string(), "build"}, kFelmoCli,
                                    {{"FELMO_WORK_TREE_LIMIT_BYTES", GetParam().limitBytes}});
    EXPECT_EQ(run.exitStatus, 1) << run.err;
    EXPECT_NE(run.err.find(GetParam().message), std::string::npos) << run.err;
    EXPECT_EQ(folderContents(output()), before);
    EXPECT_TRUE(fs::is_empty(workTreeRoot()));
    EXPECT_EQ(run.out, "");
}

// The start-up's frames take about 1.7 MB; the build adds its stills and then each .mbm file.
INSTANTIATE_TEST_SUITE_P(
    Limits, WorkTreeCeiling,
    ::testing::Values(CeilingCase{"1000000",
                                  "запуск: Запуск остановлен: во временной папке было бы больше 1 "
                                  "МБ (распаковка startup: "},
                      CeilingCase{"2500000",
                                  "build: Создание графики остановлено: во временной папке было бы "
                                  "больше 2.5 МБ (упаковка startup: "}));

TEST_F(CliTest, HelpListAndVersion) {
    const ProcessResult russianHelp = runBare({"--help", "--language=ru"});
    EXPECT_EQ(russianHelp.out.rfind("Использование: felmo-cli", 0), 0u) << russianHelp.out;
    EXPECT_NE(russianHelp.out.find("4, 8, 12, 16, 24 или 32"), std::string::npos);

    const ProcessResult list = runBare({"--language", "ru", "--list"});
    EXPECT_EQ(list.exitStatus, 0);
    EXPECT_NE(list.out.find("slide-right КАРТИНКА"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Анимация → Движение → Слева направо  (тег 9)\n"), std::string::npos)
        << list.out;
    EXPECT_NE(list.out.find("Бинокль → Отдалить → Центр  (тег 66)\n"), std::string::npos);
    // Names and menu paths line up in columns whatever the letters' width in bytes.
    EXPECT_NE(list.out.find("\nzoom-in                            Анимация"), std::string::npos)
        << list.out;

    const ProcessResult version = runBare({"--version"});
    EXPECT_EQ(version.exitStatus, 0);
    EXPECT_EQ(version.out.rfind("felmo-cli ", 0), 0u);
    EXPECT_TRUE(fs::is_empty(workTreeRoot()));
}

TEST_F(CliTest, HelpAndListInEnglish) {
    if (!kSpeaksEnglish)
        GTEST_SKIP() << "built without translations";
    const ProcessResult help = runBare({"--language", "en", "--help"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.out.rfind("Usage: felmo-cli", 0), 0u) << help.out;
    EXPECT_NE(help.out.find("Exit status"), std::string::npos);
    EXPECT_NE(help.out.find("4, 8, 12, 16, 24 or 32"), std::string::npos) << help.out;
    const ProcessResult list = runBare({"--language", "en", "--list"});
    EXPECT_NE(list.out.find("binocular-out-centre PIC"), std::string::npos);
    EXPECT_NE(list.out.find("Effects → Binoculars → Zoom Out → Centre  (tag 66)\n"),
              std::string::npos)
        << list.out;
}

// Which language a run speaks: --language over the Language setting of its settings file over
// the desktop's locale; the first line of --help, or of a usage mistake, tells.
struct LanguageCase {
    const char* name;
    std::map<std::string, std::string> desktop;
    const char* storedSetting;  // nullptr: no settings file
    const char* option;         // nullptr: no --language
    bool russian;
};

class CliLanguage : public CliTest, public ::testing::WithParamInterface<LanguageCase> {};

TEST_P(CliLanguage, OptionOverSettingOverDesktop) {
    const LanguageCase& given = GetParam();
    if (given.storedSetting)
        writeText(settings(), std::string("[FELMO]\r\nLanguage=") + given.storedSetting + "\r\n");
    std::map<std::string, std::string> environment = {
        {"LANGUAGE", ""}, {"LC_ALL", ""}, {"LC_MESSAGES", ""}, {"LANG", ""}};
    for (const auto& [name, value] : given.desktop)
        environment[name] = value;
    std::vector<std::string> arguments = {"--settings", settings().string()};
    if (given.option)
        arguments.insert(arguments.begin(), {"--language", given.option});
    arguments.push_back("--help");
    const ProcessResult help = runBare(arguments, kFelmoCli, environment);
    // --help stands alone: with --settings it is a usage mistake, told in the run's language.
    EXPECT_EQ(help.exitStatus, 2);
    const std::string expected = given.russian || !kSpeaksEnglish
                                     ? "felmo-cli: --help не принимает других аргументов\n"
                                       "Подробнее: felmo-cli --help\n"
                                     : "felmo-cli: --help takes no other arguments\n"
                                       "Try 'felmo-cli --help' for more information.\n";
    EXPECT_EQ(help.err, expected);
    EXPECT_EQ(fs::exists(settings()), given.storedSetting != nullptr);  // nothing was written
}

INSTANTIATE_TEST_SUITE_P(
    Choices, CliLanguage,
    ::testing::Values(
        LanguageCase{"NoLocale", {}, nullptr, nullptr, false},
        LanguageCase{"CLocale", {{"LANG", "C"}}, nullptr, nullptr, false},
        LanguageCase{"EnglishDesktop", {{"LANG", "en_US.UTF-8"}}, nullptr, nullptr, false},
        LanguageCase{"RussianDesktop", {{"LANG", "ru_RU.UTF-8"}}, nullptr, nullptr, true},
        LanguageCase{
            "LanguageListOverC", {{"LANGUAGE", "ru:en"}, {"LANG", "C"}}, nullptr, nullptr, true},
        LanguageCase{"AutoFollowsTheDesktop", {{"LANG", "ru_RU.UTF-8"}}, "auto", nullptr, true},
        LanguageCase{"SettingOverRussianDesktop", {{"LANG", "ru_RU.UTF-8"}}, "en", nullptr, false},
        LanguageCase{"SettingOverEnglishDesktop", {{"LANG", "en_GB.UTF-8"}}, "ru", nullptr, true},
        LanguageCase{"OptionOverSetting", {{"LANG", "ru_RU.UTF-8"}}, "ru", "en", false},
        LanguageCase{"OptionOverDesktop", {}, nullptr, "ru", true}),
    [](const ::testing::TestParamInfo<LanguageCase>& testCase) {
        return std::string(testCase.param.name);
    });

TEST_F(CliTest, AFileNameInAUsageMistakeReachesTheTerminalEscaped) {
    for (const char* command : {"export-animation", "export-poster"}) {
        const ProcessResult run = felmo({command, "x\x1b[2Jy.bmp"});
        EXPECT_EQ(run.exitStatus, 2) << command;
        EXPECT_NE(run.err.find("«x\\x1b[2Jy.bmp»"), std::string::npos) << run.err;
        EXPECT_EQ(run.err.find('\x1b'), std::string::npos) << command;
    }
}

TEST_F(CliTest, AWrongLanguageIsAUsageMistake) {
    if (!kSpeaksEnglish)
        GTEST_SKIP() << "built without translations";
    const ProcessResult run = runBare({"--language", "de", "build"}, kFelmoCli,
                                      {{"LANGUAGE", ""}, {"LC_ALL", ""}, {"LANG", "C"}});
    EXPECT_EQ(run.exitStatus, 2);
    EXPECT_EQ(run.err.rfind("felmo-cli: --language takes ru or en, not 'de'\n", 0), 0u) << run.err;
    EXPECT_EQ(runBare({"--language", "en", "--language", "ru", "--list"}).exitStatus, 2);
    EXPECT_EQ(runBare({"--language=en", "--version"}).exitStatus, 0);
}

TEST_F(CliTest, TwoRunsWithTheirOwnTmpdirAndSettingsRunSideBySide) {
    // Same user, same executable: the work trees differ by TMPDIR, the command files by the
    // settings file's folder.
    ProcessOptions first;
    first.environment["TMPDIR"] = (root / "tmp").string();
    ProcessOptions second;
    fs::create_directories(root / "tmp2");
    fs::create_directories(root / "program2");
    second.environment["TMPDIR"] = (root / "tmp2").string();
#ifdef _WIN32
    first.environment["TMP"] = first.environment["TEMP"] = (root / "tmp").string();
    second.environment["TMP"] = second.environment["TEMP"] = (root / "tmp2").string();
#endif
    auto runA = std::async(std::launch::async, [&] {
        return runProcess(kFelmoCli,
                          {"--settings", settings().string(), "--output", (root / "out1").string()},
                          first);
    });
    auto runB = std::async(std::launch::async, [&] {
        return runProcess(kFelmoCli,
                          {"--settings", (root / "program2" / "Settings.ini").string(), "--output",
                           (root / "out2").string()},
                          second);
    });
    const ProcessResult a = runA.get();
    const ProcessResult b = runB.get();
    EXPECT_EQ(a.exitStatus, 0) << a.err;
    EXPECT_EQ(b.exitStatus, 0) << b.err;
    EXPECT_EQ(readText(root / "out1" / "EidPic.mbm"), readText(root / "out2" / "EidPic.mbm"));
}

}  // namespace
}  // namespace felmo
