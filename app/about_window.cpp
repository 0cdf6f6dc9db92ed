#include "app/about_window.hpp"

#include <QLabel>
#include <QPixmap>

#include "app/emblem.hpp"
#include "app/window_parts.hpp"

namespace felmo {
namespace {

constexpr int kClientWidth = 443;
constexpr int kClientHeight = 349;
constexpr int kEmblemSize = 128;

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette colours = label->palette();
    colours.setColor(QPalette::WindowText, colour);
    label->setPalette(colours);
}

void setBold(QLabel* label) {
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    label->adjustSize();
}

}  // namespace

AboutWindow::AboutWindow(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint) {
    setObjectName("TForm2");
    setWindowTitle(mainCaption());
    setFont(sansSerifFont(11));
    setFixedSize(kClientWidth, kClientHeight);

    auto* picture = new QLabel(this);
    picture->setObjectName("Image1");
    picture->setGeometry(16, 16, kEmblemSize, kEmblemSize);
    picture->setPixmap(QPixmap::fromImage(felmoEmblem(kEmblemSize)));

    QLabel* productName = placeLabel(this, "Label1", "FELMO", 170, 8);
    QFont productFont("Times New Roman");
    productFont.setStyleHint(QFont::Serif);
    productFont.setPixelSize(19);
    productFont.setBold(true);
    productFont.setUnderline(true);
    productName->setFont(productFont);
    setTextColour(productName, QColor(255, 0, 255));
    productName->adjustSize();

    placeLabel(this, "Label2", tr(" Программа предназначена для создания стартовой анимации для"),
               43, 168);
    QLabel* phone = placeLabel(this, "Label3", tr("телефона Siemens SX1."), 144, 184);
    setBold(phone);
    setTextColour(phone, QColor(0, 128, 128));
    placeLabel(this, "Label4", tr("Может использоваться, как самостоятельный продукт, как ввиде"),
               45, 232);
    placeLabel(this, "Label5", tr("эмулятора графики, так и использоваться для своего основного"),
               48, 248);
    placeLabel(this, "Label6",
               tr("предназначения - создания стартовой анимации и фоновой картинки."), 39, 264);
    setBold(placeLabel(this, "Label7", tr("Техническая поддержка программы на сайте"), 24, 288));

    // The address only; the page opens from the main window's link.
    auto* link = new LinkLabel(supportCaption(), this);
    link->setObjectName("Label8");
    link->move(344, 288);
    link->adjustSize();
}

}  // namespace felmo
