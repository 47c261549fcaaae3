#pragma once

// ChoiceList: the first-level function choice list. It opens under the clicked function field
// with ten rows: rows 1 ... 6 choose function 1 ... 6 and close the list, rows 7 ... 10 open a
// second-level list (ChoiceSubList) beside it while they are hot. A frameless tool window owned
// by the main window, drawn from the "menu" pictures.

#include <QImage>
#include <QPointer>
#include <QWidget>

#include "app/choice_list_context.h"
#include "app/choice_sub_list.h"

namespace zel::app {

class ChoiceList final : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "MainMenuDlg";
    static constexpr int kRowsHitTested = 12;

    ChoiceList(QWidget& owner, ChoiceListContext context);
    ~ChoiceList() override;

    int menuHotRow() const { return menuHotRow_; }
    bool menuPressed() const { return menuPressed_; }
    int listWidth() const { return width_; }
    int rowHeight() const { return rowHeight_; }
    // Ten rows and the one-pixel strip below them.
    int listHeight() const { return 10 * rowHeight_ + 1; }
    ChoiceSubList* subList() const { return subList_.data(); }
    const ChoiceListContext& context() const { return context_; }

    // The list as painted: width x list height.
    QImage Compose();

    // The handlers, in list coordinates.
    void HoverAt(int x, int y);
    void PressAt();
    void ReleaseAt();

    // Hides the list at once and destroys it (and its second-level list) when control returns
    // to the event loop.
    void Destroy();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    // Invalidates the list; the paint that follows rebuilds the second-level list.
    void Invalidate();
    void RebuildSubList();

    ChoiceListContext context_;
    int width_ = 0;
    int rowHeight_ = 0;
    int menuHotRow_ = 255;
    // The row last repainted for. Each list starts without one, so the first row the pointer
    // reaches is always drawn hot.
    int rememberedRow_ = 255;
    bool menuPressed_ = false;
    bool rebuildAfterPaint_ = false;
    QPointer<ChoiceSubList> subList_;
};

}  // namespace zel::app
