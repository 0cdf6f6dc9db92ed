#include "app/qt_front_end.hpp"

#include <QAbstractItemView>
#include <QColorDialog>
#include <QCompleter>
#include <QCoreApplication>
#include <QHeaderView>
#include <QSplitter>
#include <QTreeView>
#include <QUrl>
#include <utility>

#include "app/slide_notice.hpp"
#include "app/window_parts.hpp"
#include "base/utf8_path.hpp"

namespace felmo {
namespace {

// Room for a picture's name, size, type and date side by side.
constexpr int kFileDialogWidth = 780;
constexpr int kFileDialogHeight = 460;
constexpr int kFileDialogPlacesWidth = 150;

struct PictureFilter {
    const char* name;      // what the dialog lists (its source text for translation)
    const char* patterns;  // what it matches, space separated
};

constexpr PictureFilter kPictureFilters[] = {
    {QT_TRANSLATE_NOOP("felmo", "All pictures (*.jpg;*.jpeg;*.bmp;*.png;*.gif;*.webp)"),
     "*.jpg *.jpeg *.bmp *.png *.gif *.webp"},
    {QT_TRANSLATE_NOOP("felmo", "JPEG Image File (*.jpg)"), "*.jpg"},
    {QT_TRANSLATE_NOOP("felmo", "JPEG Image File (*.jpeg)"), "*.jpeg"},
    {QT_TRANSLATE_NOOP("felmo", "Bitmaps (*.bmp)"), "*.bmp"},
    {QT_TRANSLATE_NOOP("felmo", "PNG Image File (*.png)"), "*.png"},
    {QT_TRANSLATE_NOOP("felmo", "GIF Image File (*.gif)"), "*.gif"},
    {QT_TRANSLATE_NOOP("felmo", "WebP Image File (*.webp)"), "*.webp"},
};

// Qt takes the patterns from the last parenthesised group of a filter and, with the filter
// details hidden, lists the text before it; so each filter is "name (patterns)" and is listed
// with its name alone.
QStringList pictureNameFilters() {
    QStringList filters;
    for (const PictureFilter& filter : kPictureFilters)
        filters << QStringLiteral("%1 (%2)").arg(QCoreApplication::translate("felmo", filter.name),
                                                 QString::fromUtf8(filter.patterns));
    return filters;
}

QString pathToQString(const std::filesystem::path& path) {
    return QString::fromStdString(utf8FromPath(path));
}

}  // namespace

void widenColumns(QFileDialog& dialog) {
    dialog.resize(kFileDialogWidth, kFileDialogHeight);
    // The places on the left keep their names ("Компьютер") whole.
    if (auto* splitter = dialog.findChild<QSplitter*>(QStringLiteral("splitter")))
        splitter->setSizes({kFileDialogPlacesWidth, kFileDialogWidth - kFileDialogPlacesWidth});
    // The name takes the room that is left; size, type and date are as wide as what they show.
    if (auto* details = dialog.findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = details->header();
        header->setStretchLastSection(false);
        header->setSectionResizeMode(QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
}

void hideCompletionPopups(QWidget& dialog) {
    // The file name's completion list is a window of its own: a dialog that is kept for the next
    // use would otherwise leave it on screen when Return accepted a typed name.
    for (QCompleter* completer : dialog.findChildren<QCompleter*>()) {
        if (QAbstractItemView* popup = completer->popup(); popup && popup->isVisible())
            popup->hide();
    }
}

QStringList pictureFilterNames() {
    QStringList names;
    for (const PictureFilter& filter : kPictureFilters)
        names << QCoreApplication::translate("felmo", filter.name);
    return names;
}

QtFrontEnd::~QtFrontEnd() {
    delete pictureDialog_.data();
}

void QtFrontEnd::setDialogOwner(QWidget* owner) {
    owner_ = owner;
    if (pictureDialog_)
        pictureDialog_->setParent(owner, pictureDialog_->windowFlags());
}

QFileDialog& QtFrontEnd::pictureDialog() {
    if (!pictureDialog_) {
        pictureDialog_ = new QFileDialog(owner_.data());
        pictureDialog_->setObjectName("OpenPictureDialog1");
        pictureDialog_->setFileMode(QFileDialog::ExistingFile);
        pictureDialog_->setAcceptMode(QFileDialog::AcceptOpen);
        // Qt's own dialog: it lists the filters by name and keeps the last choice between uses.
        pictureDialog_->setOption(QFileDialog::DontUseNativeDialog);
        pictureDialog_->setOption(QFileDialog::HideNameFilterDetails);
        pictureDialog_->setNameFilters(pictureNameFilters());
        widenColumns(*pictureDialog_);
    }
    return *pictureDialog_;
}

void QtFrontEnd::answerNextPictureWith(std::optional<std::filesystem::path> file) {
    nextPicture_ = std::move(file);
}

std::optional<std::filesystem::path> QtFrontEnd::choosePicture() {
    if (nextPicture_) {
        // The dialog opens on this file the next time, as if it had been chosen there.
        lastPicture_ = QString::fromStdString(utf8FromPath(*nextPicture_));
        return std::exchange(nextPicture_, std::nullopt);
    }
    QFileDialog& dialog = pictureDialog();
    if (!lastPicture_.isEmpty())
        dialog.selectFile(lastPicture_);
    const int result = dialog.exec();
    hideCompletionPopups(dialog);
    if (result != QDialog::Accepted)
        return std::nullopt;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty())
        return std::nullopt;
    lastPicture_ = chosen.front();
    return pathFromUtf8(lastPicture_.toStdString());
}

std::optional<Color> QtFrontEnd::chooseColour(Color initial) {
    const QColor chosen = QColorDialog::getColor(
        QColor(redOf(initial), greenOf(initial), blueOf(initial)), owner_.data());
    if (!chosen.isValid())
        return std::nullopt;
    return rgb(static_cast<std::uint8_t>(chosen.red()), static_cast<std::uint8_t>(chosen.green()),
               static_cast<std::uint8_t>(chosen.blue()));
}

void QtFrontEnd::showNotice(const std::string& text) {
    SlideNotice(QString::fromStdString(text));
}

void QtFrontEnd::openFolder(const std::filesystem::path& folder) {
    // The build has succeeded all the same; the user learns why no folder appeared.
    const QString path = pathToQString(folder);
    openOnDesktop(QUrl::fromLocalFile(path),
                  QCoreApplication::translate("felmo", "папку «%1»").arg(path), owner_.data());
}

}  // namespace felmo
