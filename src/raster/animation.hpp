// Animated pictures (GIF, WebP) read frame by frame. Frames are composed as a viewer shows them:
// the canvas starts fully transparent, each frame is drawn over what the frames before it left
// (only its own rectangle, its transparent pixels leaving the canvas as it was), and a frame's
// disposal then clears its rectangle to transparent or restores what was there before it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "raster/decoded_picture.hpp"

namespace felmo {

// More frames than this are refused: no animation anyone shares has that many, and each frame
// costs a pass over the whole canvas.
inline constexpr int kMaxAnimationFrames = 10000;

// Composing a frame costs a pass over the whole canvas (the WebP decoder blends every frame into
// a full canvas), so the frames composed times the canvas pixels are capped as well: 256 Mi
// pixels, about 2 s of work on an ordinary machine (a 1920 x 1080 animation of 129 frames, or a
// 500 x 500 one of 1073). A user of the first frames alone checks this before decoding.
inline constexpr std::int64_t kMaxComposedAnimationPixels = std::int64_t{1} << 28;

// The canvas size and each frame's display time as the file stores it, in milliseconds.
struct AnimationOutline {
    int width = 0;
    int height = 0;
    std::vector<int> delaysMs;
};

// Called with each composed frame in order (the canvas carries an opacity for every pixel);
// returns whether to go on with the next one.
using ComposedFrameVisitor = std::function<bool(int frameIndex, const DecodedPicture& canvas)>;

}  // namespace felmo
