// Whole files as text, for tests that write inputs and read back what a program wrote.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace felmo::testing {

// The file's bytes; "<missing>" when it cannot be opened, so that a missing file never compares
// equal to an empty one.
std::string readText(const std::filesystem::path& file);

// Writes `text` as the whole file, making its folder first; std::runtime_error when it cannot.
void writeText(const std::filesystem::path& file, std::string_view text);

}  // namespace felmo::testing
