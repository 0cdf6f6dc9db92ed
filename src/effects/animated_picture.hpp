// "Анимация" / "Из анимированной картинки…": an animated GIF or WebP (a still picture counts as one
// frame) becomes the 12 start-up frames, each the source frame a viewer would be showing at that
// moment, stretched over the whole screen.
#pragma once

#include <array>
#include <span>

#include "effects/effect_context.hpp"
#include "effects/frame_files.hpp"

namespace felmo {

// A frame shown for less than 20 ms is shown for 100 ms, as browsers do.
int displayedDelayMs(int storedDelayMs);

// Which source frame each start-up frame shows: with T the sum of the displayed delays, start-up
// frame i is the source frame on screen at floor(i x T / 12) ms. With equal delays that is source
// frame floor(i x N / 12). `delaysMs` holds at least one delay.
std::array<int, kFrameCount> chooseSourceFrames(std::span<const int> delaysMs);

// Asks for a picture; on cancel nothing changes. Otherwise composes the source frames (the whole
// file is decoded before any frame file is written, so a damaged file changes nothing), lays them
// over black, stretches each chosen one over 176 x 208 by nearest neighbour, saves them as frames
// 0 to 11, and restarts the preview from frame 0. LoadedPicture becomes the first source frame.
void AnimationFromPicture(EffectContext& context);

}  // namespace felmo
