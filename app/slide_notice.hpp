// The sliding notice: a small sky-blue window that rises from below the bottom-right corner of the
// primary screen until it stands on the taskbar, waits two seconds and sinks away again. It never
// takes the focus, and while it moves and waits the program keeps processing window events, so
// the other windows stay usable and their timers keep ticking; only the caller waits.
#pragma once

#include <QRect>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QLabel;

namespace felmo {

inline constexpr int kNoticeWidth = 215;
inline constexpr int kNoticeHeight = 100;

// Where the notice goes on a screen (rectangle of the primary screen) whose taskbar's top edge is
// at `taskbarTop`: its left edge, its first top, and its top after every 2-pixel step up and then
// after every step down. Pure arithmetic, so that the positions can be checked without a display.
struct SlideNoticePath {
    int left = 0;
    int startTop = 0;
    std::vector<int> risingTops;   // top after each step up; the last one is the resting top
    std::vector<int> fallingTops;  // top after each step down; the last one is startTop again
};
SlideNoticePath slideNoticePath(const QRect& screen, int taskbarTop);

// The label's text: the message without its leading and trailing blanks, one space each side.
QString slideNoticeText(const QString& message);

// The notice window itself: 215 x 100, no frame, sky blue, 220/255 opaque, one centred,
// word-wrapped label; shown without activation and on top of the other windows.
class SlideNoticeWindow : public QWidget {
  public:
    explicit SlideNoticeWindow(const QString& message);
    QLabel* label() const { return label_; }

  private:
    QLabel* label_;
};

struct SlideNoticeTiming {
    int stepDelayMs = 10;    // between two 2-pixel steps
    int pauseMs = 2000;      // standing on the taskbar
    int pauseSliceMs = 250;  // pending events are processed after each slice of the pause
    // Called after every move with the window in its new place (tests watch the path with it).
    std::function<void(const SlideNoticeWindow&)> afterMove;
};

// Shows `message` in a notice and returns when the notice has gone. Without a screen nothing is
// shown and it returns at once.
void SlideNotice(const QString& message, const SlideNoticeTiming& timing = {});

}  // namespace felmo
