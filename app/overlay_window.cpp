#include "app/overlay_window.hpp"

#include <QCheckBox>
#include <QLabel>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScrollBar>
#include <QShowEvent>
#include <QSlider>

#include "app/window_parts.hpp"
#include "studio/studio.hpp"

namespace felmo {
namespace {

constexpr int kClientWidth = 550;
constexpr int kClientHeight = 279;
constexpr int kSizeButtonFontPx = 16;

struct EdgeSliderPlace {
    const char* sliderName;
    int top;
    const char* labelName;
    const char* caption;
    const char* hint;
};

// The four edge sliders, one under the other, each captioned under its middle.
constexpr EdgeSliderPlace kEdgeSliders[] = {
    {"TrackBarU", 44, "Label5", QT_TRANSLATE_NOOP("felmo::OverlayWindow", "Верхний край"),
     QT_TRANSLATE_NOOP("felmo::OverlayWindow",
                       "Для изменения резкости границы перехода верхнего края")},
    {"TrackBarD", 92, "Label6", QT_TRANSLATE_NOOP("felmo::OverlayWindow", "Нижний край"),
     QT_TRANSLATE_NOOP("felmo::OverlayWindow",
                       "Для изменения резкости границы перехода нижнего края")},
    {"TrackBarL", 140, "Label4", QT_TRANSLATE_NOOP("felmo::OverlayWindow", "Левый край"),
     QT_TRANSLATE_NOOP("felmo::OverlayWindow",
                       "Для изменения резкости границы перехода левого края")},
    {"TrackBarR", 188, "Label3", QT_TRANSLATE_NOOP("felmo::OverlayWindow", "Правый край"),
     QT_TRANSLATE_NOOP("felmo::OverlayWindow",
                       "Для изменения резкости границы перехода правого края")},
};

struct SizeButtonPlace {
    const char* name;
    const char* text;
    int tag;
    QRect geometry;
    const char* hint;
};

// clang-format off
constexpr SizeButtonPlace kSizeButtons[] = {
    {"BitBtn1", "+", kSizeButtonTaller,   {392, 127, 18, 18}, QT_TRANSLATE_NOOP("felmo::OverlayWindow", "Увеличить размер области наложения по высоте")},
    {"BitBtn2", "-", kSizeButtonShorter,  {392, 200, 18, 18}, QT_TRANSLATE_NOOP("felmo::OverlayWindow", "Уменьшить размер области наложения по высоте")},
    {"BitBtn3", "-", kSizeButtonNarrower, {416, 200, 18, 18}, QT_TRANSLATE_NOOP("felmo::OverlayWindow", "Уменьшить размер области наложения по ширине")},
    {"BitBtn4", "+", kSizeButtonWider,    {488, 200, 18, 18}, QT_TRANSLATE_NOOP("felmo::OverlayWindow", "Увеличить размер области наложения по ширине")},
};
// clang-format on

QSlider* placeSlider(QWidget* parent, const char* name, const QRect& geometry, int maximum,
                     int tickInterval, const QString& hint) {
    auto* slider = new QSlider(Qt::Horizontal, parent);
    slider->setObjectName(name);
    slider->setRange(0, maximum);
    slider->setTickPosition(QSlider::TicksBelow);
    slider->setTickInterval(tickInterval);
    slider->setGeometry(geometry);
    slider->setToolTip(hint);
    return slider;
}

// The order of edgeSliders_.
constexpr std::array<Edge, 4> kEdges = {Edge::Up, Edge::Down, Edge::Left, Edge::Right};

}  // namespace

SizeButton::SizeButton(const QString& text, int tag, QWidget* parent)
    : QPushButton(text, parent), tag_(tag) {}

void SizeButton::mousePressEvent(QMouseEvent* event) {
    // Any mouse button holds the button; a second one pressed meanwhile changes nothing.
    if (heldBy_ != Qt::NoButton)
        return;
    heldBy_ = event->button();
    setDown(true);
    emit pressed();
}

void SizeButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != heldBy_)
        return;
    letGo();
}

void SizeButton::mouseMoveEvent(QMouseEvent*) {
    // The hold lasts until the button that started it is released, wherever the pointer goes.
}

void SizeButton::letGo() {
    if (heldBy_ == Qt::NoButton)
        return;
    heldBy_ = Qt::NoButton;
    setDown(false);
    emit released();
}

