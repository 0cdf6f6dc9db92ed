#include "app/emblem.hpp"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

namespace felmo {

QImage felmoEmblem(int sizePx) {
    QImage image(sizePx, sizePx, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(sizePx / 128.0, sizePx / 128.0);

    // The phone body, upright, in the proportions of a 176 x 208 screen with its frame.
    const QRectF body(24, 4, 80, 120);
    QLinearGradient bodyShade(body.topLeft(), body.topRight());
    bodyShade.setColorAt(0, QColor(70, 78, 92));
    bodyShade.setColorAt(1, QColor(32, 36, 44));
    painter.setPen(QPen(QColor(20, 22, 28), 2));
    painter.setBrush(bodyShade);
    painter.drawRoundedRect(body, 14, 14);

    // The screen: a sunrise sky over two hills.
    const QRectF screen(32, 20, 64, 76);
    QPainterPath screenShape;
    screenShape.addRoundedRect(screen, 3, 3);
    painter.save();
    painter.setClipPath(screenShape);
    QLinearGradient sky(screen.topLeft(), screen.bottomLeft());
    sky.setColorAt(0, QColor(40, 60, 150));
    sky.setColorAt(0.55, QColor(230, 110, 160));
    sky.setColorAt(1, QColor(255, 200, 90));
    painter.fillRect(screen, sky);
    QRadialGradient sunGlow(QPointF(64, 74), 22);
    sunGlow.setColorAt(0, QColor(255, 250, 200));
    sunGlow.setColorAt(0.45, QColor(255, 220, 80));
    sunGlow.setColorAt(1, QColor(255, 220, 80, 0));
    painter.setPen(Qt::NoPen);
    painter.setBrush(sunGlow);
    painter.drawEllipse(QPointF(64, 74), 22, 22);
    QPainterPath hills;
    hills.moveTo(28, 100);
    hills.lineTo(28, 82);
    hills.quadTo(50, 66, 70, 84);
    hills.quadTo(86, 72, 100, 80);
    hills.lineTo(100, 100);
    hills.closeSubpath();
    painter.setBrush(QColor(40, 120, 80));
    painter.drawPath(hills);
    // Twelve film frames along the top: the start-up animation.
    painter.setBrush(QColor(255, 255, 255, 170));
    for (int frame = 0; frame < 12; ++frame)
        painter.drawRect(QRectF(34 + frame * 5.1, 23, 3, 3));
    painter.restore();

    painter.setPen(QPen(QColor(15, 15, 20), 1.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(screen, 3, 3);

    // Soft keys and the navigation button.
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(150, 160, 175));
    painter.drawRoundedRect(QRectF(36, 103, 16, 5), 2, 2);
    painter.drawRoundedRect(QRectF(76, 103, 16, 5), 2, 2);
    painter.setBrush(QColor(200, 205, 215));
    painter.drawEllipse(QPointF(64, 108), 7, 7);
    painter.setBrush(QColor(20, 22, 28));
    painter.drawRoundedRect(QRectF(54, 10, 20, 3), 1.5, 1.5);
    return image;
}

QIcon felmoIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128})
        icon.addPixmap(QPixmap::fromImage(felmoEmblem(size)));
    return icon;
}

}  // namespace felmo
