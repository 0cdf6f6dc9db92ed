// The windows in both languages: every caption fits its control (the layout is fixed, so a longer
// English text must not run out of its control or into its neighbour), the English texts are the
// catalogue's and the Russian ones today's, and the language choice of the settings window is
// stored for the next start. Run once more at twice the scale.
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStyleOptionComboBox>
#include <QTest>

#include "app/about_window.hpp"
#include "app/language.hpp"
#include "app/main_window.hpp"
#include "app/overlay_window.hpp"
#include "app/settings_window.hpp"
#include "app/window_parts.hpp"
#include "base/translation.hpp"
#include "support/text_files.hpp"
#include "test_support.hpp"
#include "workspace/language_choice.hpp"

namespace felmo {
namespace {

QString describe(const QWidget* widget) {
    QStringList path;
    for (const QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
        path.prepend(w->objectName().isEmpty() ? QString::fromUtf8(w->metaObject()->className())
                                               : w->objectName());
        if (w->isWindow())
            break;
    }
    return path.join('/');
}

// The room a check box or radio button leaves its caption beside the indicator.
int captionRoom(const QAbstractButton* button) {
    const QStyle* style = button->style();
    const bool radio = qobject_cast<const QRadioButton*>(button) != nullptr;
    const int indicator = style->pixelMetric(
        radio ? QStyle::PM_ExclusiveIndicatorWidth : QStyle::PM_IndicatorWidth, nullptr, button);
    const int spacing = style->pixelMetric(
        radio ? QStyle::PM_RadioButtonLabelSpacing : QStyle::PM_CheckBoxLabelSpacing, nullptr,
        button);
    return button->contentsRect().width() - indicator - spacing;
}

int comboTextRoom(QComboBox* box) {
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    return box->style()
        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box)
        .width();
}

// Every text of `window` that does not fit: wider than its control, a label reaching out of its
// window or onto another control beside it, a menu bar item beyond the bar's end.
QStringList misfits(QWidget* window) {
    QStringList found;
    auto tooWide = [&found](const QWidget* widget, const QString& text, int room) {
        const int needed = widget->fontMetrics().horizontalAdvance(text);
        if (needed > room)
            found << QStringLiteral("%1 \"%2\": %3 px in %4 px")
                         .arg(describe(widget), text)
                         .arg(needed)
                         .arg(room);
    };
    for (QWidget* widget : window->findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(window) || widget->window() != window)
            continue;
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            if (label->text().isEmpty() || label->wordWrap())
                continue;
            tooWide(label, label->text(), label->contentsRect().width());
            const QWidget* parent = label->parentWidget();
            if (!parent->rect().contains(label->geometry()))
                found << QStringLiteral("%1 \"%2\" reaches out of %3")
                             .arg(describe(label), label->text(), describe(parent));
            // The text's own extent, not the label's box, meets its neighbours.
            QRect inked = label->geometry();
            inked.setWidth(label->fontMetrics().horizontalAdvance(label->text()));
            for (QWidget* sibling : parent->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (sibling == label || !sibling->isVisibleTo(window))
                    continue;
                if (const auto* other = qobject_cast<QLabel*>(sibling);
                    other != nullptr && other->text().isEmpty())
                    continue;
                if (inked.intersects(sibling->geometry()))
                    found << QStringLiteral("%1 \"%2\" runs into %3")
                                 .arg(describe(label), label->text(), describe(sibling));
            }
        } else if (auto* check = qobject_cast<QCheckBox*>(widget)) {
            // A caption padded with dots lets its dots run out under the box; the words must fit.
            QString words = check->text();
            while (words.endsWith('.') && words.size() > 1 && words.at(words.size() - 2) == '.')
                words.chop(1);
            tooWide(check, words, captionRoom(check));
        } else if (auto* radio = qobject_cast<QRadioButton*>(widget)) {
            tooWide(radio, radio->text(), captionRoom(radio));
        } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
            tooWide(button, button->text(), button->contentsRect().width());
        } else if (auto* box = qobject_cast<QComboBox*>(widget)) {
            for (int i = 0; i < box->count(); ++i)
                tooWide(box, box->itemText(i), comboTextRoom(box));
        } else if (auto* group = qobject_cast<QGroupBox*>(widget)) {
            tooWide(group, group->title(), group->contentsRect().width());
        } else if (auto* bar = qobject_cast<QMenuBar*>(widget)) {
            for (QAction* action : bar->actions()) {
                const QRect item = bar->actionGeometry(action);
                if (item.isEmpty() || !bar->rect().contains(item))
                    found << QStringLiteral("%1 \"%2\" does not fit the menu bar")
                                 .arg(describe(bar), action->text());
                else
                    tooWide(bar, action->text(), item.width());
            }
        }
    }
    return found;
}

