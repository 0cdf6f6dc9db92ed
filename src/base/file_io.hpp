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
#include <span>
#include <string>
#include <vector>

namespace felmo {

// "Cannot open file "<path>". <reason>" / "Cannot create file "<path>". <reason>".
std::string cannotOpenMessage(const std::filesystem::path& path, const std::string& reason);
std::string cannotCreateMessage(const std::filesystem::path& path, const std::string& reason);

// The system's text for errno value `errorNumber` (strerror, thread-safe).
std::string systemReason(int errorNumber);

// Reads the whole file. A file larger than maxBytes is refused before anything is allocated.
std::vector<std::uint8_t> readWholeFile(const std::filesystem::path& path,
                                        std::size_t maxBytes = std::size_t{256} << 20);

// Writes bytes to path through a temporary file in the same folder that is renamed into place,
// so a reader never sees a half-written file and a failed write leaves the old file untouched.
void writeFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Copies one file atomically in the same way (the copy is whole at `to` or not there at all).
void copyFileAtomically(const std::filesystem::path& from, const std::filesystem::path& to);

}  // namespace felmo
