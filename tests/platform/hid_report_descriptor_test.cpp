#include "platform/hid_report_descriptor.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zel::platform {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Ids = std::vector<std::uint8_t>;

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

Bytes Repeat(const Bytes& part, int times) {
    Bytes all;
    for (int i = 0; i < times; ++i) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// The boot-protocol mouse of the HID class definition: three buttons, five bits of padding,
// relative X and Y.
const Bytes kBootMouse = {
    0x05, 0x01,  // Usage Page (Generic Desktop)
    0x09, 0x02,  // Usage (Mouse)
    0xA1, 0x01,  // Collection (Application)
    0x09, 0x01,  //   Usage (Pointer)
    0xA1, 0x00,  //   Collection (Physical)
    0x05, 0x09,  //     Usage Page (Button)
    0x19, 0x01,  //     Usage Minimum (1)
    0x29, 0x03,  //     Usage Maximum (3)
    0x15, 0x00,  //     Logical Minimum (0)
    0x25, 0x01,  //     Logical Maximum (1)
    0x95, 0x03,  //     Report Count (3)
    0x75, 0x01,  //     Report Size (1)
    0x81, 0x02,  //     Input (Data, Variable, Absolute)
    0x95, 0x01,  //     Report Count (1)
    0x75, 0x05,  //     Report Size (5)
    0x81, 0x01,  //     Input (Constant): padding
    0x05, 0x01,  //     Usage Page (Generic Desktop)
    0x09, 0x30,  //     Usage (X)
    0x09, 0x31,  //     Usage (Y)
    0x15, 0x81,  //     Logical Minimum (-127)
    0x25, 0x7F,  //     Logical Maximum (127)
    0x75, 0x08,  //     Report Size (8)
    0x95, 0x02,  //     Report Count (2)
    0x81, 0x06,  //     Input (Data, Variable, Relative)
    0xC0,        //   End Collection
    0xC0,        // End Collection
};

// A keyboard that also carries consumer-control keys, told apart by report IDs.
const Bytes kKeyboardWithConsumer = {
    0x05, 0x01,                    // Usage Page (Generic Desktop)
    0x09, 0x06,                    // Usage (Keyboard)
    0xA1, 0x01,                    // Collection (Application)
    0x85, 0x01,                    //   Report ID (1)
    0x05, 0x07,                    //   Usage Page (Keyboard)
    0x19, 0xE0, 0x29, 0xE7,        //   Usage Minimum/Maximum (modifiers)
    0x15, 0x00, 0x25, 0x01,        //   Logical Minimum (0) / Maximum (1)
    0x75, 0x01, 0x95, 0x08,        //   Report Size (1), Report Count (8)
    0x81, 0x02,                    //   Input: modifier bits
    0x95, 0x01, 0x75, 0x08,        //   Report Count (1), Report Size (8)
    0x81, 0x01,                    //   Input (Constant): reserved byte
    0x95, 0x05, 0x75, 0x01,        //   Report Count (5), Report Size (1)
    0x05, 0x08,                    //   Usage Page (LEDs)
    0x19, 0x01, 0x29, 0x05,        //   Usage Minimum/Maximum
    0x91, 0x02,                    //   Output: LED bits
    0x95, 0x01, 0x75, 0x03,        //   Report Count (1), Report Size (3)
    0x91, 0x01,                    //   Output (Constant): padding
    0x95, 0x06, 0x75, 0x08,        //   Report Count (6), Report Size (8)
    0x15, 0x00, 0x25, 0x65,        //   Logical Minimum (0) / Maximum (101)
    0x05, 0x07,                    //   Usage Page (Keyboard)
    0x19, 0x00, 0x29, 0x65,        //   Usage Minimum/Maximum
    0x81, 0x00,                    //   Input (Data, Array): six keys
    0xC0,                          // End Collection
    0x05, 0x0C,                    // Usage Page (Consumer)
    0x09, 0x01,                    // Usage (Consumer Control)
    0xA1, 0x01,                    // Collection (Application)
    0x85, 0x02,                    //   Report ID (2)
    0x15, 0x00, 0x26, 0xFF, 0x03,  //   Logical Minimum (0) / Maximum (1023)
    0x19, 0x00, 0x2A, 0xFF, 0x03,  //   Usage Minimum/Maximum
    0x75, 0x10, 0x95, 0x01,        //   Report Size (16), Report Count (1)
    0x81, 0x00,                    //   Input (Data, Array)
    0xC0,                          // End Collection
};

// Two vendor collections shaped like the gaming mouse's: button events come in on input
// report 6, commands go out as feature report 7.
Bytes VendorMouseDescriptor(std::uint8_t inputPayload, std::uint8_t featurePayload) {
    return {
        0x06, 0x00, 0xFF,                        // Usage Page (Vendor 0xFF00)
        0x09, 0x01,                              // Usage (1)
        0xA1, 0x01,                              // Collection (Application)
        0x85, 0x06,                              //   Report ID (6)
        0x09, 0x01,                              //   Usage (1)
        0x15, 0x00, 0x26, 0xFF,           0x00,  //   Logical Minimum (0) / Maximum (255)
        0x75, 0x08, 0x95, inputPayload,          //   Report Size (8), Report Count
        0x81, 0x02,                              //   Input
        0xC0,                                    // End Collection
        0x06, 0x01, 0xFF,                        // Usage Page (Vendor 0xFF01)
        0x09, 0x01,                              // Usage (1)
        0xA1, 0x01,                              // Collection (Application)
        0x85, 0x07,                              //   Report ID (7)
        0x09, 0x01,                              //   Usage (1)
        0x15, 0x00, 0x26, 0xFF,           0x00,  //   Logical Minimum (0) / Maximum (255)
        0x75, 0x08, 0x95, featurePayload,        //   Report Size (8), Report Count
        0xB1, 0x02,                              //   Feature
        0xC0,                                    // End Collection
    };
}

TEST(HidReportDescriptor, BootMouseHasOneCollectionWithThreeByteInput) {
    const Result<HidReportDescriptor> parsed = ParseHidReportDescriptor(kBootMouse);
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    EXPECT_FALSE(parsed->usesReportIds);
    ASSERT_EQ(parsed->collections.size(), 1u);
    const HidTopLevelCollection& mouse = parsed->collections[0];
    EXPECT_EQ(mouse.usagePage, 0x0001);
    EXPECT_EQ(mouse.usage, 0x0002);
    EXPECT_EQ(mouse.collectionType, 1);
    EXPECT_EQ(mouse.inputReportLength, 3u);  // 3 + 5 + 16 bits, no report ID byte
    EXPECT_EQ(mouse.outputReportLength, 0u);
    EXPECT_EQ(mouse.featureReportLength, 0u);
    EXPECT_EQ(mouse.inputReportIds, Ids{0});
    EXPECT_TRUE(mouse.featureReportIds.empty());
}

TEST(HidReportDescriptor, KeyboardWithReportIdsCountsTheIdByte) {
    const Result<HidReportDescriptor> parsed = ParseHidReportDescriptor(kKeyboardWithConsumer);
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    EXPECT_TRUE(parsed->usesReportIds);
    ASSERT_EQ(parsed->collections.size(), 2u);

    const HidTopLevelCollection& keyboard = parsed->collections[0];
    EXPECT_EQ(keyboard.usagePage, 0x0001);
    EXPECT_EQ(keyboard.usage, 0x0006);
    EXPECT_EQ(keyboard.inputReportLength, 9u);   // ID + modifiers + reserved + 6 keys
    EXPECT_EQ(keyboard.outputReportLength, 2u);  // ID + 5 LED bits + 3 padding bits
    EXPECT_EQ(keyboard.featureReportLength, 0u);
    EXPECT_EQ(keyboard.inputReportIds, Ids{1});
    EXPECT_EQ(keyboard.outputReportIds, Ids{1});

    const HidTopLevelCollection& consumer = parsed->collections[1];
    EXPECT_EQ(consumer.usagePage, 0x000C);
    EXPECT_EQ(consumer.usage, 0x0001);
    EXPECT_EQ(consumer.inputReportLength, 3u);  // ID + 16 bits
    EXPECT_EQ(consumer.inputReportIds, Ids{2});
}

TEST(HidReportDescriptor, VendorMouseHasReadAndWriteCollections) {
    const Result<HidReportDescriptor> parsed =
        ParseHidReportDescriptor(VendorMouseDescriptor(7, 7));
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    ASSERT_EQ(parsed->collections.size(), 2u);

    const HidTopLevelCollection& read = parsed->collections[0];
    EXPECT_EQ(read.usagePage, 0xFF00);
    EXPECT_EQ(read.usage, 1);
    EXPECT_EQ(read.inputReportLength, 8u);
    EXPECT_EQ(read.featureReportLength, 0u);
    EXPECT_EQ(read.inputReportIds, Ids{6});

    const HidTopLevelCollection& write = parsed->collections[1];
    EXPECT_EQ(write.usagePage, 0xFF01);
    EXPECT_EQ(write.usage, 1);
    EXPECT_EQ(write.inputReportLength, 0u);
    EXPECT_EQ(write.featureReportLength, 8u);
    EXPECT_EQ(write.featureReportIds, Ids{7});
}

TEST(HidReportDescriptor, ReportLengthsFollowTheDeclaredCounts) {
    struct Case {
        std::uint8_t inputPayload;
        std::uint8_t featurePayload;
    };
    for (const Case& c : {Case{7, 7}, Case{15, 63}, Case{0, 1}, Case{255, 255}}) {
        const Result<HidReportDescriptor> parsed =
            ParseHidReportDescriptor(VendorMouseDescriptor(c.inputPayload, c.featurePayload));
        ASSERT_TRUE(parsed.ok()) << parsed.error().message;
        ASSERT_EQ(parsed->collections.size(), 2u);
        EXPECT_EQ(parsed->collections[0].inputReportLength, c.inputPayload + 1u);
        EXPECT_EQ(parsed->collections[1].featureReportLength, c.featurePayload + 1u);
    }
}

TEST(HidReportDescriptor, NestedCollectionsBelongToTheirTopLevelCollection) {
    const Bytes descriptor = {
        0x05, 0x0D,                    // Usage Page (Digitizer)
        0x09, 0x04,                    // Usage (Touch Screen)
        0xA1, 0x01,                    // Collection (Application)
        0x85, 0x01,                    //   Report ID (1)
        0x09, 0x22,                    //   Usage (Finger)
        0xA1, 0x02,                    //   Collection (Logical)
        0x09, 0x42,                    //     Usage (Tip Switch)
        0x75, 0x01, 0x95, 0x01,        //     Report Size (1), Report Count (1)
        0x81, 0x02,                    //     Input
        0x75, 0x07, 0x81, 0x01,        //     Report Size (7), Input (Constant)
        0xA1, 0x00,                    //     Collection (Physical)
        0x05, 0x01,                    //       Usage Page (Generic Desktop)
        0x09, 0x30, 0x09, 0x31,        //       Usage (X), Usage (Y)
        0x75, 0x0C, 0x95, 0x02,        //       Report Size (12), Report Count (2)
        0x81, 0x02,                    //       Input: 24 bits
        0xC0,                          //     End Collection
        0xC0,                          //   End Collection
        0x85, 0x02,                    //   Report ID (2)
        0x05, 0x0D, 0x09, 0x55,        //   Usage (Contact Count Maximum)
        0x75, 0x08, 0x95, 0x01,        //   Report Size (8), Report Count (1)
        0xB1, 0x02,                    //   Feature
        0xC0,                          // End Collection
        0x0B, 0x01, 0x00, 0x00, 0xFF,  // Usage (vendor 0xFF00:0x0001, extended)
        0xA1, 0x01,                    // Collection (Application)
        0x85, 0x03,                    //   Report ID (3)
        0xA1, 0x02,                    //   Collection (Logical)
        0x09, 0x01,                    //     Usage (1)
        0x75, 0x08, 0x95, 0x05,        //     Report Size (8), Report Count (5)
        0xB1, 0x02,                    //     Feature
        0xC0,                          //   End Collection
        0xC0,                          // End Collection
    };
    const Result<HidReportDescriptor> parsed = ParseHidReportDescriptor(descriptor);
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    ASSERT_EQ(parsed->collections.size(), 2u);

    const HidTopLevelCollection& touch = parsed->collections[0];
    EXPECT_EQ(touch.usagePage, 0x000D);
    EXPECT_EQ(touch.usage, 0x0004);
    EXPECT_EQ(touch.inputReportLength, 5u);  // ID + 1 + 7 + 24 bits
    EXPECT_EQ(touch.inputReportIds, Ids{1});
    EXPECT_EQ(touch.featureReportLength, 2u);
    EXPECT_EQ(touch.featureReportIds, Ids{2});

    const HidTopLevelCollection& vendor = parsed->collections[1];
    EXPECT_EQ(vendor.usagePage, 0xFF00);
    EXPECT_EQ(vendor.usage, 0x0001);
    EXPECT_EQ(vendor.featureReportLength, 6u);
    EXPECT_EQ(vendor.featureReportIds, Ids{3});
}

TEST(HidReportDescriptor, LongestReportIdOfACollectionWins) {
    const Bytes descriptor = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,        // vendor collection
        0x75, 0x08,                                      // Report Size (8)
        0x85, 0x10, 0x95, 0x03, 0x81, 0x02,              // input 0x10: 3 bytes
        0x85, 0x11, 0x95, 0x0A, 0x81, 0x02,              // input 0x11: 10 bytes
        0x85, 0x10, 0x95, 0x02, 0x81, 0x02,              // input 0x10 again: 2 more bytes
        0x85, 0x12, 0x95, 0x03, 0x75, 0x03, 0xB1, 0x02,  // feature 0x12: 9 bits
        0xC0,
    };
    const Result<HidReportDescriptor> parsed = ParseHidReportDescriptor(descriptor);
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    ASSERT_EQ(parsed->collections.size(), 1u);
    EXPECT_EQ(parsed->collections[0].inputReportLength, 11u);
    EXPECT_EQ(parsed->collections[0].inputReportIds, (Ids{0x10, 0x11}));
    EXPECT_EQ(parsed->collections[0].featureReportLength, 3u);  // ID + ceil(9 / 8)
}

