// The save dialog of the two exports to share ("Создать" -> "Анимацию для показа (GIF, WebP)…" and
// "Картинку темы (PNG)…"): a file name with the ending of the chosen type.
#pragma once

#include <QString>
#include <QStringList>

class QWidget;

namespace felmo {

// Name filters, first the one offered first: "GIF (*.gif)". A name typed without an ending gets
// the ending of the filter selected when the dialog closes. Returns the chosen file, or an empty
// text when the user cancels.
QString chooseShareFile(QWidget* owner, const QString& caption, const QStringList& filters,
                        const QString& startFolder);

}  // namespace felmo
