// The application model driven as a front end drives it, with an in-process converter (and once
// with the real bmconv): start-up, the previews it fills, the build and its delivery, the bit-depth
// boxes, the refusals, and the failures that must stop cleanly.
#include "studio/studio.hpp"

#include <gtest/gtest.h>

#include <cstdlib>

#include "base/error.hpp"
#include "platform/file_io.hpp"
#include "platform/places.hpp"
#include "raster/bmp.hpp"
#include "studio/front_end.hpp"
#include "support/fake_clock.hpp"
#include "support/fake_converter.hpp"
#include "support/reference_decoders.hpp"
#include "support/scoped_environment.hpp"
#include "support/system_forms.hpp"
#include "support/temporary_folder.hpp"
#include "support/text_files.hpp"
#include "workspace/slot_table.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;
using testing::depthOption;
using testing::FakeConverter;
using testing::fakeFrameColour;
using testing::kUnpackOption;
using testing::pathIn;
using testing::readText;
using testing::writeText;
using Run = FakeConverter::Run;

class RecordingFrontEnd : public FrontEnd {
  public:
    std::optional<fs::path> picture;
    std::optional<Color> colour;
    std::vector<std::string> notices;
    std::vector<fs::path> openedFolders;

    std::optional<fs::path> choosePicture() override { return picture; }
    std::optional<Color> chooseColour(Color) override { return colour; }
    void showNotice(const std::string& text) override { notices.push_back(text); }
    void openFolder(const fs::path& folder) override { openedFolders.push_back(folder); }
};

// The value of `key` in the settings text `ini`; "" when the key is not there.
std::string iniValue(const std::string& ini, const std::string& key) {
    const std::size_t start = ini.find("\n" + key + "=");
    if (start == std::string::npos)
        return "";
    const std::size_t value = start + key.size() + 2;
    return ini.substr(value, ini.find('\n', value) - value);
}

Color pixelOf(const Image& image, int x, int y) {
    return image.picture() ? image.picture()->pixel(x, y) : colors::outside;
}

class StudioTest : public ::testing::Test {
  protected:
    void SetUp() override {
        fs::create_directories(root / "tmp");
        fs::create_directories(root / "program");
        testing::setTemporaryFolder(environment, root / "tmp");
        config.executablePath = root / "program" / "felmo";
        config.settingsFile = root / "program" / "Settings.ini";
        config.outputFolder = root / "out";
        config.converterLauncher = &converter;
        converter.output = FakeConverter::Output::Pictures;
    }
    void TearDown() override { studio.reset(); }

    Studio& make() {
        studio = std::make_unique<Studio>(frontEnd, config);
        return *studio;
    }
    Studio& startUp() {
        Studio& s = make();
        s.FormCreate();
        s.FormActivate();
        s.build().runToEnd(std::chrono::seconds(10));
        return s;
    }
    fs::path workDir() const { return testing::workTreeIn(root / "tmp"); }
    fs::path commandFile() const { return root / "program" / "PackUnpack.txt"; }

    testing::TemporaryFolder folder{"studio-test"};
    testing::ScopedEnvironment environment;
    const fs::path root = folder.path();
    FakeConverter converter;
    RecordingFrontEnd frontEnd;
    StudioConfig config;
    std::unique_ptr<Studio> studio;
};

