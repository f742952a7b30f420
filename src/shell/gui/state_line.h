#pragma once

#include <QLabel>

namespace tivka {

// The line at the foot of the window. A text longer than the line is cut
// with "…"; hovering shows the whole of it, each part on a line of its own,
// and a click asks for it in a box (detailsAsked).
class StateLine final : public QLabel {
    Q_OBJECT
public:
    explicit StateLine(QWidget* parent = nullptr);

    // `line` is shown, `details` (the same, a part a line) on hover and click.
    void setState(const QString& line, const QString& details);
    const QString& line() const { return line_; }
    const QString& details() const { return details_; }

signals:
    void detailsAsked();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void showElided();

    QString line_;
    QString details_;
};

}  // namespace tivka
