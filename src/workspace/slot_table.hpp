// The five graphic slots of the phone, in their fixed order. A slot's index is its number
// everywhere: its place in both converter pipelines and in the bit-depth table of a build. This
// table is the one place that spells the slot names: the embedded defaults and their build step
// read them from here.
#pragma once

#include <array>
#include <string_view>

namespace felmo {

struct MbmSlot {
    std::string_view name;  // folder name under WorkDir and the .mbm file name, as spelled
    int lastFrameIndex;     // frames are 0 ... lastFrameIndex, without gaps
    int frameCount;         // lastFrameIndex + 1
};

inline constexpr int kSlotCount = 5;

// Index of each slot in the table.
inline constexpr int kStartupSlot = 0;
inline constexpr int kEidPicSlot = 1;
inline constexpr int kBackgroundimageSlot = 2;
inline constexpr int kSplashscreenSlot = 3;
inline constexpr int kWelcomeimageSlot = 4;

inline constexpr std::array<MbmSlot, kSlotCount> kSlotTable{{
    {"startup", 11, 12},
    {"EidPic", 4, 5},
    {"backgroundimage", 1, 2},
    {"Splashscreen", 0, 1},
    {"Welcomeimage", 0, 1},
}};

// The slot at index 0 ... 4. An index outside the table is a programming error (std::out_of_range).
const MbmSlot& slotAt(int index);

// The index of the slot called `name` compared without regard to letter case ("STARTUP" -> 0),
// or -1 when no slot has that name.
int findSlotIndex(std::string_view name);

// The slot called `name` without regard to letter case, or nullptr.
const MbmSlot* findSlot(std::string_view name);

}  // namespace felmo
