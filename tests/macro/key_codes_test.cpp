#include "macro/key_codes.h"

#include <gtest/gtest.h>

#include <array>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace zel::macro {
namespace {

// The key table written out independently of the implementation, as (virtual key, usage)
// pairs; every code outside it converts to itself.
std::vector<std::pair<int, int>> ExpectedPairs() {
    std::vector<std::pair<int, int>> pairs;
    auto run = [&pairs](int vk, int usage, int length) {
        for (int i = 0; i < length; ++i) {
            pairs.emplace_back(vk + i, usage + i);
        }
    };
    run(65, 4, 26);     // letters
    run(49, 30, 9);     // digits 1-9
    run(48, 39, 1);     // digit 0
    run(112, 58, 12);   // F1-F12
    run(124, 104, 12);  // F13-F24
    run(97, 89, 9);     // keypad 1-9
    run(96, 98, 1);     // keypad 0
    const std::vector<std::pair<int, int>> singles{
        {8, 42},    {9, 43},    {12, 156},  {13, 40},   {19, 72},   {20, 57},   {27, 41},
        {32, 44},   {33, 75},   {34, 78},   {35, 77},   {36, 74},   {37, 80},   {38, 82},
        {39, 79},   {40, 81},   {41, 119},  {43, 116},  {44, 70},   {45, 73},   {46, 76},
        {47, 117},  {91, 227},  {92, 231},  {93, 101},  {106, 85},  {107, 87},  {108, 133},
        {109, 86},  {110, 99},  {111, 84},  {144, 83},  {145, 71},  {160, 225}, {161, 229},
        {162, 224}, {163, 228}, {164, 226}, {165, 230}, {186, 51},  {187, 46},  {188, 54},
        {189, 45},  {190, 55},  {191, 56},  {192, 53},  {219, 47},  {220, 49},  {221, 48},
        {222, 52},  {226, 100}, {173, 127}, {174, 129}, {175, 128}, {176, 235}, {177, 234},
        {178, 233}, {179, 232}};
    pairs.insert(pairs.end(), singles.begin(), singles.end());
    return pairs;
}

TEST(KeyCodes, TableHas128OneToOnePairs) {
    const auto pairs = ExpectedPairs();
    ASSERT_EQ(pairs.size(), 128u);
    std::set<int> vks;
    std::set<int> usages;
    for (const auto& [vk, usage] : pairs) {
        vks.insert(vk);
        usages.insert(usage);
    }
    EXPECT_EQ(vks.size(), 128u);
    EXPECT_EQ(usages.size(), 128u);
}

TEST(KeyCodes, BothConversionsMatchTheTableOverEveryByte) {
    std::map<int, int> vkToUsage;
    std::map<int, int> usageToVk;
    for (const auto& [vk, usage] : ExpectedPairs()) {
        vkToUsage[vk] = usage;
        usageToVk[usage] = vk;
    }
    for (int code = 0; code < 256; ++code) {
        const auto byte = static_cast<std::uint8_t>(code);
        const int expectedUsage = vkToUsage.count(code) ? vkToUsage[code] : code;
        const int expectedVk = usageToVk.count(code) ? usageToVk[code] : code;
        EXPECT_EQ(VkToUsage(byte), expectedUsage) << "virtual key " << code;
        EXPECT_EQ(UsageToVk(byte), expectedVk) << "usage " << code;
    }
}

TEST(KeyCodes, PairsRoundTripBothWays) {
    for (const auto& [vk, usage] : ExpectedPairs()) {
        EXPECT_EQ(UsageToVk(VkToUsage(static_cast<std::uint8_t>(vk))), vk) << "virtual key " << vk;
        EXPECT_EQ(VkToUsage(UsageToVk(static_cast<std::uint8_t>(usage))), usage)
            << "usage " << usage;
    }
}

TEST(KeyCodes, MouseButtonCodesPassUnchanged) {
    for (std::uint8_t code : {kLeftButtonCode, kRightButtonCode, kMiddleButtonCode}) {
        EXPECT_EQ(VkToUsage(code), code);
        EXPECT_EQ(UsageToVk(code), code);
    }
    EXPECT_EQ(kLeftButtonCode, 240);
    EXPECT_EQ(kRightButtonCode, 241);
    EXPECT_EQ(kMiddleButtonCode, 242);
}

// A step code in memory is saved as UsageToVk and loaded back with VkToUsage. That returns the
// same code except for the usages no virtual key produces whose number is itself a paired
// virtual key: those come back as the key that virtual key names.
TEST(KeyCodes, SaveThenLoadKeepsEveryCodeButTheUnreachableUsages) {
    std::set<int> unreachable{50,  88,  102, 103, 118, 120, 121, 122, 123, 124, 125, 126,
                              130, 131, 132, 134, 135, 144, 145, 219, 220, 221, 222};
    for (int u = 160; u <= 165; ++u)
        unreachable.insert(u);
    for (int u = 173; u <= 179; ++u)
        unreachable.insert(u);
    for (int u = 186; u <= 192; ++u)
        unreachable.insert(u);

    std::set<int> produced;
    for (int vk = 0; vk < 256; ++vk) {
        produced.insert(VkToUsage(static_cast<std::uint8_t>(vk)));
    }
    for (int code = 0; code < 256; ++code) {
        EXPECT_EQ(produced.count(code) == 0, unreachable.count(code) == 1) << "usage " << code;
        const auto reloaded = VkToUsage(UsageToVk(static_cast<std::uint8_t>(code)));
        if (unreachable.count(code) == 0) {
            EXPECT_EQ(reloaded, code) << "usage " << code;
        } else {
            EXPECT_NE(reloaded, code) << "usage " << code;
        }
    }
}

TEST(KeyCodes, OddEntries) {
    EXPECT_EQ(VkToUsage(65), 4);
    EXPECT_EQ(UsageToVk(4), 65);
    EXPECT_EQ(KeyName(4), "A");
    // The grave accent is the keyboard's grave-accent key, and macro files keep storing 192.
    EXPECT_EQ(VkToUsage(192), 53);
    EXPECT_EQ(UsageToVk(53), 192);
    EXPECT_EQ(KeyName(53), "`~");
    // Usage 118 ("MENU") has no pair: saved as 118, it loads back as F7.
    EXPECT_EQ(UsageToVk(118), 118);
    EXPECT_EQ(VkToUsage(118), 64);
    EXPECT_EQ(KeyName(64), "F7");
    // Virtual key 5 has no pair: it becomes usage 5 (the key B), saved as 66, loads as 5.
    EXPECT_EQ(VkToUsage(5), 5);
    EXPECT_EQ(KeyName(5), "B");
    EXPECT_EQ(UsageToVk(5), 66);
    EXPECT_EQ(VkToUsage(66), 5);
}

std::map<int, std::string> ExpectedNames() {
    std::map<int, std::string> names;
    for (int code = 4; code <= 29; ++code)
        names[code] = std::string(1, static_cast<char>(code + 61));
    for (int code = 30; code <= 38; ++code)
        names[code] = std::to_string(code - 29);
    for (int code = 58; code <= 69; ++code)
        names[code] = "F" + std::to_string(code - 57);
    for (int code = 104; code <= 115; ++code)
        names[code] = "F" + std::to_string(code - 91);
    for (int code = 89; code <= 97; ++code)
        names[code] = "NUMPAD" + std::to_string(code - 88);
    const std::map<int, std::string> singles{{39, "0"},
                                             {40, "RETURN"},
                                             {41, "ESCAPE"},
                                             {42, "BACK"},
                                             {43, "TAB"},
                                             {44, "SPACE"},
                                             {45, "-"},
                                             {46, "+"},
                                             {47, "[{"},
                                             {48, "]}"},
                                             {49, "|"},
                                             {53, "`~"},
                                             {51, ";:"},
                                             {52, " ' "},
                                             {54, ","},
                                             {55, "."},
                                             {56, "/?"},
                                             {57, "CAPITAL"},
                                             {70, "SNAPSHOT"},
                                             {71, "SCROLL"},
                                             {72, "PAUSE"},
                                             {73, "INSERT"},
                                             {74, "HOME"},
                                             {75, "PRIOR"},
                                             {76, "DELETE"},
                                             {77, "END"},
                                             {78, "NEXT"},
                                             {79, "RIGHT"},
                                             {80, "LEFT"},
                                             {81, "DOWN"},
                                             {82, "UP"},
                                             {83, "NUMLOCK"},
                                             {84, "DIVIDE"},
                                             {85, "MULTIPLY"},
                                             {86, "SUBTRACT"},
                                             {87, "ADD"},
                                             {98, "NUMPAD0"},
                                             {99, "DECIMAL"},
                                             {101, "APPS"},
                                             {116, "EXECUTE"},
                                             {117, "HELP"},
                                             {118, "MENU"},
                                             {119, "SELECT"},
                                             {156, "CLEAR"},
                                             {133, "SEPARATOR"},
                                             {224, "LCONTROL"},
                                             {225, "LSHIFT"},
                                             {226, "LMENU"},
                                             {227, "LWIN"},
                                             {228, "RCONTROL"},
                                             {229, "RSHIFT"},
                                             {230, "RMENU"},
                                             {231, "RWIN"},
                                             {240, "L-KEY"},
                                             {241, "R-KEY"},
                                             {242, "M-KEY"},
                                             {100, "OEM_102"},
                                             {127, "VOLUME_MUTE"},
                                             {128, "VOLUME_UP"},
                                             {129, "VOLUME_DOWN"},
                                             {232, "MEDIA_PLAY_PAUSE"},
                                             {233, "MEDIA_STOP"},
                                             {234, "MEDIA_PREV_TRACK"},
                                             {235, "MEDIA_NEXT_TRACK"}};
    names.insert(singles.begin(), singles.end());
    return names;
}

TEST(KeyCodes, KeyNameOfEveryCode) {
    const auto names = ExpectedNames();
    for (int code = 0; code < 256; ++code) {
        const auto it = names.find(code);
        const std::string expected = it != names.end() ? it->second : "NON-AVAILABLE";
        EXPECT_EQ(KeyName(static_cast<std::uint8_t>(code)), expected) << "code " << code;
    }
    for (int code : {0, 50, 159, 255}) {
        EXPECT_EQ(KeyName(static_cast<std::uint8_t>(code)), "NON-AVAILABLE");
    }
    EXPECT_EQ(KeyName(13), "J");
    EXPECT_EQ(KeyName(110), "F19");
}

}  // namespace
}  // namespace zel::macro
