#include "app/qt_text_rasterizer.hpp"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <algorithm>

#include "app/window_parts.hpp"

namespace felmo {

GlyphMask QtTextRasterizer::render(std::string_view utf8Text, const Font& font) {
    const QString text =
        QString::fromUtf8(utf8Text.data(), static_cast<qsizetype>(utf8Text.size()));
    GlyphMask mask;
    if (text.isEmpty() || font.heightPx <= 0)
        return mask;

    QFont qtFont = sansSerifFont(font.heightPx);
    qtFont.setBold(font.bold);
    qtFont.setStyleStrategy(QFont::NoAntialias);
    const QFontMetrics metrics(qtFont);
    // Text is only ever a line of a preview; a cap keeps a hostile string from asking for a huge
    // mask.
    mask.width = std::min(metrics.horizontalAdvance(text), 4096);
    mask.height = std::min(metrics.height(), 1024);
    if (mask.width <= 0 || mask.height <= 0)
        return GlyphMask{};

    QImage canvas(mask.width, mask.height, QImage::Format_Grayscale8);
    canvas.fill(0);
    {
        QPainter painter(&canvas);
        painter.setFont(qtFont);
        painter.setPen(Qt::white);
        painter.drawText(0, metrics.ascent(), text);
    }
    mask.coverage.resize(static_cast<std::size_t>(mask.width) * mask.height);
    for (int y = 0; y < mask.height; ++y)
        std::copy_n(canvas.constScanLine(y), mask.width,
                    mask.coverage.begin() + static_cast<std::ptrdiff_t>(y) * mask.width);
    return mask;
}

}  // namespace felmo
