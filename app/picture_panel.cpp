#include "app/picture_panel.hpp"

#include <QMouseEvent>
#include <QPainter>
#include <cstring>

#include "raster/image.hpp"

namespace felmo {

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
    if (shown_.isNull())
        return;
    QPainter painter(this);
    painter.setClipRect(event->rect());
    painter.drawImage(0, 0, shown_);
}

void PicturePanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QWidget::mouseReleaseEvent(event);
}

}  // namespace felmo
