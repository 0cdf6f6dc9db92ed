#include "workspace/slot_table.hpp"

#include <stdexcept>
#include <string>

#include "base/ascii.hpp"

namespace felmo {

const MbmSlot& slotAt(int index) {
    if (index < 0 || index >= kSlotCount)
        throw std::out_of_range("slot index " + std::to_string(index) + " outside 0...4");
    return kSlotTable[static_cast<std::size_t>(index)];
}

int findSlotIndex(std::string_view name) {
    for (int index = 0; index < kSlotCount; ++index)
        if (equalIgnoringAsciiCase(kSlotTable[static_cast<std::size_t>(index)].name, name))
            return index;
    return -1;
}

const MbmSlot* findSlot(std::string_view name) {
    int index = findSlotIndex(name);
    return index < 0 ? nullptr : &kSlotTable[static_cast<std::size_t>(index)];
}

}  // namespace felmo