TEST_F(StudioTest, StartUpUnpacksTheFiveSlotsAndFillsThePreviews) {
    Studio& s = startUp();

    ASSERT_EQ(converter.launches(), 5);
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const std::vector<std::string> lines = converter.commandLines(slot);
        EXPECT_EQ(lines[0], std::string(kUnpackOption) +
                                pathIn(workDir(), {std::string(slotAt(slot).name) + ".mbm"}));
        EXPECT_EQ(static_cast<int>(lines.size()), slotAt(slot).frameCount + 1);
        EXPECT_FALSE(fs::exists(workDir() / (std::string(slotAt(slot).name) + ".mbm")));
    }
    EXPECT_FALSE(fs::exists(commandFile()));
    EXPECT_FALSE(s.build().running());
    EXPECT_FALSE(s.build().timerStartEnabled());
    EXPECT_TRUE(s.document().preview.timer2Enabled());
    EXPECT_TRUE(s.canCreate());
    // The first frame is shown at once; the loop still starts at frame 0.
    EXPECT_EQ(pixelOf(s.document().StartUpPicture, 3, 3), fakeFrameColour(kStartupSlot, 0));
    EXPECT_EQ(s.document().preview.PreviewFrame, 0);

    const Color statusArea = fakeFrameColour(kEidPicSlot, 4);
    for (const Image* image :
         {&s.document().stills.EidPicPicture, &s.document().stills.EidPicPicture0,
          &s.document().stills.EidPicPicture1, &s.document().stills.EidPicPictureAlpha}) {
        EXPECT_EQ(pixelOf(*image, 0, 0), statusArea);
        EXPECT_EQ(pixelOf(*image, 175, 67), statusArea);
    }
    // The 12-row strips show the top of the status area, unscaled.
    EXPECT_EQ(pixelOf(s.document().stills.StartUpEidPicPicture, 175, 11), statusArea);
    EXPECT_EQ(s.document().stills.StartUpEidPicPicture.picture()->height(), 12);
    EXPECT_EQ(pixelOf(s.document().stills.WelcomeimageEidPicPicture, 0, 0), statusArea);
    EXPECT_EQ(pixelOf(s.document().stills.BackgroundPicture, 10, 131),
              fakeFrameColour(kBackgroundimageSlot, 0));
    EXPECT_EQ(pixelOf(s.document().stills.SplashEidPic, 5, 5), fakeFrameColour(kEidPicSlot, 0));
    EXPECT_EQ(pixelOf(s.document().stills.SplashscreenPicture, 88, 100),
              fakeFrameColour(kSplashscreenSlot, 0));
    EXPECT_EQ(pixelOf(s.document().stills.WelcomeimagePicture, 88, 100),
              fakeFrameColour(kWelcomeimageSlot, 0));
    // DrawDownLine ran: the strip takes the background's bottom-left colour.
    const Color strip = fakeFrameColour(kBackgroundimageSlot, 0);
    EXPECT_EQ(s.document().strip.StripColour, strip);
    EXPECT_EQ(pixelOf(s.document().stills.LinesPicture, 0, 0), strip);
    EXPECT_EQ(s.document().strip.redLabel, "R = " + std::to_string(redOf(strip)));
    EXPECT_EQ(s.document().strip.blueLabel, "B = " + std::to_string(blueOf(strip)));
}

TEST_F(StudioTest, TheStartUpSequenceRunsOncePerProgramRun) {
    Studio& s = startUp();
    s.FormActivate();
    s.FormActivate();
    EXPECT_EQ(converter.launches(), 5);
    EXPECT_FALSE(s.build().running());
}

TEST_F(StudioTest, PreviewTicksShowTheFramesInALoop) {
    Studio& s = startUp();
    for (int k = 0; k < 13; ++k) {
        EXPECT_EQ(s.document().preview.PreviewFrame, k % 12);
        s.Timer2Timer();
        EXPECT_EQ(pixelOf(s.document().StartUpPicture, 3, 3),
                  fakeFrameColour(kStartupSlot, k % 12));
    }
}

TEST_F(StudioTest, BuildDeliversTheFiveFilesThenShowsTheNoticeAndOpensTheFolder) {
    Studio& s = startUp();
    s.session().setOpenFolderWithDrawing(true);
    fs::create_directories(root / "out");
    writeText(root / "out" / "keep.txt", "mine");
    writeText(root / "out" / "startup.mbm", "old");

    s.N7Click();
    EXPECT_TRUE(s.build().running());
    EXPECT_FALSE(s.canCreate());
    s.build().runToEnd(std::chrono::seconds(10));

    EXPECT_EQ(converter.launches(), 10);
    for (const MbmSlot& slot : kSlotTable) {
        const fs::path delivered = root / "out" / (std::string(slot.name) + ".mbm");
        ASSERT_TRUE(fs::exists(delivered)) << delivered;
        // The stand-in file names the built file and the frames it was made from.
        EXPECT_EQ(readText(delivered).substr(0, readText(delivered).find('\n')),
                  pathIn(workDir(), {"NewMbmFiles", std::string(slot.name) + ".mbm"}));
    }
    EXPECT_EQ(readText(root / "out" / "keep.txt"), "mine");
    EXPECT_TRUE(fs::is_empty(workDir() / "NewMbmFiles"));
    EXPECT_FALSE(fs::exists(commandFile()));
    EXPECT_EQ(frontEnd.notices, std::vector<std::string>{"Файлы графики созданы."});
    EXPECT_EQ(frontEnd.openedFolders, std::vector<fs::path>{root / "out"});
    EXPECT_TRUE(s.canCreate());
}

TEST_F(StudioTest, CreateWritesTheFourStatusAreaFramesByteIdentical) {
    Studio& s = startUp();
    converter.plan = {Run::Hang};
    s.N7Click();

    const std::string first = readText(workDir() / "EidPic" / "1.bmp");
    EXPECT_EQ(first.size(), 54u + 176u * 3u * 68u);
    for (int k = 2; k <= 4; ++k)
        EXPECT_EQ(readText(workDir() / "EidPic" / (std::to_string(k) + ".bmp")), first);
    const std::vector<std::uint8_t> expected =
        encodeBmp(*s.document().stills.EidPicPicture1.picture());
    EXPECT_EQ(first, std::string(expected.begin(), expected.end()));
    // The other stills are saved as their frames too.
    EXPECT_EQ(loadBmpFile(workDir() / "Splashscreen" / "0.bmp").pixel(0, 0),
              fakeFrameColour(kSplashscreenSlot, 0));
    EXPECT_EQ(loadBmpFile(workDir() / "EidPic" / "0.bmp").height(), 12);
}

