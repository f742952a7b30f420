#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tivka {

// The automatic refresh dialog (Form2): period in minutes (Edit1, CheckBox1)
// and minute of the hour (Edit2, CheckBox2). It only holds the controls; the
// behaviour of the check boxes and of "Ok" is wired by AutoRefresh. Escape
// does not close it: "Ok" is the way out, so the menu check mark is always
// brought up to date.
class TForm2 final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 263;
    static constexpr int kClientHeight = 130;

    explicit TForm2(QWidget* parent = nullptr);

    QFrame* Bevel1 = nullptr;
    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QCheckBox* CheckBox1 = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* Edit2 = nullptr;
    QCheckBox* CheckBox2 = nullptr;
    QPushButton* Button1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace tivka
