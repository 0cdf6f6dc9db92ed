// MulDiv: a * b / d in 64-bit arithmetic, rounded to the nearest integer with halves rounded away
// from zero, as the multiply-divide of the Windows system library does. A zero divisor, or a
// result that does not fit a signed 32-bit integer, gives -1.
#pragma once

namespace felmo {

int MulDiv(int a, int b, int d);

}  // namespace felmo
