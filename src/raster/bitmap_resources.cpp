#include "raster/bitmap_resources.hpp"

#include <map>
#include <string>

#include "base/error.hpp"

namespace felmo {
namespace {

std::string foldCase(std::string_view name) {
    std::string folded(name);
    for (char& c : folded)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return folded;
}

std::map<std::string, Raster>& registry() {
    static std::map<std::string, Raster> bitmaps;
    return bitmaps;
}

}  // namespace

void registerBitmapResource(std::string_view name, Raster bitmap) {
    registry().insert_or_assign(foldCase(name), std::move(bitmap));
}

Raster loadBitmapResource(std::string_view name) {
    const auto found = registry().find(foldCase(name));
    if (found == registry().end())
        throw Error("There is no bitmap resource named \"" + std::string(name) + "\".");
    return found->second;
}

}  // namespace felmo
