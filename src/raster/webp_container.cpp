// The walk follows libwebp's demuxer step for step (its chunk order rules, size checks, what it
// tolerates and what it refuses), reading each header from the source as it comes to it instead
// of from the whole file in memory. A file the demuxer would find incomplete is "ends early",
// one it would refuse is "damaged". A picture chunk's features (its size, lossless or not, its
// opacity bit) come from its first bytes only, so only those are read.
#include "raster/webp_container.hpp"

#include <algorithm>
#include <span>

#include <webp/decode.h>

#include "raster/decoded_picture.hpp"

namespace felmo {
namespace {

constexpr std::uint64_t kChunkHeaderSize = 8;
constexpr std::uint64_t kRiffHeaderSize = 12;
constexpr std::uint64_t kExtendedHeaderSize = 10;
constexpr std::uint64_t kAnimationHeaderSize = 6;
constexpr std::uint64_t kFrameHeaderSize = 16;
constexpr std::uint64_t kMaxImageArea = std::uint64_t{1} << 32;
constexpr std::uint32_t kMaxChunkPayload = ~0u - kChunkHeaderSize - 1;
constexpr std::uint32_t kAnimationFlag = 0x02;
constexpr std::uint32_t kAlphaFlag = 0x10;
constexpr std::uint32_t kAllValidFlags = 0x3e;
// What the library reads of a picture chunk to tell its features: the chunk header and the
// bitstream's own header (10 bytes lossy, 5 lossless), well within this.
constexpr std::size_t kFeaturePrefixBytes = 64;
// How much is read at once around a chunk header from a file.
constexpr std::size_t kWindowBytes = 4096;

constexpr std::uint32_t tagOf(const char (&name)[5]) {
    return std::uint32_t(std::uint8_t(name[0])) | std::uint32_t(std::uint8_t(name[1])) << 8 |
           std::uint32_t(std::uint8_t(name[2])) << 16 | std::uint32_t(std::uint8_t(name[3])) << 24;
}

std::uint32_t le32(const std::uint8_t* bytes) {
    return std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
           std::uint32_t(bytes[3]) << 24;
}

int le24(const std::uint8_t* bytes) {
    return int(bytes[0]) | int(bytes[1]) << 8 | int(bytes[2]) << 16;
}

enum class Parse { Ok, NeedMoreData, Error };
enum class State { ParsingHeader, ParsedHeader, Done };

// A frame while it is read: what the decoder is given of it, and the offsets and sizes (header
// included) of its picture and opacity chunks, 0 when absent.
struct Frame : WebpFrameChunks {
    int number = 0;
    bool complete = false;
    std::uint64_t imageOffset = 0;
    std::uint64_t imageSize = 0;
    std::uint64_t alphaOffset = 0;
    std::uint64_t alphaSize = 0;
};

class Walker {
  public:
    Walker(ByteSource& source, int frameLimit)
        : source_(source), frameLimit_(frameLimit), end_(source.size()) {}

    WebpContainer walk() {
        const Parse header = readRiffHeader();
        if (header == Parse::Error)
            return bareBitstream();
        if (header != Parse::Ok)
            fail("The file is damaged.");
        const bool partial = end_ < riffEnd_;

        Parse status = Parse::Error;
        bool extended = false;
        const std::uint32_t tag = le32(at(start_, 4));
        if (tag == tagOf("VP8 ") || tag == tagOf("VP8L")) {
            status = parseSingleImage();
        } else if (tag == tagOf("VP8X")) {
            extended = true;
            status = parseExtendedHeader();
        } else {
            fail("The file is damaged.");
        }
        if (status == Parse::Ok)
            state_ = State::Done;
        if (status == Parse::NeedMoreData && !partial)
            status = Parse::Error;
        if (status != Parse::Error && !(extended ? extendedIsValid() : simpleIsValid()))
            status = Parse::Error;
        if (status == Parse::Error)
            fail("The file is damaged.");
        if (state_ != State::Done)
            fail("The file ends early: it is truncated or damaged.");

        result_.canvasWidth = static_cast<int>(canvasWidth_);
        result_.canvasHeight = static_cast<int>(canvasHeight_);
        result_.flags = flags_;
        result_.frameCount = frameCount_;
        return std::move(result_);
    }

