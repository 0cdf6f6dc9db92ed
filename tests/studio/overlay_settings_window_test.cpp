#include "studio/overlay_settings_window.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <vector>

#include "base/error.hpp"
#include "support/temporary_folder.hpp"
#include "workspace/settings.hpp"

namespace felmo {
namespace {

using testing::TemporaryFolder;

class OverlaySettingsTest : public ::testing::Test {
  protected:
    // Activates the window with the given settings file text ("" for no stored values) and
    // clears the dirty flag, as the first composition tick would.
    void activate(const std::string& settingsText = "") {
        if (!settingsText.empty())
            std::ofstream(settingsPath()) << "[FELMO]\n" << settingsText;
        window.FormActivate(Settings(settingsPath()));
        overlay.OverlayDirty = false;
    }
    std::string settingsPath() const { return folder / "Settings.ini"; }

    void press(int tag) {
        window.sizeButtonPressed(tag);
        window.sizeButtonReleased();
    }
    void columnsAre(int x1, int x2) const {
        EXPECT_EQ(overlay.region.X1, x1);
        EXPECT_EQ(overlay.region.X2, x2);
    }
    void rowsAre(int y1, int y2) const {
        EXPECT_EQ(overlay.region.Y1, y1);
        EXPECT_EQ(overlay.region.Y2, y2);
    }

