// The table that the build generates from the five default .mbm files (internal to
// felmo_resources).
#pragma once

#include <cstddef>

namespace felmo::embedded {

struct EmbeddedFile {
    const char* slotName;
    const char* bytes;
    std::size_t size;
};

inline constexpr std::size_t kEmbeddedFileCount = 5;
extern const EmbeddedFile kEmbeddedFiles[kEmbeddedFileCount];

}  // namespace felmo::embedded
