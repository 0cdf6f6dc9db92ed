// What only a front end can do, as the application model asks for it. The GUI implements it with
// Qt dialogs and its sliding notice, the command-line program from its arguments, tests with fakes.
//
// Every call comes from the one thread the model runs on, from inside a handler of Studio. Text
// for the previews is not drawn through this interface but through the text rasteriser seam of
// raster/text.hpp, which a front end with fonts installs once at start.
#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "raster/color.hpp"

namespace felmo {

class FrontEnd {
  public:
    virtual ~FrontEnd() = default;

    // The picture-open dialog (JPEG and BMP pictures): the chosen file, or nullopt when the user
    // cancels. The model decides by the file's extension how to decode it.
    virtual std::optional<std::filesystem::path> choosePicture() = 0;

    // The colour dialog, opening at `initial` (00BBGGRR): the chosen colour, or nullopt when the
    // user cancels.
    virtual std::optional<Color> chooseColour(Color initial) = 0;

    // The sliding notice with `text` as the model composed it. Returns only when the notice has
    // gone; a GUI keeps processing window events meanwhile, a headless front end prints the text.
    virtual void showNotice(const std::string& text) = 0;

    // Shows `folder` in the file manager (after a build, when the user asked for it). Failure to
    // open it is the front end's to report or ignore; it never fails the build.
    virtual void openFolder(const std::filesystem::path& folder) = 0;
};

}  // namespace felmo
