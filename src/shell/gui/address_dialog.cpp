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
    setFixedSize(536, 116);
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

    // The chart file names are appended to the address as it stands, so the
    // folder's address must end with "/"; a typed one that does not is
    // warned of, and still saved as typed.
    auto* rule = new QLabel(
        QStringLiteral("Адрес папки оканчивается на «/»: к нему приписываются имена файлов графиков."), this);
    rule->setObjectName("addressRule");
    rule->setGeometry(8, 48, 521, 16);
    slashWarning_ = new QLabel(QStringLiteral("Адрес не оканчивается на «/»: графики будут искаться не в этой папке."),
                               this);
    slashWarning_->setObjectName("slashWarning");
    slashWarning_->setStyleSheet("color: #b00000");
    slashWarning_->setGeometry(8, 66, 521, 16);
    connect(addressEdit_, &QLineEdit::textChanged, this, &ChartAddressDialog::warnWithoutSlash);

    auto* save = new QPushButton(QStringLiteral("Сохранить"), this);
    save->setObjectName("saveButton");
    save->setGeometry(192, 86, 75, 25);
    save->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Отмена"), this);
    cancel->setObjectName("cancelButton");
    cancel->setGeometry(272, 86, 75, 25);
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
    warnWithoutSlash();
}

void ChartAddressDialog::warnWithoutSlash()
{
    slashWarning_->setVisible(!addressEdit_->text().endsWith('/'));
}

void EditChartAddress(ChartAddressDialog& dialog, ModalRunner& modals, std::string& chartUrl)
{
    dialog.setAddress(QString::fromStdString(chartUrl));
    if (modals.exec(dialog) == QDialog::Accepted)
        chartUrl = dialog.address().toStdString();
}

}  // namespace tivka
