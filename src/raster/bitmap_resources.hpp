// Bitmaps stored in the program under a name ("load bitmap resource"). Higher levels register
// the bitmaps they build; lookup ignores letter case.
#pragma once

#include <string_view>

#include "raster/raster.hpp"

namespace felmo {

void registerBitmapResource(std::string_view name, Raster bitmap);
// A copy of the bitmap registered under name; felmo::Error when there is none.
Raster loadBitmapResource(std::string_view name);

}  // namespace felmo
