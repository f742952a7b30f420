#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tivka {

// The "Автообновление" dialog: the period in minutes with its check box and
// the minute of the hour with its check box. It only holds the controls; the
// behaviour of the check boxes and of "Ok" is wired by AutoRefresh. Escape
// does not close it: "Ok" is the way out.
class AutoRefreshDialog final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kClientWidth = 263;
    static constexpr int kClientHeight = 130;

    explicit AutoRefreshDialog(QWidget* parent = nullptr);

    QLineEdit* periodEdit() const { return periodEdit_; }
    QCheckBox* periodCheck() const { return periodCheck_; }
    QLineEdit* minuteEdit() const { return minuteEdit_; }
    QCheckBox* minuteCheck() const { return minuteCheck_; }
    QPushButton* okButton() const { return okButton_; }

protected:
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLineEdit* periodEdit_ = nullptr;
    QCheckBox* periodCheck_ = nullptr;
    QLineEdit* minuteEdit_ = nullptr;
    QCheckBox* minuteCheck_ = nullptr;
    QPushButton* okButton_ = nullptr;
};

}  // namespace tivka
