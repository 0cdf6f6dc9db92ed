#include "effects/run_effect.hpp"

#include <string>

#include "base/error.hpp"
#include "effects/animated_picture.hpp"
#include "effects/binocular.hpp"
#include "effects/brightness.hpp"
#include "effects/light_tunnel.hpp"
#include "effects/motion.hpp"
#include "effects/strip_wipes.hpp"
#include "effects/transitions.hpp"

namespace felmo {

void runEffect(EffectContext& context, EffectHandler handler, int tag) {
    switch (handler) {
        case EffectHandler::MoveRightLeft:
            return MoveRightLeft(context, tag);
        case EffectHandler::MoveUpDown:
            return MoveUpDown(context, tag);
        case EffectHandler::ApproachPostpone:
            return ApproachPostpone(context, tag);
        case EffectHandler::MovementDirectedLight:
            return MovementDirectedLight(context, tag);
        case EffectHandler::MovementOnTunnel:
            return MovementOnTunnel(context, tag);
        case EffectHandler::ApproachAndDistance:
            return ApproachAndDistance(context, tag);
        case EffectHandler::TransformationFromPicture:
            return TransformationFromPicture(context);
        case EffectHandler::Display:
            return Display(context);
        case EffectHandler::HorizontalStrips:
            return HorizontalStrips(context, tag);
        case EffectHandler::VerticalStrips:
            return VerticalStrips(context, tag);
        case EffectHandler::BrightnessBlackWhite:
            return BrightnessBlackWhite(context, tag);
        case EffectHandler::ScatteredRestoration:
            return ScatteredRestoration(context, tag);
        case EffectHandler::AnimationFromPicture:
            return AnimationFromPicture(context);
    }
}

void runEffect(EffectContext& context, const MenuEntry& entry) {
    if (!entry.handler)
        throw Error("\"" + std::string(entry.caption) + "\" is a menu, not an effect.");
    runEffect(context, *entry.handler, entry.tag);
}

}  // namespace felmo
