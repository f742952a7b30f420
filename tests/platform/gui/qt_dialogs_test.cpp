// Qt's own dialogs speak the window's language, and message boxes carry the
// window's name.
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QTranslator>
#include <gtest/gtest.h>

#include "platform/gui/qt_translations.h"
#include "platform/gui/qt_user_messages.h"
#include "support/scripted_modals.h"

namespace tivka {
namespace {

// A box says which window it comes from (the program's name without one);
// the file dialog of "Сохранить" speaks Russian like the rest of the window.
TEST(QtDialogs, MessageBoxesCarryTheWindowsNameAndQtSpeaksRussian)
{
    QWidget window;
    window.setWindowTitle(QStringLiteral("Тивка v2.6"));
    test::ScriptedModalRunner modals;
    QStringList titles;
    QtUserMessages messages(modals);
    for (QWidget* parent : {static_cast<QWidget*>(nullptr), &window}) {
        messages.setParent(parent);
        modals.setNext([&](QDialog& box) {
            titles.append(box.windowTitle());
            return 0;
        });
        messages.showMessage("Таймер №1 незапущен!");
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Тивка"), QStringLiteral("Тивка v2.6")}));

    ASSERT_TRUE(InstallQtTranslations(*qApp)) << "install qt6-translations-l10n";
    QFileDialog files;
    files.setOption(QFileDialog::DontUseNativeDialog);
    files.setAcceptMode(QFileDialog::AcceptSave);
    EXPECT_EQ(files.findChild<QLabel*>("lookInLabel")->text(), QStringLiteral("Перейти к:"));
    // Other tests read Qt's English texts.
    for (QTranslator* translator : qApp->findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
}

}  // namespace
}  // namespace tivka
