#include "compose/picture_fitting.hpp"

#include "compose/indicator_glyph.hpp"
#include "raster/canvas.hpp"

namespace felmo {
namespace {

// The standby area below the status bar: the strip images take its top rows, the background
// the rest, so the background is drawn 68 rows up.
constexpr Rect kStandbyArea{0, 0, 176, 200};
constexpr Rect kBackgroundPart{0, -68, 176, 132};
constexpr Rect kFullScreen{0, 0, kScreenWidth, kScreenHeight};

// Where the splash status strip takes its colour from, and where its glyph goes.
constexpr int kSplashColourX = 88;
constexpr int kSplashColourY = 0;
constexpr int kGlyphX = 152;
constexpr int kGlyphY = 3;
// Above this sum of red, green and blue a strip counts as bright and gets the black glyph.
constexpr int kBrightStripSum = 380;

// Pixel reads outside a raster give FFFFFFFF; only the colour bytes are a colour.
Color colourAt(Image& image, int x, int y) {
    return image.canvas().pixel(x, y) & 0x00FFFFFF;
}

}  // namespace

void fitWallPaper(StillPictures& pictures, const Raster& picture) {
    for (Image* strip :
         {&pictures.EidPicPicture, &pictures.EidPicPicture0, &pictures.EidPicPicture1,
          &pictures.StartUpEidPicPicture, &pictures.WelcomeimageEidPicPicture})
        strip->canvas().stretchDraw(kStandbyArea, picture);
    pictures.BackgroundPicture.canvas().stretchDraw(kBackgroundPart, picture);
}

void WallPaper(StillPictures& pictures, PictureLoad& load, StatusStrip& strip, PickedRGB& picked,
               const PictureChooser& choose) {
    PicturesLoading(load, choose);
    fitWallPaper(pictures, load.LoadedPicture);
    DrawDownLine(pictures, strip, picked);
}

void paintSplashStatusStrip(StillPictures& pictures, PickedRGB& picked) {
    const Color colour = colourAt(pictures.SplashscreenPicture, kSplashColourX, kSplashColourY);

    Canvas strip = pictures.SplashEidPic.canvas();
    strip.setBrushColor(colour);
    strip.floodFillBorder(0, 0, colors::red);
    // Only does something when the top-left pixel itself is pure red and stopped the first fill.
    strip.floodFillBorder(0, 0, colour);

    picked = PickedRGB::of(colour);
    const bool bright = picked.R + picked.G + picked.B > kBrightStripSum;
    Raster glyph = bright ? makeIndicatorGlyph(colors::black, colors::white)
                          : makeIndicatorGlyph(colors::white, colors::black);
    glyph.setTransparent(true);
    glyph.setTransparentColor(glyph.pixel(0, 0));
    strip.draw(kGlyphX, kGlyphY, glyph);
}

void Splashscreen1Click(StillPictures& pictures, PictureLoad& load, PickedRGB& picked,
                        const PictureChooser& choose) {
    PicturesLoading(load, choose);
    pictures.SplashscreenPicture.canvas().stretchDraw(kFullScreen, load.LoadedPicture);
    paintSplashStatusStrip(pictures, picked);
}

void LoadWelcomeimage(StillPictures& pictures, PictureLoad& load, const PictureChooser& choose) {
    PicturesLoading(load, choose);
    pictures.WelcomeimagePicture.canvas().stretchDraw(kFullScreen, load.LoadedPicture);
}

}  // namespace felmo
