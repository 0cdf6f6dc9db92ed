// The hidden work images of the effects. Each holds one surface that lives as long as the program:
// nothing clears it between frames or runs except the steps of the effect that uses it, so a pixel
// no step paints keeps what an earlier frame, run or (on LeavingPicture) another effect left.
// The design sizes (17 x 17, LeavingPicture 176 x 208) matter only until an effect sets the size
// it needs before first drawing.
#pragma once

#include "raster/image.hpp"

namespace felmo {

struct WorkImages {
    Image HorizontalSlideStrip{17, 17};  // the picture fitted to the screen height, 2112 x 208
    Image DotDissolveCell{17, 17};       // one 2 x 2 cell of the new picture on its way
    Image ZoomSurface{17, 17};           // the zoom in place draws its frames here, 176 x 208
    Image VerticalSlideStrip{17, 17};    // the picture fitted to the screen width, 176 x 2496
    Image TunnelSurface{17, 17};         // the splash picture masked outside the tunnel
    Image LightSurface{17, 17};          // the splash picture masked outside the light spot
    Image BinocularSurface{17, 17};      // the binocular zoom draws its frames here
    Image StripWipeColumn{17, 17};       // one column of the new picture, 1 x 208
    Image StripWipeRow{17, 17};          // one row of the new picture, 176 x 1
    Image CrossFadePicture{17, 17};      // the new picture fitted to the screen, 176 x 208
    Image CrossFadeFrame{17, 17};        // the cross-fade's frame, blended step by step
    Image LeavingPicture{176, 208};      // frame surface shared by several effects
    Image EnteringPicture{17, 17};       // the new picture of the picture-to-picture transitions
};

}  // namespace felmo
