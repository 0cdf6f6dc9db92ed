// The menu bar of the main window against the menu as the program documents it: every caption,
// item name, tag and nesting level in order, and which items are offered.
#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "app/menu_tree.hpp"
#include "effects/effect_table.hpp"

namespace felmo {
namespace {

struct ExpectedItem {
    int level;
    const char* caption;
    const char* name;
    int tag;
};

// The whole tree in menu order.
const ExpectedItem kExpectedMenu[] = {
    {1, "Загрузить", "N1", 0},
    {2, "Фоновую картинку", "N5", 0},
    {2, "Заставку", "Splashscreen1", 0},
    {2, "Приветствие", "N24", 0},
    {2, "Наложение на EidPic", "EidPic2", 0},
    {1, "Создать", "CreateMenu", 0},
    {2, "Графику (*.mbm файлы)", "N7", 0},
    {2, "Анимацию для показа (GIF, WebP)…", "ExportAnimation", 0},
    {2, "Картинку темы (PNG)…", "ExportPoster", 0},
    {1, "Анимация", "N2", 0},
    {2, "Движение", "N6", 0},
    {3, "Слева направо", "N9", 9},
    {3, "Справа налево", "N10", 10},
    {3, "Сверху вниз", "N11", 11},
    {3, "Снизу вверх", "N12", 12},
    {3, "Приближать", "N18", 18},
    {3, "Отдалять", "N19", 19},
    {3, "Направленного света", "N15", 0},
    {4, "Черный фон", "N45", 45},
    {4, "Белый фон", "N46", 46},
    {3, "В тоннель", "N16", 0},
    {4, "Ченый фон", "N22", 22},
    {4, "Белый фон", "N23", 23},
    {3, "Из тоннеля", "N17", 0},
    {4, "Ченый фон", "N20", 20},
    {4, "Белый фон", "N21", 21},
    {2, "Превращение", "N8", 0},
    {3, "Из картинки в картинку", "N13", 0},
    {4, "Точками", "N67", 0},
    {4, "Линиями", "N68", 0},
    {5, "Горизонтальными", "N69", 0},
    {6, "Сверху вниз", "N71", 71},
    {6, "Снизу вверх", "N72", 72},
    {5, "Вертикальными", "N70", 0},
    {6, "Слева направо", "N73", 73},
    {6, "Справа налево", "N74", 74},
    {4, "Проявление", "N76", 0},
    {3, "Проявление картинки", "N31", 0},
    {4, "Черный фон", "N33", 33},
    {4, "Белый фон", "N35", 35},
    {3, "Исчезновение картинки", "N32", 0},
    {4, "Черный фон", "N34", 34},
    {4, "Белый фон", "N36", 36},
    {3, "Рассыпание картинки", "N25", 0},
    {4, "Слева направо", "N27", 0},
    {5, "Черый фон", "N29", 29},
    {5, "Белый фон", "N44", 44},
    {4, "Справа налево", "N30", 0},
    {5, "Черный фон", "N26", 26},
    {5, "Белый фон", "N28", 28},
    {3, "Восстановление картинки", "N37", 0},
    {4, "Слева направо", "N38", 0},
    {5, "Черный фон", "N40", 40},
    {5, "Белый фон", "N41", 41},
    {4, "Справа налево", "N39", 0},
    {5, "Черный фон", "N42", 42},
    {5, "Белый фон", "N43", 43},
    {2, "Эффекты", "N4", 0},
    {3, "Бинокль", "N14", 0},
    {4, "Приблизить", "N47", 0},
    {5, "Влево", "N49", 49},
    {5, "Влево+Вверх", "N50", 50},
    {5, "Вверх", "N51", 51},
    {5, "Вправо+Вверх", "N52", 52},
    {5, "Вправо", "N53", 53},
    {5, "Вправо+Вниз", "N54", 54},
    {5, "Вниз", "N55", 55},
    {5, "Влево+Вниз", "N56", 56},
    {5, "Центр", "N57", 57},
    {4, "Отдалить", "N48", 0},
    {5, "Влево", "N58", 58},
    {5, "Влево+Вверх", "N59", 59},
    {5, "Вверх", "N60", 60},
    {5, "Вправо+Вверх", "N61", 61},
    {5, "Вправо", "N62", 62},
    {5, "Вправо+Вниз", "N63", 63},
    {5, "Вниз", "N64", 64},
    {5, "Влево+Вниз", "N65", 65},
    {5, "Центр", "N66", 66},
    {2, "Из анимированной картинки…", "AnimationFromPicture", 78},
    {1, "Настройки", "N75", 0},
    {2, "Программы", "N77", 0},
    {2, "Наложения на EidPic", "EidPic1", 0},
    {1, "Инфо", "N3", 0},
};

struct ActualItem {
    int level;
    QString caption;
    QString name;
    QVariant tag;
    bool enabled;
    bool opensSubMenu;
    QAction* action;
};

void flatten(const QList<QAction*>& actions, int level, std::vector<ActualItem>& out) {
    for (QAction* action : actions) {
        if (action->isSeparator())
            continue;
        QMenu* subMenu = action->menu();
        out.push_back({level, action->text(), action->objectName(), action->data(),
                       action->isEnabled(), subMenu != nullptr, action});
        if (subMenu != nullptr)
            flatten(subMenu->actions(), level + 1, out);
    }
}

// The effect table's entry for an item name, or nullptr.
const MenuEntry* effectEntry(const QString& name) {
    for (const MenuEntry& entry : animationMenu())
        if (QString::fromUtf8(entry.itemName.data(), entry.itemName.size()) == name)
            return &entry;
    return nullptr;
}

}  // namespace

class MenuTreeTest : public QObject {
    Q_OBJECT

