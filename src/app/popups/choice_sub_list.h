#pragma once

// ChoiceSubList: the second-level function choice list of one group (device functions,
// multimedia keys, user macros, built-in macros), opened beside the first-level list while the
// group's row is hot. A choice gives the edited button the item's function and closes both
// lists. A frameless tool window owned by the first-level list, drawn from the
// "advanced menu" pictures.

#include "app/popups/choice_list_context.h"
#include "app/popups/choice_list_window.h"

namespace zel::app {

class ChoiceList;

class ChoiceSubList final : public ChoiceListWindow {
    Q_OBJECT
public:
    // Waited between a choice and the list's destruction.
    static constexpr int kCloseDelayMs = 10;

    // The group that first-level row `firstRow` (7 ... 10) opens.
    ChoiceSubList(ChoiceList& owner, int firstRow, ChoiceListContext context);

    int firstRow() const { return firstRow_; }
    int subItemCount() const { return subItemCount_; }
    int subHotRow() const { return hotRow_; }

    void ReleaseAt() override;

protected:
    int HitRows() const override { return subItemCount_; }
    QString RowText(int item) const override;

private:
    ChoiceList& owner_;
    int firstRow_;
    int subItemCount_ = 0;
};

}  // namespace zel::app
