#include "macro/ui/key_event_vk.h"

#include <QGuiApplication>

#include "macro/recorder.h"
#include "macro/x11_keymap.h"

namespace zel::macro::ui {
namespace {

constexpr std::uint8_t kVkF10 = 121;
constexpr std::uint8_t kVkLeftAlt = 164;
constexpr std::uint8_t kVkRightAlt = 165;

std::uint8_t KeypadVk(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return static_cast<std::uint8_t>(96 + (key - Qt::Key_0));
    }
    switch (key) {
        case Qt::Key_Asterisk:
            return 106;
        case Qt::Key_Plus:
            return 107;
        case Qt::Key_Minus:
            return 109;
        case Qt::Key_Period:
        case Qt::Key_Comma:
            return 110;
        case Qt::Key_Slash:
            return 111;
        default:
            return 0;
    }
}

}  // namespace

bool PlatformGivesX11Keycodes() {
    const QString platform = QGuiApplication::platformName();
    return platform == QLatin1String("xcb") || platform == QLatin1String("wayland");
}

std::uint8_t VkFromQtKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers.testFlag(Qt::KeypadModifier)) {
        if (const std::uint8_t vk = KeypadVk(key); vk != 0) {
            return vk;
        }
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return static_cast<std::uint8_t>(key);  // Qt's letters are the capital letters' codes
    }
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return static_cast<std::uint8_t>(key);
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return static_cast<std::uint8_t>(112 + (key - Qt::Key_F1));
    }
    switch (key) {
        // Keys of the main block by their US place, shifted or not.
        case Qt::Key_Exclam:
            return '1';
        case Qt::Key_At:
            return '2';
        case Qt::Key_NumberSign:
            return '3';
        case Qt::Key_Dollar:
            return '4';
        case Qt::Key_Percent:
            return '5';
        case Qt::Key_AsciiCircum:
            return '6';
        case Qt::Key_Ampersand:
            return '7';
        case Qt::Key_Asterisk:
            return '8';
        case Qt::Key_ParenLeft:
            return '9';
        case Qt::Key_ParenRight:
            return '0';
        case Qt::Key_Minus:
        case Qt::Key_Underscore:
            return 189;
        case Qt::Key_Equal:
        case Qt::Key_Plus:
            return 187;
        case Qt::Key_BracketLeft:
        case Qt::Key_BraceLeft:
            return 219;
        case Qt::Key_BracketRight:
        case Qt::Key_BraceRight:
            return 221;
        case Qt::Key_Backslash:
        case Qt::Key_Bar:
            return 220;
        case Qt::Key_Semicolon:
        case Qt::Key_Colon:
            return 186;
        case Qt::Key_Apostrophe:
        case Qt::Key_QuoteDbl:
            return 222;
        case Qt::Key_QuoteLeft:
        case Qt::Key_AsciiTilde:
            return 192;
        case Qt::Key_Comma:
        case Qt::Key_Less:
            return 188;
        case Qt::Key_Period:
        case Qt::Key_Greater:
            return 190;
        case Qt::Key_Slash:
        case Qt::Key_Question:
            return 191;
        case Qt::Key_Space:
            return 32;
        // Control keys.
        case Qt::Key_Escape:
            return 27;
        case Qt::Key_Tab:
        case Qt::Key_Backtab:
            return 9;
        case Qt::Key_Backspace:
            return 8;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return 13;
        case Qt::Key_Insert:
            return 45;
        case Qt::Key_Delete:
            return 46;
        case Qt::Key_Pause:
            return 19;
        case Qt::Key_Print:
            return 44;
        case Qt::Key_Home:
            return 36;
        case Qt::Key_End:
            return 35;
        case Qt::Key_Left:
            return 37;
        case Qt::Key_Up:
            return 38;
        case Qt::Key_Right:
            return 39;
        case Qt::Key_Down:
            return 40;
        case Qt::Key_PageUp:
            return 33;
        case Qt::Key_PageDown:
            return 34;
        case Qt::Key_CapsLock:
            return 20;
        case Qt::Key_NumLock:
            return 144;
        case Qt::Key_ScrollLock:
            return 145;
        case Qt::Key_Menu:
            return 93;
        case Qt::Key_Help:
            return 47;
        // Modifiers: Qt does not say which side, so the left key stands for both.
        case Qt::Key_Shift:
            return 160;
        case Qt::Key_Control:
            return 162;
        case Qt::Key_Alt:
            return kVkLeftAlt;
        case Qt::Key_AltGr:
            return kVkRightAlt;
        case Qt::Key_Meta:
        case Qt::Key_Super_L:
            return 91;
        case Qt::Key_Super_R:
            return 92;
        // Media keys.
        case Qt::Key_VolumeMute:
            return 173;
        case Qt::Key_VolumeDown:
            return 174;
        case Qt::Key_VolumeUp:
            return 175;
        case Qt::Key_MediaNext:
            return 176;
        case Qt::Key_MediaPrevious:
            return 177;
        case Qt::Key_MediaStop:
            return 178;
        case Qt::Key_MediaTogglePlayPause:
        case Qt::Key_MediaPlay:
            return 179;
        default:
            return 0;
    }
}

std::optional<RecordedKey> RecordedKeyOf(const QKeyEvent& event, KeySource source) {
    const bool press = event.type() == QEvent::KeyPress;
    if (!press && event.type() != QEvent::KeyRelease) {
        return std::nullopt;
    }
    // Either half of an auto-repeat is no keystroke: the key stays held.
    if (event.isAutoRepeat()) {
        return std::nullopt;
    }
    if (source == KeySource::Automatic) {
        source = PlatformGivesX11Keycodes() ? KeySource::X11Keycode : KeySource::QtKey;
    }
    std::uint8_t vk = 0;
    if (source == KeySource::X11Keycode) {
        vk = X11KeycodeToVk(event.nativeScanCode());
    }
    if (vk == 0) {
        vk = VkFromQtKey(event.key(), event.modifiers());
    }
    if (vk == 0) {
        return std::nullopt;
    }
    // Alt, F10 and keys typed with Alt (but not with Control) are system keys.
    const Qt::KeyboardModifiers mods = event.modifiers();
    const bool system = vk == kVkLeftAlt || vk == kVkRightAlt || vk == kVkF10 ||
                        (mods.testFlag(Qt::AltModifier) && !mods.testFlag(Qt::ControlModifier));
    const int message = press ? (system ? kSysKeyDownMessage : kKeyDownMessage)
                              : (system ? kSysKeyUpMessage : kKeyUpMessage);
    return RecordedKey{message, vk};
}

}  // namespace zel::macro::ui
