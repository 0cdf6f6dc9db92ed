// The application's document with a private temporary work directory and a picture dialog the
// test scripts, plus picture makers whose pixels tell where they came from.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "effects/frame_files.hpp"
#include "raster/bmp.hpp"
#include "raster/raster.hpp"
#include "studio/document.hpp"
#include "support/temporary_folder.hpp"

namespace felmo::testing {

// Every column a colour of its own (and two alternating row shades, so rows are told apart too);
// never white, never pure red.
inline Color columnColour(int x, int y) {
    return rgb(static_cast<std::uint8_t>(x & 0xFF), static_cast<std::uint8_t>(x >> 8),
               static_cast<std::uint8_t>(40 + (y & 1)));
}
// Every row a colour of its own; never white, never pure red.
inline Color rowColour(int x, int y) {
    return rgb(static_cast<std::uint8_t>(60 + (x & 1)), static_cast<std::uint8_t>(y & 0xFF),
               static_cast<std::uint8_t>(100 + (y >> 8)));
}

template <typename ColourOf>
Raster makePicture(int width, int height, ColourOf colourOf) {
    Raster picture(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.setPixel(x, y, colourOf(x, y));
    return picture;
}

inline constexpr Color kMarker = rgb(1, 2, 250);  // "earlier content" no picture has

// The effects see the document's pictures and state (rig.work, rig.stills, rig.load, ...).
struct EffectRig : Document {
    TemporaryFolder folder;
    std::optional<std::filesystem::path> nextPicture;  // what the dialog answers; nullopt cancels
    int dialogCalls = 0;

    EffectRig() { std::filesystem::create_directories(workDir() / "startup"); }

    std::filesystem::path workDir() const { return folder.path(); }

    EffectContext context() {
        return effectContext(workDir(), [this] {
            ++dialogCalls;
            return nextPicture;
        });
    }

    // Writes the picture as a BMP file and makes it the dialog's next answer.
    void offerPicture(const Raster& picture, const std::string& name = "picture.bmp") {
        const std::filesystem::path path = folder.path() / name;
        saveBmpFile(picture, path);
        nextPicture = path;
    }

    Raster frame(int k) const { return loadBmpFile(frameFilePath(workDir(), k)); }

    // Fills the twelve frame files with one colour, so that a frame an effect leaves alone shows.
    void fillFrames(Color colour) const {
        const Raster old(176, 208, colour);
        for (int k = 0; k < 12; ++k)
            saveBmpFile(old, frameFilePath(workDir(), k));
    }
};

// frame(j, y) must show strip(j - x, y - y0) wherever that lies in the strip, and `earlier`
// (the frame surface before the draw) elsewhere.
inline ::testing::AssertionResult showsStripAt(const Raster& frame, const Raster& strip, int x,
                                               int y0, const Raster& earlier) {
    for (int y = 0; y < frame.height(); ++y) {
        for (int j = 0; j < frame.width(); ++j) {
            const int sx = j - x;
            const int sy = y - y0;
            const bool inStrip = sx >= 0 && sx < strip.width() && sy >= 0 && sy < strip.height();
            const Color expected = inStrip ? strip.pixel(sx, sy) : earlier.pixel(j, y);
            if (frame.pixel(j, y) != expected)
                return ::testing::AssertionFailure()
                       << "pixel (" << j << ", " << y << ") is " << std::hex << frame.pixel(j, y)
                       << ", expected " << expected << (inStrip ? " from the strip" : " kept");
        }
    }
    return ::testing::AssertionSuccess();
}

}  // namespace felmo::testing
