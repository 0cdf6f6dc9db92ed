// Reading a user's picture: the kind is recognised from the first bytes of the file (JPEG, BMP,
// PNG, GIF, WebP), never from its name, and the file goes to that kind's decoder. JPEG and BMP
// pictures come out exactly as their decoders give them (a BMP keeps its pixel format) and are
// opaque; PNG, GIF and WebP pictures carry their transparency (decoded_picture.hpp), and GIF and
// WebP give their first frame as the still.
//
// Errors name the file: "Cannot open file ..." when it cannot be read; "Cannot read "<path>": it
// is not a JPEG, BMP, PNG, GIF or WebP picture." for any other content; a damaged file of a known
// kind gets its own decoder's message ("Invalid PNG file "<path>". ...").
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "platform/file_io.hpp"
#include "raster/animation.hpp"
#include "raster/decoded_picture.hpp"

namespace felmo {

enum class PictureFormat { Jpeg, Bmp, Png, Gif, WebP };

// The kind the bytes start like, or nullopt.
std::optional<PictureFormat> pictureFormatOf(std::span<const std::uint8_t> bytes);
std::string_view pictureFormatName(PictureFormat format);  // "JPEG", "BMP", "PNG", "GIF", "WebP"

// A picture file, open and recognised from its first bytes. Its decoders read it through the
// open file, so it is the same file from the first pass to the last even if its name is taken
// over meanwhile.
class PictureFile {
  public:
    explicit PictureFile(const std::filesystem::path& path);

    const std::filesystem::path& path() const { return input_.path(); }
    PictureFormat format() const { return format_; }
    ByteSource& source() { return input_; }

  private:
    InputFile input_;
    PictureFormat format_;
};

// The picture (the first frame of an animation).
DecodedPicture decodePictureFile(PictureFile& file);
DecodedPicture loadPictureFile(const std::filesystem::path& path);
// The same on bytes alone; unrecognised bytes are "Not a JPEG, BMP, PNG, GIF or WebP picture."
DecodedPicture decodePicture(std::span<const std::uint8_t> bytes);

// The file as an animation: each frame's delay as stored (ms), GIF and WebP frame by frame and
// any other picture as one frame of delay 0; and the frames composed in order (a still is handed
// over once).
std::vector<int> frameDelaysMs(PictureFile& file);
// The canvas size and the delays of an animation (GIF, WebP), read from its headers; any other
// picture is one frame of delay 0 and size 0 x 0 (its own decoder applies the picture limits).
AnimationOutline animationOutline(PictureFile& file);
void composeFrames(PictureFile& file, const ComposedFrameVisitor& visit);

}  // namespace felmo
