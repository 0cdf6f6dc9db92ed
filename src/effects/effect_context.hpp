// What an effect works with: the work directory its frames go to, its work images, the splash
// picture, the picture-load state with the front end's picture dialog, the random generator and
// the preview controls. The application model owns all of it and hands out a context per command.
#pragma once

#include <filesystem>

#include "compose/picked_rgb.hpp"
#include "compose/picture_loading.hpp"
#include "compose/still_pictures.hpp"
#include "effects/effect_random.hpp"
#include "effects/preview_player.hpp"
#include "effects/work_images.hpp"

namespace felmo {

struct EffectContext {
    std::filesystem::path workDir;  // frames go to workDir/startup/k.bmp
    WorkImages& work;
    StillPictures& stills;         // SplashscreenPicture is the source of the splash-based effects
    PictureLoad& load;             // LoadedPicture / LoadCancelled
    PictureChooser choosePicture;  // the front end's picture-open dialog
    EffectRandom& random;
    PreviewPlayer& preview;
    PickedRGB& picked;  // the blend's background key (cross-fade)

    // PicturesLoading with the front end's dialog; true when a picture was loaded, false when the
    // user cancelled. Read errors are thrown.
    bool loadPicture();
    // The splash-screen picture's surface (created white at 176 x 208 if it has none).
    Raster& splashPicture();
};

}  // namespace felmo
