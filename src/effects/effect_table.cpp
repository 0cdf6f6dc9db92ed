#include "effects/effect_table.hpp"

#include <array>

#include "base/translation.hpp"

namespace felmo {
namespace {

using H = EffectHandler;

constexpr std::array kAnimationMenu = {
    MenuEntry{1, N_("Анимация"), "N2", 0, std::nullopt, ""},
    MenuEntry{2, N_("Движение"), "N6", 0, std::nullopt, ""},
    MenuEntry{3, N_("Слева направо"), "N9", 9, H::MoveRightLeft, "slide-right"},
    MenuEntry{3, N_("Справа налево"), "N10", 10, H::MoveRightLeft, "slide-left"},
    MenuEntry{3, N_("Сверху вниз"), "N11", 11, H::MoveUpDown, "slide-down"},
    MenuEntry{3, N_("Снизу вверх"), "N12", 12, H::MoveUpDown, "slide-up"},
    MenuEntry{3, N_("Приближать"), "N18", 18, H::ApproachPostpone, "zoom-in"},
    MenuEntry{3, N_("Отдалять"), "N19", 19, H::ApproachPostpone, "zoom-out"},
    MenuEntry{3, N_("Направленного света"), "N15", 0, std::nullopt, ""},
    MenuEntry{4, N_("Черный фон"), "N45", 45, H::MovementDirectedLight, "light-black"},
    MenuEntry{4, N_("Белый фон"), "N46", 46, H::MovementDirectedLight, "light-white"},
    MenuEntry{3, N_("В тоннель"), "N16", 0, std::nullopt, ""},
    MenuEntry{4, N_("Ченый фон"), "N22", 22, H::MovementOnTunnel, "tunnel-in-black"},
    MenuEntry{4, N_("Белый фон"), "N23", 23, H::MovementOnTunnel, "tunnel-in-white"},
    MenuEntry{3, N_("Из тоннеля"), "N17", 0, std::nullopt, ""},
    MenuEntry{4, N_("Ченый фон"), "N20", 20, H::MovementOnTunnel, "tunnel-out-black"},
    MenuEntry{4, N_("Белый фон"), "N21", 21, H::MovementOnTunnel, "tunnel-out-white"},
    MenuEntry{2, N_("Превращение"), "N8", 0, std::nullopt, ""},
    MenuEntry{3, N_("Из картинки в картинку"), "N13", 0, std::nullopt, ""},
    MenuEntry{4, N_("Точками"), "N67", 0, H::TransformationFromPicture, "dots"},
    MenuEntry{4, N_("Линиями"), "N68", 0, std::nullopt, ""},
    MenuEntry{5, N_("Горизонтальными"), "N69", 0, std::nullopt, ""},
    MenuEntry{6, N_("Сверху вниз"), "N71", 71, H::HorizontalStrips, "blinds-down"},
    MenuEntry{6, N_("Снизу вверх"), "N72", 72, H::HorizontalStrips, "blinds-up"},
    MenuEntry{5, N_("Вертикальными"), "N70", 0, std::nullopt, ""},
    MenuEntry{6, N_("Слева направо"), "N73", 73, H::VerticalStrips, "blinds-right"},
    MenuEntry{6, N_("Справа налево"), "N74", 74, H::VerticalStrips, "blinds-left"},
    MenuEntry{4, N_("Проявление"), "N76", 0, H::Display, "crossfade"},
    MenuEntry{3, N_("Проявление картинки"), "N31", 0, std::nullopt, ""},
    MenuEntry{4, N_("Черный фон"), "N33", 33, H::BrightnessBlackWhite, "fade-in-black"},
    MenuEntry{4, N_("Белый фон"), "N35", 35, H::BrightnessBlackWhite, "fade-in-white"},
    MenuEntry{3, N_("Исчезновение картинки"), "N32", 0, std::nullopt, ""},
    MenuEntry{4, N_("Черный фон"), "N34", 34, H::BrightnessBlackWhite, "fade-out-black"},
    MenuEntry{4, N_("Белый фон"), "N36", 36, H::BrightnessBlackWhite, "fade-out-white"},
    MenuEntry{3, N_("Рассыпание картинки"), "N25", 0, std::nullopt, ""},
    MenuEntry{4, N_("Слева направо"), "N27", 0, std::nullopt, ""},
    MenuEntry{5, N_("Черый фон"), "N29", 29, H::ScatteredRestoration, "scatter-right-black"},
    MenuEntry{5, N_("Белый фон"), "N44", 44, H::ScatteredRestoration, "scatter-right-white"},
    MenuEntry{4, N_("Справа налево"), "N30", 0, std::nullopt, ""},
    MenuEntry{5, N_("Черный фон"), "N26", 26, H::ScatteredRestoration, "scatter-left-black"},
    MenuEntry{5, N_("Белый фон"), "N28", 28, H::ScatteredRestoration, "scatter-left-white"},
    MenuEntry{3, N_("Восстановление картинки"), "N37", 0, std::nullopt, ""},
    MenuEntry{4, N_("Слева направо"), "N38", 0, std::nullopt, ""},
    MenuEntry{5, N_("Черный фон"), "N40", 40, H::ScatteredRestoration, "restore-right-black"},
    MenuEntry{5, N_("Белый фон"), "N41", 41, H::ScatteredRestoration, "restore-right-white"},
    MenuEntry{4, N_("Справа налево"), "N39", 0, std::nullopt, ""},
    MenuEntry{5, N_("Черный фон"), "N42", 42, H::ScatteredRestoration, "restore-left-black"},
    MenuEntry{5, N_("Белый фон"), "N43", 43, H::ScatteredRestoration, "restore-left-white"},
    MenuEntry{2, N_("Эффекты"), "N4", 0, std::nullopt, ""},
    MenuEntry{3, N_("Бинокль"), "N14", 0, std::nullopt, ""},
    MenuEntry{4, N_("Приблизить"), "N47", 0, std::nullopt, ""},
    MenuEntry{5, N_("Влево"), "N49", 49, H::ApproachAndDistance, "binocular-in-left"},
    MenuEntry{5, N_("Влево+Вверх"), "N50", 50, H::ApproachAndDistance, "binocular-in-left-up"},
    MenuEntry{5, N_("Вверх"), "N51", 51, H::ApproachAndDistance, "binocular-in-up"},
    MenuEntry{5, N_("Вправо+Вверх"), "N52", 52, H::ApproachAndDistance, "binocular-in-right-up"},
    MenuEntry{5, N_("Вправо"), "N53", 53, H::ApproachAndDistance, "binocular-in-right"},
    MenuEntry{5, N_("Вправо+Вниз"), "N54", 54, H::ApproachAndDistance, "binocular-in-right-down"},
    MenuEntry{5, N_("Вниз"), "N55", 55, H::ApproachAndDistance, "binocular-in-down"},
    MenuEntry{5, N_("Влево+Вниз"), "N56", 56, H::ApproachAndDistance, "binocular-in-left-down"},
    MenuEntry{5, N_("Центр"), "N57", 57, H::ApproachAndDistance, "binocular-in-centre"},
    MenuEntry{4, N_("Отдалить"), "N48", 0, std::nullopt, ""},
    MenuEntry{5, N_("Влево"), "N58", 58, H::ApproachAndDistance, "binocular-out-left"},
    MenuEntry{5, N_("Влево+Вверх"), "N59", 59, H::ApproachAndDistance, "binocular-out-left-up"},
    MenuEntry{5, N_("Вверх"), "N60", 60, H::ApproachAndDistance, "binocular-out-up"},
    MenuEntry{5, N_("Вправо+Вверх"), "N61", 61, H::ApproachAndDistance, "binocular-out-right-up"},
    MenuEntry{5, N_("Вправо"), "N62", 62, H::ApproachAndDistance, "binocular-out-right"},
    MenuEntry{5, N_("Вправо+Вниз"), "N63", 63, H::ApproachAndDistance, "binocular-out-right-down"},
    MenuEntry{5, N_("Вниз"), "N64", 64, H::ApproachAndDistance, "binocular-out-down"},
    MenuEntry{5, N_("Влево+Вниз"), "N65", 65, H::ApproachAndDistance, "binocular-out-left-down"},
    MenuEntry{5, N_("Центр"), "N66", 66, H::ApproachAndDistance, "binocular-out-centre"},
    MenuEntry{2, N_("Из анимированной картинки…"), "AnimationFromPicture", 78,
              H::AnimationFromPicture, "animation"},
};

// translate() takes the caption's characters as a C string: each caption is a whole literal.
constexpr bool captionsEndInNul() {
    for (const MenuEntry& entry : kAnimationMenu)
        if (entry.caption.data()[entry.caption.size()] != '\0')
            return false;
    return true;
}
static_assert(captionsEndInNul());

}  // namespace

std::string_view menuCaption(const MenuEntry& entry) {
    return translate(entry.caption.data());
}

std::string_view handlerName(EffectHandler handler) {
    switch (handler) {
        case H::MoveRightLeft:
            return "MoveRightLeft";
        case H::MoveUpDown:
            return "MoveUpDown";
        case H::ApproachPostpone:
            return "ApproachPostpone";
        case H::MovementDirectedLight:
            return "MovementDirectedLight";
        case H::MovementOnTunnel:
            return "MovementOnTunnel";
        case H::ApproachAndDistance:
            return "ApproachAndDistance";
        case H::TransformationFromPicture:
            return "TransformationFromPicture";
        case H::Display:
            return "Display";
        case H::HorizontalStrips:
            return "HorizontalStrips";
        case H::VerticalStrips:
            return "VerticalStrips";
        case H::BrightnessBlackWhite:
            return "BrightnessBlackWhite";
        case H::ScatteredRestoration:
            return "ScatteredRestoration";
        case H::AnimationFromPicture:
            return "AnimationFromPicture";
    }
    return "";
}

std::span<const MenuEntry> animationMenu() {
    return kAnimationMenu;
}

const MenuEntry* findEffectByCliName(std::string_view cliName) {
    if (cliName.empty())
        return nullptr;
    for (const MenuEntry& entry : kAnimationMenu)
        if (entry.cliName == cliName)
            return &entry;
    return nullptr;
}

bool effectAsksForPicture(EffectHandler handler) {
    switch (handler) {
        case H::MoveRightLeft:
        case H::MoveUpDown:
        case H::ApproachAndDistance:
        case H::TransformationFromPicture:
        case H::Display:
        case H::HorizontalStrips:
        case H::VerticalStrips:
        case H::AnimationFromPicture:
            return true;
        default:
            return false;
    }
}

}  // namespace felmo
