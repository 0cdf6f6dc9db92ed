#include "resources/embedded_defaults.hpp"

#include <array>

#include "base/ascii.hpp"
#include "resources/embedded_files.hpp"

namespace felmo {
namespace {

constexpr std::array<std::string_view, embedded::kEmbeddedFileCount> kNames = {
    "startup", "EidPic", "backgroundimage", "Splashscreen", "Welcomeimage"};

}  // namespace

std::span<const std::string_view> embeddedDefaultNames() {
    return kNames;
}

std::span<const std::uint8_t> embeddedDefaultMbm(std::string_view slotName) {
    for (const embedded::EmbeddedFile& file : embedded::kEmbeddedFiles) {
        if (equalIgnoringAsciiCase(file.slotName, slotName))
            return {reinterpret_cast<const std::uint8_t*>(file.bytes), file.size};
    }
    return {};
}

}  // namespace felmo
