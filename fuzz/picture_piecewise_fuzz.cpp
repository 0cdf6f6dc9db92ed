// The PNG, JPEG and GIF decoders read a file a piece at a time (small pieces in the fuzz build, so
// that any input spans many): on any bytes, reading them so gives exactly what reading them from
// memory gives, the same pixels or the same refusal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "base/error.hpp"
#include "raster/gif.hpp"
#include "raster/jpeg.hpp"
#include "raster/png.hpp"
#include "support/file_like_source.hpp"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A picture as bytes that compare whole: its size, colours and opacities.
void append(Bytes& out, const felmo::DecodedPicture& picture) {
    const felmo::Raster& colour = picture.colour;
    const int size[] = {colour.width(), colour.height()};
    out.insert(out.end(), reinterpret_cast<const std::uint8_t*>(size),
               reinterpret_cast<const std::uint8_t*>(size) + sizeof size);
    for (int y = 0; y < colour.height(); ++y)
        out.insert(out.end(), colour.storageRow(y),
                   colour.storageRow(y) + std::size_t(colour.width()) * 3);
    out.insert(out.end(), picture.alpha.begin(), picture.alpha.end());
}

// The outcome of one read: the error's text, or everything decoded.
template <typename Read>
void expectSameOutcome(Read read, std::span<const std::uint8_t> bytes) {
    felmo::MemorySource memory(bytes);
    felmo::testing::FileLikeSource file(bytes);
    std::string memoryError, fileError;
    Bytes fromMemory, fromFile;
    try {
        read(memory, fromMemory);
    } catch (const felmo::Error& error) {
        memoryError = error.what();
        fromMemory.clear();
    }
    try {
        read(file, fromFile);
    } catch (const felmo::Error& error) {
        fileError = error.what();
        fromFile.clear();
    }
    if (memoryError != fileError || fromMemory != fromFile)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    expectSameOutcome(
        [](felmo::ByteSource& source, Bytes& out) { append(out, felmo::decodePng(source)); },
        bytes);
    expectSameOutcome(
        [](felmo::ByteSource& source, Bytes& out) {
            append(out, felmo::DecodedPicture{felmo::decodeJpeg(source), {}});
        },
        bytes);
    expectSameOutcome(
        [](felmo::ByteSource& source, Bytes& out) {
            felmo::composeGifFrames(source, [&out](int, const felmo::DecodedPicture& frame) {
                append(out, frame);
                return true;
            });
        },
        bytes);
    return 0;
}