// The kernel applies a Usage Page written after short usages to those usages, so descriptors
// in the wild declare the page last.
TEST(HidReportDescriptor, CollectionUsagePageMayFollowTheUsage) {
    struct Case {
        const char* name;
        Bytes prefix;
        std::uint16_t usagePage;
        std::uint16_t usage;
    };
    const std::vector<Case> cases = {
        {"page before usage", {0x06, 0x00, 0xFF, 0x09, 0x01}, 0xFF00, 0x0001},
        {"page after usage", {0x09, 0x01, 0x06, 0x01, 0xFF}, 0xFF01, 0x0001},
        {"extended usage keeps its own page",
         {0x0B, 0x02, 0x00, 0x0C, 0x00, 0x05, 0x01},
         0x000C,
         0x0002},
        {"second usage already on the last page",
         {0x05, 0x01, 0x09, 0x02, 0x05, 0x0C, 0x09, 0x01, 0x05, 0x0C},
         0x0001,
         0x0002},
        {"no usage at all", {}, 0x0000, 0x0000},
        {"usage range names the collection", {0x05, 0x01, 0x19, 0x04, 0x29, 0x05}, 0x0001, 0x0004},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result<HidReportDescriptor> parsed =
            ParseHidReportDescriptor(Concat({c.prefix, {0xA1, 0x01, 0xC0}}));
        ASSERT_TRUE(parsed.ok()) << parsed.error().message;
        ASSERT_EQ(parsed->collections.size(), 1u);
        EXPECT_EQ(parsed->collections[0].usagePage, c.usagePage);
        EXPECT_EQ(parsed->collections[0].usage, c.usage);
    }
}

