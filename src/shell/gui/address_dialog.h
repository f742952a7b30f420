#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <string>

namespace tivka {

class ModalRunner;

// The chart address dialog (Form4, "Параметры"): edits the address prefix
// the chart file names are appended to.
class TForm4 final : public QDialog {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QLineEdit* Edit1 = nullptr;
    QPushButton* BitBtn1 = nullptr;  // "Сохранить"
    QPushButton* BitBtn2 = nullptr;  // "Отмена"
};

// URL1Click's work: shows `chartUrl` in the dialog and, on "Сохранить",
// replaces it with the edited text exactly as typed (no check, no trimming).
// "Отмена" and the close button keep it.
void EditChartAddress(TForm4& dialog, ModalRunner& modals, std::string& chartUrl);

}  // namespace tivka
