// Whole-file reads and writes with the program's own error texts.
//
// Every failure is a felmo::Error whose text is exactly
//   Cannot open file "<full path>". <system's reason>     (reading)
//   Cannot create file "<full path>". <system's reason>   (writing)
// so callers can let it reach the user unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/byte_source.hpp"
#include "base/error.hpp"
#include "base/positioned_output.hpp"
#include "platform/native.hpp"

namespace felmo {

class OpenFolder;

// "Cannot open file "<path>". <reason>" / "Cannot create file "<path>". <reason>". The path is
// shown escaped (display_text.hpp).
std::string cannotOpenMessage(const std::filesystem::path& path, const std::string& reason);
std::string cannotCreateMessage(const std::filesystem::path& path, const std::string& reason);

// The system's text for error number `errorNumber` (errno on POSIX, GetLastError() on Windows),
// thread-safe.
std::string systemReason(int errorNumber);

inline constexpr std::size_t kDefaultMaxReadBytes = std::size_t{256} << 20;

// A file open for reading at any position, so that a decoder can take it a piece at a time. It
// is opened as readWholeFile opens it: only a regular file (or a link to one), never waiting on
// a FIFO, a device or a socket, and no larger than maxBytes; failures are "Cannot open file ...".
class InputFile final : public ByteSource {
  public:
    explicit InputFile(const std::filesystem::path& path,
                       std::size_t maxBytes = kDefaultMaxReadBytes);
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::uint64_t size() const override { return size_; }
    // A file that no longer holds the bytes is "Cannot open file ...": it changed while read.
    std::span<const std::uint8_t> bytesAt(std::uint64_t position, std::size_t length,
                                          std::vector<std::uint8_t>& scratch) override;
    bool isInMemory() const override { return false; }

    // Reads up to into.size() bytes at `position`; fewer only at the end of the file.
    std::size_t readAt(std::uint64_t position, std::span<std::uint8_t> into);
    // Every byte of the file (fewer if it shrank since it was opened).
    std::vector<std::uint8_t> readWhole();

  private:
    std::filesystem::path path_;
    NativeHandle handle_ = kNoNativeHandle;
    std::uint64_t size_ = 0;
};

// Reads the whole file. Only a regular file is read (a symbolic link to one is fine): a FIFO, a
// device or a socket is refused without waiting on it, as is a file larger than maxBytes, before
// anything is allocated.
std::vector<std::uint8_t> readWholeFile(const std::filesystem::path& path,
                                        std::size_t maxBytes = kDefaultMaxReadBytes);

// A file written complete under a temporary name in its destination's folder; commit() renames it
// into place, so a reader never sees a half-written file. Until then the destination is untouched,
// and a StagedFile dropped uncommitted removes its temporary.
//
// What the destination may be: a regular file (replaced; it keeps its permission bits), nothing
// (a new file, mode 0666 under the umask), or a symbolic link to either (the link stays, the file
// it names is written). A folder, FIFO, device or socket is refused and left alone. Inside a
// private tree (PrivateTreeWrites) no link is ever followed, in the folders on the way either.
class StagedFile {
  public:
    StagedFile(const std::filesystem::path& destination, std::span<const std::uint8_t> bytes);
    // A file written piece by piece by `write`, straight into the temporary, so that a large
    // file never has to be held in memory. What `write` throws goes on, and nothing is staged.
    StagedFile(const std::filesystem::path& destination,
               const std::function<void(PositionedOutput&)>& write);
    ~StagedFile();
    StagedFile(StagedFile&& other) noexcept;
    StagedFile& operator=(StagedFile&&) = delete;
    StagedFile(const StagedFile&) = delete;
    StagedFile& operator=(const StagedFile&) = delete;

    // Renames the temporary over the destination. Throws "Cannot create file ..." on failure
    // (the temporary is then removed).
    void commit();

    const std::filesystem::path& destination() const { return destination_; }
    // Whether something stood at the destination when this file was staged.
    bool replacesExistingFile() const { return replacesExisting_; }

    // Where the file lands and under which temporary name: the system's side of it.
    struct Staging;
    struct StagingDeleter {
        void operator()(Staging* staging) const noexcept;
    };

  private:
    void stage(const std::function<void(PositionedOutput&)>& write);

    std::filesystem::path destination_;
    std::unique_ptr<Staging, StagingDeleter> staging_;
    bool replacesExisting_ = false;
    bool committed_ = false;
};

// Writes bytes to path through a StagedFile committed at once.
void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Writes the bytes `encode()` returns, atomically. An encoder's felmo::Error becomes
// "Cannot create file "<path>". <its message>", and nothing is written.
template <typename Encode>
void writeEncodedFileAtomically(const std::filesystem::path& path, Encode&& encode) {
    std::vector<std::uint8_t> bytes;
    try {
        bytes = encode();
    } catch (const Error& error) {
        throw Error(cannotCreateMessage(path, error.what()));
    }
    writeFileAtomically(path, bytes);
}

// Copies one file atomically in the same way (the copy is whole at `to` or not there at all).
void copyFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to,
                        std::size_t maxBytes = kDefaultMaxReadBytes);

// Whether `entryName` is a temporary name a StagedFile gives while writing a file named
// `fileName` (".<fileName>.<16 hexadecimal digits>.tmp"), so that one left by a killed run can be
// recognised and removed, and nothing else.
bool isStagingTemporaryOf(std::string_view entryName, std::string_view fileName);

// While an object of this class lives, every file written below `root` (a folder path ending in
// the separator, held open as `rootFolder`) is reached folder by folder from that folder with
// links (and, on Windows, junctions and other reparse points) refused, so nothing is written
// outside the tree even if a folder inside it is swapped for a link. One tree at a time.
class PrivateTreeWrites {
  public:
    PrivateTreeWrites(std::string root, const OpenFolder& rootFolder);
    ~PrivateTreeWrites();
    PrivateTreeWrites(const PrivateTreeWrites&) = delete;
    PrivateTreeWrites& operator=(const PrivateTreeWrites&) = delete;
};

}  // namespace felmo