TEST_F(StudioTest, DepthBoxTextsReachTheCommandFilesVerbatim) {
    Studio& s = startUp();
    EXPECT_EQ(s.build().depthText(DepthBox::SplashscreenPictureBit), "16");
    s.build().setDepthText(DepthBox::StartUpPictureBit, "32");
    s.build().setDepthText(DepthBox::BackgroundPictureBit, "8");
    s.build().setDepthText(DepthBox::WelcomeimagePictureBit, "12");
    s.N7Click();
    s.build().runToEnd(std::chrono::seconds(10));

    const std::array<std::string, kSlotCount> expected = {"32", "8", "8", "16", "12"};
    for (int slot = 0; slot < kSlotCount; ++slot) {
        const std::vector<std::string> lines = converter.commandLines(5 + slot);
        const MbmSlot& mbm = slotAt(slot);
        ASSERT_EQ(static_cast<int>(lines.size()), mbm.frameCount + 1);
        EXPECT_EQ(lines[0], pathIn(workDir(), {"NewMbmFiles", std::string(mbm.name) + ".mbm"}));
        for (int k = 0; k <= mbm.lastFrameIndex; ++k)
            EXPECT_EQ(lines[1 + k], depthOption(expected[slot]) +
                                        pathIn(workDir(), {mbm.name, std::to_string(k) + ".bmp"}));
    }
}

// The exports to share show what a build packs now: the composed status area over the
// background, the splash screen, the last start-up frame and the welcome image; the twelve frames
// in their order. Before the work tree exists there is nothing to show.
TEST_F(StudioTest, ExportsToShareShowTheFramesABuildPacks) {
    Studio& before = make();
    before.FormCreate();
    EXPECT_THROW(before.build().exportPoster(root / "early.png"), Error);
    EXPECT_THROW(before.build().exportAnimation(root / "early.gif"), Error);
    EXPECT_FALSE(fs::exists(root / "early.png"));
    studio.reset();

    Studio& s = startUp();
    s.build().exportPoster(root / "theme.png");
    const Raster poster = testing::decodePngForTest(readWholeFile(root / "theme.png"));
    ASSERT_EQ(poster.width(), 8 + 4 * (176 + 8));
    const int screenLeft[] = {8, 192, 376, 560};
    EXPECT_EQ(poster.pixel(screenLeft[0], 8 + 67), fakeFrameColour(kEidPicSlot, 4));
    EXPECT_EQ(poster.pixel(screenLeft[0], 8 + 68), fakeFrameColour(kBackgroundimageSlot, 0));
    EXPECT_EQ(poster.pixel(screenLeft[1] + 175, 8 + 207), fakeFrameColour(kSplashscreenSlot, 0));
    EXPECT_EQ(poster.pixel(screenLeft[2], 8), fakeFrameColour(kStartupSlot, 11));
    EXPECT_EQ(poster.pixel(screenLeft[3], 8), fakeFrameColour(kWelcomeimageSlot, 0));

    s.build().exportAnimation(root / "theme.webp");
    const testing::DecodedAnimation webp =
        testing::decodeWebpForTest(readWholeFile(root / "theme.webp"));
    ASSERT_EQ(webp.frames.size(), 12u);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(webp.frames[k].pixel(88, 104), fakeFrameColour(kStartupSlot, k)) << k;
}

TEST_F(StudioTest, CreateIsRefusedWhileAPipelineRuns) {
    converter.plan = {Run::Convert, Run::Convert, Run::Hang};
    Studio& s = make();
    EXPECT_FALSE(s.canCreate());
    s.FormCreate();
    s.FormActivate();
    for (int tick = 0; tick < 5; ++tick)
        s.TimerStartTimer();
    ASSERT_TRUE(s.build().running());
    EXPECT_NE(s.build().status().find("backgroundimage"), std::string::npos);
    EXPECT_FALSE(s.canCreate());
    try {
        s.N7Click();
        FAIL() << "Create ran during unpacking";
    } catch (const Error& refusal) {
        EXPECT_NE(std::string(refusal.what()).find("конвертер"), std::string::npos);
    }
    // The refusal left the unpacking alone: it finishes and fills the previews.
    EXPECT_EQ(converter.launches(), 3);
    converter.finishHangingRun();
    s.build().runToEnd(std::chrono::seconds(10));
    EXPECT_TRUE(s.document().preview.timer2Enabled());
    EXPECT_TRUE(s.canCreate());
}

