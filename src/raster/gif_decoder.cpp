// GIF decoding through giflib's record-level interface: one pass reads the frame headers and
// skips the compressed data (so the canvas size and frame count are checked before anything large
// is allocated), a second decodes and composes. giflib reports errors by return codes, never by
// jumping; each call is checked and the library's text becomes an InvalidPicture. Each pass reads
// the file from its start a piece at a time (piece_reader.hpp); a source that fails gives the
// library no more bytes, and its own error is thrown in place of the library's.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>

#include <gif_lib.h>

#include "raster/gif.hpp"
#include "raster/picture_limits.hpp"
#include "raster/piece_reader.hpp"

namespace felmo {
namespace {

[[noreturn]] void fail(const std::string& detail) {
    throw InvalidPicture("GIF", detail);
}

[[noreturn]] void failWithLibraryError(int errorCode) {
    if (errorCode == D_GIF_ERR_READ_FAILED || errorCode == D_GIF_ERR_EOF_TOO_SOON)
        fail("The file ends early: it is truncated or damaged.");
    const char* text = GifErrorString(errorCode);
    fail(text != nullptr ? std::string(text) + "." : "Error " + std::to_string(errorCode) + ".");
}

int readFromSource(GifFileType* gif, GifByteType* target, int length) {
    auto* reader = static_cast<PieceReader*>(gif->UserData);
    return static_cast<int>(reader->read({target, static_cast<std::size_t>(std::max(length, 0))}));
}

// One open giflib decoder over the source from its start, closed when it goes.
class GifFile {
  public:
    explicit GifFile(ByteSource& source) : reader_(source) {
        int errorCode = 0;
        gif_ = DGifOpen(&reader_, readFromSource, &errorCode);
        if (gif_ == nullptr) {
            reader_.rethrowFailure();
            failWithLibraryError(errorCode);
        }
    }
    ~GifFile() { DGifCloseFile(gif_, nullptr); }
    GifFile(const GifFile&) = delete;
    GifFile& operator=(const GifFile&) = delete;

    GifFileType* operator->() { return gif_; }
    // Whether every byte has been read.
    bool atEnd() const { return reader_.remaining() == 0; }
    // Throws the source's error if it failed, even where the library did not notice.
    void checkSource() const { reader_.rethrowFailure(); }
    GifFileType* get() { return gif_; }
    void check(int status) {
        if (status != GIF_OK) {
            reader_.rethrowFailure();
            failWithLibraryError(gif_->Error);
        }
    }

  private:
    PieceReader reader_;
    GifFileType* gif_ = nullptr;
};

struct FrameHeader {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int delayMs = 0;
    int disposal = DISPOSAL_UNSPECIFIED;
    int transparentIndex = NO_TRANSPARENT_COLOR;
};

struct Outline {
    int width = 0;
    int height = 0;
    std::vector<FrameHeader> frames;
};

// Reads the extension blocks that follow; a graphic control block sets `control`.
void readExtension(GifFile& gif, GraphicsControlBlock& control, bool& haveControl) {
    int code = 0;
    GifByteType* block = nullptr;
    gif.check(DGifGetExtension(gif.get(), &code, &block));
    while (block != nullptr) {
        if (code == GRAPHICS_EXT_FUNC_CODE && block[0] >= 4) {
            DGifExtensionToGCB(4, block + 1, &control);
            haveControl = true;
        }
        gif.check(DGifGetExtensionNext(gif.get(), &block));
    }
}

void skipPixelData(GifFile& gif) {
    int codeSize = 0;
    GifByteType* block = nullptr;
    gif.check(DGifGetCode(gif.get(), &codeSize, &block));
    while (block != nullptr)
        gif.check(DGifGetCodeNext(gif.get(), &block));
}

// Walks the records; for each frame calls onFrame(header) right after its descriptor, which must
// consume the frame's pixel data. Stops after `frameLimit` frames.
template <typename OnFrame>
void walkFrames(GifFile& gif, int frameLimit, OnFrame onFrame) {
    GraphicsControlBlock control{};
    bool haveControl = false;
    int frameCount = 0;
    for (;;) {
        // A file that ends right after a frame but lacks the closing byte is shown as it is,
        // as browsers do; a file cut inside a frame is an error.
        if (frameCount > 0 && gif.atEnd())
            return;
        GifRecordType record = UNDEFINED_RECORD_TYPE;
        gif.check(DGifGetRecordType(gif.get(), &record));
        if (record == TERMINATE_RECORD_TYPE)
            return;
        if (record == EXTENSION_RECORD_TYPE) {
            readExtension(gif, control, haveControl);
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE)
            fail("Unexpected record in the file.");
        gif.check(DGifGetImageDesc(gif.get()));
        if (++frameCount > kMaxAnimationFrames)
            fail("The animation has more than " + std::to_string(kMaxAnimationFrames) + " frames.");
        FrameHeader header;
        header.left = gif->Image.Left;
        header.top = gif->Image.Top;
        header.width = gif->Image.Width;
        header.height = gif->Image.Height;
        if (haveControl) {
            header.delayMs = control.DelayTime * 10;
            header.disposal = control.DisposalMode;
            header.transparentIndex = control.TransparentColor;
        }
        haveControl = false;
        onFrame(header);
        if (frameCount == frameLimit)
            return;
    }
}

Outline readOutline(ByteSource& source) {
    GifFile gif(source);
    Outline outline;
    std::int64_t width = gif->SWidth, height = gif->SHeight;
    walkFrames(gif, kMaxAnimationFrames, [&](const FrameHeader& header) {
        skipPixelData(gif);
        width = std::max<std::int64_t>(width, std::int64_t{header.left} + header.width);
        height = std::max<std::int64_t>(height, std::int64_t{header.top} + header.height);
        outline.frames.push_back(header);
    });
    gif.checkSource();
    if (outline.frames.empty() || width == 0 || height == 0)
        fail("The file holds no picture.");
    try {
        checkPictureSize(width, height);
    } catch (const Error& limit) {
        fail(limit.what());
    }
    outline.width = static_cast<int>(width);
    outline.height = static_cast<int>(height);
    return outline;
}

// The composed canvas: colours and opacities, starting transparent black.
class GifCanvas {
  public:
    GifCanvas(int width, int height)
        : picture_{Raster(width, height, colors::black),
                   std::vector<std::uint8_t>(static_cast<std::size_t>(width) * height, 0)} {}

