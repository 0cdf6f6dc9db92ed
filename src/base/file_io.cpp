#include "base/file_io.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "base/error.hpp"

namespace felmo {
namespace {

class FileDescriptor {
  public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0)
            ::close(fd_);
    }
    int get() const { return fd_; }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

std::filesystem::path temporarySibling(const std::filesystem::path& path) {
    static std::mt19937_64 generator{std::random_device{}()};
    char suffix[32];
    std::snprintf(suffix, sizeof suffix, ".%016llx.tmp",
                  static_cast<unsigned long long>(generator()));
    std::filesystem::path temporary = path;
    temporary += suffix;
    // Hidden name, so that folder walks and file searches that skip dot files never see it.
    return temporary.parent_path() / ("." + temporary.filename().string());
}

}  // namespace

std::string systemReason(int errorNumber) {
    char buffer[256];
    // GNU strerror_r returns the message pointer, which may or may not be buffer.
    const char* text = strerror_r(errorNumber, buffer, sizeof buffer);
    return text;
}

std::string cannotOpenMessage(const std::filesystem::path& path, const std::string& reason) {
    return "Cannot open file \"" + path.string() + "\". " + reason;
}

std::string cannotCreateMessage(const std::filesystem::path& path, const std::string& reason) {
    return "Cannot create file \"" + path.string() + "\". " + reason;
}

std::vector<std::uint8_t> readWholeFile(const std::filesystem::path& path, std::size_t maxBytes) {
    FileDescriptor file{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
    if (file.get() < 0)
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

void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
    const std::filesystem::path temporary = temporarySibling(path);
    FileDescriptor file{::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644)};
    if (file.get() < 0)
        throw Error(cannotCreateMessage(path, systemReason(errno)));

    auto fail = [&](int errorNumber) {
        ::close(file.release());
        ::unlink(temporary.c_str());
        throw Error(cannotCreateMessage(path, systemReason(errorNumber)));
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t put = ::write(file.get(), bytes.data() + done, bytes.size() - done);
        if (put < 0) {
            if (errno == EINTR)
                continue;
            fail(errno);
        }
        done += static_cast<std::size_t>(put);
    }
    if (::close(file.release()) != 0) {
        int errorNumber = errno;
        ::unlink(temporary.c_str());
        throw Error(cannotCreateMessage(path, systemReason(errorNumber)));
    }
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        int errorNumber = errno;
        ::unlink(temporary.c_str());
        throw Error(cannotCreateMessage(path, systemReason(errorNumber)));
    }
}

void copyFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to) {
    std::vector<std::uint8_t> bytes = readWholeFile(from, std::size_t{1} << 30);
    writeFileAtomically(to, bytes);
}

}  // namespace felmo
