// The one table of the animation effects: the whole "Анимация" menu in menu order, with each
// item's tag, handler and command-line name. The window's menu, the command-line front end and the
// tests all read this table, so they cannot drift apart.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace felmo {

enum class EffectHandler {
    MoveRightLeft,
    MoveUpDown,
    ApproachPostpone,
    MovementDirectedLight,
    MovementOnTunnel,
    ApproachAndDistance,
    TransformationFromPicture,
    Display,
    HorizontalStrips,
    VerticalStrips,
    BrightnessBlackWhite,
    ScatteredRestoration,
    AnimationFromPicture,
};

std::string_view handlerName(EffectHandler handler);

struct MenuEntry {
    int level;  // 1 for "Анимация" itself, 2 for the items right under it, ...
    std::string_view caption;              // in Russian, as written; shown as menuCaption()
    std::string_view itemName;             // "N9", "N67", ...
    int tag;                               // 0 when the item carries none
    std::optional<EffectHandler> handler;  // empty: the item opens the sub-menu below it
    std::string_view cliName;              // empty for sub-menus
};

// The caption in the current language.
std::string_view menuCaption(const MenuEntry& entry);

// "Анимация" and everything below it, in menu order (the first entry is "Анимация", level 1).
std::span<const MenuEntry> animationMenu();

// The entry with this command-line name, or nullptr.
const MenuEntry* findEffectByCliName(std::string_view cliName);

// Whether the effect asks the user for a picture (the slides, the binocular zoom, the picture-to-
// picture transitions and strip wipes, the animation taken from a picture).
bool effectAsksForPicture(EffectHandler handler);

}  // namespace felmo
