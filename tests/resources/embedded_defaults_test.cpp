// The five embedded default graphics: each is a valid multi-bitmap file with the bitmap count,
// sizes and depths of its slot, and is found by slot name in any letter case.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "mbm/mbm_reader.hpp"
#include "resources/embedded_defaults.hpp"

namespace felmo {
namespace {

struct Shape {
    int width, height, bitsPerPixel;
    ColorKind color;
};

struct SlotCase {
    const char* name;
    std::vector<Shape> bitmaps;
};

constexpr Shape kScreen16{176, 208, 16, ColorKind::Color};

class EmbeddedDefault : public testing::TestWithParam<SlotCase> {};

TEST_P(EmbeddedDefault, DecodesToTheSlotsBitmaps) {
    const auto bytes = embeddedDefaultMbm(GetParam().name);
    ASSERT_FALSE(bytes.empty());
    const std::vector<MbmBitmap> bitmaps = decodeMbm(bytes);
    const std::vector<Shape>& expected = GetParam().bitmaps;
    ASSERT_EQ(bitmaps.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(bitmaps[i].info.width, expected[i].width);
        EXPECT_EQ(bitmaps[i].info.height, expected[i].height);
        EXPECT_EQ(bitmaps[i].info.mode, (BitmapMode{expected[i].bitsPerPixel, expected[i].color}));
        // Real pictures, not a flat fill: the corners and the middle differ.
        if (expected[i].width > 1) {
            const Raster& r = bitmaps[i].raster;
            EXPECT_NE(r.pixel(0, 0), r.pixel(r.width() / 2, r.height() / 2));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Slots, EmbeddedDefault,
    testing::Values(SlotCase{"startup", std::vector<Shape>(12, kScreen16)},
                    SlotCase{"EidPic",
                             {{176, 12, 16, ColorKind::Color},
                              {176, 68, 16, ColorKind::Color},
                              {176, 68, 16, ColorKind::Color},
                              {176, 68, 16, ColorKind::Color},
                              {176, 68, 16, ColorKind::Color}}},
                    SlotCase{"backgroundimage",
                             {{176, 132, 16, ColorKind::Color}, {1, 1, 1, ColorKind::Grey}}},
                    SlotCase{"Splashscreen", {kScreen16}}, SlotCase{"Welcomeimage", {kScreen16}}),
    [](const testing::TestParamInfo<SlotCase>& testCase) {
        return std::string(testCase.param.name);
    });

TEST(EmbeddedDefaults, StartupFramesAreAnAnimation) {
    const std::vector<MbmBitmap> frames = decodeMbm(embeddedDefaultMbm("startup"));
    ASSERT_EQ(frames.size(), 12u);
    for (std::size_t k = 1; k < frames.size(); ++k) {
        int changed = 0;
        for (int y = 0; y < 208; y += 4)
            for (int x = 0; x < 176; x += 4)
                changed += frames[k].raster.pixel(x, y) != frames[k - 1].raster.pixel(x, y);
        EXPECT_GT(changed, 100) << "frame " << k << " hardly differs from the one before";
    }
}

TEST(EmbeddedDefaults, LookupIgnoresLetterCase) {
    EXPECT_EQ(embeddedDefaultMbm("STARTUP").data(), embeddedDefaultMbm("startup").data());
    EXPECT_EQ(embeddedDefaultMbm("eidpic").data(), embeddedDefaultMbm("EidPic").data());
    EXPECT_FALSE(embeddedDefaultMbm("WelcomeImage").empty());
    EXPECT_TRUE(embeddedDefaultMbm("theme").empty());
    EXPECT_TRUE(embeddedDefaultMbm("").empty());
    EXPECT_TRUE(embeddedDefaultMbm("startup.mbm").empty());
}

TEST(EmbeddedDefaults, NamesAreTheSlotsInOrder) {
    const auto names = embeddedDefaultNames();
    ASSERT_EQ(names.size(), 5u);
    EXPECT_EQ(names[0], "startup");
    EXPECT_EQ(names[1], "EidPic");
    EXPECT_EQ(names[2], "backgroundimage");
    EXPECT_EQ(names[3], "Splashscreen");
    EXPECT_EQ(names[4], "Welcomeimage");
    for (std::string_view name : names)
        EXPECT_FALSE(embeddedDefaultMbm(name).empty()) << name;
}

}  // namespace
}  // namespace felmo
