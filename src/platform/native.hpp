// How the system's own objects are carried through the platform layer's interfaces without its
// headers: a POSIX file descriptor or a Windows HANDLE, as one integer.
#pragma once

#include <cstdint>

namespace felmo {

// A descriptor (POSIX) or a HANDLE (Windows); kNoNativeHandle when there is none.
using NativeHandle = std::intptr_t;
inline constexpr NativeHandle kNoNativeHandle = -1;

// The separator the system writes between folder names.
#ifdef _WIN32
inline constexpr char kFolderSeparator = '\\';
#else
inline constexpr char kFolderSeparator = '/';
#endif

}  // namespace felmo
