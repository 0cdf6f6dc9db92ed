#include "effects/preview_player.hpp"

#include "base/error.hpp"
#include "effects/frame_files.hpp"

namespace felmo {

void PreviewPlayer::enableTimer2() {
    if (timer2Enabled_)
        return;
    timer2Enabled_ = true;
    if (observer_)
        observer_(true);
}

void PreviewPlayer::disableTimer2() {
    if (!timer2Enabled_)
        return;
    timer2Enabled_ = false;
    if (observer_)
        observer_(false);
}

void Timer2Timer(PreviewPlayer& player, Image& StartUpPicture,
                 const std::filesystem::path& workDir) {
    const int frame =
        (player.PreviewFrame >= 0 && player.PreviewFrame <= kLastFrame) ? player.PreviewFrame : 0;
    showPreviewFrame(StartUpPicture, workDir, frame);
    player.PreviewFrame = frame == kLastFrame ? 0 : frame + 1;
}

void showPreviewFrame(Image& StartUpPicture, const std::filesystem::path& workDir, int frame) {
    try {
        StartUpPicture.loadBmpFile(frameFilePath(workDir, frame));
    } catch (const Error&) {
        // A frame that is missing or cannot be read is skipped: the panel keeps the previous
        // frame and the loop goes on, so one bad file never stops the preview.
    }
}

}  // namespace felmo
