#include "shell/gui/address_dialog.h"

#include "platform/gui/modal_runner.h"

namespace tivka {

TForm4::TForm4(QWidget* parent) : QDialog(parent)
{
    setObjectName("Form4");
    setWindowTitle(QStringLiteral("Параметры"));
    setWindowFlags(Qt::Dialog | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
    setFixedSize(536, 78);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    Label1 = new QLabel(QStringLiteral("URL для закачки графиков (без имени графика):"), this);
    Label1->setObjectName("Label1");
    Label1->move(8, 8);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    Label1->setStyleSheet("color: blue");
    Label1->adjustSize();

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName("Edit1");
    Edit1->setGeometry(8, 24, 521, 21);

    BitBtn1 = new QPushButton(QStringLiteral("Сохранить"), this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(192, 48, 75, 25);
    BitBtn1->setDefault(true);
    BitBtn2 = new QPushButton(QStringLiteral("Отмена"), this);
    BitBtn2->setObjectName("BitBtn2");
    BitBtn2->setGeometry(272, 48, 75, 25);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
}

void EditChartAddress(TForm4& dialog, ModalRunner& modals, std::string& chartUrl)
{
    dialog.Edit1->setText(QString::fromStdString(chartUrl));
    if (modals.exec(dialog) == QDialog::Accepted)
        chartUrl = dialog.Edit1->text().toStdString();
}

}  // namespace tivka
