#include "raster/bitmap_resources.hpp"

#include <map>
#include <string>

#include "base/ascii.hpp"
#include "base/error.hpp"

namespace felmo {
namespace {

std::map<std::string, Raster>& registry() {
    static std::map<std::string, Raster> bitmaps;
    return bitmaps;
}

}  // namespace

void registerBitmapResource(std::string_view name, Raster bitmap) {
    registry().insert_or_assign(toLowerAscii(name), std::move(bitmap));
}

Raster loadBitmapResource(std::string_view name) {
    const auto found = registry().find(toLowerAscii(name));
    if (found == registry().end())
        throw Error("There is no bitmap resource named \"" + std::string(name) + "\".");
    return found->second;
}

}  // namespace felmo
