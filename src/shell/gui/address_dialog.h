#pragma once

#include <QDialog>
#include <QLineEdit>
#include <string>

namespace tivka {

class ModalRunner;

// The chart address dialog ("Параметры"): edits the address prefix the chart
// file names are appended to ("addressEdit", "saveButton", "cancelButton").
class ChartAddressDialog final : public QDialog {
    Q_OBJECT
public:
    explicit ChartAddressDialog(QWidget* parent = nullptr);

    QString address() const;
    void setAddress(const QString& address);

private:
    QLineEdit* addressEdit_ = nullptr;
};

// "Параметры" -> "Настройка": shows `chartUrl` in the dialog and, on
// "Сохранить", replaces it with the edited text exactly as typed (no check,
// no trimming). "Отмена" and the close button keep it.
void EditChartAddress(ChartAddressDialog& dialog, ModalRunner& modals, std::string& chartUrl);

}  // namespace tivka
