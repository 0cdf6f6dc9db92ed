#include "mbm/mbm_writer.hpp"

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <string>

#include "base/error.hpp"
#include "mbm/color_depth.hpp"
#include "mbm/rle.hpp"

namespace felmo {
namespace {

// Rows are packed and handed on in pieces of about this many bytes (at least one row).
constexpr std::size_t kRowPieceBytes = 64 * 1024;

void putU32(std::uint8_t* out, std::uint32_t value) {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t checkedU32(std::uint64_t value) {
    if (value > std::numeric_limits<std::uint32_t>::max())
        throw Error("The multi-bitmap file would be larger than 4 GiB.");
    return static_cast<std::uint32_t>(value);
}

}  // namespace

void MbmWriter::Memory::write(std::span<const std::uint8_t> piece) {
    const std::size_t at = static_cast<std::size_t>(position_);
    if (at + piece.size() > bytes.size())
        bytes.resize(at + piece.size());
    if (!piece.empty())
        std::memcpy(bytes.data() + at, piece.data(), piece.size());
    position_ += piece.size();
}

MbmWriter::MbmWriter(MbmStorage storage) : output_(&memory_), storage_(storage) {}

MbmWriter::MbmWriter(PositionedOutput& output, MbmStorage storage)
    : output_(&output), storage_(storage) {}

Compression MbmWriter::writePixels(const Raster& raster, const BitmapMode& mode,
                                   Compression compression) {
    const std::uint64_t start = output_->position();
    const std::size_t stride = strideBytes(mode.bitsPerPixel, raster.width());
    const int height = raster.height();
    const int rowsAPiece = static_cast<int>(std::max<std::size_t>(1, kRowPieceBytes / stride));
    auto forEachPiece = [&](auto&& use) {
        for (int y = 0; y < height; y += rowsAPiece) {
            packPixelRows(raster, mode, y, std::min(rowsAPiece, height - y), rows_);
            if (!use(std::span<const std::uint8_t>(rows_)))
                return false;
        }
        return true;
    };
    if (compression != Compression::None) {
        PixelCompressor compressor(
            compression, stride * static_cast<std::size_t>(height),
            [this](std::span<const std::uint8_t> stored) { output_->write(stored); });
        if (forEachPiece(
                [&](std::span<const std::uint8_t> rows) { return compressor.feed(rows); }) &&
            compressor.finish())
            return compression;
        // Stored plainly after all: the plain pixels cover whatever was written.
        output_->seek(start);
    }
    forEachPiece([this](std::span<const std::uint8_t> rows) {
        output_->write(rows);
        return true;
    });
    return Compression::None;
}

void MbmWriter::add(const Raster& raster, const BitmapMode& mode) {
    const std::string which = "Bitmap " + std::to_string(offsets_.size() + 1) + ": ";
    if (raster.empty())
        throw Error(which + "the picture is empty.");
    if (!isValidMode(mode) || mode.color == ColorKind::ColorAlpha)
        throw Error(which + "cannot store a picture as " + describeMode(mode) + ".");
    if (end_ == 0) {
        const std::array<std::uint8_t, mbm::kFileHeaderBytes> placeholder{};
        output_->seek(0);
        output_->write(placeholder);
        end_ = mbm::kFileHeaderBytes;
    }

    const std::uint64_t offset = end_;
    std::array<std::uint8_t, mbm::kBitmapHeaderBytes> header{};
    output_->seek(offset);
    output_->write(header);
    const Compression compression =
        writePixels(raster, mode,
                    storage_ == MbmStorage::Compressed ? compressionFor(mode) : Compression::None);
    end_ = output_->position();

    putU32(&header[0], checkedU32(end_ - offset));
    putU32(&header[4], mbm::kBitmapHeaderBytes);
    putU32(&header[8], static_cast<std::uint32_t>(raster.width()));
    putU32(&header[12], static_cast<std::uint32_t>(raster.height()));
    putU32(&header[16],
           static_cast<std::uint32_t>(twipsFromPixels(raster.width(), raster.pixelsPerMetreX())));
    putU32(&header[20],
           static_cast<std::uint32_t>(twipsFromPixels(raster.height(), raster.pixelsPerMetreY())));
    putU32(&header[24], static_cast<std::uint32_t>(mode.bitsPerPixel));
    putU32(&header[28], static_cast<std::uint32_t>(mode.color));
    putU32(&header[32], 0);
    putU32(&header[36], static_cast<std::uint32_t>(compression));
    output_->seek(offset);
    output_->write(header);
    output_->seek(end_);
    checkedU32(end_);
    offsets_.push_back(static_cast<std::size_t>(offset));
}

std::vector<std::uint8_t> MbmWriter::finish() {
    if (end_ == 0)
        end_ = mbm::kFileHeaderBytes;
    std::array<std::uint8_t, mbm::kFileHeaderBytes> header{};
    putU32(&header[0], mbm::kUid1);
    putU32(&header[4], mbm::kUid2);
    putU32(&header[8], mbm::kUid3);
    putU32(&header[12], mbm::kUidChecksum);
    putU32(&header[16], checkedU32(end_));
    output_->seek(0);
    output_->write(header);

    std::vector<std::uint8_t> trailer((offsets_.size() + 1) * 4);
    putU32(&trailer[0], checkedU32(offsets_.size()));
    for (std::size_t i = 0; i < offsets_.size(); ++i)
        putU32(&trailer[(i + 1) * 4], checkedU32(offsets_[i]));
    checkedU32(end_ + trailer.size());
    output_->seek(end_);
    output_->write(trailer);

    end_ = 0;
    offsets_.clear();
    std::vector<std::uint8_t> file = std::move(memory_.bytes);
    memory_ = Memory();
    return file;
}

std::vector<std::uint8_t> encodeMbm(std::span<const MbmFrame> frames, MbmStorage storage) {
    MbmWriter writer(storage);
    for (const MbmFrame& frame : frames)
        writer.add(*frame.raster, frame.mode);
    return writer.finish();
}

}  // namespace felmo
