// The main window's menu: every item with its caption, its item name (the action's objectName)
// and, where the handler tells items apart by it, its tag (the action's data). The "Анимация"
// sub-tree comes from the effect table, so the menu and the command line offer the same effects.
#pragma once

#include <QHash>
#include <QString>
#include <vector>

#include "effects/effect_table.hpp"

class QAction;
class QMenu;
class QMenuBar;

namespace felmo {

struct MenuTree {
    // Every item by its item name, sub-menus included (their menuAction()).
    QHash<QString, QAction*> items;
    // The items of the effect table that run an effect, with their table entry.
    std::vector<std::pair<QAction*, const MenuEntry*>> effects;

    QAction* item(const QString& name) const { return items.value(name, nullptr); }
};

// Builds the whole menu into `bar`. Items whose command is not built are disabled: the effects
// the table marks as not implemented.
MenuTree buildMenuTree(QMenuBar* bar);

// Fills `menu` with the built effects that take a picture, laid out as under "Анимация" (a
// sub-menu only where it holds one of them). Returns those items with their table entry.
std::vector<std::pair<QAction*, const MenuEntry*>> buildPictureEffectMenu(QMenu* menu);

}  // namespace felmo