TEST_F(StudioTest, AFailingConverterStopsTheUnpackingWithTheSlotAndItsMessage) {
    converter.plan = {Run::Convert, Run::FailWithMessage};
    Studio& s = make();
    s.FormCreate();
    s.FormActivate();
    try {
        s.build().runToEnd(std::chrono::seconds(10));
        FAIL() << "a failed converter run went unnoticed";
    } catch (const Error& failure) {
        const std::string message = failure.what();
        EXPECT_NE(message.find("EidPic"), std::string::npos) << message;
        EXPECT_NE(message.find("bmconv: broken bitmap"), std::string::npos) << message;
    }
    EXPECT_FALSE(s.build().running());
    EXPECT_FALSE(s.build().timerStartEnabled());
    EXPECT_FALSE(s.document().preview.timer2Enabled());
    // Nothing is deleted: the sources of the slots not yet unpacked are still there.
    for (const char* source : {"EidPic.mbm", "backgroundimage.mbm", "Welcomeimage.mbm"})
        EXPECT_TRUE(fs::exists(workDir() / source)) << source;
    EXPECT_FALSE(s.document().stills.EidPicPicture.hasPicture());
    EXPECT_TRUE(s.canCreate());
}

TEST_F(StudioTest, AConverterThatLeavesNoFileStopsTheBuildAndTheOutputFolderKeepsItsFiles) {
    Studio& s = startUp();
    writeText(root / "out" / "Splashscreen.mbm", "the user's own");
    // The fourth run of the build (Splashscreen).
    converter.plan = {Run::Convert, Run::Convert, Run::Convert, Run::WriteNothing};
    s.N7Click();
    try {
        s.build().runToEnd(std::chrono::seconds(10));
        FAIL() << "a build without its file went unnoticed";
    } catch (const Error& failure) {
        EXPECT_NE(std::string(failure.what()).find("Splashscreen"), std::string::npos)
            << failure.what();
    }
    EXPECT_EQ(readText(root / "out" / "Splashscreen.mbm"), "the user's own");
    EXPECT_FALSE(fs::exists(root / "out" / "startup.mbm"));
    EXPECT_TRUE(frontEnd.notices.empty());
    // The files already built stay where the converter put them.
    EXPECT_TRUE(fs::exists(workDir() / "NewMbmFiles" / "EidPic.mbm"));
}

// The build's clock moves on by a fixed step at every reading, so its deadline passes at a
// different step of the build for each size of step: while saving, while a run goes on, between
// runs, or just before the delivery.
class BuildDeadline : public StudioTest, public ::testing::WithParamInterface<int> {};

