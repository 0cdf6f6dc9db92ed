// The document: every picture of the main window and the state the commands share (the loaded
// picture, the picked colour, the bottom strip, the overlay, the effects' random generator and
// work images, the animation preview). The load commands, the strip, the overlay composition and
// the effects all work on one Document; an effect gets its part of it as an EffectContext.
//
// A plain aggregate: its members keep the names the rest of the program knows them by, and tests
// and benchmarks build one the same way the application does.
#pragma once

#include <filesystem>
#include <string_view>

#include "compose/overlay_composition.hpp"
#include "compose/picked_rgb.hpp"
#include "compose/picture_loading.hpp"
#include "compose/status_strip.hpp"
#include "compose/still_pictures.hpp"
#include "effects/effect_context.hpp"
#include "effects/effect_random.hpp"
#include "effects/preview_player.hpp"
#include "effects/work_images.hpp"
#include "raster/image.hpp"

namespace felmo {

struct Document {
    StillPictures stills;
    WorkImages work;
    // The animation preview: the frame file Timer2 shows last.
    Image StartUpPicture{kScreenWidth, kScreenHeight};
    PictureLoad load;
    PickedRGB picked;
    StatusStrip strip;
    OverlayState overlay;
    EffectRandom random;
    PreviewPlayer preview;

    // What an effect works with: this document's pictures and state, frames written under
    // `workDir`, pictures asked for through `choosePicture`.
    EffectContext effectContext(std::filesystem::path workDir, PictureChooser choosePicture);

    // The previews after the start-up unpacking: the status area (EidPic frame 4) becomes the
    // visible preview and the three hidden strips, the background, splash strip, splash screen
    // and welcome image come from their frames, the strip colour is drawn, and the animation
    // preview starts with frame 0 already on its panel.
    void showUnpackedFrames(std::string_view workDir);
};

}  // namespace felmo
