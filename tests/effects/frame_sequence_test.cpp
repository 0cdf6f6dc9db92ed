#include <gtest/gtest.h>

#include <climits>
#include <vector>

#include "base/error.hpp"
#include "effect_rig.hpp"
#include "effects/effect_random.hpp"
#include "effects/frame_files.hpp"
#include "effects/preview_player.hpp"
#include "platform/file_io.hpp"

namespace felmo {
namespace {

using testing::EffectRig;
using testing::kMarker;

// --- EffectRandom -------------------------------------------------------------------------------

TEST(EffectRandom, FirstDrawsAfterAFreshStart) {
    EffectRandom random;
    std::vector<int> draws;
    for (int n : {4, 5, 4, 5, 4, 5})
        draws.push_back(random.random(n));
    EXPECT_EQ(draws, (std::vector<int>{0, 0, 3, 1, 1, 3}));
}

TEST(EffectRandom, SeedWrapsModulo2To32AndDrawStaysInRange) {
    EffectRandom random;
    random.setSeed(0xFFFFFFFFu);
    // 0xFFFFFFFF * 134775813 + 1 = 134775813 * 2^32 - 134775812, that is -134775812 mod 2^32.
    EXPECT_EQ(random.random(INT_MAX),
              static_cast<int>((std::uint64_t{4160191484u} * INT_MAX) >> 32));
    EXPECT_EQ(random.seed(), 4160191484u);
    for (int i = 0; i < 1000; ++i) {
        const int draw = random.random(7);
        ASSERT_GE(draw, 0);
        ASSERT_LT(draw, 7);
    }
    EXPECT_EQ(random.random(1), 0);
}

TEST(EffectRandom, EmptyRangeIsRefused) {
    EffectRandom random;
    EXPECT_THROW(random.random(0), Error);
    EXPECT_THROW(random.random(-3), Error);
    EXPECT_EQ(random.seed(), 0u);  // a refused draw does not advance the generator
}

// --- Frame files --------------------------------------------------------------------------------

TEST(FrameFiles, NamesHaveNoLeadingZeros) {
    const std::filesystem::path work = "/tmp/Temp_FELMO-1000/";
    EXPECT_EQ(frameFilePath(work, 10).filename(), "10.bmp");
    EXPECT_EQ(frameFilePath(work, 1).filename(), "1.bmp");
    EXPECT_EQ(frameFilePath(work, 0).parent_path().filename(), "startup");
    EXPECT_THROW(frameFilePath(work, 12), Error);
    EXPECT_THROW(frameFilePath(work, -1), Error);
}

TEST(FrameFiles, SaveFrameConvertsTo24BitsAndReplacesTheFile) {
    EffectRig rig;
    Raster first(176, 208, kMarker);
    SaveFrame(first, rig.workDir(), 3);

    Raster surface(176, 208, rgb(10, 20, 30));
    surface.setSourceFormat(PixelFormat::Bits16);
    SaveFrame(surface, rig.workDir(), 3);
    EXPECT_TRUE(surface.is24Bit());
    const std::vector<std::uint8_t> bytes = readWholeFile(frameFilePath(rig.workDir(), 3));
    EXPECT_EQ(bytes.size(), 109878u);
    EXPECT_EQ(bytes[28], 24);  // bits per pixel
    EXPECT_EQ(rig.frame(3).pixel(0, 0), rgb(10, 20, 30));
}

TEST(FrameFiles, SaveFrameOfAnImageWithoutPictureWritesItsWhiteSurface) {
    EffectRig rig;
    Image image(176, 208);
    SaveFrame(image, rig.workDir(), 0);
    EXPECT_EQ(rig.frame(0).pixel(175, 207), colors::white);
}

// --- Preview player -----------------------------------------------------------------------------

Color frameColour(int k) {
    return rgb(static_cast<std::uint8_t>(20 * k), 7, 9);
}

void writeFrames(const EffectRig& rig) {
    for (int k = 0; k < 12; ++k)
        saveBmpFile(Raster(176, 208, frameColour(k)), frameFilePath(rig.workDir(), k));
}

TEST(PreviewPlayer, TicksShowTheFramesInALoop) {
    EffectRig rig;
    writeFrames(rig);
    Image panel(176, 208);
    std::vector<Color> shown;
    for (int tick = 0; tick < 14; ++tick) {
        Timer2Timer(rig.preview, panel, rig.workDir());
        shown.push_back(panel.picture()->pixel(0, 0));
    }
    for (int tick = 0; tick < 14; ++tick)
        EXPECT_EQ(shown[tick], frameColour(tick % 12)) << tick;
    EXPECT_EQ(rig.preview.PreviewFrame, 2);
}

TEST(PreviewPlayer, MissingOrDamagedFrameIsSkippedAndTheLoopGoesOn) {
    EffectRig rig;
    writeFrames(rig);
    std::filesystem::remove(frameFilePath(rig.workDir(), 1));
    const std::uint8_t junk[] = {'B', 'M', 0, 0};
    writeFileAtomically(frameFilePath(rig.workDir(), 2), junk);
    Image panel(176, 208);

    Timer2Timer(rig.preview, panel, rig.workDir());
    EXPECT_EQ(panel.picture()->pixel(0, 0), frameColour(0));
    Timer2Timer(rig.preview, panel, rig.workDir());  // frame 1 missing
    EXPECT_EQ(panel.picture()->pixel(0, 0), frameColour(0));
    EXPECT_EQ(rig.preview.PreviewFrame, 2);
    Timer2Timer(rig.preview, panel, rig.workDir());  // frame 2 damaged
    EXPECT_EQ(panel.picture()->pixel(0, 0), frameColour(0));
    EXPECT_EQ(rig.preview.PreviewFrame, 3);
    Timer2Timer(rig.preview, panel, rig.workDir());
    EXPECT_EQ(panel.picture()->pixel(0, 0), frameColour(3));
}

TEST(PreviewPlayer, EmptyWorkTreeLeavesThePanelEmpty) {
    EffectRig rig;
    Image panel(176, 208);
    for (int tick = 0; tick < 12; ++tick)
        Timer2Timer(rig.preview, panel, rig.workDir());
    EXPECT_FALSE(panel.hasPicture());
    EXPECT_EQ(rig.preview.PreviewFrame, 0);
}

TEST(PreviewPlayer, ObserverHearsOnlyRealChanges) {
    PreviewPlayer player;
    std::vector<bool> changes;
    player.setTimer2Observer([&](bool enabled) { changes.push_back(enabled); });
    EXPECT_FALSE(player.timer2Enabled());
    player.disableTimer2();
    player.enableTimer2();
    player.enableTimer2();
    player.disableTimer2();
    EXPECT_EQ(changes, (std::vector<bool>{true, false}));
    player.PreviewFrame = 9;
    player.rewind();
    EXPECT_EQ(player.PreviewFrame, 0);
}

}  // namespace
}  // namespace felmo
