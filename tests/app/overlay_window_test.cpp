// The overlay settings window: every control at its place with its text, hint and range, the
// window opening from the menu beside the main window, the size buttons' press-and-hold, the
// preview following a slider, and the settings written when the window closes.
#include <QCheckBox>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <memory>

#include "app/main_window.hpp"
#include "app/overlay_window.hpp"
#include "app/picture_panel.hpp"
#include "test_support.hpp"

namespace felmo {
namespace {

namespace fs = std::filesystem;
using testing::at;
using testing::checkControls;
using testing::Control;

const Control kOverlayControls[] = {
    {"Label1", at(228, 24), "Степень прозрачности области накладываемого рисунка"},
    {"TrackBarAlpha",
     {216, 44, 321, 20},
     nullptr,
     "Для регулирования степени прозрачности основной области накладываемого рисунка"},
    {"Label2", at(24, 24), "Резкость сглаживания краёв"},
    {"Label5", at(72, 64), "Верхний край"},
    {"TrackBarU",
     {8, 44, 200, 20},
     nullptr,
     "Для изменения резкости границы перехода верхнего края"},
    {"Label6", at(72, 112), "Нижний край"},
    {"TrackBarD",
     {8, 92, 200, 20},
     nullptr,
     "Для изменения резкости границы перехода нижнего края"},
    {"Label4", at(72, 160), "Левый край"},
    {"TrackBarL",
     {8, 140, 200, 20},
     nullptr,
     "Для изменения резкости границы перехода левого края"},
    {"Label3", at(72, 208), "Правый край"},
    {"TrackBarR",
     {8, 188, 200, 20},
     nullptr,
     "Для изменения резкости границы перехода правого края"},
    {"Label7", at(272, 88), "Изменение координат и размеров области"},
    {"ScrollBarLeftRight",
     {248, 200, 90, 18},
     nullptr,
     "Двигать для изменения координат области наложения по горизонтали"},
    {"ScrollBarUpDown",
     {344, 128, 18, 90},
     nullptr,
     "Двигать для изменения координат области наложения по вертикали"},
    {"Label9", at(264, 144), "Координаты"},
    {"CoordinatesArea", at(272, 168)},
    {"Label10", at(440, 144), "Размер"},
    {"SizeArea", at(440, 168)},
    {"ProgressBarLeftRight", {434, 200, 54, 18}, nullptr, "Статус размера области по ширине"},
    {"ProgressBarUpDown", {392, 145, 18, 54}, nullptr, "Статус размера области по высоте"},
    {"BitBtn1", {392, 127, 18, 18}, "+", "Увеличить размер области наложения по высоте"},
    {"BitBtn2", {392, 200, 18, 18}, "-", "Уменьшить размер области наложения по высоте"},
    {"BitBtn3", {416, 200, 18, 18}, "-", "Уменьшить размер области наложения по ширине"},
    {"BitBtn4", {488, 200, 18, 18}, "+", "Увеличить размер области наложения по ширине"},
    {"DeduceBackground",
     {52, 246, 449, 17},
     "Выводить фон рисунка области наложения на "
     "EidPic......................................................"},
};

// The main window over a fresh model in its own sandbox, its start-up sequence left out.
struct Rig : testing::WindowRig {
    Rig() { window->setStartUpWhenShown(false); }
    OverlayWindow* overlay() const { return window->overlayWindow(); }
    template <typename T>
    T* control(const char* name) const {
        T* widget = overlay()->findChild<T*>(name);
        if (widget == nullptr)
            qFatal("no control %s", name);
        return widget;
    }
    QString text(const char* label) const { return control<QLabel>(label)->text(); }
    // Opens the overlay window from the menu, lets `inspect` work in it, and closes it.
    void withOverlayWindow(const char* menuItem, const std::function<void()>& inspect) {
        testing::withModalWindow([&] { window->menu().item(menuItem)->trigger(); },
                                 [&](QWidget* modal) {
                                     QCOMPARE(modal, static_cast<QWidget*>(overlay()));
                                     inspect();
                                 });
    }
};

// A 40 x 20 picture: red on the left, blue on the right, so that the overlay shows on any strip;
// its top-left pixel, the colour the overlay leaves out as its background, is green.
fs::path writeOverlayPicture(const fs::path& folder) {
    Raster picture(40, 20, rgb(0, 0, 255));
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
            picture.setPixel(x, y, rgb(255, 0, 0));
    picture.setPixel(0, 0, rgb(0, 255, 0));
    const fs::path file = folder / "overlay.bmp";
    saveBmpFile(picture, file);
    return file;
}

}  // namespace

class OverlayWindowTest : public QObject {
    Q_OBJECT