    const DecodedPicture& picture() const { return picture_; }
    // The picture itself, taken out: the canvas is done with.
    DecodedPicture release() { return std::move(picture_); }
    int width() const { return picture_.colour.width(); }
    int height() const { return picture_.colour.height(); }

    // The part of a frame's rectangle that lies on the canvas (empty when none does).
    struct Span {
        int left, top, right, bottom;
        bool empty() const { return left >= right || top >= bottom; }
    };
    Span clip(const FrameHeader& frame) const {
        return Span{std::min(frame.left, width()), std::min(frame.top, height()),
                    std::min(frame.left + frame.width, width()),
                    std::min(frame.top + frame.height, height())};
    }

    void clear(const Span& area) {
        for (int y = area.top; y < area.bottom; ++y) {
            std::memset(colourAt(area.left, y), 0,
                        static_cast<std::size_t>(area.right - area.left) * 3);
            std::memset(alphaAt(area.left, y), 0, static_cast<std::size_t>(area.right - area.left));
        }
    }

    // A copy of an area's colours and opacities, and putting it back.
    struct Saved {
        Span area;
        std::vector<std::uint8_t> colour, alpha;
    };
    Saved save(const Span& area) const {
        Saved saved{area, {}, {}};
        const std::size_t width = static_cast<std::size_t>(area.right - area.left);
        for (int y = area.top; y < area.bottom; ++y) {
            const std::uint8_t* colour = const_cast<GifCanvas*>(this)->colourAt(area.left, y);
            const std::uint8_t* alpha = const_cast<GifCanvas*>(this)->alphaAt(area.left, y);
            saved.colour.insert(saved.colour.end(), colour, colour + width * 3);
            saved.alpha.insert(saved.alpha.end(), alpha, alpha + width);
        }
        return saved;
    }
    void restore(const Saved& saved) {
        if (saved.area.empty())
            return;
        const std::size_t width = static_cast<std::size_t>(saved.area.right - saved.area.left);
        for (int y = saved.area.top, row = 0; y < saved.area.bottom; ++y, ++row) {
            std::memcpy(colourAt(saved.area.left, y), saved.colour.data() + row * width * 3,
                        width * 3);
            std::memcpy(alphaAt(saved.area.left, y), saved.alpha.data() + row * width, width);
        }
    }

    // Paints one decoded row of colour indices, starting at canvas column `left`.
    void paintRow(int y, int left, const GifPixelType* indices, int count,
                  const ColorMapObject& map, int transparentIndex) {
        if (y < 0 || y >= height())
            return;
        std::uint8_t* colour = colourAt(left, y);
        std::uint8_t* alpha = alphaAt(left, y);
        const int visible = std::min(count, width() - left);
        for (int x = 0; x < visible; ++x) {
            const int index = indices[x];
            if (index == transparentIndex || index >= map.ColorCount)
                continue;
            const GifColorType& entry = map.Colors[index];
            colour[x * 3] = entry.Blue;
            colour[x * 3 + 1] = entry.Green;
            colour[x * 3 + 2] = entry.Red;
            alpha[x] = 255;
        }
    }

