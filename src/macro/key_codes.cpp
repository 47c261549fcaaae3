#include "macro/key_codes.h"

#include <array>
#include <cstddef>
#include <iterator>

namespace zel::macro {
namespace {

struct KeyPair {
    std::uint8_t vk;
    std::uint8_t usage;
};

// Runs of pairs where both codes count up together.
struct KeyRun {
    std::uint8_t firstVk;
    std::uint8_t firstUsage;
    std::uint8_t length;
};

constexpr KeyRun kRuns[] = {
    {65, 4, 26},     // A ... Z
    {49, 30, 9},     // 1 ... 9
    {48, 39, 1},     // 0
    {112, 58, 12},   // F1 ... F12
    {124, 104, 12},  // F13 ... F24
    {97, 89, 9},     // keypad 1 ... 9
    {96, 98, 1},     // keypad 0
};

// Each virtual key pairs with the usage that the receiving computer turns back into the same
// key: the grave accent (192) is usage 53 (50 is the non-US "#~" key, a backslash on a US
// layout); the keypad's separator (108) is the keypad comma, 133 (159, "Separator", is a key no
// PC keyboard has, and Linux ignores it); the extra key of ISO keyboards left of Z (226) is the
// non-US backslash key, 100; mute, volume down and up (173 ... 175) are the keyboard page's own
// keys, 127, 129 and 128; next, previous, stop and play/pause (176 ... 179) get the usages the
// kernel's keyboard table gives those media keys, 235 ... 232.
constexpr KeyPair kSinglePairs[] = {
    {8, 42},    {9, 43},    {12, 156},  {13, 40},   {19, 72},   {20, 57},   {27, 41},   {32, 44},
    {33, 75},   {34, 78},   {35, 77},   {36, 74},   {37, 80},   {38, 82},   {39, 79},   {40, 81},
    {41, 119},  {43, 116},  {44, 70},   {45, 73},   {46, 76},   {47, 117},  {91, 227},  {92, 231},
    {93, 101},  {106, 85},  {107, 87},  {108, 133}, {109, 86},  {110, 99},  {111, 84},  {144, 83},
    {145, 71},  {160, 225}, {161, 229}, {162, 224}, {163, 228}, {164, 226}, {165, 230}, {186, 51},
    {187, 46},  {188, 54},  {189, 45},  {190, 55},  {191, 56},  {192, 53},  {219, 47},  {220, 49},
    {221, 48},  {222, 52},  {226, 100}, {173, 127}, {174, 129}, {175, 128}, {176, 235}, {177, 234},
    {178, 233}, {179, 232},
};

using ByteTable = std::array<std::uint8_t, 256>;

constexpr ByteTable IdentityTable() {
    ByteTable table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = static_cast<std::uint8_t>(i);
    }
    return table;
}

// Builds one direction of the conversion; every code without a pair maps to itself.
template <bool kFromVk>
constexpr ByteTable BuildTable() {
    ByteTable table = IdentityTable();
    auto add = [&table](std::uint8_t vk, std::uint8_t usage) {
        if constexpr (kFromVk) {
            table[vk] = usage;
        } else {
            table[usage] = vk;
        }
    };
    for (const KeyRun& run : kRuns) {
        for (int i = 0; i < run.length; ++i) {
            add(static_cast<std::uint8_t>(run.firstVk + i),
                static_cast<std::uint8_t>(run.firstUsage + i));
        }
    }
    for (const KeyPair& pair : kSinglePairs) {
        add(pair.vk, pair.usage);
    }
    return table;
}

constexpr int PairCount() {
    int count = static_cast<int>(std::size(kSinglePairs));
    for (const KeyRun& run : kRuns) {
        count += run.length;
    }
    return count;
}
static_assert(PairCount() == 128);

// No code appears twice on either side, so the two tables invert each other on the pairs.
constexpr bool PairsAreOneToOne() {
    std::array<int, 256> vkUses{};
    std::array<int, 256> usageUses{};
    for (const KeyRun& run : kRuns) {
        for (int i = 0; i < run.length; ++i) {
            ++vkUses[run.firstVk + i];
            ++usageUses[run.firstUsage + i];
        }
    }
    for (const KeyPair& pair : kSinglePairs) {
        ++vkUses[pair.vk];
        ++usageUses[pair.usage];
    }
    for (std::size_t i = 0; i < 256; ++i) {
        if (vkUses[i] > 1 || usageUses[i] > 1) {
            return false;
        }
    }
    return true;
}
static_assert(PairsAreOneToOne());

constexpr ByteTable kVkToUsage = BuildTable<true>();
constexpr ByteTable kUsageToVk = BuildTable<false>();

constexpr std::string_view kNotAvailable = "NON-AVAILABLE";

using NameTable = std::array<std::string_view, 256>;

constexpr NameTable BuildNames() {
    NameTable names{};
    names.fill(kNotAvailable);
    constexpr std::string_view kLetters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    for (std::size_t i = 0; i < kLetters.size(); ++i) {
        names[4 + i] = kLetters.substr(i, 1);
    }
    constexpr std::string_view kDigits = "1234567890";
    for (std::size_t i = 0; i < kDigits.size(); ++i) {
        names[30 + i] = kDigits.substr(i, 1);
    }
    constexpr std::array<std::string_view, 24> kFunctionKeys{
        "F1",  "F2",  "F3",  "F4",  "F5",  "F6",  "F7",  "F8",  "F9",  "F10", "F11", "F12",
        "F13", "F14", "F15", "F16", "F17", "F18", "F19", "F20", "F21", "F22", "F23", "F24"};
    for (std::size_t i = 0; i < 12; ++i) {
        names[58 + i] = kFunctionKeys[i];
        names[104 + i] = kFunctionKeys[12 + i];
    }
    constexpr std::array<std::string_view, 10> kKeypadDigits{
        "NUMPAD1", "NUMPAD2", "NUMPAD3", "NUMPAD4", "NUMPAD5",
        "NUMPAD6", "NUMPAD7", "NUMPAD8", "NUMPAD9", "NUMPAD0"};
    for (std::size_t i = 0; i < kKeypadDigits.size(); ++i) {
        names[89 + i] = kKeypadDigits[i];
    }
    struct Named {
        std::uint8_t code;
        std::string_view text;
    };
    constexpr Named kSingles[] = {
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
        {51, ";:"},
        {52, " ' "},
        {53, "`~"},
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
        {99, "DECIMAL"},
        {100, "OEM_102"},
        {101, "APPS"},
        {116, "EXECUTE"},
        {117, "HELP"},
        {118, "MENU"},
        {119, "SELECT"},
        {127, "VOLUME_MUTE"},
        {128, "VOLUME_UP"},
        {129, "VOLUME_DOWN"},
        {133, "SEPARATOR"},
        {156, "CLEAR"},
        {224, "LCONTROL"},
        {225, "LSHIFT"},
        {226, "LMENU"},
        {227, "LWIN"},
        {228, "RCONTROL"},
        {229, "RSHIFT"},
        {230, "RMENU"},
        {231, "RWIN"},
        {232, "MEDIA_PLAY_PAUSE"},
        {233, "MEDIA_STOP"},
        {234, "MEDIA_PREV_TRACK"},
        {235, "MEDIA_NEXT_TRACK"},
        {kLeftButtonCode, "L-KEY"},
        {kRightButtonCode, "R-KEY"},
        {kMiddleButtonCode, "M-KEY"},
    };
    for (const Named& named : kSingles) {
        names[named.code] = named.text;
    }
    return names;
}

constexpr NameTable kKeyNames = BuildNames();

}  // namespace

std::uint8_t VkToUsage(std::uint8_t vk) {
    return kVkToUsage[vk];
}

std::uint8_t UsageToVk(std::uint8_t usage) {
    return kUsageToVk[usage];
}

std::string_view KeyName(std::uint8_t code) {
    return kKeyNames[code];
}

}  // namespace zel::macro
