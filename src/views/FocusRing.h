#pragma once

#include <QPointer>
#include <QWidget>

namespace views {

// A ring drawn around the window's focused control, on top of everything:
// black, yellow, black, so that it shows on a dark, a light or a coloured
// background alike (the style's own focus mark is lost on the blue panel).
// It follows the focus and its control's moves (a scrolled strip, a resized
// window) and never takes a click.
class FocusRing final : public QWidget
{
    Q_OBJECT
public:
    explicit FocusRing(QWidget* window);

    // The control the ring is drawn around, if any.
    QWidget* target() const { return target_; }

    // How far the ring reaches outside its control's visible rectangle.
    static constexpr int kReach = 4;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void follow(QWidget* focused);
    void watch(bool on);
    void place();

    QPointer<QWidget> target_;
};

} // namespace views