  private slots:
    void everyControlIsInPlace() {
        Rig rig;
        OverlayWindow& window = *rig.overlay();
        QCOMPARE(window.objectName(), QString("TForm4"));
        QCOMPARE(window.windowTitle(),
                 QString("FELMO версия 1.06   (настройка накладываемого рисунка на EidPic)"));
        QCOMPARE(window.size(), QSize(550, 279));
        QCOMPARE(window.font().pixelSize(), 11);
        checkControls(&window, std::begin(kOverlayControls), std::end(kOverlayControls));
    }

    void slidersBarsAndButtonsHaveTheirKinds() {
        Rig rig;
        OverlayWindow& window = *rig.overlay();
        struct SliderKind {
            const char* name;
            int maximum;
            int tickInterval;
        };
        for (const SliderKind& kind :
             {SliderKind{"TrackBarAlpha", 255, 5}, SliderKind{"TrackBarU", 37, 1},
              SliderKind{"TrackBarD", 37, 1}, SliderKind{"TrackBarL", 37, 1},
              SliderKind{"TrackBarR", 37, 1}}) {
            auto* slider = window.findChild<QSlider*>(kind.name);
            QVERIFY2(slider != nullptr, kind.name);
            QCOMPARE(slider->orientation(), Qt::Horizontal);
            QCOMPARE(slider->minimum(), 0);
            QCOMPARE(slider->maximum(), kind.maximum);
            QCOMPARE(slider->tickInterval(), kind.tickInterval);
        }
        QCOMPARE(window.findChild<QScrollBar*>("ScrollBarLeftRight")->orientation(),
                 Qt::Horizontal);
        QCOMPARE(window.findChild<QScrollBar*>("ScrollBarUpDown")->orientation(), Qt::Vertical);
        QCOMPARE(window.findChild<QProgressBar*>("ProgressBarLeftRight")->orientation(),
                 Qt::Horizontal);
        QCOMPARE(window.findChild<QProgressBar*>("ProgressBarUpDown")->orientation(), Qt::Vertical);
        const std::pair<const char*, int> tags[] = {
            {"BitBtn1", 102}, {"BitBtn2", 103}, {"BitBtn3", 100}, {"BitBtn4", 101}};
        for (const auto& [name, tag] : tags) {
            auto* button = window.findChild<SizeButton*>(name);
            QVERIFY2(button != nullptr, name);
            QCOMPARE(button->tag(), tag);
            QCOMPARE(button->font().pixelSize(), 16);
        }
        auto* box = window.findChild<QCheckBox*>("DeduceBackground");
        QCOMPARE(box->layoutDirection(), Qt::RightToLeft);
        QCOMPARE(window.timer1().interval(), 50);
        QVERIFY(!window.timer1().isActive());
    }

