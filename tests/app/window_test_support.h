#pragma once

// A main window on a fake mouse and a synthetic skin, for the window tests.
//
// The synthetic skin places every button of every list on a regular grid and paints each
// picture layer in one flat colour, so a pixel tells which layer a button was copied from.
// Captions are empty unless a test writes its own layout; the function names are "Fn<code>".

#include <gtest/gtest.h>

#include <QColor>
#include <QEvent>
#include <QImage>
#include <QPoint>
#include <QRect>
#include <QTemporaryDir>
#include <array>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/popups/warning_window.h"
#include "app/window/main_window.h"
#include "device/device_link.h"
#include "macro/macro_store.h"
#include "platform/message_sink.h"
#include "settings/profile_settings.h"
#include "skin/skin_layout.h"
#include "tests/support/fake_hid.h"
#include "tests/support/fake_launcher.h"
#include "tests/support/fake_pointer_settings.h"
#include "tests/support/fake_record_clock.h"

namespace zel::test {

// The application object every window test needs (offscreen).
void EnsureQtApplication();

// Layer colours of the synthetic skin.
namespace skin_colors {
inline const QColor kMainNormal(40, 40, 40);
inline const QColor kMainOver(0, 160, 0);
inline const QColor kMainDown(160, 0, 0);
inline const QColor kAdvancedNormal(40, 40, 90);
inline const QColor kAdvancedOver(0, 160, 160);
inline const QColor kAdvancedDown(160, 160, 0);
inline const QColor kColorPink(200, 100, 150);
inline const QColor kColorRed(230, 0, 0);
inline const QColor kColorPurple(120, 0, 170);
inline const QColor kColorBlue(0, 0, 230);
inline const QColor kColorGray(100, 100, 100);
inline const QColor kMenuNormal(20, 20, 20);
inline const QColor kMenuOver(0, 0, 180);
inline const QColor kMenuDown(180, 180, 0);
inline const QColor kSubNormal(30, 30, 30);
inline const QColor kSubOver(0, 120, 0);
inline const QColor kSubDown(120, 0, 120);
inline const QColor kWarningNormal(50, 50, 50);
inline const QColor kWarningOver(0, 100, 200);
}  // namespace skin_colors

// Sizes of the synthetic surfaces.
inline constexpr int kSkinWidth = 480;
inline constexpr int kSkinHeight = 320;
inline constexpr int kMenuWidth = 120;
inline constexpr int kMenuRowHeight = 12;
inline constexpr int kSubRowHeight = 10;

// The rectangle of button i of a list of the synthetic skin: a grid of 14 columns, 32 x 22
// pixels per cell, each button 30 x 20.
QRect GridRect(int index);

// Writes the layout files of both editions and every picture into skinsDir.
// `editLayout` may change the entries (label,x,y,w,h,caption,) before they are written:
// key "<file stem>/<section>/<key>" (e.g. "skin_main/BUTTONPOS/25") to value.
void WriteSyntheticSkin(const std::string& skinsDir,
                        const std::map<std::string, std::string>& layoutOverrides = {});

// True when every channel of `actual` is within `tolerance` of `expected` (JPEG noise).
bool Near(QColor actual, QColor expected, int tolerance = 14);

// The profile section values written to config.ini (key = value).
using ProfileKeys = std::map<std::string, std::string>;
ProfileKeys DefaultProfileKeys();

struct WindowSetup {
    int currentProfile = 1;
    int languageFlag = 1;
    ProfileKeys profile = DefaultProfileKeys();
    bool mousePresent = true;
    std::map<std::string, std::string> layoutOverrides;
    // The user macros of the edition's macro file (the other files stay empty).
    std::vector<macro::MacroRecord> userMacros;
    // Installed: the files are shipped in <dir>/share/zel-gmouse and the executable's folder is
    // <dir>/bin, so the window copies them into the user's folder (of $HOME, which the test
    // sets). Otherwise every file lies in the executable's folder <dir>.
    bool installed = false;
    // When the initialisation's second half runs (the program: after the first paint).
    app::MainWindow::StartOrder startOrder = app::MainWindow::StartOrder::AllAtOnce;
    // The tables of the frame and the pages the window shows (null: the shipped ones).
    const app::PageSet* pages = nullptr;
};

inline WindowSetup ProfileAndEdition(int currentProfile, int languageFlag) {
    WindowSetup setup;
    setup.currentProfile = currentProfile;
    setup.languageFlag = languageFlag;
    return setup;
}

class WindowTest : public ::testing::Test {
protected:
    WindowTest();
    ~WindowTest() override;

    // Writes the files, builds and initialises the window and shows it. False when the
    // initialisation ended the program.
    bool Start(const WindowSetup& setup = {});

    app::MainWindow& window() { return *window_; }
    const app::MainWindowState& state() { return window_->state(); }
    const skin::SkinLayout& layout() { return window_->layout(); }

    // Pointer events in window coordinates, delivered through the application as real ones.
    void HoverAt(QPoint p);
    void Press(QPoint p);
    void Release(QPoint p);
    void Click(QPoint p);
    void HoverAt(QWidget& target, QPoint p);
    void Press(QWidget& target, QPoint p);
    void Release(QWidget& target, QPoint p);
    void Click(QWidget& target, QPoint p);
    void Key(QWidget& target, QEvent::Type type, int key,
             Qt::KeyboardModifiers modifiers = Qt::NoModifier);

    // The mouse reports a press and a release of its button `button` (1 ... 6). The reports the
    // program sent before are forgotten; the channel it writes to is returned (null: none).
    std::shared_ptr<FakeHidChannel> ClickMouseButton(int button);

    // Centre of button `index` of a list.
    static QPoint Centre(const skin::SkinButton& button);
    QPoint MainButton(int index) { return Centre(layout().mainButtons[std::size_t(index)]); }
    QPoint AdvancedButton(int index) {
        return Centre(layout().advancedButtons[std::size_t(index)]);
    }
    QPoint ColorButton(int index) { return Centre(layout().colorButtons[std::size_t(index)]); }

    // The window as shown.
    QImage Grab();
    // The colour of a button's top-left pixel in `image` (captions and fills leave it alone).
    static QColor Corner(const QImage& image, const skin::SkinButton& button);

    // Runs posted events, deferred deletes included.
    static void ProcessEvents();

    // Runs `act` on the next warning window once it runs modally.
    void OnNextWarning(std::function<void(app::WarningWindow&)> act);
    // Answers the next warning window with a release on its button `entry` (0 confirm,
    // 1 cancel).
    void AnswerNextWarning(int entry);
    int warningsSeen() const { return warningsSeen_; }

    // Paints of the main window since the last reset.
    int paints() const { return paints_; }
    void ResetPaints() { paints_ = 0; }
    // Called after each paint of the main window (set before Start to see the first one).
    std::function<void()> onPaint_;

    std::string ConfigPath() const;
    std::string ExeDir() const { return dir_.path().toStdString(); }

    QTemporaryDir dir_;
    platform::RecordingMessageSink messages_;
    platform::RecordingMessageSink diagnostics_;
    FakePointerSettings pointer_;
    FakeHidTransport transport_;
    FakeLauncher launcher_;
    device::DeviceLink link_;
    settings::ProfileSettings profile_;
    macro::MacroStore macros_;
    FakeRecordClock recordClock_;
    std::unique_ptr<app::MainWindow> window_;

    static constexpr const char* kMousePath = "/dev/hidraw-test";

private:
    int paints_ = 0;
    int warningsSeen_ = 0;
};

}  // namespace zel::test
