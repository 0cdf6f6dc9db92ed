// What the POSIX and Windows sides of file_io share: the staging names and the private tree.
#pragma once

#include <cstdint>
#include <filesystem>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "platform/file_io.hpp"
#include "platform/native.hpp"

namespace felmo::file_io_detail {

// A hidden name for writing `name` under, unique enough that two writers never meet:
// ".<name>.<16 hexadecimal digits>.tmp".
std::string temporaryNameFor(const std::string& name);

// The private tree of PrivateTreeWrites, if any.
struct PrivateTree {
    std::mutex lock;
    std::string root;  // ends in the separator
    NativeHandle folder = kNoNativeHandle;
};
PrivateTree& privateTree();

// Whether `text` lies below the private tree's root (the caller holds the tree's lock).
bool isBelowPrivateRoot(const PrivateTree& tree, const std::string& text);

// Writes all of `bytes` at `offset` of the open `file` (the system's side); throws
// "Cannot create file <destination>" with the system's reason when it cannot.
void writeAt(NativeHandle file, std::uint64_t offset, std::span<const std::uint8_t> bytes,
             const std::filesystem::path& destination);

// The temporary of a StagedFile as a PositionedOutput: writes gather in a buffer and go to the
// file at their offset when it fills or the position moves elsewhere.
class StagingOutput final : public PositionedOutput {
  public:
    StagingOutput(NativeHandle file, const std::filesystem::path& destination)
        : file_(file), destination_(destination) {}

    void write(std::span<const std::uint8_t> bytes) override;
    void seek(std::uint64_t position) override;
    std::uint64_t position() const override { return start_ + buffer_.size(); }
    void flush();

  private:
    void put(std::span<const std::uint8_t> bytes);

    static constexpr std::size_t kBufferBytes = 256 * 1024;
    NativeHandle file_;
    const std::filesystem::path& destination_;
    std::uint64_t start_ = 0;  // where the buffer's first byte goes
    std::vector<std::uint8_t> buffer_;
};

}  // namespace felmo::file_io_detail
