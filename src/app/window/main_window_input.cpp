// Input dispatch of the main window: presses and releases of the left button run the action of
// the hot button, a press on empty skin area drags the window, and the keyboard pre-filter
// keeps Escape, Return and F10 away from the window and its controls, and every key away from
// them while a macro is recorded.

#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QWindow>

#include "app/pages/page_state.h"
#include "app/pages/page_table.h"
#include "app/popups/choice_list.h"
#include "app/popups/choice_list_rows.h"
#include "app/popups/warning_window.h"
#include "app/window/accessible_main_window.h"
#include "app/window/key_filter.h"
#include "app/window/main_window.h"
#include "platform/app_identity.h"
#include "settings/profile_operations.h"
#include "text/catalog.h"

namespace zel::app {

namespace {

QString EditionText(text::TextId id, std::int32_t languageFlag,
                    std::initializer_list<text::Placeholder> values = {}) {
    return QString::fromStdString(text::Message(id, languageFlag, values));
}

}  // namespace

// ---- Qt events ----

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (manualDrag_) {
        if (event->buttons() & Qt::LeftButton) {
            move(event->globalPosition().toPoint() - dragOffset_);
            return;
        }
        manualDrag_ = false;
    }
    const QPoint p = event->position().toPoint();
    HoverAt(p.x(), p.y());
}

void MainWindow::mousePressEvent(QMouseEvent* event) {
    // The press acts on what lies under it, even when no move brought the pointer there (a
    // touch, or a window that appeared under a resting pointer).
    const QPoint p = event->position().toPoint();
    HoverAt(p.x(), p.y());
    FocusClickedControl();
    if (event->button() == Qt::LeftButton) {
        PressAt(p.x(), p.y());
    }
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        manualDrag_ = false;
        const QPoint p = event->position().toPoint();
        ReleaseAt(p.x(), p.y());
    } else if (event->button() == Qt::RightButton && state_.currentPage != kAdvancedPage &&
               state_.hot == HotIndices{}) {
        // Empty skin area: the window menu, as a title bar would offer it.
        ShowSystemMenu(event->globalPosition().toPoint());
    }
}

// ---- Left button ----

void MainWindow::PressAt(int x, int y) {
    const HotIndices hot = state_.hot;
    if (hot.HotButton != skin::kNoEntry || hot.colorHot != skin::kNoEntry ||
        hot.advHot != skin::kNoEntry) {
        state_.pressedVisual = true;
        update();
    }
    if (state_.currentPage == kMainPage && state_.popupOpen) {
        CloseChoiceList();
    }

    // A tab of another page first; then the page's own control, which on the main page shares
    // the frame's list; empty skin area drags the window.
    const PageInfo& page = pages().Of(state_.currentPage);
    const ControlHit frame = ControlAtIndex(pages().frame, hot.HotButton);
    if (frame && frame.control->trigger == Trigger::Press && frame.Index() != page.frameButton) {
        RunCommand(frame, x);
        return;
    }
    const int ownIndex = hot.Of(page.list);
    const ControlHit own = ControlAtIndex(page.controls, ownIndex);
    if (own && own.control->trigger == Trigger::Press) {
        RunCommand(own, x);
    } else if (hot.HotButton == skin::kNoEntry && ownIndex == skin::kNoEntry) {
        StartWindowDrag(mapToGlobal(QPoint(x, y)));
    }
}

void MainWindow::ReleaseAt(int /*x*/, int /*y*/) {
    state_.pressedVisual = false;
    update();

    // The frame's buttons act when the button comes up over them, on every page.
    const ControlHit frame = ControlAtIndex(pages().frame, state_.hot.HotButton);
    if (frame && frame.control->trigger == Trigger::Release) {
        RunCommand(frame, 0);
    }
}