  private:
    [[noreturn]] static void fail(const char* detail) { throw InvalidPicture("WebP", detail); }

    // `length` bytes at `position`, which lie before end_; valid until the next call.
    const std::uint8_t* at(std::uint64_t position, std::size_t length) {
        if (position < windowStart_ || position - windowStart_ + length > window_.size()) {
            const std::uint64_t rest = end_ - position;
            const std::size_t read = static_cast<std::size_t>(
                source_.isInMemory()
                    ? rest
                    : std::max<std::uint64_t>(length, std::min<std::uint64_t>(rest, kWindowBytes)));
            window_ = source_.bytesAt(position, read, scratch_);
            windowStart_ = position;
        }
        return window_.data() + (position - windowStart_);
    }

    std::uint64_t dataSize() const { return end_ - start_; }
    bool sizeIsInvalid(std::uint64_t size) const { return size > riffEnd_ - start_; }

    Parse readRiffHeader() {
        if (dataSize() < kRiffHeaderSize + kChunkHeaderSize)
            return Parse::NeedMoreData;
        const std::uint8_t* header = at(0, kRiffHeaderSize);
        if (le32(header) != tagOf("RIFF") || le32(header + 8) != tagOf("WEBP"))
            return Parse::Error;
        const std::uint32_t riffSize = le32(header + 4);
        if (riffSize < kChunkHeaderSize || riffSize > kMaxChunkPayload)
            return Parse::Error;
        riffEnd_ = riffSize + kChunkHeaderSize;
        end_ = std::min(end_, riffEnd_);  // nothing past the RIFF chunk is read
        start_ = kRiffHeaderSize;
        return Parse::Ok;
    }

    // A file that is not in a RIFF container may be a bare bitstream: one frame, the whole file.
    WebpContainer bareBitstream() {
        std::vector<std::uint8_t> scratch;
        const std::span<const std::uint8_t> bytes =
            source_.bytesAt(0, static_cast<std::size_t>(source_.size()), scratch);
        WebPBitstreamFeatures features;
        if (WebPGetFeatures(bytes.data(), bytes.size(), &features) != VP8_STATUS_OK)
            fail("The file is damaged.");
        WebpContainer container;
        container.canvasWidth = features.width;
        container.canvasHeight = features.height;
        container.flags = features.has_alpha ? kAlphaFlag : 0;
        container.frameCount = 1;
        WebpFrameChunks frame;
        frame.dataSize = bytes.size();
        frame.width = features.width;
        frame.height = features.height;
        frame.hasAlpha = features.has_alpha != 0;
        container.frames.push_back(frame);
        return container;
    }

    // The picture chunk's features, from its first bytes.
    VP8StatusCode featuresOf(std::uint64_t chunkStart, std::uint64_t chunkSize,
                             WebPBitstreamFeatures& features) {
        const auto length =
            static_cast<std::size_t>(std::min<std::uint64_t>(chunkSize, kFeaturePrefixBytes));
        return WebPGetFeatures(at(chunkStart, length), length, &features);
    }

