#include "app/settings_window.hpp"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "app/qt_front_end.hpp"
#include "app/window_parts.hpp"

namespace felmo {
std::optional<QString> browseForFolder(QWidget* owner, const QString& start) {
    QFileDialog dialog(owner, SettingsWindow::tr("Please specify a directory"), start);
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
    setWindowTitle(tr("%1   (настройки)").arg(mainCaption()));
    setFont(sansSerifFont(11));
    setFixedSize(543, 125);

    QLabel* label1 = placeLabel(
        this, "Label1", tr("Дириктория для сохранения файлов графики для телефона."), 88, 10);
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

    button1_ = new QPushButton(tr("обзор"), this);
    button1_->setObjectName("Button1");
    button1_->setGeometry(490, 40, 38, 21);
    connect(button1_, &QPushButton::clicked, this, &SettingsWindow::Button1Click);

    openFolderWithDrawing_ = new QCheckBox(
        tr("Открывать папку с файлами графики (*.mbm) после создания") + QString(62, '.'), this);
    openFolderWithDrawing_->setObjectName("OpenFolderWithDrawing");
    openFolderWithDrawing_->setGeometry(12, 71, 516, 17);
    putBoxRightOfCaption(openFolderWithDrawing_);
    connect(openFolderWithDrawing_, &QCheckBox::toggled, this,
            &SettingsWindow::openFolderWithDrawingChanged);

    // The language is read once at start, before any window exists: a change waits for the next.
    placeLabel(this, "LanguageLabel", tr("Язык"), 12, 101);
    language_ = new QComboBox(this);
    language_->setObjectName("Language");
    language_->setGeometry(76, 98, 120, 21);
    const std::pair<QString, LanguageSetting> choices[] = {
        {tr("Автоматически"), LanguageSetting::Auto},
        {tr("Русский"), LanguageSetting::Russian},
        {QStringLiteral("English"), LanguageSetting::English},
    };
    for (const auto& [caption, setting] : choices)
        language_->addItem(caption, static_cast<int>(setting));
    placeLabel(this, "LanguageNote", tr("(вступит в силу при следующем запуске)"), 206, 101);
    connect(language_, &QComboBox::activated, this,
            [this] { emit languageChosen(languageSetting()); });
}

LanguageSetting SettingsWindow::languageSetting() const {
    return static_cast<LanguageSetting>(language_->currentData().toInt());
}

void SettingsWindow::setLanguageSetting(LanguageSetting setting) {
    language_->setCurrentIndex(language_->findData(static_cast<int>(setting)));
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