TEST(HidReportDescriptor, PopRestoresReportIdAndSizes) {
    const Bytes descriptor = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,  // vendor collection
        0x85, 0x01, 0x75, 0x08, 0x95, 0x02,        // ID 1, 2 x 8 bits
        0xA4,                                      // Push
        0x85, 0x02, 0x95, 0x20, 0x81, 0x02,        // input 2: 32 bytes
        0xB4,                                      // Pop
        0x81, 0x02,                                // input 1: 2 bytes
        0xC0,
    };
    const Result<HidReportDescriptor> parsed = ParseHidReportDescriptor(descriptor);
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    ASSERT_EQ(parsed->collections.size(), 1u);
    EXPECT_EQ(parsed->collections[0].inputReportIds, (Ids{1, 2}));
    EXPECT_EQ(parsed->collections[0].inputReportLength, 33u);
}

TEST(HidReportDescriptor, LongAndReservedItemsAreSkipped) {
    const Bytes descriptor = Concat({
        {0xFE, 0x03, 0x10, 0xAA, 0xBB, 0xCC},  // long item with 3 data bytes
        {0xFE, 0x00, 0x11},                    // long item without data
        {0x0D, 0x42},                          // reserved item type
        VendorMouseDescriptor(7, 7),
    });
    const Result<HidReportDescriptor> parsed = ParseHidReportDescriptor(descriptor);
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    ASSERT_EQ(parsed->collections.size(), 2u);
    EXPECT_EQ(parsed->collections[0].inputReportLength, 8u);
    EXPECT_EQ(parsed->collections[1].featureReportLength, 8u);
}

