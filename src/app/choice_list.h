#pragma once

// ChoiceList: the first-level function choice list. It opens under the clicked function field
// with ten rows: rows 1 ... 6 choose function 1 ... 6 and close the list, rows 7 ... 10 open a
// second-level list (ChoiceSubList) beside it while they are hot. A frameless tool window owned
// by the main window, drawn from the "menu" pictures.

#include <QPointer>

#include "app/choice_list_context.h"
#include "app/choice_list_window.h"
#include "app/choice_sub_list.h"

namespace zel::app {

class ChoiceList final : public ChoiceListWindow {
    Q_OBJECT
public:
    static constexpr const char* kTitle = "MainMenuDlg";
    static constexpr int kRowsHitTested = 12;

    ChoiceList(QWidget& owner, ChoiceListContext context);
    ~ChoiceList() override;

    int menuHotRow() const { return hotRow_; }
    ChoiceSubList* subList() const { return subList_.data(); }

    void ReleaseAt() override;

    // Hides the list at once and destroys it (and its second-level list) when control returns
    // to the event loop.
    void Destroy();

protected:
    int HitRows() const override { return kRowsHitTested; }
    QString RowText(int row) const override;
    // Invalidates the list; the paint that follows rebuilds the second-level list.
    void Repaint() override;
    // The second-level list follows the hot row: rebuilt after every repaint this list asked
    // for, once the paint is over.
    void AfterPaint() override;

private:
    void RebuildSubList();

    bool rebuildAfterPaint_ = false;
    QPointer<ChoiceSubList> subList_;
};

}  // namespace zel::app
