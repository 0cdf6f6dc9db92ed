// The five default .mbm files the program carries, one per graphic slot, drawn and packed when
// the program is built.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace felmo {

// The slot names, in slot order: startup, EidPic, backgroundimage, Splashscreen, Welcomeimage.
std::span<const std::string_view> embeddedDefaultNames();

// The complete .mbm file of a slot, its name compared without regard to letter case ("STARTUP"
// finds startup); an empty span when no slot has that name.
std::span<const std::uint8_t> embeddedDefaultMbm(std::string_view slotName);

}  // namespace felmo
