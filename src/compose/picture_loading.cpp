#include "compose/picture_loading.hpp"

#include "raster/picture_reader.hpp"

namespace felmo {

std::optional<std::filesystem::path> choosePictureFile(PictureLoad& load,
                                                       const PictureChooser& choose) {
    load.LoadCancelled = false;
    load.LoadedPicture = Raster();

    std::optional<std::filesystem::path> file;
    if (choose)
        file = choose();
    if (!file)
        load.LoadCancelled = true;
    return file;
}

void PicturesLoading(PictureLoad& load, const PictureChooser& choose,
                     TransparentPixels transparent) {
    const std::optional<std::filesystem::path> file = choosePictureFile(load, choose);
    if (!file)
        return;
    // Decode into a local first, so that a failed read leaves LoadedPicture empty.
    DecodedPicture picture = loadPictureFile(*file);
    load.LoadedPicture = transparent == TransparentPixels::OverlayKey
                             ? keyTranslucentPixels(std::move(picture), colors::magenta)
                             : flattenOverBlack(std::move(picture));
}

}  // namespace felmo
