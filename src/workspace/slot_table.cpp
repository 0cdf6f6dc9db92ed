#include "workspace/slot_table.hpp"

#include <stdexcept>
#include <string>

namespace felmo {
namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

}  // namespace

const MbmSlot& slotAt(int index) {
    if (index < 0 || index >= kSlotCount)
        throw std::out_of_range("slot index " + std::to_string(index) + " outside 0...4");
    return kSlotTable[static_cast<std::size_t>(index)];
}

int findSlotIndex(std::string_view name) {
    for (int index = 0; index < kSlotCount; ++index)
        if (equalIgnoringCase(kSlotTable[static_cast<std::size_t>(index)].name, name))
            return index;
    return -1;
}

const MbmSlot* findSlot(std::string_view name) {
    int index = findSlotIndex(name);
    return index < 0 ? nullptr : &kSlotTable[static_cast<std::size_t>(index)];
}

}  // namespace felmo
