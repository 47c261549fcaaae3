#include "app/popups/accessible_popups.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <QString>
#include <vector>

#include "app/popups/choice_list_window.h"
#include "app/popups/choice_sub_list.h"
#include "app/popups/warning_window.h"

namespace zel::app {
namespace {

// One part of a skinned window that has no widget of its own (a list row, a warning button):
// it lives as long as its window's interface and is pressed through `press`.
class AccessiblePart : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    AccessiblePart(QAccessibleInterface& window, QWidget& widget, int index)
        : window_(window), widget_(&widget), index_(index) {}

    bool isValid() const override { return !widget_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return window_.window(); }
    QAccessibleInterface* parent() const override { return &window_; }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }
    void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}

    QRect rect() const override {
        if (widget_.isNull()) {
            return {};
        }
        const QRect local = LocalRect();
        return QRect(widget_->mapToGlobal(local.topLeft()), local.size());
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction()}; }
    QStringList keyBindingsForAction(const QString& /*actionName*/) const override { return {}; }
    void doAction(const QString& actionName) override {
        // A hidden pop-up (closing, or a group list without items) takes no clicks either.
        if (actionName == pressAction() && !widget_.isNull() && widget_->isVisible()) {
            Press();
        }
    }

protected:
    virtual QRect LocalRect() const = 0;
    virtual void Press() = 0;

    QAccessibleInterface& window_;
    QPointer<QWidget> widget_;
    int index_;  // 1-based
};

class AccessibleRow final : public AccessiblePart {
public:
    using AccessiblePart::AccessiblePart;

    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? List().rowText(index_) : QString();
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.selectable = true;
        state.focusable = true;
        if (isValid() && List().ReadRow() == index_) {
            state.selected = true;
            state.focused = true;
        }
        state.invisible = !isValid() || !List().isVisible();
        return state;
    }

protected:
    QRect LocalRect() const override { return List().rowRect(index_); }
    // Makes the row hot and runs what a click on it runs.
    void Press() override {
        List().SetHotRow(index_);
        List().ClickHotRow();
    }

private:
    ChoiceListWindow& List() const { return static_cast<ChoiceListWindow&>(*widget_); }
};

class AccessibleWarningButton final : public AccessiblePart {
public:
    using AccessiblePart::AccessiblePart;

    QAccessible::Role role() const override { return QAccessible::Button; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name && isValid() ? Warning().buttonCaption(index_) : QString();
    }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.focusable = true;
        state.focused = isValid() && Warning().hotButton() == index_;
        return state;
    }

protected:
    QRect LocalRect() const override { return Warning().buttonRect(index_); }
    void Press() override { Warning().PressButton(index_); }

private:
    WarningWindow& Warning() const { return static_cast<WarningWindow&>(*widget_); }
};

// A skinned window whose parts are made once, on first request, and deleted with it.
template <typename Part>
class AccessibleSkinnedWindow final : public QAccessibleWidget {
public:
    AccessibleSkinnedWindow(QWidget* widget, QAccessible::Role role, int partCount)
        : QAccessibleWidget(widget, role), partCount_(partCount) {}
    ~AccessibleSkinnedWindow() override {
        for (QAccessibleInterface* part : parts_) {
            if (part != nullptr) {
                QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(part));
            }
        }
    }

    int childCount() const override { return PartCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= PartCount()) {
            return nullptr;
        }
        if (parts_.size() <= static_cast<std::size_t>(index)) {
            parts_.resize(static_cast<std::size_t>(index) + 1, nullptr);
        }
        QAccessibleInterface*& part = parts_[static_cast<std::size_t>(index)];
        if (part == nullptr) {
            part = new Part(*const_cast<AccessibleSkinnedWindow*>(this), *widget(), index + 1);
            QAccessible::registerAccessibleInterface(part);
        }
        return part;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (std::size_t i = 0; i < parts_.size(); ++i) {
            if (parts_[i] == child) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        for (int i = 0; i < PartCount(); ++i) {
            QAccessibleInterface* part = child(i);
            if (part->rect().contains(x, y)) {
                return part;
            }
        }
        return nullptr;
    }
    QString text(QAccessible::Text t) const override {
        if (auto* warning = qobject_cast<WarningWindow*>(widget());
            warning != nullptr && (t == QAccessible::Name || t == QAccessible::Description)) {
            return warning->message();
        }
        // A group's list is named by the row that opened it ("Multimedia").
        if (auto* sub = qobject_cast<ChoiceSubList*>(widget());
            sub != nullptr && t == QAccessible::Name && sub->accessibleName().isEmpty()) {
            if (auto* owner = qobject_cast<ChoiceListWindow*>(sub->parentWidget())) {
                return owner->rowText(sub->firstRow());
            }
        }
        return QAccessibleWidget::text(t);
    }

private:
    int PartCount() const {
        if (auto* list = qobject_cast<ChoiceListWindow*>(widget())) {
            return list->rowCount();
        }
        return partCount_;
    }

    int partCount_;
    mutable std::vector<QAccessibleInterface*> parts_;
};

}  // namespace

QAccessibleInterface* AccessiblePopupFactory(const QString& className, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (widget == nullptr) {
        return nullptr;
    }
    if (className == QLatin1String(WarningWindow::staticMetaObject.className())) {
        return new AccessibleSkinnedWindow<AccessibleWarningButton>(widget,
                                                                    QAccessible::AlertMessage, 2);
    }
    if (qobject_cast<ChoiceListWindow*>(object) != nullptr &&
        className == QLatin1String(object->metaObject()->className())) {
        return new AccessibleSkinnedWindow<AccessibleRow>(widget, QAccessible::List, 0);
    }
    return nullptr;
}

void InstallAccessiblePopups() {
    QAccessible::installFactory(&AccessiblePopupFactory);
}

}  // namespace zel::app