OverlayWindow::OverlayWindow(Studio& studio, Caller call, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      studio_(&studio),
      call_(std::move(call)) {
    setObjectName("TForm4");
    setWindowTitle(tr("%1   (настройка накладываемого рисунка на EidPic)").arg(mainCaption()));
    setFont(sansSerifFont(11));
    setFixedSize(kClientWidth, kClientHeight);
    buildControls();

    timer1_.setObjectName("Timer1");
    timer1_.setInterval(kTimer1IntervalMs);
    connectControls();
    refresh();
}

void OverlayWindow::buildControls() {
    placeLabel(this, "Label1", tr("Степень прозрачности области накладываемого рисунка"), 228, 24);
    trackBarAlpha_ = placeSlider(
        this, "TrackBarAlpha", {216, 44, 321, 20}, kTrackBarAlphaMax, 5,
        tr("Для регулирования степени прозрачности основной области накладываемого рисунка"));

    placeLabel(this, "Label2", tr("Резкость сглаживания краёв"), 24, 24);
    for (std::size_t i = 0; i < std::size(kEdgeSliders); ++i) {
        const EdgeSliderPlace& place = kEdgeSliders[i];
        edgeSliders_[i] = placeSlider(this, place.sliderName, {8, place.top, 200, 20},
                                      kEdgeSliderMax, 1, tr(place.hint));
        placeLabel(this, place.labelName, tr(place.caption), 72, place.top + 20);
    }

    placeLabel(this, "Label7", tr("Изменение координат и размеров области"), 272, 88);
    scrollBarLeftRight_ = new QScrollBar(Qt::Horizontal, this);
    scrollBarLeftRight_->setObjectName("ScrollBarLeftRight");
    scrollBarLeftRight_->setGeometry(248, 200, 90, 18);
    scrollBarLeftRight_->setToolTip(
        tr("Двигать для изменения координат области наложения по горизонтали"));
    scrollBarUpDown_ = new QScrollBar(Qt::Vertical, this);
    scrollBarUpDown_->setObjectName("ScrollBarUpDown");
    scrollBarUpDown_->setGeometry(344, 128, 18, 90);
    scrollBarUpDown_->setToolTip(
        tr("Двигать для изменения координат области наложения по вертикали"));

    placeLabel(this, "Label9", tr("Координаты"), 264, 144);
    coordinatesArea_ = placeLabel(this, "CoordinatesArea", "", 272, 168);
    placeLabel(this, "Label10", tr("Размер"), 440, 144);
    sizeArea_ = placeLabel(this, "SizeArea", "", 440, 168);

    progressBarLeftRight_ = new QProgressBar(this);
    progressBarLeftRight_->setObjectName("ProgressBarLeftRight");
    progressBarLeftRight_->setGeometry(434, 200, 54, 18);
    progressBarLeftRight_->setToolTip(tr("Статус размера области по ширине"));
    progressBarUpDown_ = new QProgressBar(this);
    progressBarUpDown_->setObjectName("ProgressBarUpDown");
    progressBarUpDown_->setOrientation(Qt::Vertical);
    progressBarUpDown_->setGeometry(392, 145, 18, 54);
    progressBarUpDown_->setToolTip(tr("Статус размера области по высоте"));
    for (QProgressBar* bar : {progressBarLeftRight_, progressBarUpDown_}) {
        // A smooth bar: a plain filled part, no percentage text.
        bar->setTextVisible(false);
        bar->setRange(0, 1);
        bar->setValue(0);
    }

    QFont buttonFont = font();
    buttonFont.setPixelSize(kSizeButtonFontPx);
    for (std::size_t i = 0; i < std::size(kSizeButtons); ++i) {
        const SizeButtonPlace& place = kSizeButtons[i];
        auto* button = new SizeButton(place.text, place.tag, this);
        button->setObjectName(place.name);
        button->setFont(buttonFont);
        button->setGeometry(place.geometry);
        button->setToolTip(tr(place.hint));
        sizeButtons_[i] = button;
    }

    deduceBackground_ = new QCheckBox(
        tr("Выводить фон рисунка области наложения на EidPic") + QString(54, '.'), this);
    deduceBackground_->setObjectName("DeduceBackground");
    deduceBackground_->setGeometry(52, 246, 449, 17);
    putBoxRightOfCaption(deduceBackground_);
}

void OverlayWindow::connectControls() {
    connect(trackBarAlpha_, &QSlider::valueChanged, this, [this](int position) {
        run([&](OverlaySettingsWindow& model) { model.setTrackBarAlpha(position); });
    });
    for (std::size_t i = 0; i < kEdges.size(); ++i) {
        connect(edgeSliders_[i], &QSlider::valueChanged, this,
                [this, edge = kEdges[i]](int position) {
                    run([&](OverlaySettingsWindow& model) { model.setEdge(edge, position); });
                });
    }
    connect(scrollBarLeftRight_, &QScrollBar::valueChanged, this, [this](int position) {
        run([&](OverlaySettingsWindow& model) { model.setScrollBarLeftRight(position); });
    });
    connect(scrollBarUpDown_, &QScrollBar::valueChanged, this, [this](int position) {
        run([&](OverlaySettingsWindow& model) { model.setScrollBarUpDown(position); });
    });
    connect(deduceBackground_, &QCheckBox::toggled, this, [this](bool checked) {
        run([&](OverlaySettingsWindow& model) { model.setDeduceBackground(checked); });
    });
    for (SizeButton* button : sizeButtons_) {
        connect(button, &QAbstractButton::pressed, this, [this, tag = button->tag()] {
            run([&](OverlaySettingsWindow& model) { model.sizeButtonPressed(tag); });
        });
        connect(button, &QAbstractButton::released, this,
                [this] { run([](OverlaySettingsWindow& model) { model.sizeButtonReleased(); }); });
    }
    connect(&timer1_, &QTimer::timeout, this,
            [this] { run([](OverlaySettingsWindow& model) { model.Timer1Timer(); }); });
}

void OverlayWindow::run(const std::function<void(OverlaySettingsWindow&)>& action) {
    call_([&] { action(studio_->overlaySettings()); });
    refresh();
}

void OverlayWindow::refresh() {
    const OverlaySettingsWindow& model = studio_->overlaySettings();

    const auto showSlider = [](QSlider* slider, int position) {
        const QSignalBlocker quiet(slider);
        slider->setValue(position);
    };
    showSlider(trackBarAlpha_, model.trackBarAlpha());
    for (std::size_t i = 0; i < kEdges.size(); ++i)
        showSlider(edgeSliders_[i], model.edge(kEdges[i]));

    const auto showScrollBar = [](QScrollBar* bar, const BarState& state) {
        const QSignalBlocker quiet(bar);
        bar->setRange(state.min, state.max);
        bar->setValue(state.position);
    };
    showScrollBar(scrollBarLeftRight_, model.scrollBarLeftRight());
    showScrollBar(scrollBarUpDown_, model.scrollBarUpDown());

    const auto showProgress = [](QProgressBar* bar, const BarState& state) {
        bar->setRange(state.min, state.max);
        bar->setValue(state.position);
    };
    showProgress(progressBarLeftRight_, model.progressBarLeftRight());
    showProgress(progressBarUpDown_, model.progressBarUpDown());

    {
        const QSignalBlocker quiet(deduceBackground_);
        deduceBackground_->setChecked(model.deduceBackground());
    }

    const auto showText = [](QLabel* label, const std::string& text) {
        const QString shown = QString::fromStdString(text);
        if (label->text() == shown)
            return;
        label->setText(shown);
        label->adjustSize();
    };
    showText(coordinatesArea_, model.CoordinatesArea());
    showText(sizeArea_, model.SizeArea());

    if (model.timer1Enabled() && !timer1_.isActive()) {
        timer1_.start();
    } else if (!model.timer1Enabled() && timer1_.isActive()) {
        timer1_.stop();
    }
}

void OverlayWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;  // shown again by the window system (restored), not opened
    call_([this] { studio_->SettingsImposingEidPic(); });
    refresh();
}

void OverlayWindow::done(int result) {
    if (isVisible()) {
        // A size button still held when the window closes stops repeating.
        for (SizeButton* button : sizeButtons_)
            button->letGo();
        call_([this] { studio_->closeOverlaySettings(); });
        refresh();
    }
    QDialog::done(result);
}

}  // namespace felmo
