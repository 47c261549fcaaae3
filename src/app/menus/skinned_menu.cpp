#include "app/menus/skinned_menu.h"

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

namespace zel::app {

namespace {

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

// A solid rectangle given by its edges (right and bottom excluded) in any order.
void FillSolid(QPainter& painter, int left, int top, int right, int bottom, const QColor& colour) {
    if (left != right && top != bottom) {
        painter.fillRect(QRect(QPoint(std::min(left, right), std::min(top, bottom)),
                               QSize(std::abs(right - left), std::abs(bottom - top))),
                         colour);
    }
}

// A frame in two colours: the top and left edges first, then the right and bottom edges over them
// (on a frame one pixel high the bottom edge covers the top one).
void DrawTwoToneFrame(QPainter& painter, const QRect& r, const QColor& topLeft,
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

MenuItemKind KindOf(const QAction& action) {
    if (action.menu() != nullptr) {
        return MenuItemKind::SubMenu;
    }
    return action.isSeparator() ? MenuItemKind::Separator : MenuItemKind::Command;
}

// Draws and measures every item of the menus it is set on; the panel around the items takes
// the item colour.
class ZelMenuStyle final : public QProxyStyle {
public:
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
        MenuItemLook look{item->text, MenuItemKind::Command};
        if (item->menuItemType == QStyleOptionMenuItem::Separator) {
            look.kind = MenuItemKind::Separator;
        } else if (item->menuItemType == QStyleOptionMenuItem::SubMenu) {
            look.kind = MenuItemKind::SubMenu;
        }
        QSize measured = SkinnedMenu::MeasureItem(look);
        measured.rwidth() += kCheckMarkRoom;
        if (look.kind == MenuItemKind::SubMenu) {
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
            if (const QAction* action = menu->actionAt(option->rect.center())) {
                const bool selected = (option->state & State_Selected) != 0;
                painter->save();
                SkinnedMenu::DrawItem(*painter, option->rect, selected,
                                      {action->text(), KindOf(*action)});
                if (action->menu() != nullptr) {
                    DrawSubMenuArrow(*painter, option->rect);
                }
                painter->restore();
                return;
            }
        }
        QProxyStyle::drawControl(element, option, painter, widget);
    }
};

}  // namespace

namespace detail {
MenuStyleOwner::MenuStyleOwner() = default;
MenuStyleOwner::~MenuStyleOwner() = default;
}  // namespace detail

SkinnedMenu::SkinnedMenu(QWidget* parent) : QMenu(parent) {
    ownStyle = std::make_unique<ZelMenuStyle>();
    setStyle(ownStyle.get());
}

SkinnedMenu::SkinnedMenu(const QString& title, SkinnedMenu& parentMenu)
    : QMenu(title, &parentMenu) {
    setStyle(parentMenu.style());
}

SkinnedMenu::~SkinnedMenu() = default;

QAction* SkinnedMenu::AddCommand(const QString& text, MenuCommand command) {
    QAction* action = addAction(text);
    action->setData(QVariant::fromValue(command));
    return action;
}

SkinnedMenu* SkinnedMenu::AddSubMenu(const QString& title) {
    auto* sub = new SkinnedMenu(title, *this);
    addAction(sub->menuAction());
    return sub;
}

void SkinnedMenu::ClearItems() {
    for (QAction* action : actions()) {
        QMenu* sub = action->menu();
        if (sub != nullptr && sub->parent() == this) {
            delete sub;  // its item goes with it
        }
    }
    clear();
}

QSize SkinnedMenu::MeasureItem(const MenuItemLook& item) {
    const int height =
        item.kind == MenuItemKind::Separator ? kMenuSeparatorHeight : kMenuItemHeight;
    return {static_cast<int>(item.text.size()) * kMenuCharacterWidth, height};
}

void SkinnedMenu::DrawItem(QPainter& painter, const QRect& itemRect, bool selected,
                           const MenuItemLook& item) {
    if (item.kind == MenuItemKind::Separator) {
        QRect line = itemRect;
        line.setLeft(itemRect.left() + kMenuSeparatorIndent);
        DrawTwoToneFrame(painter, line, kSeparatorTopLeft, kSeparatorBottomRight);
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
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, item.text);
}

std::optional<MenuCommand> CommandOf(const QAction* action) {
    if (action == nullptr) {
        return std::nullopt;
    }
    const QVariant data = action->data();
    if (data.metaType() != QMetaType::fromType<MenuCommand>()) {
        return std::nullopt;
    }
    return data.value<MenuCommand>();
}

}  // namespace zel::app
