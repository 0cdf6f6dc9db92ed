// The main window (TForm1): the phone-sized previews, the bit-depth boxes, the Create button and
// the menu that reaches every command. It is a thin layer over the application model: every
// control calls a Studio handler through call(), which shows a failing handler's message and then
// brings the timers, the previews, the labels and the Create command up to date with the model.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "app/menu_tree.hpp"
#include "platform/native.hpp"
#include "studio/studio.hpp"

class QComboBox;
class QLabel;
class QPushButton;
class QSlider;
#ifdef Q_OS_WIN
class QWinEventNotifier;
#else
class QSocketNotifier;
#endif

namespace felmo {

class AboutWindow;
class OverlayWindow;
class PicturePanel;
class SettingsWindow;

class MainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // FormCreate: reads the window position from the settings and places the window there. The
    // About and program settings windows are created with it, hidden.
    explicit MainWindow(Studio& studio, QWidget* parent = nullptr);
    ~MainWindow() override;

    Studio& studio() { return *studio_; }
    const MenuTree& menu() const { return menu_; }
    AboutWindow* aboutWindow() const { return aboutWindow_; }
    SettingsWindow* settingsWindow() const { return settingsWindow_; }
    OverlayWindow* overlayWindow() const { return overlayWindow_; }
    QComboBox* depthBox(DepthBox box) const { return depthBoxes_[static_cast<std::size_t>(box)]; }
    QTimer& timerStart() { return timerStart_; }
    QTimer& timer2() { return timer2_; }
    QTimer& timerEidPic() { return timerEidPic_; }

    // Runs one call into the model. A felmo::Error it throws is shown in a message box (after the
    // window has been brought up to date) and the program goes on. Returns false when it threw.
    bool call(const std::function<void()>& handler);

    // The effect items run through this; tests may watch or replace it.
    using EffectRunner = std::function<void(const MenuEntry&)>;
    void setEffectRunner(EffectRunner runner) { runEffect_ = std::move(runner); }

    // Where errors go; a message box unless replaced (tests collect them).
    using ErrorReporter = std::function<void(const QString& message)>;
    void setErrorReporter(ErrorReporter reporter) { reportError_ = std::move(reporter); }

    // Answers the picture question of the next command with a file (nullopt: the dialog asks
    // again). Once set, the panels take picture files dropped on them: the background and status
    // area load the background, the status strip the overlay, the splash and welcome panels their
    // pictures, and the animation panel offers the effects that take a picture at the drop point.
    using PictureHandOff = std::function<void(std::optional<std::filesystem::path>)>;
    void setPictureHandOff(PictureHandOff handOff);
    // What a file dropped on a panel does.
    enum class DropCommand { None, Background, Overlay, Splash, Welcome, Animation };
    void takeDroppedPicture(DropCommand command, const QString& file, const QPoint& globalPosition);
    // The save dialog of the exports to share (caption, name filters): the chosen file, or an
    // empty text when cancelled. A file dialog unless replaced (tests answer it).
    using SaveFileChooser =
        std::function<QString(const QString& caption, const QStringList& filters)>;
    void setSaveFileChooser(SaveFileChooser chooser) { chooseSaveFile_ = std::move(chooser); }

    // Whether showing the window runs the start-up sequence (on unless a test turns it off).
    void setStartUpWhenShown(bool on) { startUpWhenShown_ = on; }

    // The handlers of the shell itself.
    void FormActivate();  // first activation: the start-up sequence
    void N3Click();       // "Инфо": the About window, modal
    void SettingsProgrammClick();  // "Настройки" / "Программы": the program settings, modal
    // "Загрузить" / "Наложение на EidPic": the overlay picture, then the overlay window (also
    // after a cancelled picture dialog; not after a picture that cannot be read).
    void LoadImposingEidPic();
    // "Настройки" / "Наложения на EidPic": the overlay window, modal, its right edge on the main
    // window's right edge and its top 41 pixels below the main window's top.
    void SettingsImposingEidPic();
    void openSupportLink();  // a click on the support link

    // The status of a running pipeline as the window shows it (empty when none runs).
    QString pipelineStatusText() const;

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void buildControls();
    void connectMenu();
    void syncWithModel();
    void syncTimer(QTimer& timer, bool enabled, int periodMs);
    void watchConverter();
    void onTimerStart();
    void onTimer2();
    void onTimerEidPic();
    void onConverterExited();
    void placeSecondary(QWidget* window, int dx, int dy);
    // Runs `command` with `file` as the answer to its picture question.
    void runWithPicture(const QString& file, const std::function<void()>& command);
    // Puts the frame's top-left corner at framePosition_ once the window manager has framed it.
    void settleFrame();
    // "Создать" -> "Анимацию для показа" / "Картинку темы": the save dialog, then the export.
    void exportToShare(const QString& caption, const QStringList& filters,
                       void (BuildDriver::*exporter)(const std::filesystem::path&));

    Studio* studio_;
    MenuTree menu_;
    AboutWindow* aboutWindow_ = nullptr;
    SettingsWindow* settingsWindow_ = nullptr;
    OverlayWindow* overlayWindow_ = nullptr;
    std::array<QComboBox*, 4> depthBoxes_{};
    std::vector<PicturePanel*> panels_;
    std::vector<std::pair<PicturePanel*, DropCommand>> dropTargets_;
    PictureHandOff handOffPicture_;
    QPoint framePosition_;  // where the frame's top-left corner goes when first shown
    PicturePanel* linesPicture_ = nullptr;
    QSlider* trackBar1_ = nullptr;
    std::array<QLabel*, 3> colourLabels_{};
    QLabel* pipelineStatus_ = nullptr;
    QPushButton* button1_ = nullptr;

    QTimer timerStart_;
    QTimer timer2_;
    QTimer timerEidPic_;
    // The overlay window's revision that the last TimerEidPic composition saw.
    std::uint64_t composedRevision_ = 0;
#ifdef Q_OS_WIN
    QPointer<QWinEventNotifier> converterNotifier_;
#else
    QPointer<QSocketNotifier> converterNotifier_;
#endif
    NativeHandle watchedHandle_ = kNoNativeHandle;
    // The converter handle whose end onConverterExited() last handled.
    NativeHandle exitHandledHandle_ = kNoNativeHandle;

    EffectRunner runEffect_;
    ErrorReporter reportError_;
    SaveFileChooser chooseSaveFile_;
    int callDepth_ = 0;
    bool startUpWhenShown_ = true;
    bool activated_ = false;
    bool placed_ = false;
    // After the first showing: checks left before the frame is taken as placed by the system.
    QTimer frameSettling_;
    int frameSettlingChecks_ = 0;
    int framePlacedChecks_ = 0;  // checks in a row that found the frame at its point
    int frameCorrections_ = 0;
    bool startupRefused_ = false;
    bool closeRequested_ = false;
};

}  // namespace felmo