TEST(HidReportDescriptor, HugeReportsSaturateInsteadOfOverflowing) {
    struct Case {
        const char* name;
        Bytes fields;
        std::size_t featureLength;
    };
    const std::vector<Case> cases = {
        {"just within the limit", {0x75, 0x08, 0x96, 0xFF, 0x00, 0xB1, 0x02}, 256},
        {"one byte too long", {0x75, 0x08, 0x96, 0x00, 0x01, 0xB1, 0x02}, 257},
        {"300 bytes", {0x75, 0x08, 0x96, 0x2B, 0x01, 0xB1, 0x02}, 300},
        {"largest size times largest count",
         {0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0xB1, 0x02},
         kHidReportLengthSaturation},
        {"sum of huge fields",
         Repeat({0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0xB1, 0x02}, 3),
         kHidReportLengthSaturation},
        {"just above the saturation",
         {0x75, 0x08, 0x97, 0x00, 0x00, 0x01, 0x00, 0xB1, 0x02},  // 65536 payload bytes
         kHidReportLengthSaturation},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes descriptor =
            Concat({{0x06, 0x01, 0xFF, 0x09, 0x01, 0xA1, 0x01, 0x85, 0x07}, c.fields, {0xC0}});
        const Result<HidReportDescriptor> parsed = ParseHidReportDescriptor(descriptor);
        ASSERT_TRUE(parsed.ok()) << parsed.error().message;
        ASSERT_EQ(parsed->collections.size(), 1u);
        EXPECT_EQ(parsed->collections[0].featureReportLength, c.featureLength);
    }
}

