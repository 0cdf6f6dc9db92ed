# Cross-building for 64-bit Windows with mingw-w64 (Debian's g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE=cmake/mingw64.cmake \
#         -DFELMO_WINDOWS_DEPS=/path/to/prefix
# FELMO_WINDOWS_DEPS is the folder scripts/build-windows-deps.sh filled with the static picture
# libraries and GoogleTest. Everything links statically (libgcc, libstdc++, winpthread, zlib and the
# picture libraries), so the programs run without any DLL beside them.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(FELMO_MINGW_TRIPLET x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${FELMO_MINGW_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${FELMO_MINGW_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${FELMO_MINGW_TRIPLET}-windres)

# The toolchain file is read again for every compile check: the prefix travels with it.
set(FELMO_WINDOWS_DEPS "${FELMO_WINDOWS_DEPS}" CACHE PATH
    "Prefix holding the static libraries built for Windows")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES FELMO_WINDOWS_DEPS)

set(CMAKE_FIND_ROOT_PATH /usr/${FELMO_MINGW_TRIPLET})
if(FELMO_WINDOWS_DEPS)
  list(PREPEND CMAKE_FIND_ROOT_PATH "${FELMO_WINDOWS_DEPS}")
  list(APPEND CMAKE_PREFIX_PATH "${FELMO_WINDOWS_DEPS}")
  # pkg-config sees only the Windows libraries, never the build machine's.
  set(ENV{PKG_CONFIG_LIBDIR} "${FELMO_WINDOWS_DEPS}/lib/pkgconfig")
  set(ENV{PKG_CONFIG_PATH} "")
endif()
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Static archives only: an import library (.dll.a) would make the program need its DLL.
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
# CMake's Windows platform files put .dll.a first again; zlib is the one library that comes both
# ways in the mingw-w64 root.
set(ZLIB_LIBRARY /usr/${FELMO_MINGW_TRIPLET}/lib/libz.a CACHE FILEPATH "Static zlib for mingw-w64")

# GCC 12 warns of an overlap that cannot happen inside libstdc++'s string concatenation when it
# inlines it at -O3 (GCC bug 105329).
set(CMAKE_CXX_FLAGS_INIT "-Wno-restrict")
