// Canvas: the drawing operations on one raster, using and changing that raster's drawing state.
// A Canvas is a light handle; it owns nothing and must not outlive its raster.
//
// Rectangles are (left, top, right, bottom) with the right column and the bottom row outside.
#pragma once

#include <string_view>

#include "raster/color.hpp"
#include "raster/raster.hpp"

namespace felmo {

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    static Rect bySize(int x, int y, int width, int height) {
        return Rect{x, y, x + width, y + height};
    }
    friend bool operator==(const Rect&, const Rect&) = default;
};

class Canvas {
  public:
    explicit Canvas(Raster& target) : target_(&target) {}

    Raster& raster() const { return *target_; }

    // The whole of source scaled to `rect` by nearest neighbour (source column
    // floor(dx * W / rect.width), row floor(dy * H / rect.height)), clipped to the target;
    // rect may start at negative coordinates. With the source's transparency on, destination
    // pixels whose source pixel has the transparent colour are left as they are. An empty source
    // (or a rect of no area) draws nothing.
    void stretchDraw(const Rect& rect, const Raster& source);
    // Unscaled copy with source pixel (0, 0) at (x, y); clipping and transparency as above.
    void draw(int x, int y, const Raster& source);

    Color pixel(int x, int y) const { return target_->pixel(x, y); }
    void setPixel(int x, int y, Color color) { target_->setPixel(x, y, color); }

    void moveTo(int x, int y);
    // One-pixel line in the pen colour from the pen position up to (x, y), leaving (x, y)
    // itself unpainted, as the line tools of the platform do; then (x, y) is the pen position.
    void lineTo(int x, int y);
    // Ellipse inscribed in (x1, y1, x2, y2), right and bottom exclusive: outline in the pen
    // colour, inside in the brush colour unless the brush style is Clear. The outline is
    // 8-connected, so it closes a region against a four-neighbour flood fill.
    void ellipse(int x1, int y1, int x2, int y2);
    // Paints with the brush colour every pixel reachable from (x, y) through left/right/up/down
    // neighbours none of which has the border colour. Nothing when the seed is outside or of the
    // border colour. Iterative: any raster size is safe.
    void floodFillBorder(int x, int y, Color borderColor);
    // Text (UTF-8) in the current font with the top-left of its first character cell at (x, y),
    // through the installed text rasteriser (see raster/text.hpp). With the background mode
    // Transparent only the glyph pixels are painted, in the font colour; Opaque also fills the
    // text's cell box with the brush colour.
    void textOut(int x, int y, std::string_view text);

    void setPenColor(Color color) { target_->state().penColor = color; }
    // Setting the brush colour makes a Clear brush solid again.
    void setBrushColor(Color color) {
        target_->state().brushColor = color;
        target_->state().brushStyle = BrushStyle::Solid;
    }
    void setBrushStyle(BrushStyle style) { target_->state().brushStyle = style; }
    void setBackgroundMode(BackgroundMode mode) { target_->state().backgroundMode = mode; }
    // Points at 96 dpi: height = round(points * 96 / 72), so 10 pt -> 13 px, 8 pt -> 11 px.
    void setFontSizePoints(int points);
    void setFontHeightPx(int pixels) { target_->state().font.heightPx = pixels; }
    void setFontBold(bool bold) { target_->state().font.bold = bold; }
    void setFontColor(Color color) { target_->state().font.color = color; }

  private:
    Raster* target_;
};

// Font size in points to character height in pixels at 96 dpi, rounded to nearest.
int fontPointsToPixels(int points);

}  // namespace felmo