// The windows that open from the main one, and the main one, as the user meets them.
QList<QWidget*> everyWindow(MainWindow& main) {
    return {&main, main.aboutWindow(), main.settingsWindow(), main.overlayWindow()};
}

struct Caption {
    const char* window;  // "" for the main window
    const char* widget;
    const char* russian;
    const char* english;
};

const Caption kCaptions[] = {
    {"", "Label7", "Битность картинки", "Colour depth"},
    {"", "Label2", "Стартовая анимация", "Start-up animation"},
    {"", "Button1", "Создать графику (*.mbm файлы)", "Create the graphics (*.mbm files)"},
    {"TForm2", "Label3", "телефона Siemens SX1.", "Siemens SX1 phone."},
    {"TForm3", "Button1", "обзор", "Browse"},
    {"TForm3", "LanguageLabel", "Язык", "Language"},
    {"TForm4", "Label2", "Резкость сглаживания краёв", "Edge softness"},
    {"TForm4", "Label9", "Координаты", "Position"},
};

QString textOfWidget(MainWindow& main, const Caption& caption) {
    QWidget* window = &main;
    for (QWidget* candidate : everyWindow(main)) {
        if (candidate->objectName() == QString::fromUtf8(caption.window))
            window = candidate;
    }
    QWidget* widget = window->findChild<QWidget*>(caption.widget);
    return widget == nullptr ? QStringLiteral("<no %1>").arg(caption.widget)
                             : testing::textOf(widget);
}

}  // namespace

class LanguageTest : public QObject {
    Q_OBJECT

  private slots:
    void cleanup() { useWindowLanguage(*qApp, Language::Russian); }

    void settingsFileIsFoundBeforeTheCommandLineIsParsed_data() {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("file");
        QTest::newRow("none") << QStringList{"felmo"} << QString();
        QTest::newRow("separate") << QStringList{"felmo", "--settings", "/a/S.ini"} << "/a/S.ini";
        QTest::newRow("joined") << QStringList{"felmo", "--settings=/b/S.ini"} << "/b/S.ini";
        QTest::newRow("last counts")
            << QStringList{"felmo", "--settings", "/a", "--output", "/o", "--settings=/b"} << "/b";
        QTest::newRow("no value") << QStringList{"felmo", "--settings"} << QString();
        QTest::newRow("after --") << QStringList{"felmo", "--", "--settings", "/a"} << QString();
        QTest::newRow("the value of --output")
            << QStringList{"felmo", "--output", "--settings=x"} << "x";
    }
    void settingsFileIsFoundBeforeTheCommandLineIsParsed() {
        QFETCH(QStringList, arguments);
        QFETCH(QString, file);
        QCOMPARE(settingsFileArgument(arguments), file);
    }

    void everyCaptionFitsItsControl_data() {
        QTest::addColumn<Language>("language");
        QTest::newRow("Russian") << Language::Russian;
        QTest::newRow("English") << Language::English;
    }
    void everyCaptionFitsItsControl() {
        QFETCH(Language, language);
        QVERIFY(useWindowLanguage(*qApp, language));
        testing::WindowRig rig;
        QStringList found;
        for (QWidget* window : everyWindow(*rig.window)) {
            window->show();
            QVERIFY(QTest::qWaitForWindowExposed(window));
            found << misfits(window);
            window->hide();
        }
        QVERIFY2(found.isEmpty(), qPrintable(found.join('\n')));
    }

