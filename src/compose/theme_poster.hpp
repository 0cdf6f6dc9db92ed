// The theme poster: one picture that shows a theme as a person sees it on the phone, for sharing.
// Four screens stand side by side at 1:1 on a dark ground, in this order: the standby screen (the
// status area over the background), the splash screen, the last start-up frame and the welcome
// image. Each screen is the phone's 176 x 208 in black with its picture at the top left; a
// picture larger than the screen widens or lengthens its screen, so nothing is cut off.
#pragma once

#include "raster/raster.hpp"

namespace felmo {

struct ThemeScreens {
    const Raster* statusArea;  // the composed status area, as saved for EidPic frames 1 to 4
    const Raster* background;  // backgroundimage frame 0
    const Raster* splash;      // Splashscreen frame 0
    const Raster* lastStartupFrame;
    const Raster* welcome;  // Welcomeimage frame 0
};

// Space around and between the screens, and its colour.
inline constexpr int kPosterSpacing = 8;
inline constexpr Color kPosterGround = rgb(48, 48, 48);

// A 24-bit raster; felmo::Error when the pictures are too large for one raster.
Raster composeThemePoster(const ThemeScreens& screens);

}  // namespace felmo
