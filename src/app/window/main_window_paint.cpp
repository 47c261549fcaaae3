// Painting and hover of the main window: a paint composes the current page (PagePainter) and
// shows it in one copy; a pointer move recomputes the hot controls and repaints for each change.

#include <QPaintEvent>
#include <QPainter>

#include "app/pages/page_painter.h"
#include "app/pages/page_table.h"
#include "app/popups/choice_list.h"
#include "app/window/main_window.h"
#include "skin/qt/window_outline.h"

namespace zel::app {

void MainWindow::paintEvent(QPaintEvent* /*event*/) {
    PaintMainWindow();
    emit paintCompleted();
}

void MainWindow::PaintMainWindow() {
    if (state_.closeListPending) {
        // A second-level choice was made: the first-level list goes now. popupOpen stays set
        // until the next press in this window.
        state_.closeListPending = false;
        if (menuList_) {
            menuList_->Destroy();
            menuList_ = nullptr;
        }
    }
    QPainter painter(this);
    if (isMinimized()) {
        painter.fillRect(rect(), Qt::black);
        QRect iconRect(QPoint(0, 0), QSize(32, 32));
        iconRect.moveCenter(rect().center());
        windowIcon().paint(&painter, iconRect);
        return;
    }
    const QImage backBuffer = ComposePage();
    skin::PaintInsideOutline(painter, rect(), outline_, backBuffer);
}

QImage MainWindow::ComposePage() {
    // On a scaled screen the pictures drawn at 2x; positions stay in layout pixels.
    const int scale = skin::PictureScaleFor(devicePixelRatioF());
    PagePainter painter(layout_, *images_, skinSize(), ledPreview_, state_.hot,
                        state_.pressedVisual);
    if (IsFocusMarkShown()) {
        painter.SetFocusMark(focus_);
    }
    return painter.Compose(StateView(), TextFont(), scale);
}

PageStateView MainWindow::StateView() const {
    return PageStateView{services_.profile,
                         services_.macros,
                         layout_,
                         state_.currentPage,
                         state_.currentProfile.load(std::memory_order_relaxed),
                         state_.languageFlag,
                         IsRecording(),
                         macroPage() ? macroPage()->state : macro::StepListState{},
                         pages()};
}

void MainWindow::HoverAt(int x, int y) {
    state_.hot = ComputeHotIndices(x, y, layout_, state_.currentPage, pages());
    HotIndices& remembered = state_.remembered;
    if (state_.hot.HotButton != remembered.HotButton) {
        RepaintForHotChange();
        remembered.HotButton = state_.hot.HotButton;
    }
    if (state_.hot.colorHot != remembered.colorHot) {
        RepaintForHotChange();
        remembered.colorHot = state_.hot.colorHot;
    }
    if (state_.hot.advHot != remembered.advHot) {
        RepaintForHotChange();
        remembered.advHot = state_.hot.advHot;
    }
}

void MainWindow::RepaintForHotChange() {
    // On the advanced page the repaint leaves the macro page's controls alone.
    if (state_.currentPage == kAdvancedPage) {
        repaint(repaintRegion_);
    } else {
        repaint();
    }
}

}  // namespace zel::app
