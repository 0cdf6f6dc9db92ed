#include "compose/soft_edge_blend.hpp"

#include <algorithm>
#include <cstdint>

namespace felmo {
namespace {

// Opacities and blend sums are 32-bit machine integers: worked out with unsigned (wrapping)
// operations and read back as signed, so extreme arguments wrap instead of overflowing.
using Word = std::uint32_t;

int asSigned(Word value) {
    return static_cast<int>(value);
}

// Alpha - slope * distance (distance = far - near).
int fadedOpacity(int alpha, int slope, int far, int near) {
    return asSigned(Word(alpha) - Word(slope) * (Word(far) - Word(near)));
}

std::uint8_t blendChannel(std::uint8_t destination, std::uint8_t source, int opacity) {
    // The usual case, an opacity in 0..255, has a sum in 0..65025: unsigned arithmetic gives the
    // same quotient, faster.
    if (static_cast<unsigned>(opacity) <= 255u) {
        const unsigned a = static_cast<unsigned>(opacity);
        return static_cast<std::uint8_t>(((255u - a) * destination + a * source) / 255u);
    }
    const Word a = Word(opacity);
    const int sum = asSigned((Word(255) - a) * destination + a * source);
    // Truncating division; only the quotient's low 8 bits are kept.
    return static_cast<std::uint8_t>(sum / 255);
}

// A 24-bit pixel is stored blue, green, red.
void blendPixel(std::uint8_t* destination, const std::uint8_t* source, int opacity) {
    destination[0] = blendChannel(destination[0], source[0], opacity);
    destination[1] = blendChannel(destination[1], source[1], opacity);
    destination[2] = blendChannel(destination[2], source[2], opacity);
}

// Which columns of a row can be blended at all, and whether a row can. Only worked out when every
// slope is 0 or more and no opacity can wrap around (every argument well inside 32 bits); then
// an opacity only falls with the distance from the rectangle, and the pixels beyond the reach of
// every rule need not be visited. Otherwise every pixel is visited.
struct Reach {
    bool bounded = false;
    int firstColumn = 0;
    int lastColumn = 0;  // inclusive
};

bool withinMagnitude(std::int64_t value, std::int64_t limit) {
    return value >= -limit && value <= limit;
}

// How far beyond a side an opacity stays positive: the largest distance d with
// Alpha - slope * d > 0 (none when Alpha is not positive; unlimited for slope 0).
std::int64_t sideReach(int alpha, int slope) {
    if (alpha <= 0)
        return -1;
    if (slope == 0)
        return std::int64_t{1} << 40;
    return (alpha - 1) / slope;
}

Reach columnReach(int width, int alpha, int x1, int x2, int slopeL, int slopeR, int slopeU,
                  int slopeD, int y1, int y2) {
    constexpr std::int64_t kCoordinateLimit = 32768;
    constexpr std::int64_t kSlopeLimit = 8192;
    constexpr std::int64_t kAlphaLimit = 65536;
    for (int slope : {slopeL, slopeR, slopeU, slopeD})
        if (slope < 0 || slope > kSlopeLimit)
            return {};
    for (int coordinate : {x1, x2, y1, y2})
        if (!withinMagnitude(coordinate, kCoordinateLimit))
            return {};
    if (!withinMagnitude(alpha, kAlphaLimit))
        return {};
    // Left of X1 (rules 2, 8, 9), the rectangle's columns, right of X2 (rules 3, 6, 7).
    const std::int64_t first =
        std::min<std::int64_t>(x1 - std::max<std::int64_t>(sideReach(alpha, slopeL), 0), x2);
    const std::int64_t last =
        std::max<std::int64_t>(x2 + std::max<std::int64_t>(sideReach(alpha, slopeR), 0), x1);
    Reach reach;
    reach.bounded = true;
    reach.firstColumn = static_cast<int>(std::max<std::int64_t>(first, 0));
    reach.lastColumn = static_cast<int>(std::min<std::int64_t>(last, width - 1));
    return reach;
}

}  // namespace

void SoftEdgeBlend(Raster* Dest, const Raster* Src, const SoftEdgeBlendArea& area,
                   const PickedRGB& background) {
    // Held in locals: the pixel writes go through byte pointers, which may alias anything, and
    // would otherwise make the compiler read every field again after each write.
    const int X = area.X;
    const int Y = area.Y;
    const int Alpha = area.Alpha;
    const int X1 = area.X1;
    const int X2 = area.X2;
    const int Y1 = area.Y1;
    const int Y2 = area.Y2;
    const int SlopeL = area.SlopeL;
    const int SlopeR = area.SlopeR;
    const int SlopeU = area.SlopeU;
    const int SlopeD = area.SlopeD;
    if (Dest == nullptr || Src == nullptr)
        return;
    if (!Src->is24Bit() || !Dest->is24Bit())
        return;
    // Compared in 64 bits so that no offset can overflow.
    if (std::int64_t{Src->height()} + Y > Dest->height())
        return;
    if (std::int64_t{Src->width()} + X > Dest->width())
        return;
    // A negative offset would reach outside Dest; the callers never pass one.
    if (X < 0 || Y < 0)
        return;

    const std::uint8_t keyR = redOf(area.KeyColour);
    const std::uint8_t keyG = greenOf(area.KeyColour);
    const std::uint8_t keyB = blueOf(area.KeyColour);
    const int width = Src->width();
    const Reach reach = columnReach(width, Alpha, X1, X2, SlopeL, SlopeR, SlopeU, SlopeD, Y1, Y2);
    const int firstColumn = reach.bounded ? reach.firstColumn : 0;
    const int lastColumn = reach.bounded ? reach.lastColumn : width - 1;

    for (int i = 0; i < Src->height(); ++i) {
        const std::uint8_t* sourceRow = Src->row(i);
        std::uint8_t* destinationRow = Dest->row(Y + i) + static_cast<std::size_t>(X) * 3;

        // What depends on the row alone.
        const bool inRectangleRows = Y1 <= i && i <= Y2;
        const bool betweenRows = Y1 < i && i < Y2;
        const bool below = i > Y2;
        const bool above = i < Y1;
        const bool atOrBelow = i >= Y2;
        const bool atOrAbove = i <= Y1;
        const int bottomOpacity = fadedOpacity(Alpha, SlopeD, i, Y2);
        const int topOpacity = fadedOpacity(Alpha, SlopeU, Y1, i);
        // Beyond the rectangle's rows only the fades above (rules 5, 7, 9) and below (4, 6, 8)
        // can reach, each at most at its row's opacity.
        if (reach.bounded && !inRectangleRows && !(atOrAbove && topOpacity > 0) &&
            !(atOrBelow && bottomOpacity > 0))
            continue;

        for (int j = firstColumn; j <= lastColumn; ++j) {
            const std::uint8_t* s = sourceRow + static_cast<std::size_t>(j) * 3;
            std::uint8_t* d = destinationRow + static_cast<std::size_t>(j) * 3;
            const int sB = s[0];
            const int sG = s[1];
            const int sR = s[2];
            if (!area.KeepBackground && sR == background.R && sG == background.G &&
                sB == background.B)
                continue;
            if (sR == keyR && sG == keyG && sB == keyB)
                continue;

            // 1: the rectangle, at full Alpha (also when Alpha is 0 or less).
            if (inRectangleRows && X1 <= j && j <= X2)
                blendPixel(d, s, Alpha);
            // 2-5: the four sides, each faded by its distance from the rectangle.
            if (j < X1 && betweenRows) {
                const int a = fadedOpacity(Alpha, SlopeL, X1, j);
                if (a > 0)
                    blendPixel(d, s, a);
            }
            if (j > X2 && betweenRows) {
                const int a = fadedOpacity(Alpha, SlopeR, j, X2);
                if (a > 0)
                    blendPixel(d, s, a);
            }
            const bool betweenColumns = X1 < j && j < X2;
            if (below && betweenColumns && bottomOpacity > 0)
                blendPixel(d, s, bottomOpacity);
            if (above && betweenColumns && topOpacity > 0)
                blendPixel(d, s, topOpacity);
            // 6-9: the corners, faded along both axes; their bounds are inclusive, so they also
            // take the border rows and columns continued beyond the rectangle.
            if (atOrBelow && j >= X2) {
                const int a = asSigned(Word(bottomOpacity) - Word(SlopeR) * (Word(j) - Word(X2)));
                if (a > 0)
                    blendPixel(d, s, a);
            }
            if (atOrAbove && j >= X2) {
                const int a = asSigned(Word(topOpacity) - Word(SlopeR) * (Word(j) - Word(X2)));
                if (a > 0)
                    blendPixel(d, s, a);
            }
            if (atOrBelow && j <= X1) {
                const int a = asSigned(Word(bottomOpacity) - Word(SlopeL) * (Word(X1) - Word(j)));
                if (a > 0)
                    blendPixel(d, s, a);
            }
            if (atOrAbove && j <= X1) {
                const int a = asSigned(Word(topOpacity) - Word(SlopeL) * (Word(X1) - Word(j)));
                if (a > 0)
                    blendPixel(d, s, a);
            }
        }
    }
}

}  // namespace felmo
