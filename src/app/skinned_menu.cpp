#include "app/skinned_menu.h"

#include <QAction>
#include <QColor>
#include <QMenu>
#include <QPainter>
#include <QPolygon>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>
#include <QVariant>
#include <algorithm>
#include <cstdlib>
#include <functional>

namespace zel::app {

namespace {

constexpr const char* kRecordProperty = "zelMenuRecord";

const QColor kTextColour(255, 255, 255);
const QColor kItemColour(0, 120, 153);
const QColor kGradientTop(0, 0, 255);
const QColor kGradientBottom(0, 255, 255);
const QColor kSeparatorTopLeft(255, 0, 0);
const QColor kSeparatorBottomRight(0, 0, 255);
// What the selected item's frame is drawn with: the pen and brush a fresh device context holds.
const QColor kFramePen(0, 0, 0);
const QColor kFrameBrush(255, 255, 255);

// Room the layout adds to the measured width, as the system does beside an owner-drawn item:
// for the check mark of every item, and for the arrow of an item that opens a sub-menu. The
// menu font may be wider than 8 pixels a character; this keeps the texts in view.
constexpr int kCheckMarkRoom = 16;
constexpr int kSubMenuArrowRoom = 14;

// Stands for the identifier of a command item when only its kind matters.
constexpr int kAnyCommandId = 1;

// A solid rectangle given by its edges (right and bottom excluded) in any order.
void FillSolid(QPainter& painter, int left, int top, int right, int bottom, const QColor& colour) {
    if (left != right && top != bottom) {
        painter.fillRect(QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                               QSize(std::abs(right - left), std::abs(bottom - top))),
                         colour);
    }
}

// A 3-D frame: the top and left edges first, then the right and bottom edges over them (on a
// frame one pixel high the bottom edge covers the top one).
void Draw3dRect(QPainter& painter, const QRect& r, const QColor& topLeft,
                const QColor& bottomRight) {
    const int x = r.x();
    const int y = r.y();
    const int cx = r.width();
    const int cy = r.height();
    FillSolid(painter, x, y, x + cx - 1, y + 1, topLeft);
    FillSolid(painter, x, y, x + 1, y + cy - 1, topLeft);
    FillSolid(painter, x + cx, y, x + cx - 1, y + cy, bottomRight);
    FillSolid(painter, x, y + cy, x + cx, y + cy - 1, bottomRight);
}

// Vertical gradient, one solid row per pixel line. The step of each channel is computed once as
// (end - start) / height truncated to an integer, so the bottom row stops short of `bottom`.
void FillRowGradient(QPainter& painter, const QRect& r, const QColor& top, const QColor& bottom) {
    const int height = r.height();
    if (height <= 0 || r.width() <= 0) {
        return;
    }
    auto step = [height](int from, int to) {
        return static_cast<int>(static_cast<double>(to - from) / height);
    };
    const int redStep = step(top.red(), bottom.red());
    const int greenStep = step(top.green(), bottom.green());
    const int blueStep = step(top.blue(), bottom.blue());
    for (int row = 0; row < height; ++row) {
        const QColor colour((top.red() + redStep * row) & 0xFF,
                            (top.green() + greenStep * row) & 0xFF,
                            (top.blue() + blueStep * row) & 0xFF);
        painter.fillRect(QRect(r.left(), r.top() + row, r.width(), 1), colour);
    }
}

void DrawSubMenuArrow(QPainter& painter, const QRect& itemRect) {
    const int midY = itemRect.top() + itemRect.height() / 2;
    const int tipX = itemRect.right() - 4;
    QPolygon arrow;
    arrow << QPoint(tipX - 4, midY - 4) << QPoint(tipX, midY) << QPoint(tipX - 4, midY + 4);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kTextColour);
    painter.drawPolygon(arrow);
}

void ForEachAction(QMenu& menu, const std::function<void(QAction&)>& visit) {
    for (QAction* action : menu.actions()) {
        visit(*action);
        if (QMenu* sub = action->menu()) {
            ForEachAction(*sub, visit);
        }
    }
}

}  // namespace

// Draws and measures the items that carry a record of its menu; everything else goes to the
// normal style. The panel around the items takes the item colour.
class ZelMenuStyle final : public QProxyStyle {
public:
    explicit ZelMenuStyle(const SkinnedMenu& owner) : owner_(owner) {}

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        switch (metric) {
            case PM_MenuPanelWidth:
            case PM_MenuHMargin:
            case PM_MenuVMargin:
                return 0;
            default:
                return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (type == CT_Menu) {
            return size;
        }
        if (type != CT_MenuItem || item == nullptr) {
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        }
        // The option carries the item's text and kind, which is all the measure needs.
        MenuItemRecord record{item->text, kAnyCommandId};
        if (item->menuItemType == QStyleOptionMenuItem::Separator) {
            record.commandId = kSeparatorCommandId;
        } else if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
            record.commandId = kSubMenuCommandId;
        }
        QSize measured = SkinnedMenu::MeasureItem(record);
        measured.rwidth() += kCheckMarkRoom;
        if (record.commandId == kSubMenuCommandId) {
            measured.rwidth() += kSubMenuArrowRoom;
        }
        return measured;
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element == PE_PanelMenu) {
            painter->fillRect(option->rect, kItemColour);
            return;
        }
        if (element == PE_FrameMenu) {
            return;
        }
        QProxyStyle::drawPrimitive(element, option, painter, widget);
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        if (element == CE_MenuEmptyArea) {
            painter->fillRect(option->rect, kItemColour);
            return;
        }
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        const auto* menu = qobject_cast<const QMenu*>(widget);
        if (element == CE_MenuItem && item != nullptr && menu != nullptr) {
            const QAction* action = menu->actionAt(option->rect.center());
            if (const MenuItemRecord* record = owner_.RecordOf(action)) {
                const bool selected = (option->state & State_Selected) != 0;
                painter->save();
                SkinnedMenu::DrawItem(*painter, option->rect, selected, *record);
                if (action->menu() != nullptr) {
                    DrawSubMenuArrow(*painter, option->rect);
                }
                painter->restore();
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }

private:
    const SkinnedMenu& owner_;
};

