#include "app/menu_tree.hpp"

#include <QAction>
#include <QCoreApplication>
#include <QMenu>
#include <QMenuBar>
#include <optional>
#include <span>
#include <vector>

#include "app/window_parts.hpp"

namespace felmo {
namespace {

struct MenuItem {
    int level;
    QString caption;
    QString name;
    int tag = 0;
    const MenuEntry* effect = nullptr;
    std::optional<MenuCommand> command = std::nullopt;
};

// The items around the effect table, in menu order; the table is spliced in after "Создать",
// whose first item builds the phone's files and whose other two write the theme to share.
std::vector<MenuItem> menuItems() {
    std::vector<MenuItem> items = {
        {1, QCoreApplication::translate("felmo::Menu", "Загрузить"), "N1"},
        {2, QCoreApplication::translate("felmo::Menu", "Фоновую картинку"), "N5", 0, nullptr,
         MenuCommand::LoadBackground},
        {2, QCoreApplication::translate("felmo::Menu", "Заставку"), "Splashscreen1", 0, nullptr,
         MenuCommand::LoadSplash},
        {2, QCoreApplication::translate("felmo::Menu", "Приветствие"), "N24", 0, nullptr,
         MenuCommand::LoadWelcome},
        {2, QCoreApplication::translate("felmo::Menu", "Наложение на EidPic"), "EidPic2", 0,
         nullptr, MenuCommand::LoadOverlay},
        {1, QCoreApplication::translate("felmo::Menu", "Создать"), "CreateMenu"},
        {2, QCoreApplication::translate("felmo::Menu", "Графику (*.mbm файлы)"), "N7", 0, nullptr,
         MenuCommand::Create},
        {2, QCoreApplication::translate("felmo::Menu", "Анимацию для показа (GIF, WebP)…"),
         "ExportAnimation", 0, nullptr, MenuCommand::ExportAnimation},
        {2, QCoreApplication::translate("felmo::Menu", "Картинку темы (PNG)…"), "ExportPoster", 0,
         nullptr, MenuCommand::ExportPoster},
    };
    for (const MenuEntry& entry : animationMenu()) {
        items.push_back({entry.level, coreText(entry.caption),
                         QString::fromUtf8(entry.itemName.data(), entry.itemName.size()), entry.tag,
                         entry.handler ? &entry : nullptr});
    }
    items.push_back({1, QCoreApplication::translate("felmo::Menu", "Настройки"), "N75"});
    items.push_back({2, QCoreApplication::translate("felmo::Menu", "Программы"), "N77", 0, nullptr,
                     MenuCommand::ProgramSettings});
    items.push_back({2, QCoreApplication::translate("felmo::Menu", "Наложения на EidPic"),
                     "EidPic1", 0, nullptr, MenuCommand::OverlaySettings});
    items.push_back({1, QCoreApplication::translate("felmo::Menu", "Инфо"), "N3", 0, nullptr,
                     MenuCommand::About});
    return items;
}

}  // namespace

MenuTree buildMenuTree(QMenuBar* bar) {
    MenuTree tree;
    const std::vector<MenuItem> items = menuItems();
    // open[level - 1]: the menu that receives the items of `level`; empty at level 1 (the bar).
    std::vector<QMenu*> open;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuItem& item = items[i];
        open.resize(static_cast<std::size_t>(item.level - 1));
        const bool opensSubMenu = i + 1 < items.size() && items[i + 1].level > item.level;
        QAction* action = nullptr;
        if (opensSubMenu) {
            QMenu* menu =
                item.level == 1 ? bar->addMenu(item.caption) : open.back()->addMenu(item.caption);
            menu->setObjectName(item.name);
            action = menu->menuAction();
            open.push_back(menu);
        } else {
            action = item.level == 1 ? bar->addAction(item.caption)
                                     : open.back()->addAction(item.caption);
        }
        action->setObjectName(item.name);
        if (item.tag != 0)
            action->setData(item.tag);
        tree.items.insert(item.name, action);
        if (item.effect != nullptr)
            tree.effects.emplace_back(action, item.effect);
        if (item.command)
            tree.commands[static_cast<std::size_t>(*item.command)] = action;
    }
    return tree;
}

std::vector<std::pair<QAction*, const MenuEntry*>> buildPictureEffectMenu(QMenu* menu) {
    const std::span<const MenuEntry> entries = animationMenu();
    auto takesPicture = [](const MenuEntry& entry) {
        return entry.handler && effectAsksForPicture(*entry.handler);
    };
    // A sub-menu is kept when an item below it is; entries.front() is "Анимация", the menu itself.
    std::vector<bool> kept(entries.size(), false);
    for (std::size_t i = entries.size(); i-- > 1;) {
        if (entries[i].handler) {
            kept[i] = takesPicture(entries[i]);
            continue;
        }
        for (std::size_t below = i + 1;
             below < entries.size() && entries[below].level > entries[i].level; ++below)
            kept[i] = kept[i] || kept[below];
    }
    std::vector<std::pair<QAction*, const MenuEntry*>> effects;
    // open[level - 2]: the menu that receives the items of `level`.
    std::vector<QMenu*> open = {menu};
    for (std::size_t i = 1; i < entries.size(); ++i) {
        if (!kept[i])
            continue;
        const MenuEntry& entry = entries[i];
        open.resize(static_cast<std::size_t>(entry.level - 1));
        const QString caption = coreText(entry.caption);
        if (entry.handler) {
            effects.emplace_back(open.back()->addAction(caption), &entry);
        } else {
            open.push_back(open.back()->addMenu(caption));
        }
    }
    return effects;
}

}  // namespace felmo
