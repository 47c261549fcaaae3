#include "app/window/accessible_main_window.h"

#include <QPointer>
#include <QVariant>
#include <QWindow>
#include <algorithm>

#include "app/pages/page_focus.h"
#include "app/pages/page_state.h"
#include "app/pages/page_table.h"
#include "app/window/main_window.h"
#include "text/catalog.h"

namespace zel::app {

namespace {

bool IsValueControl(const Control& control) {
    return control.kind == ControlKind::StepBar || control.kind == ControlKind::Slider;
}

// Controls whose value is read as text: the value controls and the function fields.
bool HasValueText(const Control& control) {
    return IsValueControl(control) || control.kind == ControlKind::ChoiceField;
}

// The field (and member) that `label` (a member of a label row) names; empty when none.
ControlHit FieldLabelledBy(const ControlHit& label, std::span<const Control> table) {
    const int index = label.Index();
    for (const Control& row : table) {
        if (row.kind == ControlKind::ChoiceField && row.label >= 0 && index >= row.label &&
            index < row.label + row.count) {
            return {&row, index - row.label};
        }
    }
    return {};
}

// One control of the skin (or one member of a group) as assistive technology sees it.
class AccessibleControl final : public QAccessibleInterface,
                                public QAccessibleActionInterface,
                                public QAccessibleValueInterface,
                                public QAccessibleTextInterface {
public:
    AccessibleControl(MainWindow& window, const Control& control, int member)
        : window_(&window), control_(control), member_(member) {}

    bool isValid() const override { return !window_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return window_ ? window_->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override {
        return window_ ? QAccessible::queryAccessibleInterface(window_.data()) : nullptr;
    }
    QAccessibleInterface* child(int /*index*/) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface* /*child*/) const override { return -1; }
    QAccessibleInterface* childAt(int /*x*/, int /*y*/) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (!window_) {
            return {};
        }
        const PageStateView view = window_->StateView();
        switch (t) {
            case QAccessible::Name:
                return QString::fromStdString(ControlName(control_, member_, view));
            case QAccessible::Value:
                return QString::fromStdString(ControlValueText(control_, member_, view));
            case QAccessible::Description:
                // How a recording ends, which the keyboard alone must know.
                return control_.command == Command::ToggleRecording
                           ? QString::fromUtf8(
                                 text::Text(text::TextId::kRecordingHint, view.languageFlag))
                           : QString();
            default:
                return {};
        }
    }
    void setText(QAccessible::Text /*t*/, const QString& /*text*/) override {}

    QRect rect() const override {
        if (!window_) {
            return {};
        }
        const auto list = ButtonsOf(window_->layout(), control_.list);
        QRect area;
        const int first = member_ < 0 ? 0 : member_;
        const int last = member_ < 0 ? control_.count - 1 : member_;
        for (int m = first; m <= last; ++m) {
            const auto index = static_cast<std::size_t>(control_.first + m);
            if (index < list.size()) {
                const skin::SkinButton& b = list[index];
                area |= QRect(b.x, b.y, b.width, b.height);
            }
        }
        return QRect(window_->mapToGlobal(area.topLeft()), area.size());
    }

    QAccessible::Role role() const override {
        switch (control_.kind) {
            case ControlKind::RadioButton:
                return QAccessible::RadioButton;
            case ControlKind::CheckBox:
            case ControlKind::ToggleButton:
                // Qt's AT-SPI bridge has no toggle-button role: a check box is the role whose
                // checked state screen readers announce as it changes.
                return QAccessible::CheckBox;
            case ControlKind::PageTab:
                return QAccessible::PageTab;
            case ControlKind::StepBar:
            case ControlKind::Slider:
                return QAccessible::Slider;
            case ControlKind::ChoiceField:
                return QAccessible::ComboBox;
            case ControlKind::Readout:
            case ControlKind::Label:
                return QAccessible::StaticText;
            default:
                return QAccessible::Button;
        }
    }

