#include "app/share_dialog.hpp"

#include <QFileDialog>
#include <QRegularExpression>

namespace felmo {
namespace {

// "GIF (*.gif)" -> "gif".
QString endingOf(const QString& filter) {
    const qsizetype star = filter.indexOf(QStringLiteral("*."));
    if (star < 0)
        return QString();
    QString ending = filter.mid(star + 2);
    ending.truncate(ending.indexOf(QRegularExpression(QStringLiteral("[ );]"))));
    return ending;
}

}  // namespace

QString chooseShareFile(QWidget* owner, const QString& caption, const QStringList& filters,
                        const QString& startFolder) {
    QFileDialog dialog(owner, caption, startFolder);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(endingOf(filters.value(0)));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& filter) { dialog.setDefaultSuffix(endingOf(filter)); });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

}  // namespace felmo
