// The still pictures of the main window: the phone-sized previews that the load commands fit
// pictures into and that the build saves (the status-area strips, background, splash screen and
// welcome image), under the names the rest of the program knows them by.
#pragma once

#include "raster/image.hpp"

namespace felmo {

// Screen of the phone and the parts of it the previews show.
inline constexpr int kScreenWidth = 176;
inline constexpr int kScreenHeight = 208;

struct StillPictures {
    // Visible status-area preview: the composed strip plus the sample date.
    Image EidPicPicture{176, 68};
    // Hidden base strip: EidPic frame 4 as unpacked, or the top 68 rows of a loaded background.
    Image EidPicPicture0{176, 68};
    // Hidden composed strip (base strip with the overlay blended in); saved as EidPic 1..4.
    Image EidPicPicture1{176, 68};
    // Hidden overlay picture.
    Image EidPicPictureAlpha{176, 68};
    // The background below the strip; saved as backgroundimage frame 0.
    Image BackgroundPicture{176, 132};
    // Preview of the phone's bottom soft-key strip (preview only, never saved).
    Image LinesPicture{176, 20};
    // Status-area previews above the start-up and welcome previews.
    Image StartUpEidPicPicture{176, 12};
    Image WelcomeimageEidPicPicture{176, 12};
    // Status strip above the splash preview; saved as EidPic frame 0.
    Image SplashEidPic{176, 12};
    // Splash screen; saved as Splashscreen frame 0. Several effects start from it.
    Image SplashscreenPicture{176, 208};
    // Welcome image; saved as Welcomeimage frame 0.
    Image WelcomeimagePicture{176, 208};
};

}  // namespace felmo
