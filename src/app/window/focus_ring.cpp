#include "app/window/focus_ring.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QEvent>
#include <QPainter>

namespace zel::app {

namespace {

// Two pixels of white, and the black of the lists just inside them: 21:1 against the lists and
// at least 3:1 against every shade of the skin around them but the lightest.
constexpr int kRingWidth = 2;

}  // namespace

FocusRing::FocusRing(QWidget& window) : QWidget(&window), window_(window) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    setFocusPolicy(Qt::NoFocus);
    hide();
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget* /*old*/, QWidget* now) { FollowFocus(now); });
}

void FocusRing::FollowFocus(QWidget* now) {
    QWidget* view = nullptr;
    for (QWidget* w = now; w != nullptr && w != &window_; w = w->parentWidget()) {
        if (qobject_cast<QAbstractItemView*>(w) != nullptr) {
            view = w;
            break;
        }
    }
    if (view != nullptr && !window_.isAncestorOf(view)) {
        view = nullptr;
    }
    if (now == nullptr || (now->window() != &window_ && target_)) {
        // Another window (a menu, a dialog) took the keyboard: the ring stays where it was.
        return;
    }
    if (target_ != view) {
        if (target_) {
            target_->removeEventFilter(this);
        }
        target_ = view;
        if (target_) {
            target_->installEventFilter(this);
        }
    }
    Place();
}

void FocusRing::Place() {
    if (!target_ || !target_->isVisible()) {
        hide();
        return;
    }
    const QRect around = QRect(target_->mapTo(&window_, QPoint(0, 0)), target_->size())
                             .adjusted(-kRingWidth, -kRingWidth, kRingWidth, kRingWidth);
    setGeometry(around);
    setMask(QRegion(rect()).subtracted(
        QRegion(rect().adjusted(kRingWidth, kRingWidth, -kRingWidth, -kRingWidth))));
    show();
    raise();
    update();
}

bool FocusRing::eventFilter(QObject* watched, QEvent* event) {
    if (watched == target_ && (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
                               event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
        Place();
    }
    return QWidget::eventFilter(watched, event);
}

void FocusRing::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::white);
}

}  // namespace zel::app
