#pragma once

// Key events of the window as the recorder takes them: a Windows key message and a
// virtual-key code.
//
// On X11 and Wayland the event's native scan code is the X key code (evdev code + 8), which the
// program's own table turns into a virtual-key code with left and right modifiers and the
// keypad told apart. Elsewhere (offscreen, or when the native code is unknown) the Qt key and
// modifiers are used; that loses the side of Shift, Control and Alt (recorded as the left key;
// AltGr and right Super keep their side), the keypad with Num Lock off (recorded as the
// navigation keys), keys the layout does not put at their US place (recorded by the symbol
// they type) and keys Qt does not name.

#include <QKeyEvent>
#include <cstdint>
#include <optional>

namespace zel::macro::ui {

enum class KeySource {
    Automatic,   // native X key codes on xcb and wayland, the Qt key elsewhere
    X11Keycode,  // the native scan code is an X key code
    QtKey,       // the Qt key and its modifiers
};

struct RecordedKey {
    int message;  // kKeyDownMessage ... kSysKeyUpMessage (recorder.h)
    int vk;
    friend bool operator==(const RecordedKey&, const RecordedKey&) = default;
};

// Whether the running platform plugin gives X key codes as native scan codes.
bool PlatformGivesX11Keycodes();

// The virtual-key code of a Qt key, 0 when it has none.
std::uint8_t VkFromQtKey(int key, Qt::KeyboardModifiers modifiers);

// The key message of a key press or release; nothing for other events, for an event Qt flagged
// as auto-repeat and for a key without a virtual-key code.
std::optional<RecordedKey> RecordedKeyOf(const QKeyEvent& event,
                                         KeySource source = KeySource::Automatic);

}  // namespace zel::macro::ui
