#pragma once

#include <QLineEdit>

namespace tivka {

// A pane filter's percentage field. It holds only what a threshold can be, a
// whole number from 0 to 101 (a full bar reads 101 %): other keys are not
// taken. It is wide enough to show three digits. While the user has emptied
// it to type anew, value() is the threshold it last held, and leaving it
// empty (Enter, or focus elsewhere) puts that back, so a refresh never meets
// a text that is not a threshold.
class ThresholdField final : public QLineEdit {
    Q_OBJECT
public:
    explicit ThresholdField(QWidget* parent = nullptr);

    int value() const { return value_; }
    // Whether `text` is a threshold as the field takes it: 1 to 3 digits,
    // 0 to 101.
    static bool IsThreshold(const QString& text);

private:
    void textWasChanged(const QString& text);

    static constexpr int kFirstThreshold = 50;
    int value_ = kFirstThreshold;
};

}  // namespace tivka
