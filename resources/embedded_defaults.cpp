#include "resources/embedded_defaults.hpp"

#include <array>

#include "base/ascii.hpp"
#include "resources/embedded_files.hpp"
#include "workspace/slot_table.hpp"

namespace felmo {
namespace {

static_assert(embedded::kEmbeddedFileCount == kSlotCount);

constexpr std::array<std::string_view, kSlotCount> kNames = [] {
    std::array<std::string_view, kSlotCount> names{};
    for (std::size_t index = 0; index < names.size(); ++index)
        names[index] = kSlotTable[index].name;
    return names;
}();

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
