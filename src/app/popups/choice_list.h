#pragma once

// ChoiceList: the first-level function choice list. It opens under the clicked function field
// with ten rows: rows 1 ... 6 choose function 1 ... 6 and close the list, rows 7 ... 10 open a
// second-level list (ChoiceSubList) beside it while they are hot. A frameless tool window owned
// by the main window, drawn from the "menu" pictures.
//
// While it is shown, the list answers the keyboard the main window has: Up and Down walk its
// rows (round from the last to the first), Home and End go to the first and the last row,
// Right (or Return or Space on a group row) enters the group's list, which the same keys walk,
// and Left or Escape leave it again; Return and Space choose as a click on the row does, but
// only a row the keyboard highlighted (on a row the pointer merely rests on they do nothing),
// and Escape in this list closes both lists choosing nothing. These keys go to the list alone,
// never on to the main window. Tab and Shift+Tab close the lists choosing nothing and go on to
// the main window, which moves its focus: the keys always go where the focus is.

#include <QPointer>

#include "app/popups/choice_list_context.h"
#include "app/popups/choice_list_window.h"
#include "app/popups/choice_sub_list.h"

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

    // The keys above; true when the list took the key.
    bool AnswerKey(int key);

signals:
    // The list went (a choice, Escape, Tab, or the window closing it); once.
    void closed();

protected:
    bool eventFilter(QObject* receiver, QEvent* event) override;
    int HitRows() const override { return kRowsHitTested; }
    QString RowText(int row) const override;
    // Invalidates the list; the paint that follows rebuilds the second-level list.
    void Repaint() override;
    // The second-level list follows the hot row: rebuilt after every repaint this list asked
    // for, once the paint is over.
    void AfterPaint() override;

private:
    void RebuildSubList();
    // Moves the keyboard into the hot row's group list; false when it has none or no items.
    bool EnterSubList();
    bool AnswerSubListKey(int key);
    // Up, Down, Home or End in `list`.
    static void WalkRows(ChoiceListWindow& list, int key);
    // Whether `receiver` takes the keyboard of the main window or of these lists.
    bool SharesKeyboard(const QObject& receiver) const;

    bool rebuildAfterPaint_ = false;
    bool closed_ = false;
    // The first-level row whose group list has the keyboard (0: this list has it) and that
    // list's hot row, kept over the rebuilds of the group list.
    int keyboardGroupRow_ = 0;
    int keyboardSubRow_ = 0;
    QPointer<ChoiceSubList> subList_;
};

}  // namespace zel::app
