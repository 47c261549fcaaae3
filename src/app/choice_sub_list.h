#pragma once

// ChoiceSubList: the second-level function choice list of one group (device functions,
// multimedia keys, user macros, built-in macros), opened beside the first-level list while the
// group's row is hot. A choice gives the edited button the item's function and closes both
// lists. A frameless tool window owned by the first-level list, drawn from the
// "advanced menu" pictures.

#include <QImage>
#include <QWidget>

#include "app/choice_list_context.h"

namespace zel::app {

class ChoiceList;

class ChoiceSubList final : public QWidget {
    Q_OBJECT
public:
    // Waited between a choice and the list's destruction.
    static constexpr int kCloseDelayMs = 10;

    // The group that first-level row `firstRow` (7 ... 10) opens.
    ChoiceSubList(ChoiceList& owner, int firstRow, ChoiceListContext context);

    int firstRow() const { return firstRow_; }
    int subItemCount() const { return subItemCount_; }
    int subHotRow() const { return subHotRow_; }
    bool subPressed() const { return subPressed_; }
    int listWidth() const { return width_; }
    int rowHeight() const { return rowHeight_; }
    // The items and the one-pixel strip below them; 0 without items.
    int listHeight() const { return subItemCount_ > 0 ? subItemCount_ * rowHeight_ + 1 : 0; }

    // The list as painted: width x list height.
    QImage Compose();

    void HoverAt(int x, int y);
    void PressAt();
    void ReleaseAt();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ChoiceList& owner_;
    int firstRow_;
    ChoiceListContext context_;
    int width_ = 0;
    int rowHeight_ = 0;
    int subItemCount_ = 0;
    int subHotRow_ = 255;
    // The item last repainted for; each list starts without one.
    int rememberedItem_ = 255;
    bool subPressed_ = false;
};

}  // namespace zel::app
