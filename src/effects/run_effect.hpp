// Runs one item of the "Анимация" menu: the handler of the item, told apart by the item's tag.
#pragma once

#include "effects/effect_context.hpp"
#include "effects/effect_table.hpp"

namespace felmo {

// Calls the handler with the tag.
void runEffect(EffectContext& context, EffectHandler handler, int tag);
// The same for a menu entry; an entry without a handler (a sub-menu) is a felmo::Error.
void runEffect(EffectContext& context, const MenuEntry& entry);

}  // namespace felmo
