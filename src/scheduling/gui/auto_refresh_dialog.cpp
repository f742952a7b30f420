#include "scheduling/gui/auto_refresh_dialog.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QRegularExpressionValidator>
#include <QScreen>

namespace tivka {
namespace {

QFrame* makeBevel(QWidget* parent, const char* name, int top)
{
    auto* bevel = new QFrame(parent);
    bevel->setObjectName(name);
    bevel->setFrameStyle(QFrame::Box | QFrame::Sunken);
    bevel->setGeometry(5, top, 254, 33);
    return bevel;
}

constexpr int kEditLeft = 136;
constexpr int kEditWidth = 49;
constexpr int kCheckBoxLeft = 240;

// Whether a line "words, blanks, last word" set in `font` from `left` keeps
// its words clear of the edit field over the blanks and of the check box.
bool fitsAroundEdit(const QFont& font, int left, const QString& words, int blanks, const QString& lastWord)
{
    const QFontMetrics metrics(font);
    const int wordsEnd = left + metrics.horizontalAdvance(words);
    const int lastStart = wordsEnd + metrics.horizontalAdvance(QString(blanks, ' '));
    const int lastEnd = lastStart + metrics.horizontalAdvance(lastWord);
    return wordsEnd < kEditLeft - 1 && lastStart > kEditLeft + kEditWidth + 1 && lastEnd < kCheckBoxLeft - 1;
}

// The line's text keeps its run of blanks, which the edit field covers. Its
// font is 10 pt where the toolkit's font allows; where that font runs wider,
// the largest size at which the words still stand clear of the field.
QLabel* makeLabel(QWidget* parent, const char* name, const QString& words, int blanks, int left, int top)
{
    const QString lastWord = QStringLiteral("минут");
    auto* label = new QLabel(words + QString(blanks, ' ') + lastWord, parent);
    label->setObjectName(name);
    QFont font = label->font();
    for (double points = 10; points >= 6; points -= 0.5) {
        font.setPointSizeF(points);
        if (fitsAroundEdit(font, left, words, blanks, lastWord))
            break;
    }
    label->setFont(font);
    label->move(left, top);
    label->adjustSize();
    return label;
}

// Takes digits only, at most `digits` of them: what the timers cannot run
// with (0, too long a period, a minute past 59) is refused on "Ok".
QLineEdit* makeEdit(QWidget* parent, const char* name, int top, int digits)
{
    auto* edit = new QLineEdit(QStringLiteral("00"), parent);
    edit->setObjectName(name);
    edit->setGeometry(kEditLeft, top, kEditWidth, 21);
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,%1}").arg(digits)), edit));
    return edit;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* name, int top)
{
    auto* box = new QCheckBox(parent);
    box->setObjectName(name);
    box->setGeometry(kCheckBoxLeft, top, 17, 17);
    return box;
}

}  // namespace

AutoRefreshDialog::AutoRefreshDialog(QWidget* parent) : QDialog(parent)
{
    setObjectName("autoRefreshDialog");
    setWindowTitle(QStringLiteral("Автообновление"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(kClientWidth, kClientHeight);
    QFont small = font();
    small.setPointSize(8);
    setFont(small);

    // The labels are created before the edits so that each edit lies over
    // the blank gap its label leaves for it.
    makeBevel(this, "periodFrame", 16);
    makeLabel(this, "periodLabel", QStringLiteral("Обновлять каждые"), 20, 8, 24);
    periodEdit_ = makeEdit(this, "periodEdit", 24, 5);
    periodCheck_ = makeCheckBox(this, "periodCheck", 24);

    makeBevel(this, "minuteFrame", 56);
    makeLabel(this, "minuteLabel", QStringLiteral("Обновлять в"), 21, 47, 64);
    minuteEdit_ = makeEdit(this, "minuteEdit", 63, 2);
    minuteCheck_ = makeCheckBox(this, "minuteCheck", 65);

    okButton_ = new QPushButton(QStringLiteral("Ok"), this);
    okButton_->setObjectName("okButton");
    okButton_->setGeometry(40, 96, 83, 25);
    okButton_->setDefault(true);
    cancelButton_ = new QPushButton(QStringLiteral("Отмена"), this);
    cancelButton_->setObjectName("cancelButton");
    cancelButton_->setGeometry(140, 96, 83, 25);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void AutoRefreshDialog::showEvent(QShowEvent* event)
{
    // Centred on the screen, not over the main window.
    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

}  // namespace tivka