    void theWindowsSpeakTheChosenLanguage() {
        for (const Language language : {Language::Russian, Language::English}) {
            QVERIFY(useWindowLanguage(*qApp, language));
            const bool english = language == Language::English;
            testing::WindowRig rig;
            for (const Caption& caption : kCaptions) {
                QCOMPARE(textOfWidget(*rig.window, caption),
                         QString::fromUtf8(english ? caption.english : caption.russian));
            }
            // Qt's own dialogs speak the same language: no Russian catalogue of Qt's is left over.
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"),
                     english ? "Cancel" : "Отмена");
            QCOMPARE(rig.window->menu().item("N1")->text(), english ? "Load" : "Загрузить");
            // The core's captions come in the core's language.
            for (const auto& [shown, russian] :
                 {std::pair{rig.window->menu().item("N2")->text(), "Анимация"},
                  std::pair{textOfWidget(*rig.window, {"", "Label14", "", ""}),
                            "Код цвета нижней полоски"}}) {
                QCOMPARE(shown, QString::fromUtf8(translate(russian)));
                QCOMPARE(shown == QString::fromUtf8(russian), !english);
            }
            QCOMPARE(rig.window->menu().item("N3")->text(), english ? "About" : "Инфо");
            QCOMPARE(
                rig.window->settingsWindow()->windowTitle(),
                english ? "FELMO version 1.06   (settings)" : "FELMO версия 1.06   (настройки)");
            // A message of the window's own.
            setDesktopOpener([](const QUrl&) { return false; });
            QString message;
            testing::withModalWindow(
                [&] { openOnDesktop(QUrl("file:///x"), QStringLiteral("x"), rig.window.get()); },
                [&](QWidget* modal) {
                    auto* box = qobject_cast<QMessageBox*>(modal);
                    QVERIFY(box != nullptr);
                    message = box->text();
                    QCOMPARE(box->windowTitle(), english ? "Theme Maker" : "Создание тем");
                });
            setDesktopOpener({});
            QCOMPARE(message, english ? "Could not open x: no program on this system can open it."
                                      : "Не удалось открыть x: в системе не найдена программа, "
                                        "которая может это сделать.");
        }
    }

    void languageChoiceIsStoredForTheNextStart() {
        testing::WindowRig rig;
        const std::filesystem::path settings = rig.sandbox.settingsFile();
        const std::string executable = (rig.sandbox.program() / "felmo").string();
        auto russianDesktop = [](const char* name) {
            return std::string_view(name) == "LANG" ? "ru_RU.UTF-8" : nullptr;
        };
        auto choose = [&](int index) {
            testing::withModalWindow([&] { rig.window->SettingsProgrammClick(); },
                                     [&](QWidget* modal) {
                                         auto* box = modal->findChild<QComboBox*>("Language");
                                         QVERIFY(box != nullptr);
                                         box->setCurrentIndex(index);
                                         emit box->activated(index);
                                     });
        };
        QCOMPARE(languageOfRun(settings, executable, russianDesktop), Language::Russian);
        choose(2);
        QVERIFY(testing::readText(settings).find("Language=en") != std::string::npos);
        QCOMPARE(languageOfRun(settings, executable, russianDesktop), Language::English);
        // The window shows the stored choice the next time it opens.
        testing::withModalWindow([&] { rig.window->SettingsProgrammClick(); },
                                 [&](QWidget* modal) {
                                     QCOMPARE(
                                         modal->findChild<QComboBox*>("Language")->currentText(),
                                         QString("English"));
                                 });
        choose(0);
        QCOMPARE(languageOfRun(settings, executable, russianDesktop), Language::Russian);
        QVERIFY(rig.errors.isEmpty());
    }
};

}  // namespace felmo

QTEST_MAIN(felmo::LanguageTest)
#include "language_test.moc"
