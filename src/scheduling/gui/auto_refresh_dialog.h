#pragma once

#include <QCheckBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace tivka {

// The "Автообновление" dialog: the period in minutes with its check box and
// the minute of the hour with its check box, "Ok" and "Отмена". The fields
// take digits only and stay open for editing whether or not their box is
// ticked. It only holds the controls; what "Ok" does is wired by
// AutoRefresh. "Отмена", Escape and the close button reject it.
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
    QPushButton* cancelButton() const { return cancelButton_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLineEdit* periodEdit_ = nullptr;
    QCheckBox* periodCheck_ = nullptr;
    QLineEdit* minuteEdit_ = nullptr;
    QCheckBox* minuteCheck_ = nullptr;
    QPushButton* okButton_ = nullptr;
    QPushButton* cancelButton_ = nullptr;
};

}  // namespace tivka