TEST_P(BuildDeadline, StopsTheBuildWithItsMessageAndLeavesTheOutputFolderAsItWas) {
    testing::FakeClock clock;
    config.clock = &clock;
    Studio& s = startUp();
    writeText(root / "out" / "startup.mbm", "the user's own");
    writeText(root / "out" / "EidPic.mbm", "also the user's");
    clock.stepPerReading = std::chrono::milliseconds(GetParam());
    try {
        s.N7Click();
        s.build().runToEnd(std::chrono::seconds(60));
        FAIL() << "the build went on past its deadline";
    } catch (const Error& failure) {
        const std::string message = failure.what();
        EXPECT_EQ(message.rfind("Создание графики остановлено: прошло больше 10 с (", 0), 0u)
            << message;
    }
    EXPECT_FALSE(s.build().running());
    EXPECT_TRUE(frontEnd.notices.empty());
    EXPECT_EQ(readText(root / "out" / "startup.mbm"), "the user's own");
    EXPECT_EQ(readText(root / "out" / "EidPic.mbm"), "also the user's");
    EXPECT_EQ(std::distance(fs::directory_iterator(root / "out"), fs::directory_iterator()), 2);
    // The next build starts its own clock.
    clock.stepPerReading = std::chrono::milliseconds(0);
    s.N7Click();
    s.build().runToEnd(std::chrono::seconds(60));
    EXPECT_EQ(frontEnd.notices.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(StepsInMs, BuildDeadline, ::testing::Values(900, 1000, 1700, 2600, 5000));

TEST_F(StudioTest, ABuildThatWouldPassTheWorkTreeCeilingStopsBeforeWritingAnything) {
    // Room for the start-up (every frame and the largest source) but not for the build's stills.
    std::uint64_t frames = 0;
    for (int slot = 0; slot < kSlotCount; ++slot)
        for (int k = 0; k < slotAt(slot).frameCount; ++k) {
            const testing::FrameSize size = testing::slotFrameSize(slot, k);
            frames += bmpFileBytes(size.width, size.height);
        }
    config.limits.workTreeBytes = frames + 200'000;
    Studio& s = startUp();
    writeText(root / "out" / "startup.mbm", "the user's own");
    const std::string splashBefore = readText(workDir() / "Splashscreen" / "0.bmp");
    ASSERT_EQ(converter.launches(), 5);
    try {
        s.N7Click();
        FAIL() << "the build passed the ceiling";
    } catch (const Error& failure) {
        const std::string message = failure.what();
        EXPECT_EQ(
            message.rfind("Создание графики остановлено: во временной папке было бы больше ", 0),
            0u)
            << message;
        EXPECT_NE(message.find("(сохранение кадров: "), std::string::npos) << message;
    }
    EXPECT_EQ(converter.launches(), 5);
    EXPECT_EQ(readText(workDir() / "Splashscreen" / "0.bmp"), splashBefore);
    EXPECT_EQ(readText(root / "out" / "startup.mbm"), "the user's own");
    EXPECT_TRUE(s.canCreate());
}

TEST_F(StudioTest, ABuildWhoseOutputFolderCannotBeMadeKeepsTheBuiltFilesAndShowsNoNotice) {
    writeText(root / "blocker", "a file where a folder should be");
    config.outputFolder = root / "blocker" / "out";
    Studio& s = startUp();
    s.N7Click();
    try {
        s.build().runToEnd(std::chrono::seconds(10));
        FAIL() << "a failed delivery was reported as success";
    } catch (const Error& failure) {
        EXPECT_NE(std::string(failure.what()).find("startup.mbm"), std::string::npos)
            << failure.what();
    }
    EXPECT_TRUE(frontEnd.notices.empty());
    for (const MbmSlot& slot : kSlotTable)
        EXPECT_TRUE(fs::exists(workDir() / "NewMbmFiles" / (std::string(slot.name) + ".mbm")));
}

// A preview file that cannot be read ends the finishing steps there: the previews before it in
// the loading order are filled, those after it are not.
struct LoadingOrderCase {
    const char* damagedFrame;
    bool statusAreaLoaded;  // EidPicPicture and its work copies
    bool backgroundLoaded;
    bool splashStripLoaded;
    bool stripDrawn;  // the 12-row strips and DrawDownLine
    bool splashLoaded;
    bool welcomeLoaded;
};

class PreviewLoadingOrder : public StudioTest,
                            public ::testing::WithParamInterface<LoadingOrderCase> {};

TEST_P(PreviewLoadingOrder, StopsAtTheDamagedFrame) {
    const LoadingOrderCase& c = GetParam();
    const std::string damagedFrame = testing::systemPath(c.damagedFrame);
    converter.afterRun = [&](const std::vector<std::string>& lines) {
        for (const std::string& line : lines)
            if (line.ends_with(damagedFrame))
                writeText(line, "BM not really");
    };
    Studio& s = make();
    s.FormCreate();
    s.FormActivate();
    try {
        s.build().runToEnd(std::chrono::seconds(10));
        FAIL() << "a damaged preview went unnoticed";
    } catch (const Error& failure) {
        EXPECT_NE(testing::withForwardSlashes(failure.what()).find(c.damagedFrame),
                  std::string::npos)
            << failure.what();
    }
    EXPECT_EQ(s.document().stills.EidPicPicture.hasPicture(), c.statusAreaLoaded);
    EXPECT_EQ(s.document().stills.EidPicPictureAlpha.hasPicture(), c.statusAreaLoaded);
    EXPECT_EQ(s.document().stills.BackgroundPicture.hasPicture(), c.backgroundLoaded);
    EXPECT_EQ(s.document().stills.SplashEidPic.hasPicture(), c.splashStripLoaded);
    EXPECT_EQ(s.document().stills.StartUpEidPicPicture.hasPicture(), c.stripDrawn);
    EXPECT_EQ(s.document().stills.LinesPicture.hasPicture(), c.stripDrawn);
    EXPECT_EQ(s.document().stills.SplashscreenPicture.hasPicture(), c.splashLoaded);
    EXPECT_EQ(s.document().stills.WelcomeimagePicture.hasPicture(), c.welcomeLoaded);
    EXPECT_FALSE(s.document().preview.timer2Enabled());
    EXPECT_FALSE(s.build().timerStartEnabled());
}

INSTANTIATE_TEST_SUITE_P(
    Studio, PreviewLoadingOrder,
    ::testing::Values(LoadingOrderCase{"EidPic/4.bmp", false, false, false, false, false, false},
                      LoadingOrderCase{"backgroundimage/0.bmp", true, false, false, false, false,
                                       false},
                      LoadingOrderCase{"EidPic/0.bmp", true, true, false, false, false, false},
                      LoadingOrderCase{"Splashscreen/0.bmp", true, true, true, true, false, false},
                      LoadingOrderCase{"Welcomeimage/0.bmp", true, true, true, true, true, false}));

TEST_F(StudioTest, AStaleDoneMarkerOfAnEarlierRunDoesNotEndASlot) {
    writeText(workDir() / "startup" / "11.bmp", "left by a run that crashed");
    fs::permissions(workDir(), fs::perms::owner_all, fs::perm_options::replace);
    converter.plan = {Run::Hang};
    Studio& s = make();
    s.FormCreate();
    s.FormActivate();
    s.TimerStartTimer();
    s.TimerStartTimer();
    EXPECT_EQ(converter.launches(), 1);
    EXPECT_NE(s.build().status().find("startup"), std::string::npos);
    EXPECT_FALSE(fs::exists(workDir() / "startup" / "11.bmp"));
}

TEST_F(StudioTest, UserMbmFilesAreCopiedAndTheExtraOnesGoneAfterUnpacking) {
    writeText(root / "out" / "theme.mbm", "not a slot");
    writeText(root / "out" / "sub" / "startup.mbm", "the user's animation");
    // A folder that cannot be entered is skipped; the walk goes on.
    fs::create_directories(root / "out" / "locked");
    writeText(root / "out" / "locked" / "Welcomeimage.mbm", "unreachable");
    fs::permissions(root / "out" / "locked", fs::perms::none, fs::perm_options::replace);

    // What each unpack run found as its slot's source.
    std::vector<std::string> sources;
    converter.afterRun = [&](const std::vector<std::string>& lines) {
        if (lines[0].starts_with(kUnpackOption))
            sources.push_back(readText(lines[0].substr(kUnpackOption.size())));
    };
    Studio& s = startUp();
    fs::permissions(root / "out" / "locked", fs::perms::owner_all, fs::perm_options::replace);

    ASSERT_EQ(sources.size(), 5u);
    EXPECT_EQ(sources[kStartupSlot], "the user's animation");
#ifndef _WIN32
    // (Folder modes do not close a folder on Windows, nor to the superuser.)
    if (!runsAsSuperuser()) {
        EXPECT_NE(sources[kWelcomeimageSlot], "unreachable");
    }
#endif
    // The start-up went on past the folder it could not enter, and the extra file is gone.
    EXPECT_TRUE(s.document().preview.timer2Enabled());
    EXPECT_FALSE(fs::exists(workDir() / "theme.mbm"));
    EXPECT_TRUE(fs::exists(root / "out" / "theme.mbm"));
}

TEST_F(StudioTest, CloseDeletesTheWorkTreeAndWritesTheSettings) {
    Studio& s = startUp();
    s.session().setOpenFolderWithDrawing(true);
    s.FormClose(12, 34);
    EXPECT_FALSE(fs::exists(workDir()));
    const std::string ini = readText(root / "program" / "Settings.ini");
    EXPECT_NE(ini.find("X1=12"), std::string::npos) << ini;
    EXPECT_NE(ini.find("Y1=34"), std::string::npos) << ini;
    EXPECT_NE(ini.find("OpenFolderWithDrawing=1"), std::string::npos) << ini;
    // The output folder given for this run is not stored; the default is.
    EXPECT_EQ(fs::path(iniValue(ini, "RoadDirFiles")).lexically_normal(),
              root / "program" / "Files")
        << ini;

    // The next run reads them back.
    config.outputFolder.reset();
    Studio next(frontEnd, config);
    const WindowPosition position = next.FormCreate();
    EXPECT_EQ(position.left, 12);
    EXPECT_EQ(position.top, 34);
}

TEST_F(StudioTest, ASettingsWriteThatFailsIsReportedAfterTheTreeIsGone) {
    Studio& s = startUp();
    // A folder where the settings file should be: no write can replace it.
    fs::remove(root / "program" / "Settings.ini");
    fs::create_directory(root / "program" / "Settings.ini");
    try {
        s.FormClose(1, 2);
        FAIL() << "a refused settings write went unreported";
    } catch (const Error& failure) {
        EXPECT_EQ(std::string(failure.what()),
                  "Unable to write to " + (root / "program" / "Settings.ini").string());
    }
    EXPECT_FALSE(fs::exists(workDir()));
}

TEST_F(StudioTest, ASecondStudioOfTheUserFindsTheTreeTakenAndLeavesItAlone) {
    Studio& first = startUp();
    FakeConverter otherConverter;
    StudioConfig otherConfig = config;
    otherConfig.converterLauncher = &otherConverter;
    Studio second(frontEnd, otherConfig);
    second.FormCreate();
    EXPECT_THROW(second.FormActivate(), Error);
    EXPECT_EQ(otherConverter.launches(), 0);
    second.FormClose(0, 0);
    EXPECT_TRUE(fs::exists(workDir() / "startup" / "0.bmp"));
    EXPECT_TRUE(first.canCreate());
}

TEST_F(StudioTest, EffectsRunByTheirMenuEntryAndSubMenusAreRefused) {
    Studio& s = startUp();
    Raster splash(176, 208, rgb(10, 20, 30));
    saveBmpFile(splash, root / "splash.bmp");
    frontEnd.picture = root / "splash.bmp";
    s.Splashscreen1Click();
    s.runEffect(*findEffectByCliName("zoom-out"));
    // Tag 19 stores the full splash picture as frame 0.
    EXPECT_EQ(loadBmpFile(workDir() / "startup" / "0.bmp").pixel(175, 207), rgb(10, 20, 30));

    EXPECT_THROW(s.runEffect(animationMenu()[0]), Error);
}

// The effects that stop the preview while they draw: a picture that cannot be read ends the
// command, and the preview still plays the frames on disk afterwards.
TEST_F(StudioTest, ThePreviewPlaysAgainAfterAnEffectWhosePictureFails) {
    Studio& s = startUp();
    ASSERT_TRUE(s.document().preview.timer2Enabled());
    writeText(root / "damaged.jpg", std::string("\xFF\xD8\xFF\xE0 not the rest of a JPEG", 24));
    frontEnd.picture = root / "damaged.jpg";
    for (const char* effect : {"slide-right", "slide-up", "dots", "blinds-down"}) {
        SCOPED_TRACE(effect);
        EXPECT_THROW(s.runEffect(*findEffectByCliName(effect)), Error);
        EXPECT_TRUE(s.document().preview.timer2Enabled());
        const int before = s.document().preview.PreviewFrame;
        s.Timer2Timer();
        EXPECT_EQ(s.document().preview.PreviewFrame, (before + 1) % 12);
    }
}

}  // namespace
}  // namespace felmo

