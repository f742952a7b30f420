#pragma once

#include <QDialog>
#include <QStringList>

namespace tivka {

// The "О программе" dialog: the program description ("descriptionText")
// and an "Ok" button ("okButton").
class AboutDialog final : public QDialog {
    Q_OBJECT
public:
    explicit AboutDialog(QWidget* parent = nullptr);
};

// The description lines exactly as shown, blanks included.
QStringList AboutLines();

}  // namespace tivka