    QAccessible::State state() const override {
        QAccessible::State state;
        if (!window_) {
            state.invalid = true;
            return state;
        }
        state.invisible = !window_->isVisible();
        if (control_.kind == ControlKind::Readout || control_.kind == ControlKind::Label) {
            state.readOnly = true;
            return state;
        }
        state.focusable = true;
        const ControlHit& focus = window_->keyboardFocus();
        state.focused = window_->hasFocus() && focus.control == &control_ &&
                        (member_ < 0 || focus.member == member_);
        const bool checkable =
            control_.kind == ControlKind::RadioButton || control_.kind == ControlKind::CheckBox ||
            control_.kind == ControlKind::ToggleButton || control_.kind == ControlKind::PageTab;
        if (checkable && member_ >= 0) {
            state.checkable = true;
            state.checked = IsShownPressed(control_, member_, window_->StateView());
            if (control_.kind == ControlKind::PageTab) {
                state.selectable = true;
                state.selected = state.checked;
            }
        }
        if (control_.kind == ControlKind::ChoiceField) {
            state.hasPopup = true;
        }
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface && control_.command != Command::NoCommand) {
            return static_cast<QAccessibleActionInterface*>(this);
        }
        if (type == QAccessible::ValueInterface && IsValueControl(control_)) {
            return static_cast<QAccessibleValueInterface*>(this);
        }
        if (type == QAccessible::TextInterface && HasValueText(control_)) {
            return static_cast<QAccessibleTextInterface*>(this);
        }
        return nullptr;
    }

    // A function field is labelled by its caption, which is its label in turn.
    QList<QPair<QAccessibleInterface*, QAccessible::Relation>> relations(
        QAccessible::Relation match) const override {
        QList<QPair<QAccessibleInterface*, QAccessible::Relation>> found;
        auto* windowIface = WindowInterface();
        if (windowIface == nullptr) {
            return found;
        }
        const std::span<const Control> table =
            window_->pages().Of(window_->state().currentPage).controls;
        if (control_.kind == ControlKind::ChoiceField && control_.label >= 0 &&
            (match & QAccessible::Label)) {
            const ControlHit label = ControlAtIndex(table, control_.label + member_);
            if (label) {
                found.append({windowIface->ControlInterface(*label.control, label.member),
                              QAccessible::Label});
            }
        }
        if (control_.kind == ControlKind::Label && (match & QAccessible::Labelled)) {
            const ControlHit field = FieldLabelledBy({&control_, member_}, table);
            if (field) {
                found.append({windowIface->ControlInterface(*field.control, field.member),
                              QAccessible::Labelled});
            }
        }
        return found;
    }

    // ---- Actions ----
    QStringList actionNames() const override {
        if (IsValueControl(control_)) {
            return {increaseAction(), decreaseAction(), setFocusAction()};
        }
        if (control_.kind == ControlKind::ToggleButton || control_.kind == ControlKind::CheckBox) {
            return {toggleAction(), pressAction(), setFocusAction()};
        }
        return {pressAction(), setFocusAction()};
    }
    QStringList keyBindingsForAction(const QString& /*actionName*/) const override { return {}; }
    void doAction(const QString& actionName) override {
        if (!window_) {
            return;
        }
        if (actionName == setFocusAction()) {
            window_->FocusControl({&control_, member_ < 0 ? 0 : member_});
            return;
        }
        if (IsValueControl(control_)) {
            if (actionName == increaseAction() || actionName == decreaseAction()) {
                Step(actionName == increaseAction() ? +1 : -1);
            }
            return;
        }
        if (actionName == pressAction() || actionName == toggleAction()) {
            // Run after the reply: a press that opens a modal window (the warning, a file
            // dialog) would otherwise keep the client waiting until that window closes.
            QMetaObject::invokeMethod(
                window_.data(),
                [window = window_, hit = ControlHit{&control_, member_ < 0 ? 0 : member_}] {
                    if (window) {
                        window->PressControl(hit);
                    }
                },
                Qt::QueuedConnection);
        }
    }

    // ---- Value: the numbers the screen shows (a level's DPI, a speed from 1, ms) ----
    QVariant currentValue() const override {
        return window_ ? ShownValue(control_, ControlValue(control_, window_->StateView())) : 0;
    }
    QVariant maximumValue() const override {
        return ShownValue(control_, ControlMaximum(control_));
    }
    QVariant minimumValue() const override { return ShownValue(control_, 0); }
    QVariant minimumStepSize() const override { return 1; }
    void setCurrentValue(const QVariant& value) override {
        if (!window_) {
            return;
        }
        if (control_.kind == ControlKind::StepBar) {
            // The click on the step that shows the wanted number; between two steps, the next one
            // in the direction of the change, so that a step of one moves the bar.
            const int wanted = value.toInt();
            const int current = ControlValue(control_, window_->StateView());
            int step = current;
            if (wanted > ShownValue(control_, current)) {
                while (step < ControlMaximum(control_) && ShownValue(control_, step) < wanted) {
                    ++step;
                }
            } else {
                while (step > 0 && ShownValue(control_, step) > wanted) {
                    --step;
                }
            }
            window_->SetStepBar(control_, step);
            return;
        }
        const int wanted = std::clamp(value.toInt(), 0, ControlMaximum(control_));
        // The slider: the click at the wanted value's place, then the clicks of the step
        // buttons for what the slider's pixels cannot hit exactly.
        const skin::SkinButton& slider =
            window_->layout().advancedButtons[static_cast<std::size_t>(control_.first)];
        if (slider.width > 0) {
            const int current = ControlValue(control_, window_->StateView());
            if (std::abs(wanted - current) > 1) {
                const int x = slider.x + (wanted * slider.width + ControlMaximum(control_) - 1) /
                                             ControlMaximum(control_);
                ClickSliderAt(x);
            }
        }
        for (int i = 0; i <= ControlMaximum(control_); ++i) {
            const int current = ControlValue(control_, window_->StateView());
            if (current == wanted) {
                break;
            }
            Step(current < wanted ? +1 : -1);
        }
    }

