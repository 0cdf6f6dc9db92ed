// The load commands of the "Загрузить" menu: each loads a picture through PicturesLoading and
// stretches it, without keeping its aspect ratio, into fixed rectangles of the still pictures.
// A cancelled dialog draws nothing but the commands still finish their remaining steps; a read
// error is thrown and ends the command before anything is drawn.
#pragma once

#include "compose/picked_rgb.hpp"
#include "compose/picture_loading.hpp"
#include "compose/status_strip.hpp"
#include "compose/still_pictures.hpp"

namespace felmo {

// "Фоновую картинку": the picture fills the 176 x 200 standby area: its top 68 rows land in
// EidPicPicture, EidPicPicture0 and EidPicPicture1 (the composed strip gets the bare picture),
// the top 12 rows in StartUpEidPicPicture and WelcomeimageEidPicPicture, rows 68..199 in
// BackgroundPicture. Then DrawDownLine redraws the bottom strip.
void WallPaper(StillPictures& pictures, PictureLoad& load, StatusStrip& strip, PickedRGB& picked,
               const PictureChooser& choose);
// The fitting part of WallPaper alone (an empty picture draws nothing).
void fitWallPaper(StillPictures& pictures, const Raster& picture);

// "Заставку": the picture fills SplashscreenPicture (176 x 208), then the splash status strip is
// repainted (paintSplashStatusStrip).
void Splashscreen1Click(StillPictures& pictures, PictureLoad& load, PickedRGB& picked,
                        const PictureChooser& choose);

// The status strip above the splash preview: SplashEidPic becomes a band of the splash picture's
// top-centre colour C (pixel (88, 0)) through two border flood fills from (0, 0) (border pure red,
// then border C); PickedRGB := C; the indicator glyph "White" (black on white) when
// R + G + B > 380, else "Black" (white on black), drawn at (152, 3) with its background left out.
void paintSplashStatusStrip(StillPictures& pictures, PickedRGB& picked);

// "Приветствие": the picture fills WelcomeimagePicture (176 x 208).
void LoadWelcomeimage(StillPictures& pictures, PictureLoad& load, const PictureChooser& choose);

}  // namespace felmo
