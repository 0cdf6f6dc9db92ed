#include "platform/file_io.hpp"

#include <cstdio>
#include <mutex>
#include <random>
#include <utility>

#include "base/display_text.hpp"
#include "base/error.hpp"
#include "base/utf8_path.hpp"
#include "platform/file_io_shared.hpp"
#include "platform/private_folder.hpp"

namespace felmo {
namespace file_io_detail {

std::string temporaryNameFor(const std::string& name) {
    static std::mutex lock;
    static std::mt19937_64 generator{std::random_device{}()};
    unsigned long long value = 0;
    {
        std::lock_guard<std::mutex> guard(lock);
        value = generator();
    }
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp", value);
    // Hidden, so that folder walks and file searches that skip dot files never see it.
    return "." + name + suffix;
}

PrivateTree& privateTree() {
    static PrivateTree tree;
    return tree;
}

bool isBelowPrivateRoot(const PrivateTree& tree, const std::string& text) {
    return tree.folder != kNoNativeHandle && text.size() > tree.root.size() &&
           text.compare(0, tree.root.size(), tree.root) == 0;
}

void StagingOutput::write(std::span<const std::uint8_t> bytes) {
    if (buffer_.size() + bytes.size() < kBufferBytes) {
        buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
        return;
    }
    flush();
    put(bytes);  // a large piece goes as it is, without a copy
}

void StagingOutput::seek(std::uint64_t position) {
    flush();
    start_ = position;
}

void StagingOutput::flush() {
    put(buffer_);
    buffer_.clear();
}

void StagingOutput::put(std::span<const std::uint8_t> bytes) {
    writeAt(file_, start_, bytes, destination_);
    start_ += bytes.size();
}

}  // namespace file_io_detail

// How a file is staged, kept and removed is the system's; what it is given is the same everywhere.
StagedFile::StagedFile(const std::filesystem::path& destination,
                       std::span<const std::uint8_t> bytes)
    : destination_(destination) {
    stage([bytes](PositionedOutput& output) { output.write(bytes); });
}

StagedFile::StagedFile(const std::filesystem::path& destination,
                       const std::function<void(PositionedOutput&)>& write)
    : destination_(destination) {
    stage(write);
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : destination_(std::move(other.destination_)),
      staging_(std::move(other.staging_)),
      replacesExisting_(other.replacesExisting_),
      committed_(std::exchange(other.committed_, true)) {}

std::string cannotOpenMessage(const std::filesystem::path& path, const std::string& reason) {
    return "Cannot open file \"" + displayText(utf8FromPath(path)) + "\". " + reason;
}

std::string cannotCreateMessage(const std::filesystem::path& path, const std::string& reason) {
    return "Cannot create file \"" + displayText(utf8FromPath(path)) + "\". " + reason;
}

std::span<const std::uint8_t> InputFile::bytesAt(std::uint64_t position, std::size_t length,
                                                 std::vector<std::uint8_t>& scratch) {
    if (position > size_ || size_ - position < length)
        throw Error(cannotOpenMessage(path_, "A read beyond the end of the file."));
    scratch.resize(length);
    if (readAt(position, scratch) != length)
        throw Error(cannotOpenMessage(path_, "The file changed while it was read."));
    return scratch;
}

std::vector<std::uint8_t> InputFile::readWhole() {
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size_));
    bytes.resize(readAt(0, bytes));  // shorter if the file shrank while it was read
    return bytes;
}

std::vector<std::uint8_t> readWholeFile(const std::filesystem::path& path, std::size_t maxBytes) {
    return InputFile(path, maxBytes).readWhole();
}

void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    StagedFile(path, bytes).commit();
}

void copyFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to,
                        std::size_t maxBytes) {
    const std::vector<std::uint8_t> bytes = readWholeFile(from, maxBytes);
    writeFileAtomically(to, bytes);
}

bool isStagingTemporaryOf(std::string_view entryName, std::string_view fileName) {
    // "." + fileName + "." + 16 hexadecimal digits + ".tmp"
    constexpr std::size_t kSuffix = 1 + 16 + 4;
    if (entryName.size() != 1 + fileName.size() + kSuffix || entryName.front() != '.' ||
        entryName.substr(1, fileName.size()) != fileName)
        return false;
    const std::string_view suffix = entryName.substr(1 + fileName.size());
    if (suffix.front() != '.' || suffix.substr(17) != ".tmp")
        return false;
    for (char c : suffix.substr(1, 16))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return false;
    return true;
}

PrivateTreeWrites::PrivateTreeWrites(std::string root, const OpenFolder& rootFolder) {
    file_io_detail::PrivateTree& tree = file_io_detail::privateTree();
    std::lock_guard<std::mutex> guard(tree.lock);
    tree.root = std::move(root);
    tree.folder = rootFolder.native();
}

PrivateTreeWrites::~PrivateTreeWrites() {
    file_io_detail::PrivateTree& tree = file_io_detail::privateTree();
    std::lock_guard<std::mutex> guard(tree.lock);
    tree.root.clear();
    tree.folder = kNoNativeHandle;
}

}  // namespace felmo
