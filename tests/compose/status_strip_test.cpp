#include "compose/status_strip.hpp"

#include <gtest/gtest.h>

#include "compose_rig.hpp"

namespace felmo {
namespace {

using testing::RecordingRasterizer;

// A background whose bottom row has a colour of its own in every column.
Raster backgroundWithBottomRow() {
    Raster background(176, 132, rgb(1, 2, 3));
    for (int x = 0; x < 176; ++x)
        background.setPixel(x, 131, rgb(static_cast<std::uint8_t>(x), 150, 200));
    return background;
}

class StatusStripTest : public ::testing::Test {
  protected:
    StillPictures pictures;
    StatusStrip strip;
    PickedRGB picked;
};

struct SampleCase {
    int position;
    int column;
};

class SampleTest : public StatusStripTest, public ::testing::WithParamInterface<SampleCase> {};

TEST_P(SampleTest, SliderPicksAColumnOfTheBottomRow) {
    pictures.BackgroundPicture.setPicture(backgroundWithBottomRow());
    strip.TrackBar1 = GetParam().position;
    DrawDownLine(pictures, strip, picked);
    const Color expected = rgb(static_cast<std::uint8_t>(GetParam().column), 150, 200);
    EXPECT_EQ(strip.StripColour, expected);
    EXPECT_EQ(picked, PickedRGB::of(expected));
    EXPECT_EQ(strip.redLabel, "R = " + std::to_string(GetParam().column));
    EXPECT_EQ(strip.greenLabel, "G = 150");
    EXPECT_EQ(strip.blueLabel, "B = 200");
    // Without a text rasteriser the strip is one plain band.
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 176; ++x)
            ASSERT_EQ(pictures.LinesPicture.picture()->pixel(x, y), expected);
}

INSTANTIATE_TEST_SUITE_P(Positions, SampleTest,
                         ::testing::Values(SampleCase{0, 0}, SampleCase{1, 11}, SampleCase{15, 165},
                                           SampleCase{16, 165}, SampleCase{-1, 0}));

TEST_F(StatusStripTest, CaptionsAndDateAreDrawnInTheContrastColour) {
    RecordingRasterizer text;
    pictures.BackgroundPicture.setPicture(Raster(176, 132, rgb(100, 150, 200)));
    DrawDownLine(pictures, strip, picked);

    ASSERT_EQ(text.calls.size(), 2u);
    EXPECT_EQ(text.calls[0].text, "Радио                    Файлы");
    EXPECT_EQ(text.calls[0].font.heightPx, 13);
    EXPECT_TRUE(text.calls[0].font.bold);
    EXPECT_EQ(text.calls[0].font.color, rgb(155, 105, 55));
    EXPECT_EQ(text.calls[1].text, "сб 02.02.2008");
    EXPECT_EQ(text.calls[1].font.heightPx, 8);
    EXPECT_FALSE(text.calls[1].font.bold);
    EXPECT_EQ(text.calls[1].font.color, rgb(155, 105, 55));

    // The recorded 3 x 2 block lands at (1, 4) on the strip and at (60, 42) on the preview.
    const Raster& lines = *pictures.LinesPicture.picture();
    EXPECT_EQ(lines.pixel(0, 4), rgb(100, 150, 200));
    EXPECT_EQ(lines.pixel(1, 4), rgb(155, 105, 55));
    EXPECT_EQ(lines.pixel(3, 5), rgb(155, 105, 55));
    EXPECT_EQ(lines.pixel(4, 5), rgb(100, 150, 200));
    EXPECT_EQ(lines.pixel(1, 6), rgb(100, 150, 200));
    const Raster& preview = *pictures.EidPicPicture.picture();
    EXPECT_EQ(preview.pixel(60, 42), rgb(155, 105, 55));
    EXPECT_EQ(preview.pixel(62, 43), rgb(155, 105, 55));
    EXPECT_EQ(preview.pixel(59, 42), colors::white);
}

TEST_F(StatusStripTest, NewColourRepaintsTheOldStripAndItsCaptions) {
    RecordingRasterizer text;
    pictures.BackgroundPicture.setPicture(Raster(176, 132, colors::white));
    DrawDownLine(pictures, strip, picked);
    EXPECT_EQ(pictures.LinesPicture.picture()->pixel(1, 4), colors::black);
    EXPECT_EQ(strip.redLabel, "R = 255");
    EXPECT_EQ(strip.greenLabel, "G = 255");
    EXPECT_EQ(strip.blueLabel, "B = 255");

    pictures.BackgroundPicture.setPicture(Raster(176, 132, rgb(0, 80, 0)));
    DrawDownLine(pictures, strip, picked);
    const Raster& lines = *pictures.LinesPicture.picture();
    EXPECT_EQ(lines.pixel(175, 19), rgb(0, 80, 0));
    EXPECT_EQ(lines.pixel(1, 4), rgb(255, 175, 255));  // the new captions over the repainted old
    EXPECT_EQ(strip.redLabel, "R = 0");
}

TEST_F(StatusStripTest, BackgroundSmallerThanTheSamplePointGivesWhite) {
    pictures.BackgroundPicture.setPicture(Raster(1, 1, rgb(7, 7, 7)));
    strip.TrackBar1 = 3;
    DrawDownLine(pictures, strip, picked);
    EXPECT_EQ(strip.StripColour, colors::white);
    EXPECT_EQ(picked, (PickedRGB{255, 255, 255}));
}

TEST_F(StatusStripTest, ChosenColourBecomesTheStripColour) {
    strip.StripColour = rgb(1, 2, 3);
    Color offered = 0;
    LinesPictureClick(pictures, strip, picked, [&](Color initial) {
        offered = initial;
        return std::optional<Color>(rgb(100, 150, 200));
    });
    EXPECT_EQ(offered, rgb(1, 2, 3));
    EXPECT_EQ(strip.StripColour, rgb(100, 150, 200));
    EXPECT_EQ(picked, (PickedRGB{100, 150, 200}));
    EXPECT_EQ(pictures.LinesPicture.picture()->pixel(0, 0), rgb(100, 150, 200));

    // Moving the slider afterwards samples the background again.
    pictures.BackgroundPicture.setPicture(Raster(176, 132, rgb(9, 8, 7)));
    DrawDownLine(pictures, strip, picked);
    EXPECT_EQ(strip.StripColour, rgb(9, 8, 7));
}

TEST_F(StatusStripTest, CancelKeepsTheColourButRedrawsEverything) {
    RecordingRasterizer text;
    strip.StripColour = rgb(0, 200, 0);
    LinesPictureClick(pictures, strip, picked, [](Color) { return std::optional<Color>(); });
    EXPECT_EQ(strip.StripColour, rgb(0, 200, 0));
    EXPECT_EQ(pictures.LinesPicture.picture()->pixel(100, 10), rgb(0, 200, 0));
    EXPECT_EQ(text.calls.size(), 2u);
    EXPECT_EQ(strip.greenLabel, "G = 200");
    EXPECT_EQ(picked, (PickedRGB{0, 200, 0}));
}

}  // namespace
}  // namespace felmo
