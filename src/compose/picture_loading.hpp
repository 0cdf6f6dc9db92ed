// PicturesLoading: the one way a user's picture enters the program. It asks the front end for a
// file (the picture-open dialog), decodes it at its own size and leaves it in LoadedPicture.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "raster/raster.hpp"

namespace felmo {

// The picture-open dialog: the chosen file, or nullopt when the user cancels.
using PictureChooser = std::function<std::optional<std::filesystem::path>()>;

// The filter the picture-open dialog offers.
inline constexpr const char* kPictureDialogFilter =
    "All (*.jpg;*.jpeg;*.bmp)|*.jpg;*.jpeg;*.bmp|JPEG Image File (*.jpg)|*.jpg|"
    "JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp";

// The last picture loaded and whether the last dialog was cancelled (shared by the load commands
// and the effects that take a new picture).
struct PictureLoad {
    Raster LoadedPicture;        // empty after a cancel or a failed load
    bool LoadCancelled = false;  // meaningful from the end of one load to the start of the next
};

// Clears LoadCancelled, empties LoadedPicture, then asks `choose`. On cancel sets LoadCancelled.
// Otherwise reads the file: as BMP when its extension is spelled exactly ".bmp", ".BMP" or ".Bmp",
// as JPEG for every other extension (other spellings of ".bmp" included). A read or decoder error
// is thrown (felmo::Error, the reader's text) and LoadedPicture stays empty.
void PicturesLoading(PictureLoad& load, const PictureChooser& choose);

// The text from the last "." of the file name, the dot included; empty when the name has none.
std::string pictureExtension(const std::filesystem::path& file);
// Whether a file with this extension is read as BMP (the three accepted spellings only).
bool readsAsBmp(const std::string& extension);

}  // namespace felmo
