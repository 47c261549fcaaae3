// A recorded key must come back as the same key: the recorder turns a Linux key (an X key code,
// or the Qt key of a US layout) into a virtual-key code, playback turns that into a HID keyboard
// usage the mouse sends, and the kernel turns the usage into a Linux key again with its HID
// keyboard table (hid_keyboard[] of drivers/hid/hid-input.c), written out below.

#include <gtest/gtest.h>
#include <linux/input-event-codes.h>

#include <QKeyEvent>
#include <array>
#include <cstdint>
#include <set>
#include <string>

#include "macro/key_codes.h"
#include "macro/ui/key_event_vk.h"
#include "macro/x11_keymap.h"

namespace zel::macro {
namespace {

// Usage ID of the keyboard page → the Linux key the kernel reports; 0 where it reports none.
std::array<int, 256> KernelKeyboardTable() {
    std::array<int, 256> table{};
    const int letters[] = {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                           KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                           KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
    for (int i = 0; i < 26; ++i) {
        table[std::size_t(0x04 + i)] = letters[i];
    }
    for (int i = 0; i < 10; ++i) {  // 1 ... 9, 0
        table[std::size_t(0x1E + i)] = KEY_1 + i;
    }
    const std::pair<int, int> singles[] = {
        {0x28, KEY_ENTER},       {0x29, KEY_ESC},          {0x2A, KEY_BACKSPACE},
        {0x2B, KEY_TAB},         {0x2C, KEY_SPACE},        {0x2D, KEY_MINUS},
        {0x2E, KEY_EQUAL},       {0x2F, KEY_LEFTBRACE},    {0x30, KEY_RIGHTBRACE},
        {0x31, KEY_BACKSLASH},   {0x32, KEY_BACKSLASH},  // non-US # and ~
        {0x33, KEY_SEMICOLON},   {0x34, KEY_APOSTROPHE},   {0x35, KEY_GRAVE},
        {0x36, KEY_COMMA},       {0x37, KEY_DOT},          {0x38, KEY_SLASH},
        {0x39, KEY_CAPSLOCK},    {0x44, KEY_F11},          {0x45, KEY_F12},
        {0x46, KEY_SYSRQ},       {0x47, KEY_SCROLLLOCK},   {0x48, KEY_PAUSE},
        {0x49, KEY_INSERT},      {0x4A, KEY_HOME},         {0x4B, KEY_PAGEUP},
        {0x4C, KEY_DELETE},      {0x4D, KEY_END},          {0x4E, KEY_PAGEDOWN},
        {0x4F, KEY_RIGHT},       {0x50, KEY_LEFT},         {0x51, KEY_DOWN},
        {0x52, KEY_UP},          {0x53, KEY_NUMLOCK},      {0x54, KEY_KPSLASH},
        {0x55, KEY_KPASTERISK},  {0x56, KEY_KPMINUS},      {0x57, KEY_KPPLUS},
        {0x58, KEY_KPENTER},     {0x59, KEY_KP1},          {0x5A, KEY_KP2},
        {0x5B, KEY_KP3},         {0x5C, KEY_KP4},          {0x5D, KEY_KP5},
        {0x5E, KEY_KP6},         {0x5F, KEY_KP7},          {0x60, KEY_KP8},
        {0x61, KEY_KP9},         {0x62, KEY_KP0},          {0x63, KEY_KPDOT},
        {0x64, KEY_102ND},       {0x65, KEY_COMPOSE},      {0x66, KEY_POWER},
        {0x67, KEY_KPEQUAL},     {0x74, KEY_OPEN},         {0x75, KEY_HELP},
        {0x76, KEY_PROPS},       {0x77, KEY_FRONT},        {0x78, KEY_STOP},
        {0x79, KEY_AGAIN},       {0x7A, KEY_UNDO},         {0x7B, KEY_CUT},
        {0x7C, KEY_COPY},        {0x7D, KEY_PASTE},        {0x7E, KEY_FIND},
        {0x7F, KEY_MUTE},        {0x80, KEY_VOLUMEUP},     {0x81, KEY_VOLUMEDOWN},
        {0x85, KEY_KPCOMMA},     {0x87, KEY_RO},           {0x88, KEY_KATAKANAHIRAGANA},
        {0x89, KEY_YEN},         {0x8A, KEY_HENKAN},       {0x8B, KEY_MUHENKAN},
        {0x8C, KEY_KPJPCOMMA},   {0x90, KEY_HANGEUL},      {0x91, KEY_HANJA},
        {0x92, KEY_KATAKANA},    {0x93, KEY_HIRAGANA},     {0x94, KEY_ZENKAKUHANKAKU},
        {0x9C, KEY_DELETE},                                                     // Clear
        {0xB6, KEY_KPLEFTPAREN}, {0xB7, KEY_KPRIGHTPAREN}, {0xD8, KEY_DELETE},  // keypad Clear
        {0xE0, KEY_LEFTCTRL},    {0xE1, KEY_LEFTSHIFT},    {0xE2, KEY_LEFTALT},
        {0xE3, KEY_LEFTMETA},    {0xE4, KEY_RIGHTCTRL},    {0xE5, KEY_RIGHTSHIFT},
        {0xE6, KEY_RIGHTALT},    {0xE7, KEY_RIGHTMETA},    {0xE8, KEY_PLAYPAUSE},
        {0xE9, KEY_STOPCD},      {0xEA, KEY_PREVIOUSSONG}, {0xEB, KEY_NEXTSONG},
        {0xEC, KEY_EJECTCD},     {0xED, KEY_VOLUMEUP},     {0xEE, KEY_VOLUMEDOWN},
        {0xEF, KEY_MUTE},        {0xF0, KEY_WWW},          {0xF1, KEY_BACK},
        {0xF2, KEY_FORWARD},     {0xF3, KEY_STOP},         {0xF4, KEY_FIND},
        {0xF5, KEY_SCROLLUP},    {0xF6, KEY_SCROLLDOWN},   {0xF7, KEY_EDIT},
        {0xF8, KEY_SLEEP},       {0xF9, KEY_COFFEE},       {0xFA, KEY_REFRESH},
        {0xFB, KEY_CALC},
    };
    for (const auto& [usage, key] : singles) {
        table[std::size_t(usage)] = key;
    }
    for (int i = 0; i < 10; ++i) {  // F1 ... F10
        table[std::size_t(0x3A + i)] = KEY_F1 + i;
    }
    for (int i = 0; i < 12; ++i) {  // F13 ... F24
        table[std::size_t(0x68 + i)] = KEY_F13 + i;
    }
    return table;
}

// The Linux key a recorded virtual-key code comes back as once the mouse has sent it.
int PlayedKey(int vk) {
    static const std::array<int, 256> kernel = KernelKeyboardTable();
    return kernel[VkToUsage(static_cast<std::uint8_t>(vk))];
}

// Every Linux key the recorder takes from an X key code plays back as itself, and the macro
// file keeps the virtual-key code it was recorded as.
TEST(KeyRoundTrip, EveryRecordedXKeyPlaysBackAsItself) {
    int keys = 0;
    for (int key = 1; key < 256; ++key) {
        const QKeyEvent event(QEvent::KeyPress, 0, Qt::NoModifier,
                              static_cast<quint32>(key) + kX11KeycodeOffset, 0, 0);
        const auto recorded = ui::RecordedKeyOf(event, ui::KeySource::X11Keycode);
        if (!recorded) {
            EXPECT_EQ(EvdevCodeToVk(static_cast<std::uint32_t>(key)), 0) << "Linux key " << key;
            continue;
        }
        ++keys;
        const int vk = recorded->vk;
        // Keypad Enter shares its code with Return: the macro file cannot tell them apart.
        const int expected = key == KEY_KPENTER ? KEY_ENTER : key;
        EXPECT_EQ(PlayedKey(vk), expected) << "Linux key " << key << ", virtual key " << vk;
        EXPECT_EQ(UsageToVk(VkToUsage(static_cast<std::uint8_t>(vk))), vk)
            << "saved as another code: virtual key " << vk;
    }
    EXPECT_GE(keys, 110);
}

TEST(KeyRoundTrip, TheGraveAccentIsTheGraveAccentKey) {
    const QKeyEvent event(QEvent::KeyPress, Qt::Key_QuoteLeft, Qt::NoModifier,
                          KEY_GRAVE + kX11KeycodeOffset, 0, 0);
    const auto recorded = ui::RecordedKeyOf(event, ui::KeySource::X11Keycode);
    ASSERT_TRUE(recorded);
    EXPECT_EQ(recorded->vk, 192) << "macro files keep storing 192";
    EXPECT_EQ(VkToUsage(192), 0x35);
    EXPECT_EQ(PlayedKey(192), KEY_GRAVE) << "not a backslash";
    EXPECT_EQ(KeyName(VkToUsage(192)), "`~");
}

// Where no X key codes come, the Qt key (as a US layout types it) is recorded: the key that
// types it on a US layout comes back.
TEST(KeyRoundTrip, EveryRecordedQtKeyPlaysBackAsTheKeyThatTypesIt) {
    struct Case {
        int qtKey;
        Qt::KeyboardModifiers modifiers;
        int linuxKey;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers keypad = Qt::KeypadModifier;
    std::vector<Case> cases = {
        {Qt::Key_Exclam, none, KEY_1},
        {Qt::Key_At, none, KEY_2},
        {Qt::Key_NumberSign, none, KEY_3},
        {Qt::Key_Dollar, none, KEY_4},
        {Qt::Key_Percent, none, KEY_5},
        {Qt::Key_AsciiCircum, none, KEY_6},
        {Qt::Key_Ampersand, none, KEY_7},
        {Qt::Key_Asterisk, none, KEY_8},
        {Qt::Key_ParenLeft, none, KEY_9},
        {Qt::Key_ParenRight, none, KEY_0},
        {Qt::Key_Minus, none, KEY_MINUS},
        {Qt::Key_Underscore, none, KEY_MINUS},
        {Qt::Key_Equal, none, KEY_EQUAL},
        {Qt::Key_Plus, none, KEY_EQUAL},
        {Qt::Key_BracketLeft, none, KEY_LEFTBRACE},
        {Qt::Key_BraceLeft, none, KEY_LEFTBRACE},
        {Qt::Key_BracketRight, none, KEY_RIGHTBRACE},
        {Qt::Key_BraceRight, none, KEY_RIGHTBRACE},
        {Qt::Key_Backslash, none, KEY_BACKSLASH},
        {Qt::Key_Bar, none, KEY_BACKSLASH},
        {Qt::Key_Semicolon, none, KEY_SEMICOLON},
        {Qt::Key_Colon, none, KEY_SEMICOLON},
        {Qt::Key_Apostrophe, none, KEY_APOSTROPHE},
        {Qt::Key_QuoteDbl, none, KEY_APOSTROPHE},
        {Qt::Key_QuoteLeft, none, KEY_GRAVE},
        {Qt::Key_AsciiTilde, none, KEY_GRAVE},
        {Qt::Key_Comma, none, KEY_COMMA},
        {Qt::Key_Less, none, KEY_COMMA},
        {Qt::Key_Period, none, KEY_DOT},
        {Qt::Key_Greater, none, KEY_DOT},
        {Qt::Key_Slash, none, KEY_SLASH},
        {Qt::Key_Question, none, KEY_SLASH},
        {Qt::Key_Space, none, KEY_SPACE},
        {Qt::Key_Escape, none, KEY_ESC},
        {Qt::Key_Tab, none, KEY_TAB},
        {Qt::Key_Backtab, none, KEY_TAB},
        {Qt::Key_Backspace, none, KEY_BACKSPACE},
        {Qt::Key_Return, none, KEY_ENTER},
        {Qt::Key_Enter, keypad, KEY_ENTER},  // keypad Enter: the file format's limit
        {Qt::Key_Insert, none, KEY_INSERT},
        {Qt::Key_Delete, none, KEY_DELETE},
        {Qt::Key_Pause, none, KEY_PAUSE},
        {Qt::Key_Print, none, KEY_SYSRQ},
        {Qt::Key_Home, none, KEY_HOME},
        {Qt::Key_End, none, KEY_END},
        {Qt::Key_Left, none, KEY_LEFT},
        {Qt::Key_Up, none, KEY_UP},
        {Qt::Key_Right, none, KEY_RIGHT},
        {Qt::Key_Down, none, KEY_DOWN},
        {Qt::Key_PageUp, none, KEY_PAGEUP},
        {Qt::Key_PageDown, none, KEY_PAGEDOWN},
        {Qt::Key_CapsLock, none, KEY_CAPSLOCK},
        {Qt::Key_NumLock, none, KEY_NUMLOCK},
        {Qt::Key_ScrollLock, none, KEY_SCROLLLOCK},
        {Qt::Key_Menu, none, KEY_COMPOSE},
        {Qt::Key_Help, none, KEY_HELP},
        {Qt::Key_Shift, none, KEY_LEFTSHIFT},
        {Qt::Key_Control, none, KEY_LEFTCTRL},
        {Qt::Key_Alt, none, KEY_LEFTALT},
        {Qt::Key_AltGr, none, KEY_RIGHTALT},
        {Qt::Key_Meta, none, KEY_LEFTMETA},
        {Qt::Key_Super_L, none, KEY_LEFTMETA},
        {Qt::Key_Super_R, none, KEY_RIGHTMETA},
        {Qt::Key_VolumeMute, none, KEY_MUTE},
        {Qt::Key_VolumeDown, none, KEY_VOLUMEDOWN},
        {Qt::Key_VolumeUp, none, KEY_VOLUMEUP},
        {Qt::Key_MediaNext, none, KEY_NEXTSONG},
        {Qt::Key_MediaPrevious, none, KEY_PREVIOUSSONG},
        {Qt::Key_MediaStop, none, KEY_STOPCD},
        {Qt::Key_MediaTogglePlayPause, none, KEY_PLAYPAUSE},
        {Qt::Key_MediaPlay, none, KEY_PLAYPAUSE},
        {Qt::Key_Asterisk, keypad, KEY_KPASTERISK},
        {Qt::Key_Plus, keypad, KEY_KPPLUS},
        {Qt::Key_Minus, keypad, KEY_KPMINUS},
        {Qt::Key_Period, keypad, KEY_KPDOT},
        {Qt::Key_Slash, keypad, KEY_KPSLASH},
        {Qt::Key_0, keypad, KEY_KP0},
    };
    const int letters[] = {KEY_A, KEY_B, KEY_C, KEY_D, KEY_E, KEY_F, KEY_G, KEY_H, KEY_I,
                           KEY_J, KEY_K, KEY_L, KEY_M, KEY_N, KEY_O, KEY_P, KEY_Q, KEY_R,
                           KEY_S, KEY_T, KEY_U, KEY_V, KEY_W, KEY_X, KEY_Y, KEY_Z};
    for (int i = 0; i < 26; ++i) {
        cases.push_back({Qt::Key_A + i, none, letters[i]});
    }
    for (int i = 1; i <= 9; ++i) {
        cases.push_back({Qt::Key_0 + i, none, KEY_1 + i - 1});
        cases.push_back({Qt::Key_0 + i, keypad,
                         i <= 3   ? KEY_KP1 + i - 1
                         : i <= 6 ? KEY_KP4 + i - 4
                                  : KEY_KP7 + i - 7});
    }
    cases.push_back({Qt::Key_0, none, KEY_0});
    for (int i = 0; i < 10; ++i) {
        cases.push_back({Qt::Key_F1 + i, none, KEY_F1 + i});
    }
    cases.push_back({Qt::Key_F11, none, KEY_F11});
    cases.push_back({Qt::Key_F12, none, KEY_F12});
    for (int i = 0; i < 12; ++i) {
        cases.push_back({Qt::Key_F13 + i, none, KEY_F13 + i});
    }
    for (const Case& c : cases) {
        const int vk = ui::VkFromQtKey(c.qtKey, c.modifiers);
        ASSERT_NE(vk, 0) << "Qt key 0x" << std::hex << c.qtKey;
        EXPECT_EQ(PlayedKey(vk), c.linuxKey)
            << "Qt key 0x" << std::hex << c.qtKey << std::dec << ", virtual key " << vk;
    }
}

}  // namespace
}  // namespace zel::macro