SkinnedMenu::SkinnedMenu(QObject* parent)
    : QObject(parent), style_(std::make_unique<ZelMenuStyle>(*this)) {}

SkinnedMenu::~SkinnedMenu() {
    // The menus use the style: they go first.
    menu_.reset();
}

void SkinnedMenu::Attach(std::unique_ptr<QMenu> menu) {
    menu_ = std::move(menu);
    if (menu_) {
        ConnectCommands(*menu_);
    }
}

std::unique_ptr<QMenu> SkinnedMenu::Detach() {
    if (menu_) {
        ForEachAction(*menu_, [this](QAction& action) { action.disconnect(this); });
    }
    return std::move(menu_);
}

void SkinnedMenu::ConnectCommands(QMenu& menu) {
    ForEachAction(menu, [this](QAction& action) {
        if (action.menu() == nullptr && !action.isSeparator()) {
            connect(&action, &QAction::triggered, this,
                    [this, &action] { emit commandTriggered(CommandIdOf(&action)); });
        }
    });
}

void SkinnedMenu::MakeOwnerDrawn(QMenu* menu) {
    if (menu == nullptr) {
        return;
    }
    menu->setStyle(style_.get());
    for (QAction* action : menu->actions()) {
        const int index = ItemCount();
        int commandId = CommandIdOf(action);
        if (action->menu() != nullptr) {
            commandId = kSubMenuCommandId;
        } else if (action->isSeparator()) {
            commandId = kSeparatorCommandId;
        }
        records_.push_back({action->text(), commandId});
        action->setProperty(kRecordProperty, index);
        if (QMenu* sub = action->menu()) {
            MakeOwnerDrawn(sub);
        }
    }
}

const MenuItemRecord* SkinnedMenu::RecordOf(const QAction* action) const {
    if (action == nullptr) {
        return nullptr;
    }
    const QVariant index = action->property(kRecordProperty);
    bool valid = false;
    const int i = index.toInt(&valid);
    if (!valid || i < 0 || i >= ItemCount()) {
        return nullptr;
    }
    return &records_[static_cast<std::size_t>(i)];
}

QMenu* SkinnedMenu::Popup() const {
    if (!menu_ || menu_->actions().isEmpty()) {
        return nullptr;
    }
    return menu_->actions().front()->menu();
}

int SkinnedMenu::TrackPopup(const QPoint& globalPos) {
    QMenu* popup = Popup();
    if (popup == nullptr) {
        return 0;
    }
    return CommandIdOf(popup->exec(globalPos));
}

QSize SkinnedMenu::MeasureItem(const MenuItemRecord& record) {
    const int height =
        record.commandId == kSeparatorCommandId ? kMenuSeparatorHeight : kMenuItemHeight;
    return {static_cast<int>(record.text.size()) * kMenuCharacterWidth, height};
}

void SkinnedMenu::DrawItem(QPainter& painter, const QRect& itemRect, bool selected,
                           const MenuItemRecord& record) {
    if (record.commandId == kSeparatorCommandId) {
        QRect line = itemRect;
        line.setLeft(itemRect.left() + kMenuSeparatorIndent);
        Draw3dRect(painter, line, kSeparatorTopLeft, kSeparatorBottomRight);
        return;
    }
    if (selected) {
        painter.setPen(kFramePen);
        painter.setBrush(kFrameBrush);
        painter.drawRect(itemRect.adjusted(0, 0, -1, -1));
        FillRowGradient(painter, itemRect.adjusted(1, 1, -1, -1), kGradientTop, kGradientBottom);
    } else {
        painter.fillRect(itemRect, kItemColour);
    }
    painter.setPen(kTextColour);
    painter.drawText(itemRect.adjusted(kMenuTextIndent, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, record.text);
}

std::unique_ptr<QMenu> BuildMenu(const std::vector<MenuItemTemplate>& items) {
    auto root = std::make_unique<QMenu>();
    std::function<void(QMenu&, const std::vector<MenuItemTemplate>&)> fill =
        [&fill](QMenu& menu, const std::vector<MenuItemTemplate>& entries) {
            for (const MenuItemTemplate& entry : entries) {
                if (entry.separator) {
                    menu.addSeparator();
                } else if (entry.commandId == kSubMenuCommandId || !entry.children.empty()) {
                    fill(*menu.addMenu(entry.text), entry.children);
                } else {
                    menu.addAction(entry.text)->setData(entry.commandId);
                }
            }
        };
    fill(*root, items);
    return root;
}

int CommandIdOf(const QAction* action) {
    return action != nullptr ? action->data().toInt() : 0;
}

}  // namespace zel::app
