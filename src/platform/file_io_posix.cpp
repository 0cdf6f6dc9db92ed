#include "platform/file_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

#include "base/error.hpp"
#include "platform/file_io_shared.hpp"
#include "platform/posix_descriptor.hpp"

namespace felmo {
namespace {

constexpr int kMaxLinkHops = 40;  // as the system's own limit for a path

using file_io_detail::PrivateTree;
using file_io_detail::privateTree;
using file_io_detail::temporaryNameFor;

[[noreturn]] void cannotCreate(const std::filesystem::path& path, int errorNumber) {
    throw Error(cannotCreateMessage(path, systemReason(errorNumber)));
}

[[noreturn]] void notRegular(const std::filesystem::path& path) {
    throw Error(cannotCreateMessage(path, "It is not a regular file; it was left as it is."));
}

// Opens the folder `relative` (components separated by '/') below `root` one component at a time,
// refusing links and "..": the descriptor of the last one, or -1 with errno set.
int openBelow(int root, std::string_view relative) {
    FileDescriptor current{::dup(root)};
    if (!current.valid())
        return -1;
    std::size_t start = 0;
    while (start < relative.size()) {
        std::size_t end = relative.find('/', start);
        if (end == std::string_view::npos)
            end = relative.size();
        const std::string component(relative.substr(start, end - start));
        start = end + 1;
        if (component.empty() || component == ".")
            continue;
        if (component == "..") {
            errno = EACCES;
            return -1;
        }
        FileDescriptor next{::openat(current.get(), component.c_str(),
                                     O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)};
        if (!next.valid())
            return -1;
        current = std::move(next);
    }
    return current.release();
}

// Where a write to `path` lands: the open folder and the name in it. Inside the private tree the
// folders are walked by descriptor and no link is followed; elsewhere a final symbolic link is
// followed to the file it names.
struct Landing {
    FileDescriptor folder;
    std::string name;
};

Landing landingInPrivateTree(const std::filesystem::path& path, const std::string& text,
                             const PrivateTree& tree) {
    const std::string_view relative = std::string_view(text).substr(tree.root.size());
    const std::size_t slash = relative.rfind('/');
    Landing landing;
    landing.name =
        std::string(slash == std::string_view::npos ? relative : relative.substr(slash + 1));
    if (landing.name.empty() || landing.name == "." || landing.name == "..")
        cannotCreate(path, EISDIR);
    landing.folder.reset(openBelow(static_cast<int>(tree.folder), slash == std::string_view::npos
                                                                      ? std::string_view()
                                                                      : relative.substr(0, slash)));
    if (!landing.folder.valid())
        cannotCreate(path, errno == ELOOP || errno == ENOTDIR ? EACCES : errno);
    return landing;
}

Landing landingFollowingLinks(const std::filesystem::path& path) {
    std::filesystem::path target = path;
    for (int hop = 0;; ++hop) {
        struct stat info {};
        if (::lstat(target.c_str(), &info) != 0 || !S_ISLNK(info.st_mode))
            break;
        if (hop == kMaxLinkHops)
            cannotCreate(path, ELOOP);
        char buffer[4096];
        const ssize_t length = ::readlink(target.c_str(), buffer, sizeof buffer);
        if (length < 0 || static_cast<std::size_t>(length) == sizeof buffer)
            cannotCreate(path, length < 0 ? errno : ENAMETOOLONG);
        const std::filesystem::path linked(std::string(buffer, static_cast<std::size_t>(length)));
        target = linked.is_absolute() ? linked : target.parent_path() / linked;
    }
    Landing landing;
    landing.name = target.filename().string();
    if (landing.name.empty() || landing.name == "." || landing.name == "..")
        cannotCreate(path, EISDIR);
    const std::filesystem::path parent = target.parent_path().empty() ? "." : target.parent_path();
    landing.folder.reset(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!landing.folder.valid())
        cannotCreate(path, errno);
    return landing;
}

}  // namespace

namespace file_io_detail {

void writeAt(NativeHandle file, std::uint64_t offset, std::span<const std::uint8_t> bytes,
             const std::filesystem::path& destination) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::pwrite(static_cast<int>(file), bytes.data() + done,
                                       bytes.size() - done, static_cast<off_t>(offset + done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            cannotCreate(destination, wrote < 0 ? errno : EIO);
        done += static_cast<std::size_t>(wrote);
    }
}

}  // namespace file_io_detail

std::string systemReason(int errorNumber) {
    char buffer[256];
    // GNU strerror_r returns the message pointer, which may or may not be buffer.
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return text;
}

InputFile::InputFile(const std::filesystem::path& path, std::size_t maxBytes) : path_(path) {
    // Without O_NONBLOCK, opening a FIFO would wait for a writer for ever.
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC)};
    if (!file.valid())
        throw Error(cannotOpenMessage(path, systemReason(errno)));
    struct stat info {};
    if (::fstat(file.get(), &info) != 0)
        throw Error(cannotOpenMessage(path, systemReason(errno)));
    if (S_ISDIR(info.st_mode))
        throw Error(cannotOpenMessage(path, systemReason(EISDIR)));
    if (!S_ISREG(info.st_mode))
        throw Error(cannotOpenMessage(path, "Not a regular file."));
    if (static_cast<std::uint64_t>(info.st_size) > maxBytes)
        throw Error(cannotOpenMessage(path, "The file is too large."));
    size_ = static_cast<std::uint64_t>(info.st_size);
    handle_ = file.release();
}

