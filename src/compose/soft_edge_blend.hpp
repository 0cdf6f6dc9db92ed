// SoftEdgeBlend: lays a source raster over a destination raster, in place, at a chosen opacity
// inside a rectangle of the source and with a linear fall-off of opacity beyond each of the
// rectangle's four sides, at its own rate per side. The overlay of the EidPic strip and the
// cross-fade effect both use it.
//
// Two colours make source pixels transparent: KeyColour is never drawn, and the background key
// (PickedRGB, the colour picked last) is drawn only when KeepBackground is set.
//
// Rules per source pixel (row i, column j), each blending the destination pixel at opacity a when
// its position condition holds (and, from rule 2 on, a > 0); a later rule works on the result of
// an earlier one, so some pixels are blended more than once:
//   1 rectangle            Y1 <= i <= Y2, X1 <= j <= X2   a = Alpha
//   2 left side            j < X1, Y1 < i < Y2            a = Alpha - SlopeL*(X1-j)
//   3 right side           j > X2, Y1 < i < Y2            a = Alpha - SlopeR*(j-X2)
//   4 bottom side          i > Y2, X1 < j < X2            a = Alpha - SlopeD*(i-Y2)
//   5 top side             i < Y1, X1 < j < X2            a = Alpha - SlopeU*(Y1-i)
//   6 bottom-right corner  i >= Y2, j >= X2               a = Alpha - SlopeD*(i-Y2) - SlopeR*(j-X2)
//   7 top-right corner     i <= Y1, j >= X2               a = Alpha - SlopeU*(Y1-i) - SlopeR*(j-X2)
//   8 bottom-left corner   i >= Y2, j <= X1               a = Alpha - SlopeD*(i-Y2) - SlopeL*(X1-j)
//   9 top-left corner      i <= Y1, j <= X1               a = Alpha - SlopeU*(Y1-i) - SlopeL*(X1-j)
// A blend is, per channel, d := ((255 - a) * d + a * s) / 255 in signed 32-bit arithmetic, the
// quotient truncated toward zero and its low 8 bits stored; opacities are signed 32-bit too
// (wrapping like the 32-bit machine integers they are, never undefined).
#pragma once

#include "compose/picked_rgb.hpp"
#include "raster/color.hpp"
#include "raster/raster.hpp"

namespace felmo {

// Where and how SoftEdgeBlend lays the source: everything but the two rasters and the background
// key. Every field starts at 0 (KeepBackground false), so a caller names only what it sets.
struct SoftEdgeBlendArea {
    Color KeyColour = 0;  // source pixels of this colour are never drawn
    int X = 0;            // Dest column of Src's column 0
    int Y = 0;            // Dest row of Src's row 0
    int Alpha = 0;        // opacity inside the rectangle, 255 opaque
    // The rectangle, inclusive, in source coordinates.
    int X1 = 0;
    int X2 = 0;
    int Y1 = 0;
    int Y2 = 0;
    // How much opacity each pixel of distance beyond a side takes away.
    int SlopeL = 0;
    int SlopeR = 0;
    int SlopeU = 0;
    int SlopeD = 0;
    bool KeepBackground = false;  // draw source pixels of the background key too
};

// Blends Src into Dest with Src's pixel (0, 0) on Dest's pixel (X, Y). Dest is left untouched,
// without any report, when a guard fails, tested in this order: Dest or Src missing (nullptr);
// Src not 24-bit, then Dest not 24-bit; Src height + Y above Dest height; Src width + X above Dest
// width; X or Y negative. The rectangle X1..X2, Y1..Y2 may lie partly or wholly outside the
// source; only source pixels are visited. Reads `background` as the background key; allocates
// nothing and keeps no state.
void SoftEdgeBlend(Raster* Dest, const Raster* Src, const SoftEdgeBlendArea& area,
                   const PickedRGB& background);

}  // namespace felmo
