// The hidden work images of the effects. Each holds one surface that lives as long as the program:
// nothing clears it between frames or runs except the steps of the effect that uses it, so a pixel
// no step paints keeps what an earlier frame, run or (on LeavingPicture) another effect left.
// The design sizes (17 x 17, LeavingPicture 176 x 208) matter only until an effect sets the size
// it needs before first drawing.
#pragma once

#include "raster/image.hpp"

namespace felmo {

struct WorkImages {
    Image WorkingPicture{17, 17};    // horizontal slide strip, 2112 x 208
    Image WorkingPicture1{17, 17};   // dot dissolve
    Image WorkingPicture2{17, 17};   // zoom in place, 176 x 208
    Image WorkingPicture3{17, 17};   // vertical slide strip, 176 x 2496
    Image WorkingPicture4{17, 17};   // tunnel
    Image WorkingPicture5{17, 17};   // directed light
    Image WorkingPicture6{17, 17};   // binocular zoom
    Image WorkingPicture7{17, 17};   // vertical strips
    Image WorkingPicture8{17, 17};   // horizontal strips
    Image WorkingPicture9{17, 17};   // cross-fade
    Image WorkingPicture10{17, 17};  // cross-fade
    Image LeavingPicture{176, 208};  // frame surface shared by several effects
    Image EnteringPicture{17, 17};   // the new picture of the picture-to-picture transitions
};

}  // namespace felmo
