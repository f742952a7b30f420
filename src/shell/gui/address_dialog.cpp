#include "shell/gui/address_dialog.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "platform/gui/modal_runner.h"

namespace tivka {

ChartAddressDialog::ChartAddressDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("chartAddressDialog");
    setWindowTitle(QStringLiteral("Параметры"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(536, 78);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    auto* prompt = new QLabel(QStringLiteral("URL для закачки графиков (без имени графика):"), this);
    prompt->setObjectName("addressPrompt");
    prompt->move(8, 8);
    QFont bold = prompt->font();
    bold.setBold(true);
    prompt->setFont(bold);
    prompt->setStyleSheet("color: blue");
    prompt->adjustSize();

    addressEdit_ = new QLineEdit(this);
    addressEdit_->setObjectName("addressEdit");
    addressEdit_->setGeometry(8, 24, 521, 21);

    auto* save = new QPushButton(QStringLiteral("Сохранить"), this);
    save->setObjectName("saveButton");
    save->setGeometry(192, 48, 75, 25);
    save->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName("cancelButton");
    cancel->setGeometry(272, 48, 75, 25);
    connect(save, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

QString ChartAddressDialog::address() const
{
    return addressEdit_->text();
}

void ChartAddressDialog::setAddress(const QString& address)
{
    addressEdit_->setText(address);
}

void EditChartAddress(ChartAddressDialog& dialog, ModalRunner& modals, std::string& chartUrl)
{
    dialog.setAddress(QString::fromStdString(chartUrl));
    if (modals.exec(dialog) == QDialog::Accepted)
        chartUrl = dialog.address().toStdString();
}

}  // namespace tivka
