// The overlay settings window: the opacity and the four edge sharpnesses of the EidPic
// overlay, the rectangle's position (two scroll bars) and size (four press-and-hold buttons), and
// whether the overlay's background colour is drawn. The rules live in the model; the widgets only
// mirror it: a user's change goes to the model's setter, and after every call into the model each
// control is set again from the model's getters with its signals blocked, so that the model alone
// decides when a change handler runs.
#pragma once

#include <QDialog>
#include <QPushButton>
#include <QTimer>
#include <array>
#include <functional>

#include "studio/overlay_settings_window.hpp"

class QCheckBox;
class QLabel;
class QProgressBar;
class QScrollBar;
class QSlider;

namespace felmo {

class Studio;

// A size button: held by any mouse button until that button is released, wherever the pointer
// goes meanwhile (pressed() and released() come once each per hold). Its tag tells the model
// which side it moves.
class SizeButton : public QPushButton {
    Q_OBJECT
  public:
    SizeButton(const QString& text, int tag, QWidget* parent);
    int tag() const { return tag_; }
    // Ends a hold without a mouse release (the window hides while the button is held).
    void letGo();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

  private:
    int tag_;
    Qt::MouseButton heldBy_ = Qt::NoButton;
};

class OverlayWindow : public QDialog {
    Q_OBJECT
  public:
    // Runs one call into the model and reports a failure; returns false when it failed (the main
    // window's call()).
    using Caller = std::function<bool(const std::function<void()>&)>;

    OverlayWindow(Studio& studio, Caller call, QWidget* parent);

    QTimer& timer1() { return timer1_; }

    // Sets every control from the model, with the widgets' signals blocked; runs Timer1 exactly
    // while the model has it enabled.
    void refresh();

  protected:
    // Each showing is an activation: the stored slider values are read and the overlay is
    // marked dirty.
    void showEvent(QShowEvent* event) override;
    // Closing (the frame's close button, Escape) writes the values to the settings; a write that
    // fails is reported and the window closes all the same.
    void done(int result) override;

  private:
    void buildControls();
    void connectControls();
    // One call into the overlay window's model, then the controls follow it.
    void run(const std::function<void(OverlaySettingsWindow&)>& action);

    QSlider* trackBarAlpha_ = nullptr;
    // TrackBarU, TrackBarD, TrackBarL, TrackBarR.
    std::array<QSlider*, 4> edgeSliders_{};
    QScrollBar* scrollBarLeftRight_ = nullptr;
    QScrollBar* scrollBarUpDown_ = nullptr;
    QLabel* coordinatesArea_ = nullptr;
    QLabel* sizeArea_ = nullptr;
    QProgressBar* progressBarLeftRight_ = nullptr;
    QProgressBar* progressBarUpDown_ = nullptr;
    // BitBtn1 ... BitBtn4.
    std::array<SizeButton*, 4> sizeButtons_{};
    QCheckBox* deduceBackground_ = nullptr;
    QTimer timer1_;

    Studio* studio_;
    Caller call_;
};

}  // namespace felmo
