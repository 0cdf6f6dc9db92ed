// The preview player: shows the frame files in an endless loop on StartUpPicture, one every
// 125 ms, reading each frame from disk on every tick, so frames an effect has just written are on
// screen at the next tick. Timers are not threads: the front end calls Timer2Timer every 125 ms
// while Timer2 is enabled.
#pragma once

#include <filesystem>
#include <functional>
#include <utility>

#include "raster/image.hpp"

namespace felmo {

inline constexpr int kTimer2PeriodMs = 125;

// PreviewFrame and Timer2, with the controls the effects use (disable, enable, rewind).
class PreviewPlayer {
  public:
    int PreviewFrame = 0;  // the next frame to show, 0..11

    bool timer2Enabled() const { return timer2Enabled_; }
    // Enabling an enabled timer changes nothing; enabling a disabled one starts a new period,
    // so the next tick comes 125 ms later. Both report a change to the observer.
    void enableTimer2();
    void disableTimer2();
    void rewind() { PreviewFrame = 0; }

    // Told whenever Timer2 goes from disabled to enabled (true) or back (false); the front end
    // (re)starts or stops its periodic timer there.
    void setTimer2Observer(std::function<void(bool enabled)> observer) {
        observer_ = std::move(observer);
    }

  private:
    bool timer2Enabled_ = false;  // disabled at program start
    std::function<void(bool)> observer_;
};

// Loads frame file `frame` into StartUpPicture without moving the loop on; a missing or
// unreadable file leaves StartUpPicture as it was.
void showPreviewFrame(Image& StartUpPicture, const std::filesystem::path& workDir, int frame);

// One tick: loads frame file PreviewFrame into StartUpPicture, then advances PreviewFrame
// (11 wraps to 0). A missing or unreadable frame file is skipped: StartUpPicture keeps what it
// showed, the index still advances, and nothing is reported.
void Timer2Timer(PreviewPlayer& player, Image& StartUpPicture,
                 const std::filesystem::path& workDir);

}  // namespace felmo
