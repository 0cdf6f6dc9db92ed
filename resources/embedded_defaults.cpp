#include "resources/embedded_defaults.hpp"

#include <array>
#include <cctype>

#include "resources/embedded_files.hpp"

namespace felmo {
namespace {

constexpr std::array<std::string_view, embedded::kEmbeddedFileCount> kNames = {
    "startup", "EidPic", "backgroundimage", "Splashscreen", "Welcomeimage"};

bool sameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

}  // namespace

std::span<const std::string_view> embeddedDefaultNames() {
    return kNames;
}

std::span<const std::uint8_t> embeddedDefaultMbm(std::string_view slotName) {
    for (const embedded::EmbeddedFile& file : embedded::kEmbeddedFiles) {
        if (sameIgnoringCase(file.slotName, slotName))
            return {reinterpret_cast<const std::uint8_t*>(file.bytes), file.size};
    }
    return {};
}

}  // namespace felmo