  private:
    std::uint8_t* colourAt(int x, int y) {
        return picture_.colour.storageRow(y) + static_cast<std::size_t>(x) * 3;
    }
    std::uint8_t* alphaAt(int x, int y) {
        return picture_.alpha.data() + static_cast<std::size_t>(y) * width() + x;
    }

    DecodedPicture picture_;
};

// Decodes the current frame's rows onto the canvas; interlaced frames come in four passes.
void decodeFrame(GifFile& gif, GifCanvas& canvas, const FrameHeader& frame) {
    const ColorMapObject* map =
        gif->Image.ColorMap != nullptr ? gif->Image.ColorMap : gif->SColorMap;
    if (map == nullptr)
        fail("A frame has no colour table.");
    if (frame.width == 0 || frame.height == 0) {
        skipPixelData(gif);
        return;
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(frame.width));
    const bool visibleColumns = frame.left < canvas.width();
    auto readRow = [&](int row) {
        gif.check(DGifGetLine(gif.get(), line.data(), frame.width));
        if (visibleColumns)
            canvas.paintRow(frame.top + row, frame.left, line.data(), frame.width, *map,
                            frame.transparentIndex);
    };
    if (gif->Image.Interlace) {
        constexpr int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int row = kStart[pass]; row < frame.height; row += kStep[pass])
                readRow(row);
    } else {
        for (int row = 0; row < frame.height; ++row)
            readRow(row);
    }
}

// Composes at most frameLimit frames, handing each to `visit` until it returns false; returns the
// canvas as the last visit saw it.
DecodedPicture compose(ByteSource& source, const Outline& outline, int frameLimit,
                       const ComposedFrameVisitor& visit) {
    GifFile gif(source);
    GifCanvas canvas(outline.width, outline.height);
    int index = 0;
    bool goOn = true;
    // The previous frame's disposal, applied before the next frame is drawn.
    int pendingDisposal = DISPOSAL_UNSPECIFIED;
    GifCanvas::Span pendingArea{0, 0, 0, 0};
    GifCanvas::Saved saved;
    walkFrames(gif, frameLimit, [&](const FrameHeader& frame) {
        if (!goOn) {
            skipPixelData(gif);
            return;
        }
        if (pendingDisposal == DISPOSE_BACKGROUND)
            canvas.clear(pendingArea);
        else if (pendingDisposal == DISPOSE_PREVIOUS)
            canvas.restore(saved);
        const GifCanvas::Span area = canvas.clip(frame);
        if (frame.disposal == DISPOSE_PREVIOUS && index + 1 < frameLimit)
            saved = canvas.save(area);
        decodeFrame(gif, canvas, frame);
        pendingDisposal = frame.disposal;
        pendingArea = area;
        goOn = visit(index++, canvas.picture());
    });
    gif.checkSource();
    return canvas.release();
}

}  // namespace

DecodedPicture decodeGif(ByteSource& source) {
    const Outline outline = readOutline(source);
    // The canvas after the first frame is the picture: taken as it is, not copied.
    DecodedPicture first =
        compose(source, outline, 1, [](int, const DecodedPicture&) { return false; });
    dropAlphaWhenOpaque(first);
    return first;
}

AnimationOutline readGifOutline(ByteSource& source) {
    const Outline outline = readOutline(source);
    AnimationOutline result{outline.width, outline.height, {}};
    for (const FrameHeader& frame : outline.frames)
        result.delaysMs.push_back(frame.delayMs);
    return result;
}

void composeGifFrames(ByteSource& source, const ComposedFrameVisitor& visit) {
    const Outline outline = readOutline(source);
    compose(source, outline, kMaxAnimationFrames, visit);
}

DecodedPicture decodeGif(std::span<const std::uint8_t> bytes) {
    MemorySource source(bytes);
    return decodeGif(source);
}

AnimationOutline readGifOutline(std::span<const std::uint8_t> bytes) {
    MemorySource source(bytes);
    return readGifOutline(source);
}

void composeGifFrames(std::span<const std::uint8_t> bytes, const ComposedFrameVisitor& visit) {
    MemorySource source(bytes);
    composeGifFrames(source, visit);
}

}  // namespace felmo
