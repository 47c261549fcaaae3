// Input dispatch of the main window: presses and releases of the left button run the action of
// the hot button, a press on empty skin area drags the window, and the keyboard pre-filter
// keeps Escape, Return and F10 away from the window and its controls, and every key away from
// them while a macro is recorded.

#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QWindow>

#include "app/choice_list.h"
#include "app/choice_list_rows.h"
#include "app/key_filter.h"
#include "app/main_window.h"
#include "app/page_table.h"
#include "app/warning_window.h"
#include "settings/profile_operations.h"

namespace zel::app {

namespace {

constexpr const char* kAboutCaption = "About ZEL_GMouse";
constexpr const char* kAboutText = "ZEL_GMouse Version 1.0";
constexpr const char* kAboutItem = "&About ZEL_GMouse...";
constexpr const char* kMinimiseItem = "Mi&nimise";

bool InRange(int index, int first, int last) {
    return index >= first && index <= last;
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
    if (event->button() == Qt::LeftButton) {
        const QPoint p = event->position().toPoint();
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
    if (hot.HotButton != kNone || hot.colorHot != kNone || hot.advHot != kNone) {
        state_.pressedVisual = true;
        update();
    }

    switch (state_.currentPage) {
        case kMainPage: {
            if (state_.popupOpen) {
                CloseChoiceList();
            }
            const int b = hot.HotButton;
            if (b == buttons::kAdvancedPageButton) {
                EnterAdvancedPage();
            } else if (b == buttons::kColorPageButton) {
                EnterColorPage();
            } else if (InRange(b, buttons::kFirstFunctionField, buttons::kLastFunctionField)) {
                OpenFunctionChoiceList(b);
            } else if (b == buttons::kWheelStatus0 || b == buttons::kWheelStatus1) {
                settings::SetWheelStatus(services_.profile, b - buttons::kWheelStatus0);
            } else if (InRange(b, buttons::kFirstDpiEnable, buttons::kFirstDpiEnable + 3)) {
                settings::ToggleDpiLevelEnabled(services_.profile, b - buttons::kFirstDpiEnable);
            } else if (InRange(b, buttons::kFirstDpiSelect, buttons::kFirstDpiSelect + 3)) {
                settings::SelectDpiLevel(services_.profile, b - buttons::kFirstDpiSelect);
            } else if (InRange(b, buttons::kFirstDpiSegment, buttons::kLastDpiSegment)) {
                const int segment = b - buttons::kFirstDpiSegment;
                settings::SetDpiStep(services_.profile, segment / buttons::kDpiSegmentsPerLevel,
                                     segment % buttons::kDpiSegmentsPerLevel);
                update();
            } else if (b == kNone) {
                StartWindowDrag(mapToGlobal(QPoint(x, y)));
            }
            break;
        }
        case kAdvancedPage: {
            if (hot.HotButton == buttons::kMainPageButton) {
                EnterMainPage();
                break;
            }
            if (hot.HotButton == buttons::kColorPageButton) {
                EnterColorPage();
                break;
            }
            const int a = hot.advHot;
            switch (a) {
                case buttons::kImportMacros:
                    ImportMacros();
                    break;
                case buttons::kExportMacros:
                    ExportMacros();
                    break;
                case buttons::kAddMacro:
                    AddMacroFromNameEdit();
                    break;
                case buttons::kDeleteMacro:
                    DeleteSelectedMacro();
                    break;
                case buttons::kRecord:
                    ToggleRecording();
                    break;
                case buttons::kApplyRepeatCount:
                    ApplyRepeatCount();
                    break;
                case buttons::kRepeatSwitch:
                    ToggleRepeatOfCurrentMacro();
                    break;
                case buttons::kMacroModeSwitch:
                    settings::ToggleMacroMode(services_.profile);
                    break;
                case buttons::kFireSlider: {
                    const skin::SkinButton& slider = layout_.advancedButtons[buttons::kFireSlider];
                    settings::SetFireTimeFromSlider(services_.profile, x, slider.x, slider.width);
                    update();
                    break;
                }
                case buttons::kFireUp:
                    settings::StepFireTime(services_.profile, +1);
                    update();
                    break;
                case buttons::kFireDown:
                    settings::StepFireTime(services_.profile, -1);
                    update();
                    break;
                case kNone:
                    if (hot.HotButton == kNone) {
                        StartWindowDrag(mapToGlobal(QPoint(x, y)));
                    }
                    break;
                default:
                    if (InRange(a, buttons::kFirstPointerSpeed, buttons::kLastPointerSpeed)) {
                        settings::SetPointerSpeed(services_.profile,
                                                  a - buttons::kFirstPointerSpeed);
                    } else if (InRange(a, buttons::kFirstWheelSpeed, buttons::kLastWheelSpeed)) {
                        settings::SetWheelSpeed(services_.profile, a - buttons::kFirstWheelSpeed);
                    }
                    break;
            }
            break;
        }
        default: {
            if (hot.HotButton == buttons::kMainPageButton) {
                EnterMainPage();
            } else if (hot.HotButton == buttons::kAdvancedPageButton) {
                EnterAdvancedPage();
            } else if (InRange(hot.colorHot, 0, buttons::kLastLedMode)) {
                settings::SetLedStatus(services_.profile, hot.colorHot);
            } else if (hot.colorHot == kNone && hot.HotButton == kNone) {
                StartWindowDrag(mapToGlobal(QPoint(x, y)));
            }
            break;
        }
    }
}

void MainWindow::ReleaseAt(int /*x*/, int /*y*/) {
    state_.pressedVisual = false;
    update();

    const int b = state_.hot.HotButton;
    switch (b) {
        case buttons::kSave:
            SaveCurrentProfile();
            break;
        case buttons::kRevertAndHide:
            RevertAndHide();
            break;
        case buttons::kApply:
            ApplySettings();
            break;
        case buttons::kMinimise:
            state_.hot.HotButton = kNone;
            // Posted, as a system command is: the release finishes first.
            QMetaObject::invokeMethod(this, &MainWindow::Minimise, Qt::QueuedConnection);
            break;
        case buttons::kClose:
            state_.hot.HotButton = kNone;
            HideToTray();
            break;
        case buttons::kImportProfile:
            ImportProfile();
            break;
        case buttons::kExportProfile:
            ExportProfile();
            break;
        case buttons::kResetAll:
            ResetAllProfiles();
            break;
        case buttons::kEditionCN:
            SelectEditionCN();
            break;
        case buttons::kEditionEN:
            SelectEditionEN();
            break;
        default:
            if (InRange(b, buttons::kFirstProfile, buttons::kLastProfile)) {
                SelectProfile(b - 3);
            }
            break;
    }
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
    const bool leavingAdvanced = state_.currentPage == kAdvancedPage;
    state_.currentPage = kMainPage;
    if (leavingAdvanced) {
        DestroyMacroControls();
    }
    update();
}

void MainWindow::EnterAdvancedPage() {
    state_.currentPage = kAdvancedPage;
    update(repaintRegion_);
    CreateMacroControls();
    repaint(repaintRegion_);
    RefreshMacroList();
    repaint(repaintRegion_);
}

void MainWindow::EnterColorPage() {
    const bool leavingAdvanced = state_.currentPage == kAdvancedPage;
    state_.currentPage = kColorPage;
    ledDriver_.Start();
    if (leavingAdvanced) {
        DestroyMacroControls();
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
    menuList_ = list;
    state_.popupOpen = true;
    list->move(state_.popupX, state_.popupY);
    list->resize(kFirstListWidth, kFirstListHeight);
    list->update();
    list->show();
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
            RecordKey(static_cast<QKeyEvent&>(event));
        }
        event.accept();
        return true;
    }
    if (event.type() == QEvent::MouseButtonRelease && !IsRecording() &&
        state_.currentPage == kAdvancedPage &&
        static_cast<QMouseEvent&>(event).button() == Qt::RightButton) {
        OpenStepMenu(static_cast<QMouseEvent&>(event).globalPosition().toPoint());
    }
    if (!isKey) {
        return false;
    }
    auto& key = static_cast<QKeyEvent&>(event);
    if (IsConsumedDialogKey(key)) {
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
    menu.addAction(QString::fromUtf8(kMinimiseItem), this, &MainWindow::Minimise);
    menu.addSeparator();
    menu.addAction(QString::fromUtf8(kAboutItem), this, &MainWindow::ShowAboutBox);
    menu.exec(globalPos);
}

void MainWindow::ShowAboutBox() {
    QMessageBox about(QMessageBox::NoIcon, QString::fromUtf8(kAboutCaption),
                      QString::fromUtf8(kAboutText), QMessageBox::Ok, this);
    about.setWindowIcon(windowIcon());
    about.exec();
}

}  // namespace zel::app