    // The menu item opens the window beside the main window's right edge, and its activation
    // ranges every control to the default region.
    void settingsItemOpensTheWindowWithTheDefaults() {
        Rig rig;
        QVERIFY(rig.window->menu().item("EidPic1")->isEnabled());
        rig.window->move(200, 100);
        rig.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(rig.window.get()));
        const QRect main = rig.window->frameGeometry();
        rig.withOverlayWindow("EidPic1", [&] {
            QCOMPARE(
                rig.overlay()->pos(),
                QPoint(main.right() + 1 - rig.overlay()->frameGeometry().width(), main.top() + 41));
            QCOMPARE(rig.text("CoordinatesArea"), QString("040 x 030"));
            QCOMPARE(rig.text("SizeArea"), QString("110 x 030"));
            const auto* across = rig.control<QScrollBar>("ScrollBarLeftRight");
            QCOMPARE(QPoint(across->minimum(), across->maximum()), QPoint(0, 66));
            QCOMPARE(across->value(), 40);
            const auto* down = rig.control<QScrollBar>("ScrollBarUpDown");
            QCOMPARE(QPoint(down->minimum(), down->maximum()), QPoint(0, 38));
            QCOMPARE(down->value(), 30);
            const auto* width = rig.control<QProgressBar>("ProgressBarLeftRight");
            QCOMPARE(QPoint(width->maximum(), width->value()), QPoint(176, 110));
            const auto* height = rig.control<QProgressBar>("ProgressBarUpDown");
            QCOMPARE(QPoint(height->maximum(), height->value()), QPoint(68, 30));
            QCOMPARE(rig.control<QSlider>("TrackBarAlpha")->value(), 200);
            QCOMPARE(rig.control<QSlider>("TrackBarU")->value(), 20);
            QCOMPARE(rig.control<QSlider>("TrackBarR")->value(), 30);
            QVERIFY(!rig.control<QCheckBox>("DeduceBackground")->isChecked());

            // A scroll bar moved by the user moves the region; the label follows.
            rig.control<QScrollBar>("ScrollBarLeftRight")->setValue(10);
            QCOMPARE(rig.studio->overlaySettings().region(), (OverlayRegion{10, 120, 30, 60}));
            QCOMPARE(rig.text("CoordinatesArea"), QString("010 x 030"));
        });
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
    }

