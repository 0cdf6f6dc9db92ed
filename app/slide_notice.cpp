#include "app/slide_notice.hpp"

#include <QEventLoop>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <memory>

namespace felmo {
namespace {

constexpr int kStepPx = 2;
constexpr int kBelowScreenPx = 20;  // the notice starts with only its top 20 rows on screen
constexpr double kOpacity = 220.0 / 255.0;
const QColor kSkyBlue(166, 202, 240);

// Waits `ms` while the event loop keeps running (0: just the pending events).
void processEventsFor(int ms) {
    if (ms <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

SlideNoticePath slideNoticePath(const QRect& screen, int taskbarTop) {
    SlideNoticePath path;
    path.left = screen.x() + screen.width() - kNoticeWidth;
    path.startTop = screen.y() + screen.height() - kBelowScreenPx;
    int top = path.startTop;
    // Rises until its bottom edge stands on the taskbar's top edge (or one pixel above it).
    while (taskbarTop - kNoticeHeight < top) {
        top -= kStepPx;
        path.risingTops.push_back(top);
    }
    while (top < path.startTop) {
        top += kStepPx;
        path.fallingTops.push_back(top);
    }
    return path;
}

QString slideNoticeText(const QString& message) {
    return ' ' + message.trimmed() + ' ';
}

SlideNoticeWindow::SlideNoticeWindow(const QString& message)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::WindowStaysOnTopHint),
      label_(new QLabel(slideNoticeText(message), this)) {
    setObjectName("SlideNotice");
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFixedSize(kNoticeWidth, kNoticeHeight);
    setWindowOpacity(kOpacity);
    QPalette colours = palette();
    colours.setColor(QPalette::Window, kSkyBlue);
    setPalette(colours);
    setAutoFillBackground(true);

    label_->setWordWrap(true);
    label_->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(label_);
}

void SlideNotice(const QString& message, const SlideNoticeTiming& timing) {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    // The bottom edge of the space left free by panels stands for the taskbar's top edge.
    const QRect available = screen->availableGeometry();
    const SlideNoticePath path =
        slideNoticePath(screen->geometry(), available.y() + available.height());

    auto window = std::make_unique<SlideNoticeWindow>(message);
    window->move(path.left, path.startTop);
    window->show();

    auto moveTo = [&](int top) {
        window->move(path.left, top);
        window->repaint();
        if (timing.afterMove)
            timing.afterMove(*window);
        processEventsFor(timing.stepDelayMs);
    };
    for (int top : path.risingTops)
        moveTo(top);
    const int slice = timing.pauseSliceMs > 0 ? timing.pauseSliceMs : timing.pauseMs;
    for (int waited = 0; waited < timing.pauseMs; waited += slice)
        processEventsFor(std::min(slice, timing.pauseMs - waited));
    if (timing.pauseMs <= 0)
        processEventsFor(0);
    for (int top : path.fallingTops)
        moveTo(top);
}

}  // namespace felmo
