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

std::vector<std::uint8_t> encodeMbm(std::span<const MbmFrame> frames, MbmStorage storage) {
    std::vector<std::uint8_t> file(mbm::kFileHeaderBytes);
    putU32(file, 0, mbm::kUid1);
    putU32(file, 4, mbm::kUid2);
    putU32(file, 8, mbm::kUid3);
    putU32(file, 12, mbm::kUidChecksum);

    std::vector<std::size_t> offsets;
    offsets.reserve(frames.size());
    std::vector<std::uint8_t> raw;
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const Raster& raster = *frames[i].raster;
        const BitmapMode mode = frames[i].mode;
        const std::string which = "Bitmap " + std::to_string(i + 1) + ": ";
        if (raster.empty())
            throw Error(which + "the picture is empty.");
        if (!isValidMode(mode) || mode.color == ColorKind::ColorAlpha)
            throw Error(which + "cannot store a picture as " + describeMode(mode) + ".");

        const std::size_t offset = file.size();
        offsets.push_back(offset);
        file.resize(offset + mbm::kBitmapHeaderBytes);
        packPixels(raster, mode, raw);

        Compression compression = Compression::None;
        if (storage == MbmStorage::Compressed && compressPixels(compressionFor(mode), raw, file))
            compression = compressionFor(mode);
        else
            file.insert(file.end(), raw.begin(), raw.end());

        putU32(file, offset, checkedU32(file.size() - offset));
        putU32(file, offset + 4, mbm::kBitmapHeaderBytes);
        putU32(file, offset + 8, static_cast<std::uint32_t>(raster.width()));
        putU32(file, offset + 12, static_cast<std::uint32_t>(raster.height()));
        putU32(
            file, offset + 16,
            static_cast<std::uint32_t>(twipsFromPixels(raster.width(), raster.pixelsPerMetreX())));
        putU32(
            file, offset + 20,
            static_cast<std::uint32_t>(twipsFromPixels(raster.height(), raster.pixelsPerMetreY())));
        putU32(file, offset + 24, static_cast<std::uint32_t>(mode.bitsPerPixel));
        putU32(file, offset + 28, static_cast<std::uint32_t>(mode.color));
        putU32(file, offset + 32, 0);
        putU32(file, offset + 36, static_cast<std::uint32_t>(compression));
    }

    putU32(file, 16, checkedU32(file.size()));
    appendU32(file, checkedU32(offsets.size()));
    for (std::size_t offset : offsets)
        appendU32(file, checkedU32(offset));
    checkedU32(file.size());
    return file;
}

}  // namespace felmo
