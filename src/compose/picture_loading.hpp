// PicturesLoading: the one way a user's picture enters the program. It asks the front end for a
// file (the picture-open dialog), decodes it at its own size and leaves it in LoadedPicture.
#pragma once

#include <filesystem>
#include <functional>
#include <optional>

#include "raster/raster.hpp"

namespace felmo {

// The picture-open dialog: the chosen file, or nullopt when the user cancels.
using PictureChooser = std::function<std::optional<std::filesystem::path>()>;

// The filter the picture-open dialog offers: every kind read first, then one entry a kind.
inline constexpr const char* kPictureDialogFilter =
    "All pictures (*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.webp)|*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.webp|"
    "JPEG Image File (*.jpg)|*.jpg|JPEG Image File (*.jpeg)|*.jpeg|Bitmaps (*.bmp)|*.bmp|"
    "PNG Image File (*.png)|*.png|GIF Image File (*.gif)|*.gif|WebP Image File (*.webp)|*.webp";

// The last picture loaded and whether the last dialog was cancelled (shared by the load commands
// and the effects that take a new picture).
struct PictureLoad {
    Raster LoadedPicture;        // empty after a cancel or a failed load
    bool LoadCancelled = false;  // meaningful from the end of one load to the start of the next
};

// What becomes of pixels a PNG, GIF or WebP picture leaves (partly) transparent.
enum class TransparentPixels {
    OverBlack,  // laid over black
    // Less than half opaque: the overlay's key colour magenta, which is never drawn; the others
    // opaque. For the picture laid over the status strip.
    OverlayKey,
};

// Clears LoadCancelled, empties LoadedPicture, then asks `choose`. On cancel sets LoadCancelled.
// Otherwise reads the file as the kind its content shows (JPEG, BMP, PNG, GIF, WebP; the name
// plays no part); JPEG and BMP as their decoders give them, the others at 24 bits with their
// transparency resolved as `transparent` says. A read or decoder error is thrown (felmo::Error
// naming the file) and LoadedPicture stays empty.
void PicturesLoading(PictureLoad& load, const PictureChooser& choose,
                     TransparentPixels transparent = TransparentPixels::OverBlack);

// The dialog part of PicturesLoading alone, for callers that read the chosen file themselves:
// clears LoadCancelled and LoadedPicture and asks `choose`; on cancel sets LoadCancelled and
// gives nullopt.
std::optional<std::filesystem::path> choosePictureFile(PictureLoad& load,
                                                       const PictureChooser& choose);

}  // namespace felmo
