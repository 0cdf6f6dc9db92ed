#include "base/file_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <random>

#include "base/display_text.hpp"
#include "base/error.hpp"

namespace felmo {
namespace {

constexpr int kMaxLinkHops = 40;  // as the system's own limit for a path

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

// The private tree of PrivateTreeWrites, if any.
struct PrivateTree {
    std::mutex lock;
    std::string root;
    int folder = -1;
};
PrivateTree& privateTree() {
    static PrivateTree tree;
    return tree;
}

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
    landing.folder.reset(openBelow(tree.folder, slash == std::string_view::npos
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

std::string systemReason(int errorNumber) {
    char buffer[256];
    // GNU strerror_r returns the message pointer, which may or may not be buffer.
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return text;
}

std::string cannotOpenMessage(const std::filesystem::path& path, const std::string& reason) {
    return "Cannot open file \"" + displayText(path.string()) + "\". " + reason;
}

std::string cannotCreateMessage(const std::filesystem::path& path, const std::string& reason) {
    return "Cannot create file \"" + displayText(path.string()) + "\". " + reason;
}

std::vector<std::uint8_t> readWholeFile(const std::filesystem::path& path, std::size_t maxBytes) {
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

    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(info.st_size));
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t got = ::read(file.get(), bytes.data() + done, bytes.size() - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw Error(cannotOpenMessage(path, systemReason(errno)));
        }
        if (got == 0)
            break;  // the file shrank while we read it
        done += static_cast<std::size_t>(got);
    }
    bytes.resize(done);
    return bytes;
}

StagedFile::StagedFile(const std::filesystem::path& destination,
                       std::span<const std::uint8_t> bytes)
    : destination_(destination) {
    Landing landing;
    {
        PrivateTree& tree = privateTree();
        std::lock_guard<std::mutex> guard(tree.lock);
        const std::string text = destination.string();
        if (tree.folder >= 0 && text.size() > tree.root.size() &&
            text.compare(0, tree.root.size(), tree.root) == 0)
            landing = landingInPrivateTree(destination, text, tree);
        else
            landing = landingFollowingLinks(destination);
    }
    folder_ = std::move(landing.folder);
    name_ = std::move(landing.name);

    struct stat existing {};
    if (::fstatat(folder_.get(), name_.c_str(), &existing, AT_SYMLINK_NOFOLLOW) == 0) {
        // Inside the private tree a link is replaced as an entry, never written through.
        if (!S_ISREG(existing.st_mode) && !S_ISLNK(existing.st_mode))
            notRegular(destination);
        replacesExisting_ = true;
    } else if (errno != ENOENT) {
        cannotCreate(destination, errno);
    }

    temporaryName_ = temporaryNameFor(name_);
    FileDescriptor file{::openat(folder_.get(), temporaryName_.c_str(),
                                 O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666)};
    if (!file.valid())
        cannotCreate(destination, errno);
    auto fail = [&](int errorNumber) {
        file.reset();
        ::unlinkat(folder_.get(), temporaryName_.c_str(), 0);
        cannotCreate(destination, errorNumber);
    };
    if (replacesExisting_ && S_ISREG(existing.st_mode) &&
        ::fchmod(file.get(), existing.st_mode & 07777) != 0)
        fail(errno);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(file.get(), bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        done += static_cast<std::size_t>(put);
    }
    if (file.close() != 0)
        fail(errno);
}

StagedFile::StagedFile(StagedFile&& other) noexcept
    : destination_(std::move(other.destination_)),
      folder_(std::move(other.folder_)),
      name_(std::move(other.name_)),
      temporaryName_(std::move(other.temporaryName_)),
      replacesExisting_(other.replacesExisting_),
      committed_(std::exchange(other.committed_, true)) {}

StagedFile::~StagedFile() {
    if (!committed_ && folder_.valid())
        ::unlinkat(folder_.get(), temporaryName_.c_str(), 0);
}

void StagedFile::commit() {
    if (committed_)
        return;
    if (::renameat(folder_.get(), temporaryName_.c_str(), folder_.get(), name_.c_str()) != 0) {
        const int errorNumber = errno;
        ::unlinkat(folder_.get(), temporaryName_.c_str(), 0);
        committed_ = true;
        cannotCreate(destination_, errorNumber);
    }
    committed_ = true;
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

PrivateTreeWrites::PrivateTreeWrites(std::string root, int rootFolder) {
    PrivateTree& tree = privateTree();
    std::lock_guard<std::mutex> guard(tree.lock);
    tree.root = std::move(root);
    tree.folder = rootFolder;
}

PrivateTreeWrites::~PrivateTreeWrites() {
    PrivateTree& tree = privateTree();
    std::lock_guard<std::mutex> guard(tree.lock);
    tree.root.clear();
    tree.folder = -1;
}

}  // namespace felmo
