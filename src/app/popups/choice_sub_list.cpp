#include "app/popups/choice_sub_list.h"

#include <QTimer>
#include <utility>

#include "app/popups/choice_list.h"
#include "app/popups/choice_list_rows.h"
#include "skin/skin_files.h"
#include "skin/skin_layout.h"

namespace zel::app {

ChoiceSubList::ChoiceSubList(ChoiceList& owner, int firstRow, ChoiceListContext context)
    : ChoiceListWindow(
          owner, std::move(context),
          {skin::pictures::kSubMenuMask, skin::pictures::kSubMenuNormal,
           skin::pictures::kSubMenuOver, skin::pictures::kSubMenuDown, skin::kSubMenuRowCount}),
      owner_(owner),
      firstRow_(firstRow) {
    subItemCount_ = SubItemCount(firstRow_, context_.macros->UserCount(), 0);
    SetRowCount(subItemCount_);
}

QString ChoiceSubList::RowText(int item) const {
    return QString::fromStdString(
        SubItemText(firstRow_, item, *context_.functionNames, *context_.macros));
}

void ChoiceSubList::ReleaseAt() {
    pressed_ = false;
    if (hotRow_ == skin::kNoEntry) {
        update();
        return;
    }
    if (context_.choose) {
        context_.choose(SubItemCode(firstRow_, hotRow_));
    }
    update();
    // Both lists close: the first-level one is hidden now and destroyed by the main window's
    // next paint, which happens at once so that the new label shows.
    owner_.hide();
    if (context_.closeAfterGroupChoice) {
        context_.closeAfterGroupChoice();
    }
    QTimer::singleShot(kCloseDelayMs, this, [this] {
        hide();
        deleteLater();
    });
}

}  // namespace zel::app
