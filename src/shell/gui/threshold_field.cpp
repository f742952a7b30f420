#include "shell/gui/threshold_field.h"

#include <QFontMetrics>
#include <QValidator>

#include "shell/window_choices.h"

namespace tivka {
namespace {

// Lets through a threshold and the empty text on the way to one; fixup puts
// the field's last threshold back in place of the empty text.
class ThresholdValidator final : public QValidator {
public:
    explicit ThresholdValidator(ThresholdField& field) : QValidator(&field), field_(field) {}

    State validate(QString& input, int&) const override
    {
        if (input.isEmpty())
            return Intermediate;
        return ThresholdField::IsThreshold(input) ? Acceptable : Invalid;
    }

    void fixup(QString& input) const override
    {
        if (input.isEmpty())
            input = QString::number(field_.value());
    }

private:
    ThresholdField& field_;
};

}  // namespace

// The base is made before value_ is set, so the first text is spelt out.
ThresholdField::ThresholdField(QWidget* parent) : QLineEdit(QString::number(kFirstThreshold), parent)
{
    setValidator(new ThresholdValidator(*this));
    setMaxLength(3);
    connect(this, &QLineEdit::textChanged, this, &ThresholdField::textWasChanged);
    // Three digits, the text margins and the frame.
    const int room = fontMetrics().horizontalAdvance(QStringLiteral("101")) + 12;
    setMinimumWidth(room);
}

bool ThresholdField::IsThreshold(const QString& text)
{
    if (text.isEmpty() || text.size() > 3)
        return false;
    for (const QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    return text.toInt() <= kHighestThreshold;
}

void ThresholdField::textWasChanged(const QString& text)
{
    if (IsThreshold(text))
        value_ = text.toInt();
}

}  // namespace tivka