    // The opacity and picture chunks of one frame from start_, as far as they go.
    Parse storeFrame(int number, std::uint64_t minSize, Frame& frame) {
        int alphaChunks = 0;
        int imageChunks = 0;
        if (dataSize() < kChunkHeaderSize || dataSize() < minSize)
            return Parse::NeedMoreData;
        Parse status = Parse::Ok;
        bool done = false;
        do {
            const std::uint64_t chunkStart = start_;
            const std::uint8_t* header = at(start_, kChunkHeaderSize);
            const std::uint32_t tag = le32(header);
            const std::uint32_t payloadSize = le32(header + 4);
            start_ += kChunkHeaderSize;
            if (payloadSize > kMaxChunkPayload)
                return Parse::Error;
            const std::uint64_t padded = payloadSize + (payloadSize & 1);
            const std::uint64_t available = std::min(padded, dataSize());
            const std::uint64_t chunkSize = kChunkHeaderSize + available;
            if (sizeIsInvalid(padded))
                return Parse::Error;
            if (padded > dataSize())
                status = Parse::NeedMoreData;

            bool belongsToFrame = false;
            if (tag == tagOf("ALPH") && alphaChunks == 0) {
                ++alphaChunks;
                frame.alphaOffset = chunkStart;
                frame.alphaSize = chunkSize;
                frame.hasAlpha = true;
                frame.number = number;
                belongsToFrame = true;
            } else if (tag == tagOf("VP8 ") || tag == tagOf("VP8L")) {
                if (tag == tagOf("VP8L") && alphaChunks > 0)
                    return Parse::Error;  // a lossless picture carries its own opacities
                if (imageChunks == 0) {
                    WebPBitstreamFeatures features;
                    const VP8StatusCode found = featuresOf(chunkStart, chunkSize, features);
                    if (status == Parse::NeedMoreData && found == VP8_STATUS_NOT_ENOUGH_DATA)
                        return Parse::NeedMoreData;
                    if (found != VP8_STATUS_OK)
                        return Parse::Error;
                    ++imageChunks;
                    frame.imageOffset = chunkStart;
                    frame.imageSize = chunkSize;
                    frame.width = features.width;
                    frame.height = features.height;
                    frame.hasAlpha = frame.hasAlpha || features.has_alpha != 0;
                    frame.number = number;
                    frame.complete = status == Parse::Ok;
                    belongsToFrame = true;
                }
            }
            if (belongsToFrame) {
                start_ += available;
            } else {
                start_ -= kChunkHeaderSize;  // the next level reads this chunk
                done = true;
            }
            if (start_ == riffEnd_)
                done = true;
            else if (dataSize() < kChunkHeaderSize)
                status = Parse::NeedMoreData;
        } while (!done && status == Parse::Ok);
        return status;
    }

    // Adds the frame, checking it as the demuxer checks the frames of an extended file. A frame
    // after an incomplete one is accepted here and makes the file invalid later.
    void addFrame(const Frame& frame) {
        if (frameCount_ > 0 && !lastComplete_)
            framesValid_ = false;
        if (frameCount_ == 0) {
            firstWidth_ = frame.width;
            firstHeight_ = frame.height;
        }
        lastComplete_ = frame.complete;
        if (!frameIsValid(frame))
            framesValid_ = false;
        if (static_cast<int>(result_.frames.size()) < frameLimit_)
            result_.frames.push_back(chunksOf(frame));
        ++frameCount_;
    }

    static WebpFrameChunks chunksOf(const Frame& frame) {
        WebpFrameChunks chunks = frame;
        chunks.dataOffset = frame.imageOffset;
        chunks.dataSize = frame.imageSize;
        chunks.pictureOffset = frame.imageOffset;
        if (frame.alphaSize > 0) {
            const std::uint64_t between =
                frame.imageOffset > 0 ? frame.imageOffset - (frame.alphaOffset + frame.alphaSize)
                                      : 0;
            chunks.dataOffset = frame.alphaOffset;
            chunks.dataSize += frame.alphaSize + between;
        }
        return chunks;
    }

    bool frameIsValid(const Frame& frame) const {
        if (!isExtended_)
            return true;
        const bool animated = (flags_ & kAnimationFlag) != 0;
        if (!animated && frame.number > 1)
            return false;
        if (frame.complete) {
            if (frame.alphaSize == 0 && frame.imageSize == 0)
                return false;
            if (frame.alphaSize > 0 && frame.alphaOffset > frame.imageOffset)
                return false;  // the opacities come before the picture
            if (frame.width <= 0 || frame.height <= 0)
                return false;
        } else if (frame.alphaSize > 0 && frame.imageSize > 0 &&
                   frame.alphaOffset > frame.imageOffset) {
            return false;
        }
        if (frame.width <= 0 || frame.height <= 0)
            return true;
        if (!animated)
            return frame.x == 0 && frame.y == 0 && frame.width == canvasWidth_ &&
                   frame.height == canvasHeight_;
        return frame.x >= 0 && frame.y >= 0 && frame.width + frame.x <= canvasWidth_ &&
               frame.height + frame.y <= canvasHeight_;
    }

