#include "app/settings_window.hpp"

#include <QCheckBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/qt_front_end.hpp"
#include "app/window_parts.hpp"

namespace felmo {
std::optional<QString> browseForFolder(QWidget* owner, const QString& start) {
    QFileDialog dialog(owner, QStringLiteral("Please specify a directory"), start);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    widenColumns(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().front();
}

QString normalisedFolder(const QString& folder) {
    return QDir::toNativeSeparators(QDir::cleanPath(folder));
}

SettingsWindow::SettingsWindow(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      browseFolder_(browseForFolder) {
    setObjectName("TForm3");
    setWindowTitle(kMainCaption + "   (настройки)");
    setFont(sansSerifFont(11));
    setFixedSize(543, 95);

    QLabel* label1 = placeLabel(this, "Label1",
                                "Дириктория для сохранения файлов графики для телефона.", 88, 10);
    QFont arial("Arial");
    arial.setStyleHint(QFont::SansSerif);
    arial.setPixelSize(13);
    label1->setFont(arial);
    label1->adjustSize();

    // Shows the output folder; the program never reads text typed here, so it is read-only.
    edit1_ = new QLineEdit(this);
    edit1_->setObjectName("Edit1");
    edit1_->setGeometry(12, 40, 463, 21);
    edit1_->setReadOnly(true);

    button1_ = new QPushButton("обзор", this);
    button1_->setObjectName("Button1");
    button1_->setGeometry(490, 40, 38, 21);
    connect(button1_, &QPushButton::clicked, this, &SettingsWindow::Button1Click);

    openFolderWithDrawing_ =
        new QCheckBox(QStringLiteral("Открывать папку с файлами графики (*.mbm) после создания") +
                          QString(62, '.'),
                      this);
    openFolderWithDrawing_->setObjectName("OpenFolderWithDrawing");
    openFolderWithDrawing_->setGeometry(12, 71, 516, 17);
    putBoxRightOfCaption(openFolderWithDrawing_);
    connect(openFolderWithDrawing_, &QCheckBox::toggled, this,
            &SettingsWindow::openFolderWithDrawingChanged);
}

void SettingsWindow::showOutputFolder(const QString& folder) {
    edit1_->setText(folder);
}

bool SettingsWindow::openFolderWithDrawing() const {
    return openFolderWithDrawing_->isChecked();
}

void SettingsWindow::setOpenFolderWithDrawing(bool on) {
    openFolderWithDrawing_->setChecked(on);
}

void SettingsWindow::Button1Click() {
    const std::optional<QString> chosen = browseFolder_(this, edit1_->text());
    if (!chosen)
        return;
    const QString folder = normalisedFolder(*chosen);
    edit1_->setText(folder);
    emit outputFolderChosen(folder);
}

}  // namespace felmo
