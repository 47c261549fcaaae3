// What the main window lets go while it is hidden to the tray, where a tray program spends
// most of its day: the decoded pictures, the fonts, the advanced page's controls, the window's
// off-screen copy, and the heap they freed. Showing the window builds them again before its first
// paint: fonts and controls at once, the pictures of the page shown as the paint asks for them.

#include <malloc.h>

#include <QBackingStore>
#include <QHideEvent>
#include <QShowEvent>
#include <QTimer>

#include "app/pages/page_table.h"
#include "app/window/main_window.h"

namespace zel::app {

void MainWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous() || IsShutDown()) {
        return;
    }
    // Showing the window again hides and shows it within one call: only a window still
    // hidden once the event loop runs again lets go of anything.
    QTimer::singleShot(0, this, [this] {
        if (!isVisible() && !IsShutDown()) {
            ReleaseWhileHidden();
        }
    });
}

void MainWindow::showEvent(QShowEvent* event) {
    RebuildForShowing();
    QWidget::showEvent(event);
}

void MainWindow::ReleaseWhileHidden() {
    if (released_) {
        return;
    }
    released_ = true;
    // A recording keeps its page as it is; the controls of a page left behind go as when the
    // page is left.
    macroHost_.ReleaseWhileHidden();
    images_->Release();
    fonts_ = skin::SkinFonts{};
    // The window's off-screen copy: the first paint after showing sizes it again and paints
    // all of it. One pixel, not an empty size: the X11 backing store reads an empty size as
    // 65535 x 65535, fails to allocate it and the next show stays black.
    if (QBackingStore* store = backingStore()) {
        store->resize(QSize(1, 1));
    }
    // The freed pictures lie in the heap's free lists: give the pages back to the system.
    malloc_trim(0);
}

void MainWindow::RebuildForShowing() {
    if (!released_) {
        return;
    }
    released_ = false;
    fonts_ = skin::CreateSkinFonts();
    macroHost_.RebuildForShowing(state_.currentPage == kAdvancedPage);
}

}  // namespace zel::app
