#include "raster/canvas.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>
#include <vector>

namespace felmo {
namespace {

void storeColor(std::uint8_t* at, Color color) {
    at[0] = blueOf(color);
    at[1] = greenOf(color);
    at[2] = redOf(color);
}

// Paints `count` pixels from `at` on with one colour: the first pixel, then doubling copies.
void paintRun(std::uint8_t* at, int count, Color color) {
    if (count <= 0)
        return;
    storeColor(at, color);
    std::size_t done = 3;
    const std::size_t total = static_cast<std::size_t>(count) * 3;
    while (done < total) {
        const std::size_t chunk = std::min(done, total - done);
        std::memcpy(at + done, at, chunk);
        done += chunk;
    }
}

// Paints columns [from, to) of row y with a colour already reduced to the raster's format,
// clipped to the raster.
void paintSpan(Raster& raster, std::int64_t y, std::int64_t from, std::int64_t to, Color color) {
    if (y < 0 || y >= raster.height())
        return;
    from = std::max<std::int64_t>(from, 0);
    to = std::min<std::int64_t>(to, raster.width());
    std::uint8_t* row = raster.storageRow(static_cast<int>(y));
    for (std::int64_t x = from; x < to; ++x)
        storeColor(row + x * 3, color);
}

// The columns [left, right] (inclusive, relative to the box) that row `row` of the ellipse
// inscribed in a width x height box covers: the pixels whose centres lie inside the ellipse; the
// middle row (or two) spans the whole width and every other row at least the middle column (or
// two), so that even a very flat or thin ellipse touches all four sides of its box. Symmetric
// left to right and top to bottom by construction. False outside the box.
bool ellipseSpan(std::int64_t row, std::int64_t width, std::int64_t height, std::int64_t& left,
                 std::int64_t& right) {
    if (row < 0 || row >= height)
        return false;
    if (2 * row + 1 == height ||
        (height % 2 == 0 && (row == height / 2 - 1 || row == height / 2))) {
        left = 0;
        right = width - 1;
        return true;
    }
    const double radiusY = static_cast<double>(height) / 2.0;
    const double offsetY = (static_cast<double>(row) + 0.5 - radiusY) / radiusY;
    const double radiusX = static_cast<double>(width) / 2.0;
    const double halfWidth = radiusX * std::sqrt(std::max(0.0, 1.0 - offsetY * offsetY));
    left = static_cast<std::int64_t>(std::ceil(radiusX - halfWidth - 0.5));
    left = std::max<std::int64_t>(left, 0);
    right = width - 1 - left;
    if (left > right) {
        left = (width - 1) / 2;
        right = width / 2;
    }
    return true;
}

}  // namespace

void Canvas::stretchDraw(const Rect& rect, const Raster& source) {
    if (source.empty())
        return;
    const std::int64_t rectWidth = std::int64_t{rect.right} - rect.left;
    const std::int64_t rectHeight = std::int64_t{rect.bottom} - rect.top;
    if (rectWidth <= 0 || rectHeight <= 0)
        return;
    Raster& target = *target_;
    const int x0 = static_cast<int>(std::max<std::int64_t>(rect.left, 0));
    const int x1 = static_cast<int>(std::min<std::int64_t>(rect.right, target.width()));
    const int y0 = static_cast<int>(std::max<std::int64_t>(rect.top, 0));
    const int y1 = static_cast<int>(std::min<std::int64_t>(rect.bottom, target.height()));
    if (x0 >= x1 || y0 >= y1)
        return;

    // Drawing a raster onto itself reads from a snapshot, so no pixel is read after it changed.
    std::optional<Raster> snapshot;
    const Raster* from = &source;
    if (&source == &target)
        from = &snapshot.emplace(source);

    const std::int64_t sourceWidth = from->width();
    const std::int64_t sourceHeight = from->height();
    std::vector<int> sourceColumn(static_cast<std::size_t>(x1 - x0));
    for (int x = x0; x < x1; ++x)
        sourceColumn[x - x0] = static_cast<int>((x - rect.left) * sourceWidth / rectWidth);

    const bool skipKey = from->transparent();
    const Color key = skipKey ? from->effectiveTransparentColor() : 0;
    const std::uint8_t keyBytes[3] = {blueOf(key), greenOf(key), redOf(key)};
    const bool reduce = !target.is24Bit();
    const bool straightCopy =
        !skipKey && !reduce && rectWidth == sourceWidth && rectHeight == sourceHeight;

    for (int y = y0; y < y1; ++y) {
        const int sourceRow = static_cast<int>((y - rect.top) * sourceHeight / rectHeight);
        const std::uint8_t* in = from->storageRow(sourceRow);
        std::uint8_t* out = target.storageRow(y) + static_cast<std::size_t>(x0) * 3;
        if (straightCopy) {
            std::memmove(out, in + static_cast<std::size_t>(sourceColumn[0]) * 3,
                         static_cast<std::size_t>(x1 - x0) * 3);
            continue;
        }
        for (int column : sourceColumn) {
            const std::uint8_t* pixel = in + static_cast<std::size_t>(column) * 3;
            if (skipKey && std::memcmp(pixel, keyBytes, 3) == 0) {
                out += 3;
                continue;
            }
            if (reduce)
                storeColor(out, target.reduceToFormat(rgb(pixel[2], pixel[1], pixel[0])));
            else
                std::memcpy(out, pixel, 3);
            out += 3;
        }
    }
}

void Canvas::draw(int x, int y, const Raster& source) {
    stretchDraw(Rect::bySize(x, y, source.width(), source.height()), source);
}

void Canvas::moveTo(int x, int y) {
    target_->state().penX = x;
    target_->state().penY = y;
}

void Canvas::lineTo(int x, int y) {
    Raster& target = *target_;
    DrawingState& state = target.state();
    const Color color = target.reduceToFormat(state.penColor);
    // Bresenham's walk from the pen position; the loop stops before painting (x, y).
    std::int64_t px = state.penX, py = state.penY;
    const std::int64_t dx = std::abs(x - px), dy = -std::abs(y - py);
    const int stepX = px < x ? 1 : -1, stepY = py < y ? 1 : -1;
    std::int64_t error = dx + dy;
    while (px != x || py != y) {
        if (target.contains(static_cast<int>(px), static_cast<int>(py)))
            storeColor(target.storageRow(static_cast<int>(py)) + px * 3, color);
        const std::int64_t doubled = 2 * error;
        if (doubled >= dy) {
            error += dy;
            px += stepX;
        }
        if (doubled <= dx) {
            error += dx;
            py += stepY;
        }
    }
    state.penX = x;
    state.penY = y;
}

void Canvas::ellipse(int x1, int y1, int x2, int y2) {
    Raster& target = *target_;
    const std::int64_t left = std::min(x1, x2), right = std::max(x1, x2);
    const std::int64_t top = std::min(y1, y2), bottom = std::max(y1, y2);
    const std::int64_t width = right - left, height = bottom - top;
    if (width <= 0 || height <= 0)
        return;
    const Color pen = target.reduceToFormat(target.state().penColor);
    const bool fill = target.state().brushStyle == BrushStyle::Solid;
    const Color brush = target.reduceToFormat(target.state().brushColor);

    // A pixel of a row's span belongs to the outline when it ends the span or when the row above
    // or below does not cover it; that makes the outline the 8-connected inner boundary of the
    // covered area, which no four-neighbour fill can cross.
    const std::int64_t firstRow = std::max<std::int64_t>(0, top) - top;
    const std::int64_t lastRow = std::min<std::int64_t>(target.height(), bottom) - top;
    for (std::int64_t row = firstRow; row < lastRow; ++row) {
        std::int64_t spanLeft = 0, spanRight = 0, aboveLeft = 0, aboveRight = -1, belowLeft = 0,
                     belowRight = -1;
        ellipseSpan(row, width, height, spanLeft, spanRight);
        ellipseSpan(row - 1, width, height, aboveLeft, aboveRight);
        ellipseSpan(row + 1, width, height, belowLeft, belowRight);
        const std::int64_t insideLeft = std::max({spanLeft + 1, aboveLeft, belowLeft});
        const std::int64_t insideRight = std::min({spanRight - 1, aboveRight, belowRight});
        const std::int64_t y = top + row;
        if (insideLeft <= insideRight) {
            if (fill)
                paintSpan(target, y, left + insideLeft, left + insideRight + 1, brush);
            paintSpan(target, y, left + spanLeft, left + insideLeft, pen);
            paintSpan(target, y, left + insideRight + 1, left + spanRight + 1, pen);
        } else {
            paintSpan(target, y, left + spanLeft, left + spanRight + 1, pen);
        }
    }
}

void Canvas::floodFillBorder(int x, int y, Color borderColor) {
    Raster& target = *target_;
    if (!target.contains(x, y))
        return;
    const Color border = target.reduceToFormat(borderColor);
    // The border colour as the three stored bytes read little-endian: blue, green, red.
    const std::uint32_t borderKey =
        blueOf(border) | std::uint32_t{greenOf(border)} << 8 | std::uint32_t{redOf(border)} << 16;
    const int width = target.width();
    const int height = target.height();
    const Color brush = target.reduceToFormat(target.state().brushColor);

    // `closed` marks, row by row as rows are first reached, the pixels of the border colour;
    // painted pixels are marked too, so a brush colour already present never makes the fill
    // take a pixel twice.
    std::vector<std::uint8_t> closed(static_cast<std::size_t>(width) * height);
    std::vector<std::uint8_t> rowReady(static_cast<std::size_t>(height), 0);
    auto closedRow = [&](int rowIndex) {
        std::uint8_t* marks = closed.data() + static_cast<std::size_t>(rowIndex) * width;
        if (!rowReady[rowIndex]) {
            const std::uint8_t* pixel = target.storageRow(rowIndex);
            // Four-byte loads, the fourth byte masked off; the last pixel of a row is read
            // byte by byte, as nothing may follow it.
            for (int column = 0; column + 1 < width; ++column, pixel += 3) {
                std::uint32_t value;
                std::memcpy(&value, pixel, 4);
                marks[column] = (value & 0x00FFFFFF) == borderKey;
            }
            marks[width - 1] = (pixel[0] | std::uint32_t{pixel[1]} << 8 |
                                std::uint32_t{pixel[2]} << 16) == borderKey;
            rowReady[rowIndex] = 1;
        }
        return marks;
    };
    if (closedRow(y)[x])
        return;
    // The first column in [from, to) with the given mark, or `to`.
    auto find = [](const std::uint8_t* marks, int from, int to, std::uint8_t mark) {
        if (from >= to)
            return to;
        const void* hit = std::memchr(marks + from, mark, static_cast<std::size_t>(to - from));
        return hit ? static_cast<int>(static_cast<const std::uint8_t*>(hit) - marks) : to;
    };

    // Scanline fill with an explicit stack: each seed grows into the widest open run of its
    // row, and the rows above and below get one seed per open run next to it.
    std::vector<std::pair<int, int>> seeds;
    seeds.emplace_back(x, y);
    while (!seeds.empty()) {
        const auto [seedX, seedY] = seeds.back();
        seeds.pop_back();
        std::uint8_t* marks = closedRow(seedY);
        if (marks[seedX])
            continue;
        int runLeft = seedX, runRight;
        while (runLeft > 0 && !marks[runLeft - 1])
            --runLeft;
        runRight = find(marks, seedX + 1, width, 1) - 1;
        std::memset(marks + runLeft, 1, static_cast<std::size_t>(runRight - runLeft + 1));
        paintRun(target.storageRow(seedY) + static_cast<std::size_t>(runLeft) * 3,
                 runRight - runLeft + 1, brush);
        for (int neighbour : {seedY - 1, seedY + 1}) {
            if (neighbour < 0 || neighbour >= height)
                continue;
            const std::uint8_t* next = closedRow(neighbour);
            for (int column = find(next, runLeft, runRight + 1, 0); column <= runRight;
                 column = find(next, column, runRight + 1, 0)) {
                seeds.emplace_back(column, neighbour);
                column = find(next, column, runRight + 1, 1);
            }
        }
    }
}

void Canvas::setFontSizePoints(int points) {
    target_->state().font.heightPx = fontPointsToPixels(points);
}

int fontPointsToPixels(int points) {
    // Rounded to nearest, halves away from zero.
    const std::int64_t scaled = std::int64_t{points} * 96;
    const std::int64_t pixels = scaled >= 0 ? (scaled + 36) / 72 : -((-scaled + 36) / 72);
    return static_cast<int>(pixels);
}

}  // namespace felmo