    // ---- Text: the value as the screen shows it ----
    QString text(int startOffset, int endOffset) const override {
        return ValueText().mid(startOffset, endOffset - startOffset);
    }
    int characterCount() const override { return static_cast<int>(ValueText().size()); }
    void selection(int /*selectionIndex*/, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = 0;
    }
    int selectionCount() const override { return 0; }
    void addSelection(int /*startOffset*/, int /*endOffset*/) override {}
    void removeSelection(int /*selectionIndex*/) override {}
    void setSelection(int /*selectionIndex*/, int /*startOffset*/, int /*endOffset*/) override {}
    int cursorPosition() const override { return 0; }
    void setCursorPosition(int /*position*/) override {}
    QRect characterRect(int /*offset*/) const override { return {}; }
    int offsetAtPoint(const QPoint& /*point*/) const override { return -1; }
    void scrollToSubstring(int /*startIndex*/, int /*endIndex*/) override {}
    QString attributes(int /*offset*/, int* startOffset, int* endOffset) const override {
        *startOffset = 0;
        *endOffset = characterCount();
        return {};
    }

private:
    QString ValueText() const {
        return window_ ? QString::fromStdString(
                             ControlValueText(control_, member_, window_->StateView()))
                       : QString();
    }
    AccessibleMainWindow* WindowInterface() const {
        return window_ ? dynamic_cast<AccessibleMainWindow*>(
                             QAccessible::queryAccessibleInterface(window_.data()))
                       : nullptr;
    }
    void Step(int direction) {
        if (control_.kind == ControlKind::StepBar) {
            window_->SetStepBar(control_, ControlValue(control_, window_->StateView()) + direction);
            return;
        }
        window_->PressControl(RowRunning(
            window_->state().currentPage,
            direction > 0 ? Command::StepFireTimeUp : Command::StepFireTimeDown, window_->pages()));
    }
    void ClickSliderAt(int x) {
        const skin::SkinButton& slider =
            window_->layout().advancedButtons[static_cast<std::size_t>(control_.first)];
        const int y = slider.y + slider.height / 2;
        window_->HoverAt(x, y);
        window_->PressAt(x, y);
        window_->ReleaseAt(x, y);
    }

    QPointer<MainWindow> window_;
    const Control& control_;
    int member_;
};

}  // namespace

AccessibleMainWindow::AccessibleMainWindow(MainWindow& window)
    : QAccessibleWidget(&window, QAccessible::Window), window_(window) {}

AccessibleMainWindow::~AccessibleMainWindow() {
    for (const auto& [key, id] : ids_) {
        QAccessible::deleteAccessibleInterface(id);
    }
}

std::vector<std::pair<const Control*, int>> AccessibleMainWindow::Nodes() const {
    std::vector<std::pair<const Control*, int>> nodes;
    const std::uint8_t page = window_.state().currentPage;
    const skin::SkinLayout& layout = window_.layout();
    for (const Control* row : FocusOrder(page, layout, window_.pages())) {
        if (IsValueControl(*row)) {
            nodes.emplace_back(row, -1);
            continue;
        }
        const auto list = ButtonsOf(layout, row->list);
        for (int member = 0; member < row->count; ++member) {
            const auto index = static_cast<std::size_t>(row->first + member);
            if (index < list.size() && !list[index].Rect().IsEmpty()) {
                nodes.emplace_back(row, member);
            }
        }
    }
    for (const Control& row : window_.pages().Of(page).controls) {
        if (row.kind == ControlKind::Readout) {
            nodes.emplace_back(&row, 0);
        }
        if (row.kind == ControlKind::Label) {
            // The captions that label a field are its label objects.
            for (int member = 0; member < row.count; ++member) {
                if (FieldLabelledBy({&row, member}, window_.pages().Of(page).controls)) {
                    nodes.emplace_back(&row, member);
                }
            }
        }
    }
    return nodes;
}