void MainWindow::RunCommand(const ControlHit& hit, int x) {
    const std::uint8_t pageBefore = state_.currentPage;
    const int member = hit.member;
    settings::ProfileSettings& profile = services_.profile;
    switch (hit.control->command) {
        case Command::NoCommand:
            break;
        case Command::Save:
            SaveCurrentProfile();
            break;
        case Command::RevertAndHide:
            RevertAndHide();
            break;
        case Command::Apply:
            ApplySettings();
            break;
        case Command::SelectProfile:
            SelectProfile(member + 1);
            break;
        case Command::ShowMainPage:
            EnterMainPage();
            break;
        case Command::ShowAdvancedPage:
            EnterAdvancedPage();
            break;
        case Command::ShowColorPage:
            EnterColorPage();
            break;
        case Command::Minimise:
            state_.hot.HotButton = skin::kNoEntry;
            // Posted, as a system command is: the release finishes first.
            QMetaObject::invokeMethod(this, &MainWindow::Minimise, Qt::QueuedConnection);
            break;
        case Command::Close:
            state_.hot.HotButton = skin::kNoEntry;
            HideToTray();
            break;
        case Command::ImportProfile:
            ImportProfile();
            break;
        case Command::ExportProfile:
            ExportProfile();
            break;
        case Command::ResetAll:
            ResetAllProfiles();
            break;
        case Command::SelectEditionCN:
            SelectEditionCN();
            break;
        case Command::SelectEditionEN:
            SelectEditionEN();
            break;
        case Command::ChooseFunction:
            OpenFunctionChoiceList(hit.Index());
            break;
        case Command::SetWheelStatus:
            settings::SetWheelStatus(profile, member);
            break;
        case Command::ToggleDpiLevel:
            settings::ToggleDpiLevelEnabled(profile, member);
            break;
        case Command::SelectDpiLevel:
            settings::SelectDpiLevel(profile, member);
            break;
        case Command::SetDpiStep:
            settings::SetDpiStep(profile, hit.control->arg, member);
            update();
            break;
        case Command::ImportMacros:
            macroHost_.ImportMacros();
            break;
        case Command::ExportMacros:
            macroHost_.ExportMacros();
            break;
        case Command::AddMacro:
            macroHost_.AddMacroFromNameEdit();
            break;
        case Command::DeleteMacro:
            macroHost_.DeleteSelectedMacro();
            break;
        case Command::ToggleRecording:
            macroHost_.ToggleRecording();
            break;
        case Command::ApplyRepeatCount:
            macroHost_.ApplyRepeatCount();
            break;
        case Command::ToggleRepeat:
            macroHost_.ToggleRepeatOfCurrentMacro();
            break;
        case Command::ToggleMacroMode:
            settings::ToggleMacroMode(profile);
            break;
        case Command::SetPointerSpeed:
            settings::SetPointerSpeed(profile, member);
            break;
        case Command::SetWheelSpeed:
            settings::SetWheelSpeed(profile, member);
            break;
        case Command::SetFireTimeFromSlider: {
            const skin::SkinButton& slider =
                ButtonsOf(layout_, hit.control->list)[static_cast<std::size_t>(hit.Index())];
            settings::SetFireTimeFromSlider(profile, x, slider.x, slider.width);
            update();
            break;
        }
        case Command::StepFireTimeUp:
            settings::StepFireTime(profile, +1);
            update();
            break;
        case Command::StepFireTimeDown:
            settings::StepFireTime(profile, -1);
            update();
            break;
        case Command::SetLedMode:
            settings::SetLedStatus(profile, member);
            break;
    }
    NotifyControlsChanged(*this, state_.currentPage != pageBefore);
}

void MainWindow::StartWindowDrag(const QPoint& globalPos) {
    // The window manager moves the window with the pointer; without one (a bare X server)
    // the window follows the pointer itself until the button is released.
    QWindow* handle = windowHandle();
    if (handle != nullptr && handle->startSystemMove()) {
        return;
    }
    manualDrag_ = true;
    dragOffset_ = globalPos - pos();
}

void MainWindow::Minimise() {
    showMinimized();
    RestoreIfMinimiseIgnored();
}

// ---- Page changes ----

void MainWindow::EnterMainPage() {
    ForgetFocusOfOtherPages();
    const bool leavingAdvanced = state_.currentPage == kAdvancedPage;
    state_.currentPage = kMainPage;
    if (leavingAdvanced) {
        macroHost_.DestroyControls();
    }
    update();
}

void MainWindow::EnterAdvancedPage() {
    ForgetFocusOfOtherPages();
    state_.currentPage = kAdvancedPage;
    update(repaintRegion_);
    macroHost_.CreateControls();
    repaint(repaintRegion_);
    macroHost_.RefreshMacroList();
    repaint(repaintRegion_);
}

void MainWindow::EnterColorPage() {
    ForgetFocusOfOtherPages();
    const bool leavingAdvanced = state_.currentPage == kAdvancedPage;
    state_.currentPage = kColorPage;
    ledDriver_.Start();
    if (leavingAdvanced) {
        macroHost_.DestroyControls();
    }
    update();
}

// ---- Choice lists and the warning ----

ChoiceListContext MainWindow::MakeChoiceListContext() {
    ChoiceListContext context;
    context.images = images_.get();
    context.functionNames = &layout_.functionNames;
    context.macros = &services_.macros;
    context.font = TextFont();
    context.choose = [this](int code) {
        settings::AssignButtonFunction(services_.profile,
                                       state_.editedButton - buttons::kFirstFunctionField, code);
        update();
    };
    context.closeAfterGroupChoice = [this] {
        state_.closeListPending = true;
        repaint();
    };
    return context;
}

