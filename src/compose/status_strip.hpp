// The bottom soft-key strip preview (LinesPicture): filled with the strip colour, labelled with
// the soft-key captions in the contrasting colour, with the colour's R, G, B shown in three
// labels. The same routines put a sample date on the visible EidPic preview. Preview only.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "base/text_mark.hpp"
#include "compose/picked_rgb.hpp"
#include "compose/still_pictures.hpp"
#include "raster/color.hpp"

namespace felmo {

// The colour dialog: opens at the given colour; the chosen colour, or nullopt on cancel.
using ColourChooser = std::function<std::optional<Color>(Color initial)>;

inline constexpr int kTrackBar1Max = 15;  // TrackBar1 runs 0..15, sampling columns 0, 11, ..., 165

struct StatusStrip {
    Color StripColour = 0;
    int TrackBar1 = 0;       // slider position 0..15; not stored in the settings
    std::string redLabel;    // "R = <red>"; empty until the strip is first drawn
    std::string greenLabel;  // "G = <green>"
    std::string blueLabel;   // "B = <blue>"
};

// Drawn into the phone pictures: the phone's own texts, never translated.
inline constexpr const char* kSoftKeyCaptions = "Радио                    Файлы";
inline constexpr const char* kSampleDate = "сб 02.02.2008";
// The window's hint and caption beside the strip: shown through translate().
inline constexpr const char* kLinesPictureHint = N_("Кликните для подбора цвета вручную");
inline constexpr const char* kStripColourCaption = N_("Код цвета нижней полоски");

// The strip colour is sampled from the background's bottom row (row 131) at column
// 11 x TrackBar1, then the strip, the captions, PickedRGB, the date and the labels are redrawn.
// A TrackBar1 outside 0..15 is taken as the nearest end.
void DrawDownLine(StillPictures& pictures, StatusStrip& strip, PickedRGB& picked);

// A click on the strip: the colour dialog opens at StripColour; a confirmed colour becomes the
// strip colour, a cancel keeps it; either way the strip, captions, date and labels are redrawn.
void LinesPictureClick(StillPictures& pictures, StatusStrip& strip, PickedRGB& picked,
                       const ColourChooser& chooseColour);

// The inverse of a colour, used for every text on and beside the strip.
Color contrastColour(Color colour);

}  // namespace felmo
