#include "views/FocusRing.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace views {

FocusRing::FocusRing(QWidget* window) : QWidget(window)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { follow(now); });
    follow(QApplication::focusWidget());
}

void FocusRing::follow(QWidget* focused)
{
    watch(false);
    QWidget* window = parentWidget();
    // The window itself, or a control of another window, gets no ring.
    target_ = focused && focused != window && window->isAncestorOf(focused) ? focused : nullptr;
    watch(true);
    place();
}

// The control and every widget between it and the window: a move of any of
// them moves the control on the screen.
void FocusRing::watch(bool on)
{
    for (QWidget* w = target_; w && w != parentWidget(); w = w->parentWidget()) {
        if (on)
            w->installEventFilter(this);
        else
            w->removeEventFilter(this);
    }
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::Move:
    case QEvent::Resize:
    case QEvent::Show:
    case QEvent::Hide:
        place();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::place()
{
    QWidget* window = parentWidget();
    if (!target_ || !target_->isVisibleTo(window)) {
        hide();
        return;
    }
    // The control's rectangle clipped by each widget it lies in: a strip in a
    // scroll area is ringed where it shows, not along its whole length.
    QRect visible = target_->rect();
    for (QWidget* w = target_; w != window; w = w->parentWidget())
        visible = visible.translated(w->pos()) & w->parentWidget()->rect();
    if (visible.isEmpty()) {
        hide();
        return;
    }
    setGeometry(visible.adjusted(-kReach, -kReach, kReach, kReach));
    raise();
    show();
    update();
}

void FocusRing::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    const QRect r = rect();
    const QColor black(0, 0, 0);
    const QColor yellow(255, 214, 10);
    const struct
    {
        int inset;
        int width;
        QColor colour;
    } bands[] = {{0, 1, black}, {1, 2, yellow}, {3, 1, black}};
    for (const auto& band : bands) {
        const QRect outer = r.adjusted(band.inset, band.inset, -band.inset, -band.inset);
        const QRect inner = outer.adjusted(band.width, band.width, -band.width, -band.width);
        painter.fillRect(QRect(outer.left(), outer.top(), outer.width(), band.width), band.colour);
        painter.fillRect(QRect(outer.left(), inner.bottom() + 1, outer.width(), band.width),
                         band.colour);
        painter.fillRect(QRect(outer.left(), inner.top(), band.width, inner.height()), band.colour);
        painter.fillRect(QRect(inner.right() + 1, inner.top(), band.width, inner.height()),
                         band.colour);
    }
}

} // namespace views
