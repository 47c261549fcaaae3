#pragma once

// The focus ring of the window's own item views (the macro page's lists): the lists draw no frame,
// and their focused and unfocused selections differ by a few shades, so a ring is drawn around
// the list that has the keyboard. It is a child of the window laid over the list, transparent
// to the pointer, shown only while the list has the focus.

#include <QPointer>
#include <QWidget>

namespace zel::app {

class FocusRing final : public QWidget {
public:
    // Follows the keyboard's focus among `window`'s item views.
    explicit FocusRing(QWidget& window);

    // The item view the ring is around; null when hidden.
    QWidget* target() const { return target_.data(); }

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FollowFocus(QWidget* now);
    void Place();

    QWidget& window_;
    QPointer<QWidget> target_;
};

}  // namespace zel::app
