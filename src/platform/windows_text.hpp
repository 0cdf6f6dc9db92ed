// Text between the program's UTF-8 and the UTF-16 of the Windows calls. Windows only.
#pragma once

#include <windows.h>

#include <filesystem>
#include <string>
#include <string_view>

namespace felmo::windows {

// UTF-8 to UTF-16; bytes that are not UTF-8 are taken in the ANSI code page instead.
std::wstring wideFromUtf8(std::string_view text);
// UTF-16 to UTF-8 (a unit that cannot be converted becomes U+FFFD).
std::string utf8FromWide(std::wstring_view text);

// The path as the Windows calls take it (see nativePath in platform/file_system.hpp).
std::wstring widePath(const std::filesystem::path& path);

// The folder without the separators after its last name: "C:\work\" becomes "C:\work". A root
// ("C:\", "\") keeps its separator, since without it "C:" means the drive's current folder.
std::wstring withoutTrailingSeparators(std::wstring folder);

// The system's message for a GetLastError() code, without its line end.
std::string messageFor(DWORD code);

// A HANDLE closed when its owner goes. Move-only.
class Handle {
  public:
    Handle() = default;
    explicit Handle(HANDLE handle) : handle_(handle) {}
    Handle(Handle&& other) noexcept : handle_(other.release()) {}
    Handle& operator=(Handle&& other) noexcept {
        if (this != &other)
            reset(other.release());
        return *this;
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { reset(); }

    bool valid() const { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
    HANDLE get() const { return handle_; }
    HANDLE release() {
        HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    void reset(HANDLE handle = INVALID_HANDLE_VALUE) {
        if (valid())
            ::CloseHandle(handle_);
        handle_ = handle;
    }

  private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

}  // namespace felmo::windows
