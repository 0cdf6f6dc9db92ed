// The BMP and .mbm readers read a file a piece at a time: on any bytes, reading them so gives
// exactly what reading them from memory gives, the same pixels or the same refusal.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/error.hpp"
#include "mbm/mbm_reader.hpp"
#include "raster/bmp.hpp"
#include "support/file_like_source.hpp"

namespace {

bool samePixels(const felmo::Raster& a, const felmo::Raster& b) {
    if (a.width() != b.width() || a.height() != b.height() || a.format() != b.format())
        return false;
    // a picture 0 pixels wide has no rows in memory at all
    for (int y = 0; y < a.height() && a.width() > 0; ++y)
        if (std::memcmp(a.storageRow(y), b.storageRow(y), std::size_t(a.width()) * 3) != 0)
            return false;
    return true;
}

// The outcome of one read: the error's text, or the pixels compared by `same`.
template <typename Read, typename Same>
void expectSameOutcome(Read read, Same same, std::span<const std::uint8_t> bytes) {
    felmo::MemorySource memory(bytes);
    felmo::testing::FileLikeSource file(bytes);
    std::string memoryError, fileError;
    decltype(read(memory)) fromMemory{}, fromFile{};
    try {
        fromMemory = read(memory);
    } catch (const felmo::Error& error) {
        memoryError = error.what();
    }
    try {
        fromFile = read(file);
    } catch (const felmo::Error& error) {
        fileError = error.what();
    }
    if (memoryError != fileError || (memoryError.empty() && !same(fromMemory, fromFile)))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> bytes(data, size);
    expectSameOutcome([](felmo::ByteSource& source) { return felmo::decodeBmp(source); },
                      samePixels, bytes);
    expectSameOutcome([](felmo::ByteSource& source) { return felmo::decodeMbm(source); },
                      [](const auto& a, const auto& b) {
                          if (a.size() != b.size())
                              return false;
                          for (std::size_t i = 0; i < a.size(); ++i)
                              if (!samePixels(a[i].raster, b[i].raster))
                                  return false;
                          return true;
                      },
                      bytes);
    return 0;
}