    // What a file of either form needs once its header is read: a canvas, and a frame when the
    // walk is done.
    bool hasCanvasAndFrame() const {
        return canvasWidth_ > 0 && canvasHeight_ > 0 &&
               !(state_ == State::Done && frameCount_ == 0);
    }

    bool simpleIsValid() const {
        if (state_ == State::ParsingHeader)
            return true;
        return hasCanvasAndFrame() && firstWidth_ > 0 && firstHeight_ > 0;
    }

    bool extendedIsValid() const {
        if (state_ == State::ParsingHeader)
            return true;
        if (!hasCanvasAndFrame() || (flags_ & ~kAllValidFlags) != 0)
            return false;
        // a complete file holds no partial frame
        return framesValid_ && !(state_ == State::Done && frameCount_ > 0 && !lastComplete_);
    }

    Parse parseSingleImage() {
        if (frameCount_ > 0)
            return Parse::Error;
        if (sizeIsInvalid(kChunkHeaderSize))
            return Parse::Error;
        if (dataSize() < kChunkHeaderSize)
            return Parse::NeedMoreData;
        Frame frame;
        Parse status = storeFrame(1, 0, frame);
        if (status == Parse::Error)
            return status;
        if ((flags_ & kAlphaFlag) == 0 && frame.alphaSize > 0) {
            // opacities without the flag that announces them are not used
            frame.alphaOffset = 0;
            frame.alphaSize = 0;
            frame.hasAlpha = false;
        }
        if (!isExtended_ && frame.width > 0 && frame.height > 0) {
            state_ = State::ParsedHeader;
            canvasWidth_ = frame.width;
            canvasHeight_ = frame.height;
            flags_ |= frame.hasAlpha ? kAlphaFlag : 0;
        }
        addFrame(frame);
        return status;
    }

    Parse parseExtendedHeader() {
        if (dataSize() < kChunkHeaderSize)
            return Parse::NeedMoreData;
        isExtended_ = true;
        const std::uint32_t size = le32(at(start_ + 4, 4));
        start_ += kChunkHeaderSize;
        if (size > kMaxChunkPayload || size < kExtendedHeaderSize)
            return Parse::Error;
        const std::uint64_t padded = size + (size & 1);
        if (sizeIsInvalid(padded))
            return Parse::Error;
        if (dataSize() < padded)
            return Parse::NeedMoreData;
        const std::uint8_t* header = at(start_, kExtendedHeaderSize);
        flags_ = header[0];
        canvasWidth_ = 1 + std::int64_t{le24(header + 4)};
        canvasHeight_ = 1 + std::int64_t{le24(header + 7)};
        if (static_cast<std::uint64_t>(canvasWidth_ * canvasHeight_) >= kMaxImageArea)
            return Parse::Error;
        start_ += padded;
        state_ = State::ParsedHeader;
        if (sizeIsInvalid(kChunkHeaderSize))
            return Parse::Error;
        if (dataSize() < kChunkHeaderSize)
            return Parse::NeedMoreData;
        return parseExtendedChunks();
    }

