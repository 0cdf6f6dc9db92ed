#include "effects/run_effect.hpp"

#include <gtest/gtest.h>

#include <set>

#include "base/error.hpp"
#include "effect_rig.hpp"

namespace felmo {
namespace {

using testing::EffectRig;

// Every item of the menu runs its handler (a cancelled dialog where one is asked for).
TEST(RunEffect, DispatchAgreesWithTheTable) {
    std::set<EffectHandler> ran;
    for (const MenuEntry& entry : animationMenu()) {
        if (!entry.handler)
            continue;
        EffectRig rig;
        rig.nextPicture.reset();
        EffectContext context = rig.context();
        EXPECT_NO_THROW(runEffect(context, entry)) << entry.caption;
        ran.insert(*entry.handler);
        EXPECT_EQ(rig.dialogCalls, effectAsksForPicture(*entry.handler) ? 1 : 0) << entry.caption;
    }
    EXPECT_EQ(ran, (std::set<EffectHandler>{
                       EffectHandler::MoveRightLeft, EffectHandler::MoveUpDown,
                       EffectHandler::ApproachPostpone, EffectHandler::MovementDirectedLight,
                       EffectHandler::MovementOnTunnel, EffectHandler::ApproachAndDistance,
                       EffectHandler::TransformationFromPicture, EffectHandler::Display,
                       EffectHandler::HorizontalStrips, EffectHandler::VerticalStrips,
                       EffectHandler::BrightnessBlackWhite, EffectHandler::ScatteredRestoration,
                       EffectHandler::AnimationFromPicture}));
}

TEST(RunEffect, SubMenuIsNotAnEffect) {
    EffectRig rig;
    EffectContext context = rig.context();
    EXPECT_THROW(runEffect(context, animationMenu().front()), Error);
}

TEST(RunEffect, ZoomInByItsCommandLineNameWritesAllFrames) {
    EffectRig rig;
    EffectContext context = rig.context();
    runEffect(context, *findEffectByCliName("zoom-in"));
    for (int k = 0; k < 12; ++k)
        EXPECT_TRUE(std::filesystem::exists(frameFilePath(rig.workDir(), k))) << k;
}

}  // namespace
}  // namespace felmo
