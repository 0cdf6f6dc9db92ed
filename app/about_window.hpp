// The About window (TForm2): the emblem, the product name, what the program is for and where
// its support page is. Shown modally from the menu "Инфо".
#pragma once

#include <QDialog>

namespace felmo {

class AboutWindow : public QDialog {
    Q_OBJECT
  public:
    explicit AboutWindow(QWidget* parent);
};

}  // namespace felmo
