// The pictures of the five default phone graphics, drawn in code: a 12-frame sunrise for the
// start-up animation, the status strips, the standby background, the splash screen and the
// welcome image, all sized for the 176 x 208 screen.
#pragma once

#include <string>
#include <vector>

#include "raster/raster.hpp"

namespace felmo::defaults {

// One frame of a slot and the converter option it is packed with ("-c16", "-1").
struct Frame {
    Raster picture;
    std::string packOption;
};

struct SlotGraphics {
    std::string slotName;  // as the slot table spells it
    std::vector<Frame> frames;
};

// The five slots in slot order: startup (12 frames of 176 x 208), EidPic (176 x 12, then four
// 176 x 68), backgroundimage (176 x 132 and a 1 x 1 placeholder at 1 bpp grey), Splashscreen and
// Welcomeimage (176 x 208 each).
std::vector<SlotGraphics> drawDefaultGraphics();

}  // namespace felmo::defaults
