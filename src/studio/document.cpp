#include "studio/document.hpp"

#include "workspace/paths.hpp"
#include "workspace/slot_table.hpp"

namespace felmo {

EffectContext Document::effectContext(std::filesystem::path workDir, PictureChooser choosePicture) {
    return EffectContext{std::move(workDir),       work,   stills,  load,
                         std::move(choosePicture), random, preview, picked};
}

void Document::showUnpackedFrames(std::string_view workDir) {
    const std::filesystem::path statusArea = framePath(workDir, kSlotTable[kEidPicSlot], 4);
    stills.EidPicPicture.loadBmpFile(statusArea);
    stills.EidPicPicture1.loadBmpFile(statusArea);
    stills.EidPicPicture0.loadBmpFile(statusArea);
    stills.EidPicPictureAlpha.loadBmpFile(statusArea);
    stills.BackgroundPicture.loadBmpFile(framePath(workDir, kSlotTable[kBackgroundimageSlot], 0));
    stills.SplashEidPic.loadBmpFile(framePath(workDir, kSlotTable[kEidPicSlot], 0));
    // Unscaled, so the 12-row strips show only the top rows of the status area.
    const Raster& statusPicture = *stills.EidPicPicture.picture();
    stills.StartUpEidPicPicture.canvas().draw(0, 0, statusPicture);
    stills.WelcomeimageEidPicPicture.canvas().draw(0, 0, statusPicture);
    DrawDownLine(stills, strip, picked);
    stills.SplashscreenPicture.loadBmpFile(framePath(workDir, kSlotTable[kSplashscreenSlot], 0));
    stills.WelcomeimagePicture.loadBmpFile(framePath(workDir, kSlotTable[kWelcomeimageSlot], 0));
    preview.enableTimer2();
    // The animation's first frame is on screen at once instead of after the first period; the
    // loop itself is unchanged and its first tick shows frame 0.
    showPreviewFrame(StartUpPicture, std::filesystem::path(workDir), 0);
}

}  // namespace felmo