    // "Наложение на EidPic" loads the overlay picture and opens the window, also after a
    // cancelled dialog; a picture that cannot be read is reported and opens nothing.
    void loadItemTakesThePictureAndOpensTheWindow() {
        Rig rig;
        QVERIFY(rig.window->menu().item("EidPic2")->isEnabled());
        rig.frontEnd.picture = writeOverlayPicture(rig.sandbox.root());
        rig.withOverlayWindow("EidPic2", [] {});
        const Image& overlay = rig.studio->document().stills.EidPicPictureAlpha;
        QVERIFY(overlay.hasPicture());
        QCOMPARE(overlay.picture()->pixel(5, 5), rgb(255, 0, 0));
        QCOMPARE(overlay.picture()->pixel(170, 60), rgb(0, 0, 255));

        rig.frontEnd.picture.reset();
        rig.withOverlayWindow("EidPic2", [] {});
        QCOMPARE(rig.studio->document().stills.EidPicPictureAlpha.picture()->pixel(5, 5),
                 rgb(255, 0, 0));
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));

        const fs::path broken = rig.sandbox.root() / "broken.bmp";
        std::ofstream(broken) << "not a picture";
        rig.frontEnd.picture = broken;
        // Should the window open all the same, the poll closes it so that the trigger returns.
        bool opened = false;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                opened = opened || modal == rig.overlay();
                modal->close();
            }
        });
        poll.start();
        rig.window->menu().item("EidPic2")->trigger();
        poll.stop();
        QVERIFY(!opened);
        QVERIFY(!rig.overlay()->isVisible());
        QCOMPARE(rig.errors.size(), 1);
    }

    // Holding "+" for the width steps the region every 50 ms, sides alternating; letting go stops.
    void heldSizeButtonRepeatsUntilReleased() {
        Rig rig;
        rig.withOverlayWindow("EidPic1", [&] {
            auto* wider = rig.control<SizeButton>("BitBtn4");
            // Any mouse button holds it.
            QTest::mousePress(wider, Qt::RightButton);
            QCOMPARE(rig.studio->overlaySettings().region(), (OverlayRegion{40, 151, 30, 60}));
            QCOMPARE(rig.text("SizeArea"), QString("111 x 030"));
            QVERIFY(rig.overlay()->timer1().isActive());
            QTRY_VERIFY(rig.studio->overlaySettings().region().X2 -
                            rig.studio->overlaySettings().region().X1 >=
                        114);
            QTest::mouseRelease(wider, Qt::RightButton);
            QVERIFY(!rig.overlay()->timer1().isActive());
            const OverlayRegion held = rig.studio->overlaySettings().region();
            const int width = held.X2 - held.X1;
            // Grown about its middle: one side never more than a pixel ahead of the other.
            QVERIFY(std::abs((40 - held.X1) - (held.X2 - 150)) <= 1);
            QCOMPARE(rig.text("SizeArea"), QString("%1 x 030").arg(width));
            QCOMPARE(rig.control<QProgressBar>("ProgressBarLeftRight")->value(), width);
            QTest::qWait(200);
            QCOMPARE(rig.studio->overlaySettings().region(), held);
        });
    }

    // A slider change marks the overlay dirty; the status-area preview follows at the next
    // TimerEidPic tick, and not before.
    void previewFollowsASliderAtTheNextTick() {
        Rig rig;
        rig.frontEnd.picture = writeOverlayPicture(rig.sandbox.root());
        auto* preview = rig.window->centralWidget()->findChild<PicturePanel*>("EidPicPicture");
        QVERIFY(rig.window->timerEidPic().isActive());
        QCOMPARE(rig.window->timerEidPic().interval(), 10);
        rig.withOverlayWindow("EidPic2", [&] {
            // The activation marked the overlay dirty: the first tick composes it.
            QTRY_VERIFY(!preview->shown().isNull());
            const QImage opened = preview->shown();
            QCOMPARE(opened.pixelColor(45, 35), QColor(255, 55, 55));  // red at 200 over white

            // The change itself composes nothing; the tick after it does.
            rig.control<QSlider>("TrackBarAlpha")->setValue(255);
            QCOMPARE(preview->shown(), opened);
            QTRY_COMPARE(preview->shown().pixelColor(45, 35), QColor(255, 0, 0));
        });
        QVERIFY2(rig.errors.isEmpty(), qPrintable(rig.errors.join('\n')));
    }

    // Closing writes the window's values and the region to the settings file.
    void closeWritesTheSettings() {
        Rig rig;
        rig.withOverlayWindow("EidPic1", [&] {
            rig.control<QSlider>("TrackBarU")->setValue(33);
            rig.control<QSlider>("TrackBarAlpha")->setValue(120);
            rig.control<QCheckBox>("DeduceBackground")->setChecked(true);
            rig.control<QScrollBar>("ScrollBarUpDown")->setValue(5);
        });
        const std::string ini = testing::readText(rig.sandbox.settingsFile());
        for (const char* line : {"TrackBarU=33", "TrackBarD=20", "TrackBarL=30", "TrackBarR=30",
                                 "TrackBarAlpha=120", "AlphaPicX1=40", "AlphaPicX2=150",
                                 "AlphaPicY1=5", "AlphaPicY2=35", "DeduceBackground=1"}) {
            QVERIFY2(ini.find(line) != std::string::npos, (std::string(line) + "\n" + ini).c_str());
        }
    }

    void failedSettingsWriteIsReportedAndTheWindowStillCloses() {
        Rig rig;
        fs::remove(rig.sandbox.settingsFile());
        fs::create_directories(rig.sandbox.settingsFile() / "blocked");
        rig.withOverlayWindow("EidPic1", [] {});
        QVERIFY(!rig.overlay()->isVisible());
        QCOMPARE(rig.errors.size(), 1);
        QVERIFY2(rig.errors.front().contains(
                     QString::fromStdString(rig.sandbox.settingsFile().string())),
                 qPrintable(rig.errors.front()));
    }
};

}  // namespace felmo

QTEST_MAIN(felmo::OverlayWindowTest)
#include "overlay_window_test.moc"
