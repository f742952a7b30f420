#pragma once

#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <string>

namespace tivka {

class ModalRunner;

// The chart address dialog ("Параметры"): edits the address prefix the chart
// file names are appended to ("addressEdit", "saveButton", "cancelButton").
// It says that the address ends with "/" ("addressRule") and warns while the
// text typed does not ("slashWarning"), without changing it.
class ChartAddressDialog final : public QDialog {
    Q_OBJECT
public:
    explicit ChartAddressDialog(QWidget* parent = nullptr);

    QString address() const;
    void setAddress(const QString& address);

private:
    void warnWithoutSlash();

    QLineEdit* addressEdit_ = nullptr;
    QLabel* slashWarning_ = nullptr;
};

// "Параметры" -> "Настройка": shows `chartUrl` in the dialog and, on
// "Сохранить", replaces it with the edited text exactly as typed (no check,
// no trimming). "Отмена" and the close button keep it.
void EditChartAddress(ChartAddressDialog& dialog, ModalRunner& modals, std::string& chartUrl);

}  // namespace tivka
