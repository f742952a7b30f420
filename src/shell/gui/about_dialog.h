#pragma once

#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>

namespace tivka {

// The About dialog (Form3): the program description and an "Ok" button.
class TForm3 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    QPlainTextEdit* Memo1 = nullptr;
    QPushButton* Button1 = nullptr;
};

// The description lines exactly as shown, blanks included.
QStringList AboutLines();

}  // namespace tivka