namespace felmo {
namespace {

// A 640 x 480 picture in four coloured quarters, its top-left quarter the background colour.
constexpr Color kQuarterTopLeft = 0x00102030;
constexpr Color kQuarterTopRight = 0x00C0C0C0;
constexpr Color kQuarterBottomLeft = 0x00204080;
constexpr Color kQuarterBottomRight = 0x00F0E0D0;

fs::path writeQuarteredPicture(const fs::path& file) {
    Raster picture(640, 480);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            picture.setPixel(x, y,
                             y < 240 ? (x < 320 ? kQuarterTopLeft : kQuarterTopRight)
                                     : (x < 320 ? kQuarterBottomLeft : kQuarterBottomRight));
    saveBmpFile(picture, file);
    return file;
}

std::uint8_t blendedAt200(int destination, int source) {
    return static_cast<std::uint8_t>((55 * destination + 200 * source) / 255);
}

TEST_F(StudioTest, TheOverlayIsSqueezedIntoTheStripAndComposedOnceTheWindowOpens) {
    Studio& s = startUp();
    frontEnd.picture = writeQuarteredPicture(root / "overlay.bmp");
    s.LoadImposingEidPic();
    const Image& overlay = s.document().stills.EidPicPictureAlpha;
    ASSERT_EQ(overlay.picture()->width(), 176);
    ASSERT_EQ(overlay.picture()->height(), 68);
    EXPECT_EQ(pixelOf(overlay, 0, 0), kQuarterTopLeft);
    EXPECT_EQ(pixelOf(overlay, 175, 0), kQuarterTopRight);
    EXPECT_EQ(pixelOf(overlay, 0, 67), kQuarterBottomLeft);
    EXPECT_EQ(pixelOf(overlay, 175, 67), kQuarterBottomRight);

    // Nothing is composed before the window has been opened.
    const Color statusArea = fakeFrameColour(kEidPicSlot, 4);
    EXPECT_FALSE(s.TimerEidPicTimer());
    EXPECT_EQ(pixelOf(s.document().stills.EidPicPicture1, 150, 50), statusArea);

    s.SettingsImposingEidPic();
    EXPECT_TRUE(s.TimerEidPicTimer());
    EXPECT_FALSE(s.TimerEidPicTimer());
    const Color expected = rgb(blendedAt200(redOf(statusArea), redOf(kQuarterBottomRight)),
                               blendedAt200(greenOf(statusArea), greenOf(kQuarterBottomRight)),
                               blendedAt200(blueOf(statusArea), blueOf(kQuarterBottomRight)));
    EXPECT_EQ(pixelOf(s.document().stills.EidPicPicture1, 150, 50), expected);
    EXPECT_EQ(pixelOf(s.document().stills.EidPicPicture, 150, 50), expected);
    // The top-left quarter is the overlay's background: left out.
    EXPECT_EQ(pixelOf(s.document().stills.EidPicPicture1, 50, 31), statusArea);
    EXPECT_EQ(pixelOf(s.document().stills.EidPicPicture0, 150, 50), statusArea);

    // What the build saves is the composed strip.
    s.build().exportFrames(root / "frames");
    EXPECT_EQ(loadBmpFile(root / "frames" / "EidPic" / "3.bmp").pixel(150, 50), expected);
}

// Given values go over the stored ones, the rest stay as stored; the overlay is composed at once
// and every value written, and the window shows the region when it opens next.
TEST_F(StudioTest, TheOverlaySetDirectlyComposesAndStoresItsValues) {
    writeText(root / "program" / "Settings.ini", "[FELMO]\nTrackBarU=5\nTrackBarAlpha=90\n");
    Studio& s = startUp();
    frontEnd.picture = writeQuarteredPicture(root / "overlay.bmp");
    s.LoadImposingEidPic();

    OverlayValues values;
    values.alpha = 255;
    values.left = 37;
    values.right = 99;                                // beyond the slider: its end
    values.region = OverlayRegion{100, 300, 40, 66};  // beyond the strip: brought into it
    values.keepBackground = true;
    s.setOverlay(values);

    const Color statusArea = fakeFrameColour(kEidPicSlot, 4);
    EXPECT_EQ(pixelOf(s.document().stills.EidPicPicture1, 150, 50), kQuarterBottomRight);
    EXPECT_EQ(pixelOf(s.document().stills.EidPicPicture1, 99, 50), statusArea);  // hard edge
    EXPECT_EQ(pixelOf(s.document().stills.EidPicPicture, 150, 50), kQuarterBottomRight);
    EXPECT_FALSE(s.TimerEidPicTimer());
    EXPECT_NE(readText(root / "program" / "Settings.ini")
                  .find("TrackBarU=5\nTrackBarAlpha=255\nTrackBarD=20\nTrackBarL=37\n"
                        "TrackBarR=37\nAlphaPicX1=100\nAlphaPicX2=176\nAlphaPicY1=40\n"
                        "AlphaPicY2=66\nDeduceBackground=1"),
              std::string::npos)
        << readText(root / "program" / "Settings.ini");

    s.SettingsImposingEidPic();
    EXPECT_EQ(s.overlaySettings().region(), (OverlayRegion{100, 176, 40, 66}));
    EXPECT_EQ(s.overlaySettings().scrollBarUpDown(), (BarState{0, 42, 40}));
    EXPECT_EQ(s.overlaySettings().trackBarAlpha(), 255);
}

TEST_F(StudioTest, ACancelledOverlayDialogKeepsThePreviousPicture) {
    Studio& s = startUp();
    frontEnd.picture = writeQuarteredPicture(root / "overlay.bmp");
    s.LoadImposingEidPic();
    frontEnd.picture.reset();
    EXPECT_NO_THROW(s.LoadImposingEidPic());
    EXPECT_EQ(pixelOf(s.document().stills.EidPicPictureAlpha, 175, 67), kQuarterBottomRight);
}

TEST_F(StudioTest, TheStoredRegionIsClampedAtStartUpAndTheWindowsCloseStoresIt) {
    writeText(*config.settingsFile,
              "[FELMO]\nAlphaPicX1=-5\nAlphaPicX2=90\nAlphaPicY1=50\n"
              "AlphaPicY2=20\nTrackBarR=99\n");
    Studio& s = startUp();
    EXPECT_EQ(s.overlaySettings().region(), (OverlayRegion{0, 90, 50, 50}));
    s.SettingsImposingEidPic();
    EXPECT_EQ(s.overlaySettings().edge(Edge::Right), 37);
    EXPECT_EQ(s.overlaySettings().SizeArea(), "090 x 000");
    s.overlaySettings().setScrollBarLeftRight(3);
    s.closeOverlaySettings();
    const std::string ini = readText(*config.settingsFile);
    EXPECT_NE(ini.find("AlphaPicX1=3\nAlphaPicX2=93\nAlphaPicY1=50\nAlphaPicY2=50\n"),
              std::string::npos)
        << ini;
    EXPECT_NE(ini.find("TrackBarR=37\n"), std::string::npos) << ini;
}

// An installed program (its folder a system folder) keeps its settings in the user's
// configuration folder and builds into the documents folder, and the notice says where.
TEST_F(StudioTest, AnInstalledProgramKeepsItsFilesInTheUsersFolders) {
#ifdef _WIN32
    GTEST_SKIP() << "the user's folders of a POSIX desktop";
#endif
    environment.set("HOME", (root / "home").string());
    environment.set("XDG_CONFIG_HOME", std::nullopt);
    environment.set("XDG_DOCUMENTS_DIR", std::nullopt);
    writeText(root / "home" / ".config" / "user-dirs.dirs",
              "XDG_DOCUMENTS_DIR=\"$HOME/Документы\"\n");
    config.executablePath = "/usr/bin/felmo";
    config.settingsFile.reset();
    config.outputFolder.reset();

    Studio& s = startUp();
    EXPECT_TRUE(s.session().installed());
    EXPECT_EQ(s.session().programDirectory(), root / "home" / ".config" / "felmo/");
    const fs::path documents = root / "home" / "Документы" / "FELMO";
    EXPECT_EQ(s.session().outputFolder(), documents);

    s.N7Click();
    s.build().runToEnd(std::chrono::seconds(10));
    EXPECT_TRUE(fs::exists(documents / "startup.mbm"));
    EXPECT_EQ(frontEnd.notices,
              std::vector<std::string>{"Файлы графики созданы.\n~/Документы/FELMO"});
    s.FormClose(0, 0);
    EXPECT_NE(readText(root / "home" / ".config" / "felmo" / "Settings.ini")
                  .find("RoadDirFiles=" + documents.string()),
              std::string::npos);
}

}  // namespace
}  // namespace felmo
