#include "app/picture_panel.hpp"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <cstring>

#include "raster/image.hpp"

namespace felmo {
namespace {

// The frame a panel shows while a file is dragged over it.
constexpr int kDropFrameWidth = 3;

}  // namespace

QImage toQImage(const Raster& raster) {
    QImage image(raster.width(), raster.height(), QImage::Format_BGR888);
    const auto rowBytes = static_cast<std::size_t>(raster.width()) * 3;
    for (int y = 0; y < raster.height(); ++y)
        std::memcpy(image.scanLine(y), raster.storageRow(y), rowBytes);
    return image;
}

PicturePanel::PicturePanel(const Image& image, QWidget* parent) : QWidget(parent), image_(&image) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PicturePanel::refresh() {
    const Raster* raster = image_->picture();
    if (raster == nullptr || raster->empty()) {
        if (!shown_.isNull()) {
            shown_ = QImage();
            update();
        }
        return;
    }
    if (shown_.width() != raster->width() || shown_.height() != raster->height()) {
        shown_ = toQImage(*raster);
        update();
        return;
    }
    const auto rowBytes = static_cast<std::size_t>(raster->width()) * 3;
    int firstChanged = -1;
    int lastChanged = -1;
    for (int y = 0; y < raster->height(); ++y) {
        if (std::memcmp(shown_.constScanLine(y), raster->storageRow(y), rowBytes) == 0)
            continue;
        std::memcpy(shown_.scanLine(y), raster->storageRow(y), rowBytes);
        if (firstChanged < 0)
            firstChanged = y;
        lastChanged = y;
    }
    if (firstChanged >= 0)
        update(0, firstChanged, width(), lastChanged - firstChanged + 1);
}

void PicturePanel::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    painter.setClipRect(event->rect());
    // Nearest pixel when the screen's density magnifies the picture: blocks, not blur.
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    if (!shown_.isNull())
        painter.drawImage(0, 0, shown_);
    if (dropHighlighted_) {
        const QColor highlight = palette().color(QPalette::Highlight);
        QColor veil = highlight;
        veil.setAlpha(60);
        painter.fillRect(rect(), veil);
        painter.setPen(
            QPen(highlight, kDropFrameWidth, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        const int inset = kDropFrameWidth / 2;
        painter.drawRect(rect().adjusted(inset, inset, -inset - 1, -inset - 1));
    }
}

void PicturePanel::setTakesDroppedFiles(bool on) {
    setAcceptDrops(on);
    if (!on)
        setDropHighlighted(false);
}

void PicturePanel::setDropHighlighted(bool on) {
    if (dropHighlighted_ == on)
        return;
    dropHighlighted_ = on;
    update();
}

void PicturePanel::dragEnterEvent(QDragEnterEvent* event) {
    if (droppedFile(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    setDropHighlighted(true);
}

void PicturePanel::dragLeaveEvent(QDragLeaveEvent* event) {
    setDropHighlighted(false);
    QWidget::dragLeaveEvent(event);
}

void PicturePanel::dropEvent(QDropEvent* event) {
    setDropHighlighted(false);
    const QString file = droppedFile(event->mimeData());
    if (file.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit pictureDropped(file, mapToGlobal(event->position().toPoint()));
}

QString droppedFile(const QMimeData* data) {
    if (data == nullptr || !data->hasUrls())
        return {};
    const QList<QUrl> urls = data->urls();
    if (urls.size() != 1 || !urls.front().isLocalFile())
        return {};
    return urls.front().toLocalFile();
}

void PicturePanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

}  // namespace felmo