TEST(HidReportDescriptor, NestingUpToTheLimitIsAccepted) {
    const Bytes descriptor = Concat({Repeat({0xA1, 0x02}, kMaxHidCollectionDepth),
                                     {0x75, 0x08, 0x95, 0x04, 0x81, 0x02},
                                     Repeat({0xC0}, kMaxHidCollectionDepth)});
    const Result<HidReportDescriptor> parsed = ParseHidReportDescriptor(descriptor);
    ASSERT_TRUE(parsed.ok()) << parsed.error().message;
    ASSERT_EQ(parsed->collections.size(), 1u);
    EXPECT_EQ(parsed->collections[0].inputReportLength, 4u);

    const Bytes pushes = Concat({Repeat({0xA4}, kMaxHidGlobalStackDepth),
                                 Repeat({0xB4}, kMaxHidGlobalStackDepth), kBootMouse});
    EXPECT_TRUE(ParseHidReportDescriptor(pushes).ok());
}

TEST(HidReportDescriptor, EmptyDescriptorHasNoCollections) {
    const Result<HidReportDescriptor> parsed = ParseHidReportDescriptor({});
    EXPECT_TRUE(parsed.ok());
    EXPECT_TRUE(parsed->collections.empty());
}

TEST(HidReportDescriptor, MalformedDescriptorsAreRefusedWithAReason) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* reason;
    };
    const Bytes deepNesting = Concat({Repeat({0xA1, 0x01}, kMaxHidCollectionDepth + 1),
                                      Repeat({0xC0}, kMaxHidCollectionDepth + 1)});
    const std::vector<Case> cases = {
        {"item cut after its prefix", Concat({kBootMouse, {0x05}}), "truncated"},
        {"two-byte item cut short", {0x06, 0x00}, "truncated"},
        {"four-byte item cut short", Concat({kBootMouse, {0x97, 0x01, 0x02}}), "truncated"},
        {"long item header cut short", {0xFE, 0x01}, "truncated"},
        {"long item data cut short", {0xFE, 0x05, 0x10, 0xAA}, "truncated"},
        {"mouse cut inside its last collection", Bytes(kBootMouse.begin(), kBootMouse.end() - 2),
         "left open"},
        {"end collection without collection", {0xC0}, "without an open collection"},
        {"extra end collection", Concat({kBootMouse, {0xC0}}), "without an open collection"},
        {"collections nested too deep", deepNesting, "nested deeper"},
        {"push beyond the stack", Repeat({0xA4}, kMaxHidGlobalStackDepth + 1), "Push"},
        {"pop without push", {0xB4}, "Pop without"},
        {"report ID zero", {0x85, 0x00}, "report ID 0"},
        {"report ID above one byte", {0x86, 0x00, 0x01}, "report ID 256"},
        {"unknown global tag", {0xC5, 0x00}, "unknown global item tag 0xc"},
        {"nested delimiters", {0xA9, 0x01, 0xA9, 0x01}, "nested delimiters"},
        {"close delimiter without open", {0xA9, 0x00}, "close delimiter"},
        {"delimiter left open", {0xA9, 0x01}, "delimiter left open"},
        {"descriptor longer than 16 bits can say", Bytes(kMaxHidDescriptorLength + 1, 0x00),
         "longer than"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Result<HidReportDescriptor> parsed = ParseHidReportDescriptor(c.bytes);
        ASSERT_FALSE(parsed.ok());
        EXPECT_EQ(parsed.error().code, ErrorCode::kMalformed);
        EXPECT_NE(parsed.error().message.find(c.reason), std::string::npos)
            << parsed.error().message;
    }
}

// Cutting a good descriptor anywhere yields either a clear refusal or only the collections
// that were complete before the cut.
TEST(HidReportDescriptor, EveryPrefixOfAGoodDescriptorIsHandled) {
    const Bytes full = kKeyboardWithConsumer;
    const Result<HidReportDescriptor> whole = ParseHidReportDescriptor(full);
    ASSERT_TRUE(whole.ok());
    int refused = 0;
    for (std::size_t length = 0; length < full.size(); ++length) {
        SCOPED_TRACE(length);
        const Result<HidReportDescriptor> parsed =
            ParseHidReportDescriptor(std::span(full.data(), length));
        if (!parsed.ok()) {
            ++refused;
            continue;
        }
        ASSERT_LT(parsed->collections.size(), whole->collections.size());
        for (std::size_t i = 0; i < parsed->collections.size(); ++i) {
            EXPECT_EQ(parsed->collections[i].usage, whole->collections[i].usage);
            EXPECT_EQ(parsed->collections[i].inputReportLength,
                      whole->collections[i].inputReportLength);
        }
    }
    EXPECT_GT(refused, static_cast<int>(full.size()) / 2);
}

}  // namespace
}  // namespace zel::platform
