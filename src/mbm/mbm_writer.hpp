// Writing .mbm files, to memory or straight into a file.
//
// Each frame is reduced to its mode (see color_depth.hpp), padded with 0xFF and, unless stored
// plainly, compressed with the scheme of its depth; a bitmap whose compressed form would be too
// large is stored uncompressed (see rle.hpp), so one file may mix both. The twips fields come
// from the raster's pixels per metre (0 when it has none). The output is byte for byte what the
// platform's own converter writes for the same pictures and options.
//
// Memory: a bitmap is reduced and compressed a few rows at a time and its stored bytes go to the
// output as they are made, so that beside the picture the writer holds only those rows; with a
// file as the output a picture at the size limit costs little more than its raster.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "base/positioned_output.hpp"
#include "mbm/mbm_format.hpp"
#include "raster/raster.hpp"

namespace felmo {

struct MbmFrame {
    const Raster* raster = nullptr;
    BitmapMode mode;
};

enum class MbmStorage { Compressed, Uncompressed };

// Builds a file one bitmap at a time, so that a caller need not hold every picture at once.
class MbmWriter {
  public:
    // Into memory: finish() gives the file.
    explicit MbmWriter(MbmStorage storage = MbmStorage::Compressed);
    // Into `output` (empty, at position 0), which must outlive the writer; finish() completes
    // the file there and gives an empty vector.
    explicit MbmWriter(PositionedOutput& output, MbmStorage storage = MbmStorage::Compressed);
    MbmWriter(const MbmWriter&) = delete;
    MbmWriter& operator=(const MbmWriter&) = delete;

    // Appends one bitmap. Throws felmo::Error for an empty raster, a mode the writer does not
    // store (colour with alpha) or a file that would pass 4 GiB.
    void add(const Raster& raster, const BitmapMode& mode);
    // Completes the file with its header and trailer; the whole file when written to memory.
    // The writer is empty afterwards.
    std::vector<std::uint8_t> finish();

  private:
    // The file in memory, as a PositionedOutput.
    class Memory final : public PositionedOutput {
      public:
        void write(std::span<const std::uint8_t> bytes) override;
        void seek(std::uint64_t position) override { position_ = position; }
        std::uint64_t position() const override { return position_; }
        std::vector<std::uint8_t> bytes;

      private:
        std::uint64_t position_ = 0;
    };

    // Writes the bitmap's pixels from the output's position on: compressed when `compression`
    // is not None and the scheme keeps it small enough. Returns the compression used.
    Compression writePixels(const Raster& raster, const BitmapMode& mode, Compression compression);

    Memory memory_;
    PositionedOutput* output_;
    MbmStorage storage_;
    std::uint64_t end_ = 0;  // the file's length so far
    std::vector<std::size_t> offsets_;
    std::vector<std::uint8_t> rows_;  // a few packed rows, reused
};

// The whole file of the frames, in order; the errors of MbmWriter::add.
std::vector<std::uint8_t> encodeMbm(std::span<const MbmFrame> frames,
                                    MbmStorage storage = MbmStorage::Compressed);

}  // namespace felmo
