#include "mbm/mbm_writer.hpp"

#include <limits>
#include <string>

#include "base/error.hpp"
#include "mbm/color_depth.hpp"
#include "mbm/rle.hpp"

namespace felmo {
namespace {

void putU32(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value) {
    out[offset] = static_cast<std::uint8_t>(value);
    out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    out[offset + 2] = static_cast<std::uint8_t>(value >> 16);
    out[offset + 3] = static_cast<std::uint8_t>(value >> 24);
}

void appendU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    out.resize(out.size() + 4);
    putU32(out, out.size() - 4, value);
}

std::uint32_t checkedU32(std::size_t value) {
    if (value > std::numeric_limits<std::uint32_t>::max())
        throw Error("The multi-bitmap file would be larger than 4 GiB.");
    return static_cast<std::uint32_t>(value);
}

}  // namespace

MbmWriter::MbmWriter(MbmStorage storage) : storage_(storage) {}

void MbmWriter::add(const Raster& raster, const BitmapMode& mode) {
    const std::string which = "Bitmap " + std::to_string(offsets_.size() + 1) + ": ";
    if (raster.empty())
        throw Error(which + "the picture is empty.");
    if (!isValidMode(mode) || mode.color == ColorKind::ColorAlpha)
        throw Error(which + "cannot store a picture as " + describeMode(mode) + ".");
    if (file_.empty())
        file_.resize(mbm::kFileHeaderBytes);

    const std::size_t offset = file_.size();
    file_.resize(offset + mbm::kBitmapHeaderBytes);
    packPixels(raster, mode, raw_);

    Compression compression = Compression::None;
    if (storage_ == MbmStorage::Compressed && compressPixels(compressionFor(mode), raw_, file_))
        compression = compressionFor(mode);
    else
        file_.insert(file_.end(), raw_.begin(), raw_.end());

    putU32(file_, offset, checkedU32(file_.size() - offset));
    putU32(file_, offset + 4, mbm::kBitmapHeaderBytes);
    putU32(file_, offset + 8, static_cast<std::uint32_t>(raster.width()));
    putU32(file_, offset + 12, static_cast<std::uint32_t>(raster.height()));
    putU32(file_, offset + 16,
           static_cast<std::uint32_t>(twipsFromPixels(raster.width(), raster.pixelsPerMetreX())));
    putU32(file_, offset + 20,
           static_cast<std::uint32_t>(twipsFromPixels(raster.height(), raster.pixelsPerMetreY())));
    putU32(file_, offset + 24, static_cast<std::uint32_t>(mode.bitsPerPixel));
    putU32(file_, offset + 28, static_cast<std::uint32_t>(mode.color));
    putU32(file_, offset + 32, 0);
    putU32(file_, offset + 36, static_cast<std::uint32_t>(compression));
    offsets_.push_back(offset);
}

std::vector<std::uint8_t> MbmWriter::finish() {
    std::vector<std::uint8_t> file = std::move(file_);
    if (file.empty())
        file.resize(mbm::kFileHeaderBytes);
    putU32(file, 0, mbm::kUid1);
    putU32(file, 4, mbm::kUid2);
    putU32(file, 8, mbm::kUid3);
    putU32(file, 12, mbm::kUidChecksum);
    putU32(file, 16, checkedU32(file.size()));
    appendU32(file, checkedU32(offsets_.size()));
    for (std::size_t offset : offsets_)
        appendU32(file, checkedU32(offset));
    checkedU32(file.size());
    file_.clear();
    offsets_.clear();
    return file;
}

std::vector<std::uint8_t> encodeMbm(std::span<const MbmFrame> frames, MbmStorage storage) {
    MbmWriter writer(storage);
    for (const MbmFrame& frame : frames)
        writer.add(*frame.raster, frame.mode);
    return writer.finish();
}

}  // namespace felmo
