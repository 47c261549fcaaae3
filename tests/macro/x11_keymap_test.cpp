#include "macro/x11_keymap.h"

#include <gtest/gtest.h>

#include <map>

#include "macro/key_codes.h"

namespace zel::macro {
namespace {

TEST(X11Keymap, KeysOfAPcKeyboard) {
    struct Case {
        std::uint32_t xKeycode;
        std::uint8_t vk;
        const char* name;  // KeyName after VkToUsage
    } const cases[] = {
        {38, 65, "A"},         {52, 90, "Z"},         {10, 49, "1"},         {19, 48, "0"},
        {9, 27, "ESCAPE"},     {36, 13, "RETURN"},    {65, 32, "SPACE"},     {22, 8, "BACK"},
        {23, 9, "TAB"},        {67, 112, "F1"},       {96, 123, "F12"},      {191, 124, "F13"},
        {50, 160, "LSHIFT"},   {62, 161, "RSHIFT"},   {37, 162, "LCONTROL"}, {105, 163, "RCONTROL"},
        {64, 164, "LMENU"},    {108, 165, "RMENU"},   {133, 91, "LWIN"},     {134, 92, "RWIN"},
        {135, 93, "APPS"},     {87, 97, "NUMPAD1"},   {90, 96, "NUMPAD0"},   {79, 103, "NUMPAD7"},
        {63, 106, "MULTIPLY"}, {82, 109, "SUBTRACT"}, {86, 107, "ADD"},      {91, 110, "DECIMAL"},
        {106, 111, "DIVIDE"},  {104, 13, "RETURN"},   {110, 36, "HOME"},     {115, 35, "END"},
        {112, 33, "PRIOR"},    {117, 34, "NEXT"},     {111, 38, "UP"},       {116, 40, "DOWN"},
        {113, 37, "LEFT"},     {114, 39, "RIGHT"},    {118, 45, "INSERT"},   {119, 46, "DELETE"},
        {49, 192, "`~"},       {20, 189, "-"},        {21, 187, "+"},        {34, 219, "[{"},
        {51, 220, "|"},        {47, 186, ";:"},       {48, 222, " ' "},      {59, 188, ","},
        {60, 190, "."},        {61, 191, "/?"},       {66, 20, "CAPITAL"},   {77, 144, "NUMLOCK"},
        {78, 145, "SCROLL"},   {127, 19, "PAUSE"},    {107, 44, "SNAPSHOT"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(X11KeycodeToVk(c.xKeycode), c.vk) << c.xKeycode;
        EXPECT_EQ(KeyName(VkToUsage(X11KeycodeToVk(c.xKeycode))), c.name) << c.xKeycode;
    }
}

TEST(X11Keymap, UnknownCodesGiveNoKey) {
    for (std::uint32_t code : {0u, 7u, 8u, 92u, 255u, 256u, 100000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(X11KeycodeToVk(code), 0) << code;
    }
    EXPECT_EQ(EvdevCodeToVk(30), 65);
    EXPECT_EQ(EvdevCodeToVk(1u << 20), 0);
}

// Each virtual-key code names one key, apart from the two Return keys.
TEST(X11Keymap, NoTwoKeysShareACode) {
    std::map<int, int> keysOfVk;
    for (std::uint32_t code = 0; code < 300; ++code) {
        if (const int vk = X11KeycodeToVk(code); vk != 0) {
            ++keysOfVk[vk];
        }
    }
    for (const auto& [vk, keys] : keysOfVk) {
        EXPECT_EQ(keys, vk == 13 ? 2 : 1) << vk;
    }
    EXPECT_GE(keysOfVk.size(), 110u);
}

}  // namespace
}  // namespace zel::macro
