#include <QFontMetrics>
#include <QMenuBar>
#include <QTextDocument>

#include "shell/gui/about_dialog.h"
#include "shell/gui/address_dialog.h"
#include "shell/gui/chart_canvas.h"
#include "window_fixture.h"

namespace tivka::test {
namespace {

using ::testing::ElementsAre;

TEST_F(WindowTest, TrayDoubleClickMinimisesThenRestores)
{
    writeTemplate();
    TForm1& form = startWindow(/*trayAvailable=*/true);
    form.show();
    form.CoolTrayIcon1DblClick();
    settle();
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.state().WindowShown);

    form.CoolTrayIcon1DblClick();
    settle();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.isMinimized());
    EXPECT_TRUE(form.state().WindowShown);
}

TEST_F(WindowTest, TrayRefreshBringsTheWindowBackBeforeTheBanner)
{
    writeTemplate();
    TForm1& form = startWindow(/*trayAvailable=*/true);
    form.show();
    form.showMinimized();
    settle();
    ASSERT_FALSE(form.isVisible());
    std::vector<std::pair<bool, bool>> seen;  // window shown, banner shown
    downloader.onDownload = [&](const std::string&) {
        seen.emplace_back(form.isVisible(), form.Panel1->isVisible());
    };
    form.N5->trigger();
    EXPECT_THAT(seen, ElementsAre(std::pair(true, true), std::pair(true, true)));
    EXPECT_TRUE(form.state().WindowShown);
    EXPECT_FALSE(form.Panel1->isVisible());
}

TEST_F(WindowTest, WithoutATrayMinimisingKeepsTheWindowReachable)
{
    writeTemplate();
    TForm1& form = startWindow(/*trayAvailable=*/false);
    form.show();
    form.showMinimized();
    settle();
    EXPECT_TRUE(form.isVisible());
    EXPECT_FALSE(form.state().WindowShown);
}

TEST_F(WindowTest, AddressDialogCancelKeepsAndSaveReplacesTheAddress)
{
    writeTemplate();
    downloader.reachable = false;
    TForm1& form = startWindow();
    auto typeAndPress = [&](const QString& text, bool save) {
        modals.setNext([text, save](QDialog& dialog) {
            auto& form4 = dynamic_cast<TForm4&>(dialog);
            form4.Edit1->setText(text);
            (save ? form4.BitBtn1 : form4.BitBtn2)->click();
            return dialog.result();
        });
        form.URL1->trigger();
    };
    typeAndPress("http://other.example/charts/", false);
    EXPECT_EQ(form.state().settings.ChartURL, kDefaultChartUrl);
    modals.setNext([](QDialog& dialog) {
        EXPECT_EQ(dynamic_cast<TForm4&>(dialog).Edit1->text().toStdString(), kDefaultChartUrl);
        return int(QDialog::Rejected);  // the close button
    });
    form.URL1->trigger();
    EXPECT_EQ(form.state().settings.ChartURL, kDefaultChartUrl);

    typeAndPress("http://other.example/charts", true);  // no trailing "/": taken as typed
    EXPECT_EQ(form.state().settings.ChartURL, "http://other.example/charts");
    form.close();
    EXPECT_EQ(settingsLines().back(), "TIVKA_URL=http://other.example/charts");
    EXPECT_EQ(modals.count, 3);
}

TEST_F(WindowTest, AboutShowsTheDescriptionLinesWithTheirBlanks)
{
    TForm1& form = makeWindow();
    QStringList lines;
    modals.setNext([&](QDialog& dialog) {
        auto& form3 = dynamic_cast<TForm3&>(dialog);
        EXPECT_EQ(form3.windowTitle(), QStringLiteral("О программе"));
        EXPECT_TRUE(form3.Memo1->isReadOnly());
        lines = form3.Memo1->toPlainText().split('\n');
        // Every line fits whole in the field, none is cut at its right edge.
        form3.show();
        QCoreApplication::processEvents();
        const QFontMetrics metrics(form3.Memo1->font());
        const int room = form3.Memo1->viewport()->width() - 2 * int(form3.Memo1->document()->documentMargin());
        for (const QString& line : lines)
            EXPECT_LE(metrics.horizontalAdvance(line), room) << line.toStdString();
        form3.Button1->click();
        return dialog.result();
    });
    form.N8->trigger();
    EXPECT_EQ(modals.count, 1);
    EXPECT_EQ(lines, QStringList({
                         QStringLiteral("            Программа \"Тивка 2.6.0.1\""),
                         QStringLiteral(" "),
                         QStringLiteral("  Распознает цены и объемы позиций и"),
                         QStringLiteral("  ордеров на графиках полученых с "),
                         QStringLiteral(" сайта Тивки и передает  данные в "),
                         QStringLiteral(" индикатор Тивка МТ4."),
                     }));
}

TEST_F(WindowTest, WindowSizeAndMenus)
{
    TForm1& form = makeWindow();
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Тивка v2.6"));
    EXPECT_EQ(form.centralWidget()->size(), QSize(817, 598));
    EXPECT_EQ(form.height(), 598 + form.menuBar()->sizeHint().height());
    EXPECT_FALSE(form.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(form.ComboBox1->count(), 10);
    EXPECT_EQ(form.ComboBox1->currentText(), QStringLiteral("GBP/USD"));
    EXPECT_TRUE(form.ComboBox1->isEditable());
    EXPECT_FALSE(form.Button3->isEnabled());
    QStringList menu;
    for (QAction* action : form.menuBar()->actions())
        menu << action->text();
    EXPECT_EQ(menu, QStringList({"Файл", "Параметры", "Exel", "О программе"}));
    QStringList tray;
    for (QAction* action : form.PopupMenu1->actions())
        tray << (action->isSeparator() ? QString("-") : action->text());
    EXPECT_EQ(tray, QStringList({"Обновить", "-", "Выход"}));
    EXPECT_EQ(form.CoolTrayIcon1->contextMenu(), form.PopupMenu1);
}

}  // namespace
}  // namespace tivka::test
