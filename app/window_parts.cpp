#include "app/window_parts.hpp"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionButton>
#include <string>

#include "base/translation.hpp"

namespace felmo {
namespace {

// Draws a right-to-left check box's caption from the left edge, clipped to the caption's room.
class CaptionFromTheLeftStyle : public QProxyStyle {
  public:
    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* button = qstyleoption_cast<const QStyleOptionButton*>(option);
        if (element != CE_CheckBoxLabel || button == nullptr) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        QStyleOptionButton leftAligned = *button;
        leftAligned.direction = Qt::LeftToRight;
        painter->save();
        painter->setClipRect(button->rect);
        QProxyStyle::drawControl(element, &leftAligned, painter, widget);
        painter->restore();
    }
};

DesktopOpener& desktopOpener() {
    static DesktopOpener opener = &QDesktopServices::openUrl;
    return opener;
}

}  // namespace

QString mainCaption() {
    //: Glossary, the same words as the core's catalogue (po/en.po): заставка = splash screen;
    //: стартовая анимация = start-up animation; приветствие = welcome image; фоновая картинка =
    //: background picture (the standby screen's, as the felmo-cli command "background");
    //: EidPic = status strip, kept as the name "EidPic" where the Russian names it; нижняя
    //: полоска = bottom strip; наложение = overlay; битность = colour depth; графика (*.mbm
    //: файлы) = graphics (*.mbm files), what a build makes; создать = create; папка,
    //: дириктория = folder.
    return QCoreApplication::translate("felmo", "FELMO версия %1")
        .arg(QString::fromStdString(captionVersion()));
}

QString applicationTitle() {
    return QCoreApplication::translate("felmo", "Создание тем");
}

QString coreText(std::string_view source) {
    // The catalogue is looked up with a terminated text, which a view need not be.
    return QString::fromUtf8(translate(std::string(source).c_str()));
}

QFont sansSerifFont(int pixelSize) {
    // The windows place their texts at fixed positions, laid out for a narrow face; so a face of
    // that width comes first where one is installed, else the system's sans-serif face.
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setFamilies(
        {"Tahoma", "Liberation Sans", "Arimo", "Arial", "Nimbus Sans", "Helvetica", font.family()});
    font.setStyleHint(QFont::SansSerif);
    font.setPixelSize(pixelSize);
    return font;
}

QLabel* placeLabel(QWidget* parent, const QString& objectName, const QString& text, int x, int y) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->move(x, y);
    label->adjustSize();
    return label;
}

void putBoxRightOfCaption(QCheckBox* box) {
    box->setLayoutDirection(Qt::RightToLeft);
    auto* captionStyle = new CaptionFromTheLeftStyle;
    captionStyle->setParent(box);
    box->setStyle(captionStyle);
}

QString supportCaption() {
    return QStringLiteral("README.md");
}

QUrl supportUrl() {
    const QString programDir = QCoreApplication::applicationDirPath();
#ifdef FELMO_BUILD_DIR
    const QString buildDir = QFileInfo(QStringLiteral(FELMO_BUILD_DIR)).canonicalFilePath();
    if (!buildDir.isEmpty() && (programDir == buildDir || programDir.startsWith(buildDir + '/')))
        return QUrl::fromLocalFile(QStringLiteral(FELMO_SOURCE_README));
#endif
    return QUrl::fromLocalFile(
        QDir::cleanPath(QDir(programDir).filePath("../share/doc/felmo/README.md")));
}

void openOnDesktop(const QUrl& url, const QString& what, QWidget* owner) {
    if (desktopOpener()(url))
        return;
    QMessageBox::warning(owner, applicationTitle(),
                         QCoreApplication::translate("felmo",
                                                     "Не удалось открыть %1: в системе не найдена "
                                                     "программа, которая может это сделать.")
                             .arg(what));
}

void setDesktopOpener(DesktopOpener opener) {
    desktopOpener() = opener ? std::move(opener) : DesktopOpener(&QDesktopServices::openUrl);
}

LinkLabel::LinkLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    QFont bold = font();
    bold.setBold(true);
    setFont(bold);
    QPalette colours = palette();
    colours.setColor(QPalette::WindowText, QColor(128, 0, 128));
    setPalette(colours);
    setCursor(Qt::PointingHandCursor);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit clicked();
    QLabel::mouseReleaseEvent(event);
}

}  // namespace felmo
