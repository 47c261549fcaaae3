#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/outcome.h"

namespace zel::platform {

// Longest report this program accepts from or sends to a device, report ID byte included.
inline constexpr std::size_t kMaxHidReportLength = 256;
// Report lengths are exact up to this value; anything longer reads as this value, so absurd
// report sizes and counts can never overflow.
inline constexpr std::size_t kHidReportLengthSaturation = 0x10000;
// The USB HID descriptor carries its length in 16 bits.
inline constexpr std::size_t kMaxHidDescriptorLength = 0xFFFF;
inline constexpr std::size_t kMaxHidCollectionDepth = 32;
inline constexpr std::size_t kMaxHidGlobalStackDepth = 16;

// One top-level collection of a report descriptor with the reports declared inside it.
struct HidTopLevelCollection {
    std::uint16_t usagePage = 0;
    std::uint16_t usage = 0;
    std::uint8_t collectionType = 0;  // 1 = application
    // Largest report of each kind among the report IDs used inside the collection, in bytes,
    // report ID byte included when the report has one; 0 = the collection has none of that kind.
    // A report's length counts every field declared for its ID anywhere in the descriptor, as
    // the kernel does, because that is what hidraw delivers and accepts.
    std::size_t inputReportLength = 0;
    std::size_t outputReportLength = 0;
    std::size_t featureReportLength = 0;
    // Report IDs used inside the collection, ascending; 0 stands for "no report ID".
    std::vector<std::uint8_t> inputReportIds;
    std::vector<std::uint8_t> outputReportIds;
    std::vector<std::uint8_t> featureReportIds;
};

struct HidReportDescriptor {
    std::vector<HidTopLevelCollection> collections;
    bool usesReportIds = false;
};

// Parses a HID report descriptor, or says why it is refused: a descriptor is used whole or not
// at all. Never throws on bad input, never reads outside `bytes`.
Result<HidReportDescriptor> ParseHidReportDescriptor(std::span<const std::uint8_t> bytes);

}  // namespace zel::platform
