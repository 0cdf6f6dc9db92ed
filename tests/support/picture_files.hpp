// Writers of PNG, GIF, JPEG and WebP files for the tests and benchmarks, straight through the
// libraries, so the readers are checked against files they did not make themselves.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace felmo::testing {

using Bytes = std::vector<std::uint8_t>;

struct Rgb {
    std::uint8_t red = 0, green = 0, blue = 0;
};

// A PNG of any colour type and depth. `rows` hold the samples as the format packs them (the
// writer takes them unchanged): grey, grey+alpha, RGB, RGBA or palette indices, 16-bit samples
// big-endian, depths below 8 packed from the high bit.
struct PngDescription {
    int width = 1;
    int height = 1;
    int colourType = 2;  // 0 grey, 2 RGB, 3 palette, 4 grey+alpha, 6 RGBA
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<Rgb> palette;
    std::vector<std::uint8_t> paletteAlpha;  // transparency chunk of a palette picture
    std::optional<std::uint16_t> transparentGrey;
    std::optional<Rgb> transparentRgb;
    std::vector<Bytes> rows;
};
Bytes encodePng(const PngDescription& description, int compression = 6);
// An 8-bit RGB PNG from rows of width x 3 bytes (R, G, B); `compression` 0 to 9.
Bytes encodeRgbPng(int width, int height, const Bytes& rgb, int compression = 6);

// A GIF: a global colour table and frames of colour indices.
struct GifFrameDescription {
    int left = 0, top = 0, width = 1, height = 1;
    int delayCs = 0;   // hundredths of a second
    int disposal = 0;  // 0 unspecified, 1 keep, 2 to background, 3 to previous
    int transparentIndex = -1;
    bool interlaced = false;
    std::vector<Rgb> localColours;  // empty: the global table
    Bytes indices;                  // width x height, row by row
};
struct GifDescription {
    int width = 1, height = 1;
    std::vector<Rgb> colours;  // the global table (2, 4, ... 256 entries)
    std::vector<GifFrameDescription> frames;
};
Bytes encodeGif(const GifDescription& description);

// A JPEG of width x height pixels of `components` bytes each, in the library's colour space
// `space` (JCS_RGB, JCS_GRAYSCALE, JCS_CMYK), at full quality and without chroma subsampling.
Bytes encodeJpeg(int width, int height, int components, int space,
                 const std::function<void(int x, int y, std::uint8_t* pixel)>& paint,
                 bool progressive = false);

// A WebP of width x height RGBA pixels (R, G, B, A bytes), lossless or lossy.
Bytes encodeWebp(int width, int height, const Bytes& rgba, bool lossless = true);
// An animated WebP of whole-canvas RGBA frames, lossless, each shown for its delay.
Bytes encodeAnimatedWebp(int width, int height, const std::vector<Bytes>& rgbaFrames,
                         const std::vector<int>& delaysMs);
// A frame of an animated WebP put together by hand: a WebP still (from encodeWebp) at its place
// on the canvas (even offsets only), drawn over what is there or replacing it.
struct PlacedWebpFrame {
    Bytes still;
    int x = 0, y = 0;
    bool blend = true;
    bool disposeToTransparent = false;
    int delayMs = 100;
};
Bytes assembleAnimatedWebp(int width, int height, const std::vector<PlacedWebpFrame>& frames);

}  // namespace felmo::testing