QAccessibleInterface* AccessibleMainWindow::ControlInterface(const Control& control,
                                                             int member) const {
    const auto key = std::make_pair(&control, member);
    if (const auto known = ids_.find(key); known != ids_.end()) {
        return QAccessible::accessibleInterface(known->second);
    }
    auto* iface = new AccessibleControl(window_, control, member);
    ids_[key] = QAccessible::registerAccessibleInterface(iface);
    return iface;
}

QAccessibleInterface* AccessibleMainWindow::FocusedControl() const {
    const ControlHit& focus = window_.keyboardFocus();
    if (!focus) {
        return nullptr;
    }
    return ControlInterface(*focus.control, IsValueControl(*focus.control) ? -1 : focus.member);
}

std::vector<QAccessibleInterface*> AccessibleMainWindow::ControlObjects() const {
    std::vector<QAccessibleInterface*> objects;
    for (const auto& [control, member] : Nodes()) {
        objects.push_back(ControlInterface(*control, member));
    }
    return objects;
}

QString AccessibleMainWindow::text(QAccessible::Text t) const {
    if (t == QAccessible::Name) {
        return QString::fromUtf8(
            text::Text(text::TextId::kWindowName, window_.state().languageFlag));
    }
    return QAccessibleWidget::text(t);
}

int AccessibleMainWindow::childCount() const {
    return static_cast<int>(Nodes().size()) + QAccessibleWidget::childCount();
}

QAccessibleInterface* AccessibleMainWindow::child(int index) const {
    const auto nodes = Nodes();
    if (index < 0) {
        return nullptr;
    }
    if (index < static_cast<int>(nodes.size())) {
        const auto& [control, member] = nodes[static_cast<std::size_t>(index)];
        return ControlInterface(*control, member);
    }
    return QAccessibleWidget::child(index - static_cast<int>(nodes.size()));
}

int AccessibleMainWindow::indexOfChild(const QAccessibleInterface* child) const {
    const auto nodes = Nodes();
    for (std::size_t i = 0; i < nodes.size(); ++i) {
        const auto known = ids_.find(nodes[i]);
        if (known != ids_.end() && QAccessible::accessibleInterface(known->second) == child) {
            return static_cast<int>(i);
        }
    }
    const int widgetIndex = QAccessibleWidget::indexOfChild(child);
    return widgetIndex < 0 ? -1 : widgetIndex + static_cast<int>(nodes.size());
}

QAccessibleInterface* AccessibleMainWindow::childAt(int x, int y) const {
    for (int i = 0; i < childCount(); ++i) {
        QAccessibleInterface* candidate = child(i);
        if (candidate != nullptr && candidate->rect().contains(x, y)) {
            return candidate;
        }
    }
    return nullptr;
}

QAccessibleInterface* AccessibleMainWindow::focusChild() const {
    if (window_.hasFocus()) {
        if (QAccessibleInterface* focused = FocusedControl()) {
            return focused;
        }
    }
    return QAccessibleWidget::focusChild();
}

QAccessibleInterface* MainWindowAccessibleFactory(const QString& /*className*/, QObject* object) {
    if (auto* window = qobject_cast<MainWindow*>(object)) {
        return new AccessibleMainWindow(*window);
    }
    return nullptr;
}

void NotifyControlsChanged(MainWindow& window, bool pageChanged) {
    if (!QAccessible::isActive()) {
        return;
    }
    auto* windowIface =
        dynamic_cast<AccessibleMainWindow*>(QAccessible::queryAccessibleInterface(&window));
    if (windowIface == nullptr) {
        return;
    }
    if (pageChanged) {
        QAccessibleEvent reorder(&window, QAccessible::ObjectReorder);
        QAccessible::updateAccessibility(&reorder);
    }
    QAccessibleEvent frameName(&window, QAccessible::NameChanged);
    QAccessible::updateAccessibility(&frameName);
    for (QAccessibleInterface* node : windowIface->ControlObjects()) {
        QAccessible::State changed;
        changed.checked = true;
        changed.selected = true;
        QAccessibleStateChangeEvent state(node, changed);
        QAccessible::updateAccessibility(&state);
        QAccessibleEvent name(node, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&name);
        if (QAccessibleValueInterface* value = node->valueInterface()) {
            QAccessibleValueChangeEvent valueChange(node, value->currentValue());
            QAccessible::updateAccessibility(&valueChange);
        }
    }
}

}  // namespace zel::app