  private slots:
    void treeHasEveryItemInItsPlace() {
        QMenuBar bar;
        const MenuTree tree = buildMenuTree(&bar);
        std::vector<ActualItem> actual;
        flatten(bar.actions(), 1, actual);

        QCOMPARE(actual.size(), std::size(kExpectedMenu));
        for (std::size_t i = 0; i < actual.size(); ++i) {
            const ExpectedItem& expected = kExpectedMenu[i];
            const ActualItem& item = actual[i];
            const QByteArray where = QByteArray("item ") + expected.name;
            QVERIFY2(item.level == expected.level, where);
            QVERIFY2(item.caption == QString::fromUtf8(expected.caption), where);
            QVERIFY2(item.name == QString::fromUtf8(expected.name), where);
            if (expected.tag != 0) {
                QVERIFY2(item.tag.toInt() == expected.tag, where);
            } else {
                QVERIFY2(!item.tag.isValid(), where);
            }
            // A caption opens a sub-menu exactly when the next item is one level deeper.
            const bool opens = i + 1 < actual.size() && kExpectedMenu[i + 1].level > expected.level;
            QVERIFY2(item.opensSubMenu == opens, where);
            QVERIFY2(tree.item(item.name) == item.action, where);
        }
    }

    // Each of the window's commands is connected to the item the user knows it by.
    void commandsAreTheirItems() {
        QMenuBar bar;
        const MenuTree tree = buildMenuTree(&bar);
        const std::pair<MenuCommand, const char*> expected[] = {
            {MenuCommand::LoadBackground, "N5"},
            {MenuCommand::LoadSplash, "Splashscreen1"},
            {MenuCommand::LoadWelcome, "N24"},
            {MenuCommand::LoadOverlay, "EidPic2"},
            {MenuCommand::Create, "N7"},
            {MenuCommand::ExportAnimation, "ExportAnimation"},
            {MenuCommand::ExportPoster, "ExportPoster"},
            {MenuCommand::ProgramSettings, "N77"},
            {MenuCommand::OverlaySettings, "EidPic1"},
            {MenuCommand::About, "N3"},
        };
        QCOMPARE(std::size(expected), kMenuCommandCount);
        for (const auto& [command, name] : expected)
            QCOMPARE(tree.command(command), tree.item(name));
    }

    void everyItemIsOfferedAndEveryEffectListed() {
        QMenuBar bar;
        const MenuTree tree = buildMenuTree(&bar);
        std::vector<ActualItem> actual;
        flatten(bar.actions(), 1, actual);
        for (const ActualItem& item : actual) {
            const QByteArray where = "item " + item.name.toUtf8();
            QVERIFY2(item.enabled, where);
            if (const MenuEntry* entry = effectEntry(item.name); entry && !item.opensSubMenu)
                QVERIFY2(entry->handler.has_value(), where);
        }
        // Every item that runs an effect is listed for the window to connect, and only those.
        int effectLeaves = 0;
        for (const ActualItem& item : actual)
            effectLeaves += (!item.opensSubMenu && effectEntry(item.name) != nullptr) ? 1 : 0;
        QCOMPARE(static_cast<int>(tree.effects.size()), effectLeaves);
        for (const auto& [action, entry] : tree.effects) {
            QCOMPARE(action->objectName(),
                     QString::fromUtf8(entry->itemName.data(), entry->itemName.size()));
        }
    }
};

}  // namespace felmo

QTEST_MAIN(felmo::MenuTreeTest)
#include "menu_tree_test.moc"