    TemporaryFolder folder{"overlay"};
    OverlayState overlay;
    OverlaySettingsWindow window{overlay};
};

TEST(FormatPair, PadsEachNumberToThreePlaces) {
    struct Case {
        int first, second;
        const char* text;
    };
    for (const Case& c :
         {Case{40, 30, "040 x 030"}, Case{110, 30, "110 x 030"}, Case{0, 9, "000 x 009"},
          Case{10, 99, "010 x 099"}, Case{176, 68, "176 x 068"}, Case{-1, 5, "00-1 x 005"},
          Case{-12, 1000, "00-12 x 1000"}})
        EXPECT_EQ(FormatPair(c.first, c.second), c.text) << c.first << ", " << c.second;
}

TEST_F(OverlaySettingsTest, DefaultsShowTheDefaultRegion) {
    window.FormActivate(Settings(settingsPath()));
    EXPECT_TRUE(overlay.OverlayDirty);
    EXPECT_EQ(window.CoordinatesArea(), "040 x 030");
    EXPECT_EQ(window.SizeArea(), "110 x 030");
    EXPECT_EQ(window.scrollBarLeftRight(), (BarState{0, 66, 40}));
    EXPECT_EQ(window.scrollBarUpDown(), (BarState{0, 38, 30}));
    EXPECT_EQ(window.progressBarLeftRight(), (BarState{0, 176, 110}));
    EXPECT_EQ(window.progressBarUpDown(), (BarState{0, 68, 30}));
    EXPECT_EQ(overlay.region, OverlayRegion{});
    EXPECT_EQ(window.controls(), OverlayControls{});
}

// Presses of size buttons from the default region, one region expected after each press.
struct StepCase {
    const char* name;
    std::vector<int> tags;
    std::vector<OverlayRegion> after;
};

class SizeStepTest : public OverlaySettingsTest, public ::testing::WithParamInterface<StepCase> {};

TEST_P(SizeStepTest, SidesAlternate) {
    activate();
    const StepCase& c = GetParam();
    for (std::size_t k = 0; k < c.tags.size(); ++k) {
        press(c.tags[k]);
        EXPECT_EQ(overlay.region, c.after[k]) << "after press " << k + 1;
    }
    EXPECT_TRUE(overlay.OverlayDirty);
    const OverlayRegion& r = overlay.region;
    EXPECT_EQ(window.SizeArea(), FormatPair(r.X2 - r.X1, r.Y2 - r.Y1));
    EXPECT_EQ(window.progressBarLeftRight().position, r.X2 - r.X1);
    EXPECT_EQ(window.progressBarUpDown().position, r.Y2 - r.Y1);
    EXPECT_EQ(window.scrollBarLeftRight(), (BarState{0, 176 - (r.X2 - r.X1), r.X1}));
    EXPECT_EQ(window.scrollBarUpDown(), (BarState{0, 68 - (r.Y2 - r.Y1), r.Y1}));
}

INSTANTIATE_TEST_SUITE_P(
    Presses, SizeStepTest,
    ::testing::Values(StepCase{"wider", {101, 101}, {{40, 151, 30, 60}, {39, 151, 30, 60}}},
                      StepCase{"shorter", {103, 103}, {{40, 150, 31, 60}, {40, 150, 31, 59}}},
                      StepCase{"narrower", {100, 100}, {{40, 149, 30, 60}, {41, 149, 30, 60}}},
                      StepCase{"taller", {102, 102}, {{40, 150, 29, 60}, {40, 150, 29, 61}}},
                      // One SizeStepSide serves all four buttons.
                      StepCase{
                          "wider_then_taller", {101, 102}, {{40, 151, 30, 60}, {40, 151, 30, 61}}}),
    [](const auto& testCase) { return std::string(testCase.param.name); });

TEST_F(OverlaySettingsTest, HoldingWiderEndsAtTheWholeWidth) {
    activate();
    window.sizeButtonPressed(kSizeButtonWider);
    EXPECT_TRUE(window.timer1Enabled());
    for (int tick = 0; tick < 300; ++tick)
        window.Timer1Timer();
    window.sizeButtonReleased();
    EXPECT_FALSE(window.timer1Enabled());
    columnsAre(0, 176);
    rowsAre(30, 60);
    EXPECT_EQ(window.SizeArea(), "176 x 030");
    EXPECT_EQ(window.scrollBarLeftRight(), (BarState{0, 0, 0}));
}

TEST_F(OverlaySettingsTest, HoldingNarrowerStopsAtWidthZero) {
    activate();
    window.sizeButtonPressed(kSizeButtonNarrower);
    for (int tick = 0; tick < 109; ++tick)
        window.Timer1Timer();
    columnsAre(95, 95);  // 110 steps, half from each side
    for (int tick = 0; tick < 5; ++tick)
        window.Timer1Timer();
    window.sizeButtonReleased();
    columnsAre(95, 95);
    EXPECT_EQ(window.SizeArea(), "000 x 030");
}

TEST_F(OverlaySettingsTest, HoldingShorterStopsAtHeightZero) {
    activate();
    window.sizeButtonPressed(kSizeButtonShorter);
    for (int tick = 0; tick < 60; ++tick)
        window.Timer1Timer();
    rowsAre(45, 45);
    EXPECT_EQ(window.scrollBarUpDown(), (BarState{0, 68, 45}));
}

TEST_F(OverlaySettingsTest, TimerDoesNothingOnceTheButtonIsReleased) {
    activate();
    press(kSizeButtonWider);
    window.Timer1Timer();
    columnsAre(40, 151);
}

TEST_F(OverlaySettingsTest, ScrollBarsMoveTheRegionKeepingItsSize) {
    activate();
    window.setScrollBarLeftRight(10);
    columnsAre(10, 120);
    EXPECT_EQ(window.CoordinatesArea(), "010 x 030");
    EXPECT_TRUE(overlay.OverlayDirty);
    window.setScrollBarUpDown(0);
    rowsAre(0, 30);
    EXPECT_EQ(window.CoordinatesArea(), "010 x 000");
    // Clamped into the bar's range.
    window.setScrollBarLeftRight(500);
    columnsAre(66, 176);
    EXPECT_EQ(window.scrollBarLeftRight().position, 66);
}

TEST_F(OverlaySettingsTest, RegionPushedPastTheRightEdgeIsShiftedBack) {
    activate();
    window.setScrollBarLeftRight(66);  // columns 66..176
    press(kSizeButtonWider);           // the right side first: 177, shifted back
    columnsAre(65, 176);
    EXPECT_EQ(window.scrollBarLeftRight(), (BarState{0, 65, 65}));
    EXPECT_EQ(window.CoordinatesArea(), "065 x 030");
}

TEST_F(OverlaySettingsTest, RegionPushedPastTheLeftEdgeWaitsForTheNextMove) {
    activate();
    window.setScrollBarLeftRight(0);
    press(kSizeButtonWider);  // right side: 0..111
    press(kSizeButtonWider);  // left side: -1..111, the bar already at 0
    columnsAre(-1, 111);
    EXPECT_EQ(window.scrollBarLeftRight(), (BarState{0, 64, 0}));
    window.setScrollBarLeftRight(1);
    columnsAre(1, 113);
}

// Rows 50..60 lie beyond the vertical bar's old range (0..38): the region must not be moved.
TEST_F(OverlaySettingsTest, RegionSetDirectlyIsKeptAndShown) {
    activate();
    window.setRegion(OverlayRegion{0, 10, 50, 60});
    EXPECT_EQ(overlay.region, (OverlayRegion{0, 10, 50, 60}));
    EXPECT_EQ(window.scrollBarUpDown(), (BarState{0, 58, 50}));
    EXPECT_EQ(window.CoordinatesArea(), "000 x 050");
    EXPECT_EQ(window.SizeArea(), "010 x 010");
    EXPECT_TRUE(overlay.OverlayDirty);
}

TEST_F(OverlaySettingsTest, HandlerRunsOnlyOnAnActualChange) {
    activate();
    int notices = 0;
    window.setOnChange([&] { ++notices; });
    window.setTrackBarAlpha(200);
    window.setEdge(Edge::Left, 30);
    window.setDeduceBackground(false);
    window.setScrollBarLeftRight(40);
    EXPECT_FALSE(overlay.OverlayDirty);
    EXPECT_EQ(notices, 0);

    const std::uint64_t revision = window.revision();
    window.setTrackBarAlpha(999);
    EXPECT_EQ(window.trackBarAlpha(), 255);
    EXPECT_TRUE(overlay.OverlayDirty);
    EXPECT_EQ(notices, 1);
    EXPECT_GT(window.revision(), revision);

    overlay.OverlayDirty = false;
    window.setEdge(Edge::Down, -4);
    EXPECT_EQ(window.edge(Edge::Down), 0);
    EXPECT_TRUE(overlay.OverlayDirty);
    overlay.OverlayDirty = false;
    window.setDeduceBackground(true);
    EXPECT_TRUE(window.deduceBackground());
    EXPECT_TRUE(overlay.OverlayDirty);
    EXPECT_EQ(notices, 3);
}

// Stored slider values are clamped into the slider's range.
TEST_F(OverlaySettingsTest, ActivationReadsTheStoredControls) {
    activate(
        "TrackBarU=50\nTrackBarD=-3\nTrackBarL=12\nTrackBarR=37\nTrackBarAlpha=300\n"
        "DeduceBackground=1\n");
    EXPECT_EQ(window.edge(Edge::Up), 37);
    EXPECT_EQ(window.edge(Edge::Down), 0);
    EXPECT_EQ(window.edge(Edge::Left), 12);
    EXPECT_EQ(window.edge(Edge::Right), 37);
    EXPECT_EQ(window.trackBarAlpha(), 255);
    EXPECT_TRUE(window.deduceBackground());
}

TEST_F(OverlaySettingsTest, MissingKeysKeepTheCurrentPositions) {
    activate();
    window.setEdge(Edge::Up, 5);
    window.setTrackBarAlpha(17);
    activate("TrackBarD=9\n");
    EXPECT_EQ(window.edge(Edge::Up), 5);
    EXPECT_EQ(window.edge(Edge::Down), 9);
    EXPECT_EQ(window.trackBarAlpha(), 17);
}

TEST_F(OverlaySettingsTest, CloseWritesTheKeysInOrder) {
    activate();
    window.setEdge(Edge::Up, 1);
    window.setEdge(Edge::Down, 2);
    window.setEdge(Edge::Left, 3);
    window.setEdge(Edge::Right, 4);
    window.setTrackBarAlpha(5);
    window.setScrollBarLeftRight(10);
    window.setDeduceBackground(true);
    Settings settings(settingsPath());
    window.FormClose(settings);

    std::ifstream file(settingsPath());
    std::stringstream text;
    text << file.rdbuf();
    EXPECT_EQ(text.str(),
              "[FELMO]\nTrackBarU=1\nTrackBarD=2\nTrackBarL=3\nTrackBarR=4\nTrackBarAlpha=5\n"
              "AlphaPicX1=10\nAlphaPicX2=120\nAlphaPicY1=30\nAlphaPicY2=60\nDeduceBackground=1\n");
}

TEST_F(OverlaySettingsTest, RefusedWriteIsReported) {
    activate();
    std::filesystem::create_directory(folder / "taken");
    Settings settings(folder / "taken");
    window.sizeButtonPressed(kSizeButtonWider);
    EXPECT_THROW(window.FormClose(settings), Error);
    EXPECT_FALSE(window.timer1Enabled());
}

}  // namespace
}  // namespace felmo
