// FELMO's emblem: a phone whose screen shows a sunrise over hills, drawn in code. The About
// window shows it at 128 x 128 and the windows use it as their icon.
#pragma once

#include <QIcon>
#include <QImage>

namespace felmo {

QImage felmoEmblem(int sizePx);
QIcon felmoIcon();

}  // namespace felmo
