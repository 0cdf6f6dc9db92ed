#include "compose/picture_loading.hpp"

#include "raster/bmp.hpp"
#include "raster/jpeg.hpp"

namespace felmo {

std::string pictureExtension(const std::filesystem::path& file) {
    const std::string name = file.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return {};
    return name.substr(dot);
}

bool readsAsBmp(const std::string& extension) {
    // Only these three spellings: a file called "x.bMp" goes to the JPEG decoder.
    return extension == ".bmp" || extension == ".BMP" || extension == ".Bmp";
}

void PicturesLoading(PictureLoad& load, const PictureChooser& choose) {
    load.LoadCancelled = false;
    load.LoadedPicture = Raster();

    std::optional<std::filesystem::path> file;
    if (choose)
        file = choose();
    if (!file) {
        load.LoadCancelled = true;
        return;
    }

    // Decode into a local first, so that a failed read leaves LoadedPicture empty.
    Raster picture = readsAsBmp(pictureExtension(*file)) ? loadBmpFile(*file) : loadJpegFile(*file);
    load.LoadedPicture = std::move(picture);
}

}  // namespace felmo
