// The main window's menu: every item with its caption, its item name (the action's objectName)
// and, where the handler tells items apart by it, its tag (the action's data). The "Анимация"
// sub-tree comes from the effect table, so the menu and the command line offer the same effects.
#pragma once

#include <QHash>
#include <QString>
#include <array>
#include <vector>

#include "effects/effect_table.hpp"

class QAction;
class QMenu;
class QMenuBar;

namespace felmo {

// The window's own commands in the menu (the effects come from the effect table).
enum class MenuCommand {
    LoadBackground,   // "Загрузить" -> "Фоновую картинку"
    LoadSplash,       // "Загрузить" -> "Заставку"
    LoadWelcome,      // "Загрузить" -> "Приветствие"
    LoadOverlay,      // "Загрузить" -> "Наложение на EidPic"
    Create,           // "Создать" -> "Графику (*.mbm файлы)"
    ExportAnimation,  // "Создать" -> "Анимацию для показа (GIF, WebP)…"
    ExportPoster,     // "Создать" -> "Картинку темы (PNG)…"
    ProgramSettings,  // "Настройки" -> "Программы"
    OverlaySettings,  // "Настройки" -> "Наложения на EidPic"
    About,            // "Инфо"
};
inline constexpr std::size_t kMenuCommandCount = 10;

struct MenuTree {
    // Every item by its item name, sub-menus included (their menuAction()).
    QHash<QString, QAction*> items;
    // The items of the effect table that run an effect, with their table entry.
    std::vector<std::pair<QAction*, const MenuEntry*>> effects;
    // The item of each of the window's commands.
    std::array<QAction*, kMenuCommandCount> commands{};

    QAction* item(const QString& name) const { return items.value(name, nullptr); }
    QAction* command(MenuCommand which) const { return commands[static_cast<std::size_t>(which)]; }
};

// Builds the whole menu into `bar`.
MenuTree buildMenuTree(QMenuBar* bar);

// Fills `menu` with the built effects that take a picture, laid out as under "Анимация" (a
// sub-menu only where it holds one of them). Returns those items with their table entry.
std::vector<std::pair<QAction*, const MenuEntry*>> buildPictureEffectMenu(QMenu* menu);

}  // namespace felmo
