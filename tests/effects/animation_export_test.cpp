#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/error.hpp"
#include "effect_rig.hpp"
#include "effects/animation_export.hpp"
#include "platform/file_io.hpp"
#include "support/reference_decoders.hpp"

namespace felmo {
namespace {

using testing::EffectRig;
using testing::makePicture;

// Frame k: a picture whose pixels tell the frame and the place apart; frame 3 is larger than the
// screen and frame 5 smaller, as frames of a user's own animation may be.
Raster numberedFrame(int k) {
    const int width = k == 3 ? 200 : k == 5 ? 100 : 176;
    const int height = k == 3 ? 230 : k == 5 ? 90 : 208;
    return makePicture(width, height, [k](int x, int y) {
        return rgb(static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y),
                   static_cast<std::uint8_t>(k * 20 + 7));
    });
}

struct ExportRig : EffectRig {
    ExportRig() {
        for (int k = 0; k < 12; ++k)
            saveBmpFile(numberedFrame(k), frameFilePath(workDir(), k));
    }
    std::vector<std::uint8_t> exported(const std::string& name) {
        const std::filesystem::path file = folder.path() / name;
        exportStartupAnimation(workDir(), file);
        return readWholeFile(file);
    }
};

// What the preview panel shows of frame k: its top-left 176 x 208, black beyond it.
Raster shownFrame(int k) {
    const Raster frame = numberedFrame(k);
    return makePicture(176, 208, [&frame](int x, int y) {
        return x < frame.width() && y < frame.height() ? frame.pixel(x, y) : colors::black;
    });
}

TEST(AnimationExport, WebpHoldsTheFramesAsThePreviewShowsThemAt125Ms) {
    ExportRig rig;
    const testing::DecodedAnimation webp = testing::decodeWebpForTest(rig.exported("theme.webp"));
    ASSERT_EQ(testing::differenceFromPhoneAnimation(webp, testing::kStartupWebpDelays), "");
    for (int k = 0; k < 12; ++k) {
        const Raster shown = shownFrame(k);
        for (int y = 0; y < 208; ++y)
            for (int x = 0; x < 176; ++x)
                ASSERT_EQ(webp.frames[k].pixel(x, y), shown.pixel(x, y))
                    << "frame " << k << " at " << x << "," << y;
    }
}

// One cycle lasts 150 hundredths of a second, as twelve frames of 125 ms.
TEST(AnimationExport, GifAlternatesThirteenAndTwelveHundredthsAndLoops) {
    ExportRig rig;
    const testing::DecodedAnimation gif = testing::decodeGifForTest(rig.exported("Theme.GIF"));
    ASSERT_EQ(testing::differenceFromPhoneAnimation(gif, testing::kStartupGifDelays), "");
    for (int k = 0; k < 12; ++k)
        EXPECT_GE(testing::psnr(gif.frames[k], shownFrame(k)), 30.0) << "frame " << k;
}

TEST(AnimationExport, RefusalsNameTheFileAndWriteNothing) {
    ExportRig rig;
    const auto refusal = [&](const std::filesystem::path& file) -> std::string {
        try {
            exportStartupAnimation(rig.workDir(), file);
        } catch (const Error& error) {
            return error.what();
        }
        return "no error";
    };
    const std::filesystem::path png = rig.folder.path() / "theme.png";
    EXPECT_EQ(refusal(png),
              "Анимация для показа записывается в файл GIF (.gif) или WebP (.webp), а не \"" +
                  png.string() + "\".");
    EXPECT_EQ(refusal(rig.folder.path() / ".gif").find("Анимация"), 0u);

    const std::filesystem::path unwritable = rig.folder.path() / "missing" / "theme.gif";
    EXPECT_EQ(refusal(unwritable).rfind("Cannot create file \"" + unwritable.string() + "\". ", 0),
              0u);

    std::filesystem::remove(frameFilePath(rig.workDir(), 7));
    EXPECT_NE(
        refusal(rig.folder.path() / "theme.webp").find(frameFilePath(rig.workDir(), 7).string()),
        std::string::npos);

    for (const auto& entry : std::filesystem::directory_iterator(rig.folder.path()))
        EXPECT_TRUE(entry.is_directory()) << entry.path() << " was left behind";
}

}  // namespace
}  // namespace felmo
