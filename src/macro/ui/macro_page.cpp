#include "macro/ui/macro_page.h"

#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QScrollBar>
#include <QSignalBlocker>
#include <memory>

namespace zel::macro::ui {
namespace {

QRect ToQRect(const skin::ControlRect& control) {
    const skin::LayoutRect& r = control.rect;
    return r.IsEmpty() ? QRect() : QRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// Black background, white text, in every state.
void Colour(QWidget& control) {
    QPalette palette = control.palette();
    for (const QPalette::ColorGroup group :
         {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, Qt::black);
        palette.setColor(group, QPalette::Window, Qt::black);
        palette.setColor(group, QPalette::Text, Qt::white);
        palette.setColor(group, QPalette::WindowText, Qt::white);
    }
    control.setPalette(palette);
    control.setAutoFillBackground(true);
}

void Place(QWidget& control, const char* name, int id, const QRect& rect) {
    control.setObjectName(QLatin1String(name));
    control.setProperty("controlId", id);
    control.setGeometry(rect);
    Colour(control);
}

QLineEdit* MakeEdit(QWidget& parent, const char* name, int id, const QRect& rect) {
    auto* edit = new QLineEdit(&parent);
    Place(*edit, name, id, rect);
    edit->setAlignment(Qt::AlignCenter);
    edit->setFrame(false);
    edit->show();
    return edit;
}

void SetupList(QListWidget& list, const char* name, int id, const QRect& rect) {
    Place(list, name, id, rect);
    list.setFrameShape(QFrame::NoFrame);
    list.setSelectionMode(QAbstractItemView::SingleSelection);
    list.setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    list.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list.setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    list.setUniformItemSizes(true);
    list.setEditTriggers(QAbstractItemView::NoEditTriggers);
    list.show();
}

// The list's items become `lines` when they differ; true when they were replaced.
bool ShowLines(QListWidget& list, const std::vector<std::string>& lines) {
    bool same = list.count() == static_cast<int>(lines.size());
    for (int i = 0; same && i < list.count(); ++i) {
        same = list.item(i)->text() == QString::fromStdString(lines[static_cast<std::size_t>(i)]);
    }
    if (same) {
        return false;
    }
    list.clear();
    for (const std::string& line : lines) {
        list.addItem(QString::fromStdString(line));
    }
    // Laid out now, so that a selection shown next can scroll to its line at once.
    list.doItemsLayout();
    return true;
}

void ShowSelection(QListWidget& list, int row) {
    if (row >= 0 && row < list.count()) {
        list.setCurrentRow(row);
        list.scrollToItem(list.item(row));
    } else {
        list.setCurrentRow(-1);
        list.clearSelection();
    }
}

int SelectionOf(const QListWidget& list) {
    const int row = list.currentRow();
    const QListWidgetItem* item = list.item(row);
    return item != nullptr && item->isSelected() ? row : kNoLine;
}

}  // namespace

MacroControlRects ControlRectsOf(const skin::SkinLayout& layout) {
    return {ToQRect(layout.editRect3), ToQRect(layout.editRect4), ToQRect(layout.macroDisplayRect1),
            ToQRect(layout.macroDisplayRect2)};
}

MacroControlCaptions ControlCaptionsOf(const skin::SkinLayout& layout) {
    // The advanced layout's titles and labels: 38 "MACROS", 39 "MACRO STEPS", 45 the name's
    // label, 46 the repeat count's.
    const auto caption = [&layout](std::size_t index) {
        return QString::fromStdString(layout.advancedButtons[index].caption);
    };
    return {caption(38), caption(39), caption(45), caption(46)};
}

void MacroPageControls::ShowCaptions(const MacroControlCaptions& captions) {
    macroList_->setAccessibleName(captions.macroList);
    stepList_->setAccessibleName(captions.stepList);
    nameEdit_->setAccessibleName(captions.nameEdit);
    repeatEdit_->setAccessibleName(captions.repeatEdit);
}

MacroPageControls::MacroPageControls(QWidget& parent, const MacroControlRects& rects,
                                     MacroPageModel& model, RecordingCapture& capture,
                                     StepMenuRunner stepMenu, std::function<void()> repaint)
    : parent_(parent),
      model_(model),
      capture_(capture),
      stepMenu_(std::move(stepMenu)),
      repaint_(std::move(repaint)) {
    // Created in this order: repeat edit, name edit, macro list, step list.
    repeatEdit_ = MakeEdit(parent, "repeatEdit", kRepeatEditId, rects.repeatEdit);
    nameEdit_ = MakeEdit(parent, "nameEdit", kNameEditId, rects.nameEdit);
    macroList_ = new QListWidget(&parent);
    SetupList(*macroList_, "macroList", kMacroListId, rects.macroList);
    stepList_ = new EditableListBox(&parent);
    SetupList(*stepList_, "stepList", kStepListId, rects.stepList);

    // A click makes the row current before it selects it, a key selects before it moves the
    // current row; either way the page follows once the current row is the selected one.
    connect(macroList_, &QListWidget::currentRowChanged, this, [this] { FollowMacroList(); });
    connect(macroList_, &QListWidget::itemSelectionChanged, this, [this] { FollowMacroList(); });
    connect(stepList_, &EditableListBox::editEnded, this, [this] { FinishDelayEdit(); });
    connect(stepList_, &EditableListBox::menuRequested, this,
            [this] { OpenStepMenuAtSelection(); });
    capture_.SetStepsChanged([this] { ShowModel(); });
}

MacroPageControls::~MacroPageControls() {
    capture_.SetStepsChanged({});
    // In the order they were made; a control the parent already took is gone by itself.
    delete repeatEdit_.data();
    delete nameEdit_.data();
    delete macroList_.data();
    delete stepList_.data();
}

void MacroPageControls::ReadInputs() {
    MacroPageView& view = model_.view;
    view.nameText = nameEdit_->text().toStdString();
    view.repeat.text = repeatEdit_->text().toStdString();
    view.macroSelection = SelectionOf(*macroList_);
    view.stepSelection = SelectionOf(*stepList_);
}

void MacroPageControls::ShowModel() {
    const MacroPageView& view = model_.view;
    {
        const QSignalBlocker blockMacros(macroList_.data());
        ShowLines(*macroList_, view.macroNames);
        ShowSelection(*macroList_, view.macroSelection);
    }
    const QString name = QString::fromStdString(view.nameText);
    if (nameEdit_->text() != name) {
        nameEdit_->setText(name);
    }
    const QString repeat = QString::fromStdString(view.repeat.text);
    if (repeatEdit_->text() != repeat) {
        repeatEdit_->setText(repeat);
    }
    repeatEdit_->setEnabled(view.repeat.enabled);
    {
        const QSignalBlocker blockSteps(stepList_.data());
        bool differ = stepList_->count() != static_cast<int>(view.stepLines.size());
        for (int i = 0; !differ && i < stepList_->count(); ++i) {
            differ = stepList_->item(i)->text() !=
                     QString::fromStdString(view.stepLines[static_cast<std::size_t>(i)]);
        }
        if (differ && stepList_->editor() != nullptr) {
            // The line being edited is gone; its edit with it.
            stepList_->AbandonEdit();
            model_.state.delayEditOpen = false;
        }
        ShowLines(*stepList_, view.stepLines);
        ShowSelection(*stepList_, view.stepSelection);
    }
    if (shownDownCount_ != model_.state.downCount || shownUpCount_ != model_.state.upCount) {
        shownDownCount_ = model_.state.downCount;
        shownUpCount_ = model_.state.upCount;
        if (repaint_) {
            repaint_();
        }
    }
}

void MacroPageControls::RefreshMacroList() {
    model_.RefreshMacroList();
    ShowModel();
}

void MacroPageControls::FollowMacroList() {
    // Half-way through a change (current row not yet selected, or the reverse) there is nothing
    // to follow; the second half's signal comes next.
    if (SelectionOf(*macroList_) != kNoLine) {
        SelectMacro();
    }
}

void MacroPageControls::SelectMacro() {
    ReadInputs();
    model_.SelectMacro();
    ShowModel();
}

void MacroPageControls::RefreshStepList(int m) {
    ReadInputs();
    model_.RefreshStepList(m);
    ShowModel();
}

void MacroPageControls::Add() {
    ReadInputs();
    macroList_->setFocus(Qt::OtherFocusReason);
    model_.Add();
    ShowModel();
}

void MacroPageControls::Delete() {
    ReadInputs();
    model_.Delete();
    ShowModel();
}

void MacroPageControls::Apply() {
    ReadInputs();
    model_.Apply();
    ShowModel();
}

void MacroPageControls::ToggleRepeat() {
    ReadInputs();
    model_.ToggleRepeat();
    ShowModel();
    if (repaint_) {
        repaint_();
    }
}

void MacroPageControls::ToggleRecording() {
    stepList_->setFocus(Qt::OtherFocusReason);
    ReadInputs();
    capture_.Toggle();
    ShowModel();
    if (repaint_) {
        repaint_();
    }
}

int MacroPageControls::StepItemHeight() const {
    if (stepList_->count() > 0) {
        return stepList_->visualItemRect(stepList_->item(0)).height();
    }
    return stepList_->fontMetrics().height();
}

void MacroPageControls::OpenStepMenu(const QPoint& globalPos) {
    if (capture_.recording()) {
        return;
    }
    QWidget* client = stepList_->viewport();
    const QRect clientRect(client->mapToGlobal(QPoint(0, 0)), client->size());
    const int line = LineFromPointer(StepItemHeight(), stepList_->verticalScrollBar()->value(),
                                     globalPos.y(), clientRect.top());
    ReadInputs();
    const bool show = model_.OpenStepMenu(line, clientRect.contains(globalPos));
    ShowModel();
    std::optional<StepCommand> command;
    if (show && stepMenu_) {
        command = stepMenu_(parent_, globalPos);
    }
    ReadInputs();
    model_.FinishStepMenu();
    if (command) {
        RunStepCommand(*command);
    }
}

void MacroPageControls::OpenStepMenuAtSelection() {
    QListWidgetItem* line = stepList_->item(SelectionOf(*stepList_));
    QPoint local(4, 4);
    if (line != nullptr) {
        stepList_->scrollToItem(line);
        local = stepList_->visualItemRect(line).center();
    }
    OpenStepMenu(stepList_->viewport()->mapToGlobal(local));
}

void MacroPageControls::RunStepCommand(const StepCommand& command) {
    const bool beginEdit = model_.RunStepCommand(command);
    ShowModel();
    if (beginEdit) {
        stepList_->EditSelectedLine();
        if (stepList_->editor() == nullptr) {
            model_.state.delayEditOpen = false;
        }
    }
}

void MacroPageControls::FinishDelayEdit() {
    const QListWidgetItem* line = stepList_->item(model_.state.selectedLine);
    model_.ApplyDelayEdit(line != nullptr ? line->text().toStdString() : std::string());
    ShowModel();
}

}  // namespace zel::macro::ui