void MainWindow::OpenFunctionChoiceList(int button) {
    state_.editedButton = button;
    const skin::SkinButton& field = layout_.mainButtons[static_cast<std::size_t>(button)];
    const QPoint windowTopLeft = mapToGlobal(QPoint(0, 0));
    state_.popupX = windowTopLeft.x() + field.x;
    state_.popupY = windowTopLeft.y() + field.y + field.height;

    if (settings::NeedsPrimaryClickWarning(services_.profile,
                                           button - buttons::kFirstFunctionField) &&
        RunWarningDialog() == WarningChoice::kCancel) {
        return;
    }

    auto* list = new ChoiceList(*this, MakeChoiceListContext());
    // Screen readers call the list after the field that opened it and its function.
    if (const ControlHit field = ControlAtIndex(pages().Of(kMainPage).controls, button)) {
        const PageStateView view = StateView();
        list->setAccessibleName(
            QString::fromStdString(ControlName(*field.control, field.member, view) + ": " +
                                   ControlValueText(*field.control, field.member, view)));
    }
    menuList_ = list;
    state_.popupOpen = true;
    // Closed, the list gives the focus back to its field, which a screen reader announces.
    connect(list, &ChoiceList::closed, this, [this] {
        if (focus_) {
            MoveKeyboardFocus(focus_);
        }
    });
    list->move(state_.popupX, state_.popupY);
    list->resize(kFirstListWidth, kFirstListHeight);
    list->update();
    list->show();
    list->SetCurrentRow(RowOfFunction(
        services_.profile.K[static_cast<std::size_t>(button - buttons::kFirstFunctionField)].load(
            std::memory_order_relaxed)));
}

WarningChoice MainWindow::RunWarningDialog() {
    WarningWindow warning(*images_, layout_.warningButtons, TextFont(), state_.popupX,
                          state_.popupY);
    return warning.Ask();
}

void MainWindow::CloseChoiceList() {
    if (menuList_) {
        menuList_->Destroy();
        menuList_ = nullptr;
    }
    state_.popupOpen = false;
}

// ---- Keyboard pre-filter and the window menu ----

bool MainWindow::FilterKeyBeforeReceiver(QWidget& receiver, QEvent& event) {
    // Only the window itself, its controls and its choice lists: dialogs and menus opened
    // from it run their own keyboard handling.
    for (QWidget* w = &receiver; w != this; w = w->parentWidget()) {
        if (w->isWindow() && w->windowType() != Qt::Tool) {
            return false;
        }
    }
    const bool isKey = event.type() == QEvent::KeyPress || event.type() == QEvent::KeyRelease;
    if (IsRecording() && (isKey || event.type() == QEvent::ShortcutOverride)) {
        // While recording every key belongs to the recorder alone: no shortcut, menu or
        // control acts on it. An accepted override keeps shortcuts from taking the key.
        if (isKey) {
            macroHost_.RecordKey(static_cast<QKeyEvent&>(event));
        }
        event.accept();
        return true;
    }
    if (event.type() == QEvent::MouseButtonRelease && !IsRecording() &&
        state_.currentPage == kAdvancedPage &&
        static_cast<QMouseEvent&>(event).button() == Qt::RightButton) {
        macroHost_.OpenStepMenu(static_cast<QMouseEvent&>(event).globalPosition().toPoint());
    }
    if (!isKey) {
        return false;
    }
    auto& key = static_cast<QKeyEvent&>(event);
    if (IsConsumedDialogKey(key)) {
        // Return presses the skin's focused control; neither it nor Escape reaches anything else.
        if (&receiver == this && key.type() == QEvent::KeyPress && focus_ &&
            (key.key() == Qt::Key_Return || key.key() == Qt::Key_Enter)) {
            focusMarkShown_ = true;
            PressControl(focus_);
        }
        return true;
    }
    // Alt+Space opens the window menu, as it does on a window with a title bar.
    if (key.type() == QEvent::KeyPress && key.key() == Qt::Key_Space &&
        key.modifiers() == Qt::AltModifier) {
        ShowSystemMenu(mapToGlobal(QPoint(0, 0)));
        return true;
    }
    return false;
}

void MainWindow::ShowSystemMenu(const QPoint& globalPos) {
    QMenu menu(this);
    menu.addAction(EditionText(text::TextId::kWindowMenuMinimise, state_.languageFlag), this,
                   &MainWindow::Minimise);
    menu.addSeparator();
    menu.addAction(EditionText(text::TextId::kWindowMenuAbout, state_.languageFlag), this,
                   &MainWindow::ShowAboutBox);
    menu.exec(globalPos);
}

void MainWindow::ShowAboutBox() {
    // The version is the build's (the project version CMake gives every target).
    QMessageBox about(QMessageBox::NoIcon,
                      EditionText(text::TextId::kAboutCaption, state_.languageFlag),
                      EditionText(text::TextId::kAboutText, state_.languageFlag,
                                  {{"{version}", platform::kVersion}}),
                      QMessageBox::Ok, this);
    about.setWindowIcon(windowIcon());
    about.exec();
}

}  // namespace zel::app
