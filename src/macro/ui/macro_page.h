#pragma once

// The four child controls of the advanced (macro) page: the macro list, the name and
// repeat-count edits and the step list. The main window creates this object on entering the
// page and destroys it on leaving; the macros, the page state (MacroPageModel) and a running
// recording live on in the window meanwhile. Each operation copies the user's input from the
// controls into the model, runs the model's rule and shows the model again.

#include <QMenu>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "macro/step_list.h"
#include "macro/ui/editable_list_box.h"
#include "macro/ui/recording_capture.h"
#include "skin/skin_layout.h"

class QLineEdit;
class QListWidget;

namespace zel::macro::ui {

// Control identifiers, kept as the "controlId" property of each control.
inline constexpr int kNameEditId = 10000;
inline constexpr int kMacroListId = 10001;
inline constexpr int kStepListId = 10002;
inline constexpr int kRepeatEditId = 10004;

struct MacroControlRects {
    QRect repeatEdit;
    QRect nameEdit;
    QRect macroList;
    QRect stepList;
};
MacroControlRects ControlRectsOf(const skin::SkinLayout& layout);

// The captions the page shows beside each control, which name the controls for assistive
// technology: the titles above the two lists and the labels above the two edits.
struct MacroControlCaptions {
    QString macroList;
    QString stepList;
    QString nameEdit;
    QString repeatEdit;
};
MacroControlCaptions ControlCaptionsOf(const skin::SkinLayout& layout);

// Shows the step list's context menu at a screen position and returns the chosen command,
// nothing when the menu was closed without one.
using StepMenuRunner =
    std::function<std::optional<StepCommand>(QWidget& owner, const QPoint& globalPos)>;

class MacroPageControls final : public QObject {
    Q_OBJECT
public:
    // `repaint` is called when the page's painted parts change (the step counters, the record
    // and repeat buttons).
    MacroPageControls(QWidget& parent, const MacroControlRects& rects, MacroPageModel& model,
                      RecordingCapture& capture, StepMenuRunner stepMenu,
                      std::function<void()> repaint);
    ~MacroPageControls() override;
    MacroPageControls(const MacroPageControls&) = delete;
    MacroPageControls& operator=(const MacroPageControls&) = delete;

    QLineEdit* repeatEdit() const { return repeatEdit_.data(); }
    QLineEdit* nameEdit() const { return nameEdit_.data(); }
    QListWidget* macroList() const { return macroList_.data(); }
    EditableListBox* stepList() const { return stepList_.data(); }

    // Names the controls by the captions of the edition shown.
    void ShowCaptions(const MacroControlCaptions& captions);

    void RefreshMacroList();
    void SelectMacro();
    void RefreshStepList(int m);
    void Add();
    void Delete();
    void Apply();
    void ToggleRepeat();
    void ToggleRecording();
    // A right-button release at `globalPos` (not while recording).
    void OpenStepMenu(const QPoint& globalPos);
    // The Menu key or Shift+F10 in the step list: the menu at the selected line (at the list's
    // top without one).
    void OpenStepMenuAtSelection();
    void RunStepCommand(const StepCommand& command);

    // The controls show the model as it is (after a change made elsewhere).
    void ShowModel();

private:
    // Any change of the macro list's current row or selection, by click, key or program.
    void FollowMacroList();
    void ReadInputs();
    void FinishDelayEdit();
    int StepItemHeight() const;

    QWidget& parent_;
    MacroPageModel& model_;
    RecordingCapture& capture_;
    StepMenuRunner stepMenu_;
    std::function<void()> repaint_;
    QPointer<QLineEdit> repeatEdit_;
    QPointer<QLineEdit> nameEdit_;
    QPointer<QListWidget> macroList_;
    QPointer<EditableListBox> stepList_;
    int shownDownCount_ = -1;
    int shownUpCount_ = -1;
};

}  // namespace zel::macro::ui