InputFile::~InputFile() {
    FileDescriptor{static_cast<int>(handle_)};
}

std::size_t InputFile::readAt(std::uint64_t position, std::span<std::uint8_t> into) {
    std::size_t done = 0;
    while (done < into.size()) {
        const ssize_t got = ::pread(static_cast<int>(handle_), into.data() + done,
                                    into.size() - done, static_cast<off_t>(position + done));
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw Error(cannotOpenMessage(path_, systemReason(errno)));
        }
        if (got == 0)
            break;  // the end of the file
        done += static_cast<std::size_t>(got);
    }
    return done;
}

struct StagedFile::Staging {
    FileDescriptor folder;  // the folder the written file lands in
    std::string name;       // its name there (a link's target's name when the destination is one)
    std::string temporaryName;
};

void StagedFile::StagingDeleter::operator()(Staging* staging) const noexcept {
    delete staging;
}

void StagedFile::stage(const std::function<void(PositionedOutput&)>& write) {
    const std::filesystem::path& destination = destination_;
    staging_.reset(new Staging());
    Landing landing;
    {
        PrivateTree& tree = privateTree();
        std::lock_guard<std::mutex> guard(tree.lock);
        const std::string text = destination.string();
        if (file_io_detail::isBelowPrivateRoot(tree, text))
            landing = landingInPrivateTree(destination, text, tree);
        else
            landing = landingFollowingLinks(destination);
    }
    Staging& staging = *staging_;
    staging.folder = std::move(landing.folder);
    staging.name = std::move(landing.name);

    struct stat existing {};
    if (::fstatat(staging.folder.get(), staging.name.c_str(), &existing, AT_SYMLINK_NOFOLLOW) ==
        0) {
        // Inside the private tree a link is replaced as an entry, never written through.
        if (!S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode))
            notRegular(destination);
        replacesExisting_ = true;
    } else if (errno != ENOENT) {
        cannotCreate(destination, errno);
    }

    staging.temporaryName = temporaryNameFor(staging.name);
    FileDescriptor file{::openat(staging.folder.get(), staging.temporaryName.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666)};
    if (!file.valid())
        cannotCreate(destination, errno);
    auto fail = [&](int errorNumber) {
        file.reset();
        ::unlinkat(staging.folder.get(), staging.temporaryName.c_str(), 0);
        cannotCreate(destination, errorNumber);
    };
    if (replacesExisting_ && S_ISREG(existing.st_mode) &&
        ::fchmod(file.get(), existing.st_mode & 07777) != 0)
        fail(errno);
    try {
        file_io_detail::StagingOutput output(file.get(), destination);
        write(output);
        output.flush();
    } catch (...) {
        file.reset();
        ::unlinkat(staging.folder.get(), staging.temporaryName.c_str(), 0);
        throw;
    }
    if (file.close() != 0)
        fail(errno);
}

StagedFile::~StagedFile() {
    if (!committed_ && staging_ && staging_->folder.valid())
        ::unlinkat(staging_->folder.get(), staging_->temporaryName.c_str(), 0);
}

void StagedFile::commit() {
    if (committed_)
        return;
    Staging& staging = *staging_;
    if (::renameat(staging.folder.get(), staging.temporaryName.c_str(), staging.folder.get(),
                   staging.name.c_str()) != 0) {
        const int errorNumber = errno;
        ::unlinkat(staging.folder.get(), staging.temporaryName.c_str(), 0);
        committed_ = true;
        cannotCreate(destination_, errorNumber);
    }
    committed_ = true;
}

}  // namespace felmo