    Parse parseExtendedChunks() {
        const bool animated = (flags_ & kAnimationFlag) != 0;
        int animationChunks = 0;
        Parse status = Parse::Ok;
        do {
            const std::uint8_t* header = at(start_, kChunkHeaderSize);
            const std::uint32_t tag = le32(header);
            const std::uint32_t size = le32(header + 4);
            if (size > kMaxChunkPayload)
                return Parse::Error;
            const std::uint64_t padded = size + (size & 1);
            if (sizeIsInvalid(kChunkHeaderSize + padded))
                return Parse::Error;

            bool skip = false;
            if (tag == tagOf("VP8X")) {
                return Parse::Error;
            } else if (tag == tagOf("ALPH") || tag == tagOf("VP8 ") || tag == tagOf("VP8L")) {
                if (animationChunks > 0 || animated)
                    return Parse::Error;  // every frame of an animation is in a frame chunk
                status = parseSingleImage();
            } else if (tag == tagOf("ANIM")) {
                if (padded < kAnimationHeaderSize)
                    return Parse::Error;
                if (dataSize() - kChunkHeaderSize < padded)
                    status = Parse::NeedMoreData;
                else if (animationChunks == 0) {
                    ++animationChunks;
                    start_ += kChunkHeaderSize + padded;
                } else {
                    skip = true;
                }
            } else if (tag == tagOf("ANMF")) {
                if (animationChunks == 0)
                    return Parse::Error;  // the animation header comes before its frames
                start_ += kChunkHeaderSize;
                status = parseAnimationFrame(padded);
            } else {
                skip = true;
            }
            if (skip) {
                if (padded <= dataSize() - kChunkHeaderSize)
                    start_ += kChunkHeaderSize + padded;
                else
                    status = Parse::NeedMoreData;
            }
            if (start_ == riffEnd_)
                break;
            if (dataSize() < kChunkHeaderSize)
                status = Parse::NeedMoreData;
        } while (status == Parse::Ok);
        return status;
    }

    // A frame chunk (its header read; `chunkSize` padded) and the picture chunks within it.
    Parse parseAnimationFrame(std::uint64_t chunkSize) {
        if (sizeIsInvalid(kFrameHeaderSize) || chunkSize < kFrameHeaderSize)
            return Parse::Error;
        if (dataSize() < kFrameHeaderSize)
            return Parse::NeedMoreData;
        const std::uint8_t* header = at(start_, kFrameHeaderSize);
        Frame frame;
        frame.x = 2 * le24(header);
        frame.y = 2 * le24(header + 3);
        frame.width = 1 + le24(header + 6);
        frame.height = 1 + le24(header + 9);
        frame.durationMs = le24(header + 12);
        const std::uint8_t bits = header[15];
        frame.clearedAfter = (bits & 1) != 0;
        frame.blends = (bits & 2) == 0;
        start_ += kFrameHeaderSize;
        if (std::uint64_t(frame.width) * std::uint64_t(frame.height) >= kMaxImageArea)
            return Parse::Error;

        const std::uint64_t payloadSize = chunkSize - kFrameHeaderSize;
        const std::uint64_t payloadStart = start_;
        Parse status = storeFrame(frameCount_ + 1, payloadSize, frame);
        if (status != Parse::Error && start_ - payloadStart > payloadSize)
            status = Parse::Error;
        // a frame chunk without picture chunks adds no frame; nor does any in a still
        if (status != Parse::Error && (flags_ & kAnimationFlag) != 0 && frame.number > 0)
            addFrame(frame);
        return status;
    }

    ByteSource& source_;
    const int frameLimit_;
    std::uint64_t start_ = 0;
    std::uint64_t end_ = 0;
    std::uint64_t riffEnd_ = 0;
    std::uint64_t windowStart_ = 0;
    std::span<const std::uint8_t> window_;
    std::vector<std::uint8_t> scratch_;

    State state_ = State::ParsingHeader;
    bool isExtended_ = false;
    std::uint32_t flags_ = 0;
    std::int64_t canvasWidth_ = -1;
    std::int64_t canvasHeight_ = -1;
    int frameCount_ = 0;
    int firstWidth_ = 0;
    int firstHeight_ = 0;
    bool lastComplete_ = true;
    bool framesValid_ = true;
    WebpContainer result_;
};

}  // namespace

WebpContainer walkWebpContainer(ByteSource& source, int frameLimit) {
    return Walker(source, frameLimit).walk();
}

}  // namespace felmo
