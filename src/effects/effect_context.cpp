#include "effects/effect_context.hpp"

namespace felmo {

bool EffectContext::loadPicture() {
    PicturesLoading(load, choosePicture);
    return !load.LoadCancelled;
}

Raster& EffectContext::splashPicture() {
    return stills.SplashscreenPicture.canvas().raster();
}

}  // namespace felmo
